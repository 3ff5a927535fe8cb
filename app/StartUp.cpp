#include "StartUp.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "DebugLog.h"
#include "DirDialog.h"
#include "LicenseDialog.h"
#include "NlsFile.h"
#include "PageText.h"
#include "SystemPath.h"
#include "UiFont.h"
#include "platform/Wow64.h"

namespace {

// For the start-up benchmark only, and off unless KENDRY_FIRST_PAINT_PROBE names a file: once the
// first page has painted, the steady clock (in nanoseconds) goes into that file and the process
// ends.
void probeFirstPaint(wxDialog* page) {
    const char* file = std::getenv("KENDRY_FIRST_PAINT_PROBE");
    if (!file || !*file)
        return;
    page->Bind(wxEVT_PAINT, [page, file](wxPaintEvent& event) {
        event.Skip();
        // Queued, so that it runs when the page and its children have all painted.
        page->CallAfter([file] {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            if (std::FILE* out = std::fopen(file, "w")) {
                std::fprintf(
                    out, "%lld\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fclose(out);
            }
            std::_Exit(0);
        });
    });
}

} // namespace

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
    probeFirstPaint(page);
    page->Show(true);
    return page;
}

} // namespace StartUp

bool isWow64() {
    return platform::isWow64Process();
}
