#pragma once
// The name and role screen readers announce for a control the toolkit does not know, such as
// the painted HTML button.

#include <wx/string.h>
#include <wx/window.h>

namespace AccessibleName {

// Announces window as a push button called name. Does nothing where the desktop's
// accessibility library is not loaded.
void Set(wxWindow* window, const wxString& name);
// What Set gave window; empty where the library is not loaded.
wxString Get(wxWindow* window);

} // namespace AccessibleName
