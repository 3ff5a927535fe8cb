#pragma once
// Enter and Escape on a page, for its HTML buttons. The toolkit's own dialog keys only find
// native buttons, so a page made of HTML buttons attaches this once it is created.

#include <wx/toplevel.h>

namespace PageKeys {

// Enter clicks the page's default HTML button unless the focused control takes Enter itself;
// Escape clicks the HTML button with the page's escape id (wxID_CANCEL unless the dialog names
// another). A disabled button swallows the key without a click.
void Attach(wxTopLevelWindow* page);

} // namespace PageKeys
