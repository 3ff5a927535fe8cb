#include "StartUp.h"

#include "DebugLog.h"
#include "DirDialog.h"
#include "LicenseDialog.h"
#include "NlsFile.h"
#include "PageText.h"
#include "SystemPath.h"
#include "UiFont.h"
#include "platform/Wow64.h"

namespace StartUp {

void OpenRunLog() {
    SystemPath logFile(22, false);
    logFile.setName("RuZidiv.log");
    theDebugLog.setFileName(logFile.getFullPath());
    theDebugLog.writeHeader("Setup.exe", "", "", "Kendry: to Launch Application.");
}

PathObject SetupIniPath() {
    SystemPath setupIni(10, true);
    setupIni.setName("Setup.ini");
    return setupIni;
}

wxFrame* CreateTopFrame(const SetupStrings& strings) {
    wxFrame* frame =
        new wxFrame(nullptr, wxID_ANY, PageText::Decode(strings.language, strings.appTitle),
                    wxDefaultPosition, wxDefaultSize, wxDEFAULT_FRAME_STYLE, "frame");
    CStdStr faceName = NlsFile::GetText("DefaultFont");
    if (!NlsFile::IsTextDefined(faceName))
        faceName.clear();
    const wxFont font = MakeUiFont(strings.language, faceName, 10);
    if (font.IsOk())
        frame->SetFont(font);
    return frame;
}

wxDialog* ShowFirstPage(wxFrame* frame, const SetupStrings& strings, bool hideLicence) {
    wxDialog* page = nullptr;
    if (hideLicence)
        page = new DirDialog(frame, PageText::Decode(strings.language, strings.navTitle));
    else
        page = new LicenseDialog(frame, PageText::Decode(strings.language, strings.appTitle));
    page->Show(true);
    return page;
}

} // namespace StartUp

bool isWow64() {
    return platform::isWow64Process();
}
