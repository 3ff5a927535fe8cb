#pragma once
// The steps of the application's start-up that surround the Setup.ini reading: the run log, the
// place of Setup.ini, the hidden top frame and the first page.

#include <wx/dialog.h>
#include <wx/frame.h>

#include "PathObject.h"
#include "SetupStrings.h"

namespace StartUp {

// Names RuZidiv.log in the temporary folder and writes the run banner.
void OpenRunLog();
// Setup.ini in the folder of the running program.
PathObject SetupIniPath();
// The never-shown root of every page, with the font of the language's pages.
wxFrame* CreateTopFrame(const SetupStrings& strings);
// The licence page, or the folder page when the licence is hidden; shown modeless.
wxDialog* ShowFirstPage(wxFrame* frame, const SetupStrings& strings, bool hideLicence);

} // namespace StartUp

// Whether this program runs as a 32-bit process on a 64-bit system, where Setup.ini's
// InstallPath64 applies instead of InstallPath.
bool isWow64();
