// The floor of the start-up benchmark: the least a wxWidgets program with a page like the
// installer's does before its first paint, one dialog with an HTML pane, a text field and a
// button. With KENDRY_FIRST_PAINT_PROBE naming a file it notes the steady clock (nanoseconds)
// there after its first paint and ends, as the installer does.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/html/htmlwin.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/wx.h>

namespace {

void noteTimeAndExit(const char* file) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    if (std::FILE* out = std::fopen(file, "w")) {
        std::fprintf(out, "%lld\n",
                     static_cast<long long>(
                         std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fclose(out);
    }
    std::_Exit(0);
}

class FloorApp : public wxApp {
public:
    bool OnInit() override {
        if (!wxApp::OnInit())
            return false;
        auto* page = new wxDialog(nullptr, wxID_ANY, "Floor");
        auto* column = new wxBoxSizer(wxVERTICAL);
        auto* html = new wxHtmlWindow(page, wxID_ANY, wxDefaultPosition, wxSize(300, 200));
        html->SetPage("<html><body><p>The terms.</p></body></html>");
        column->Add(html, 1, wxEXPAND | wxALL, 5);
        column->Add(new wxTextCtrl(page, wxID_ANY, "/tmp"), 0, wxEXPAND | wxALL, 5);
        column->Add(new wxButton(page, wxID_OK, "Accept"), 0, wxALIGN_RIGHT | wxALL, 5);
        page->SetSizerAndFit(column);
        if (const char* file = std::getenv("KENDRY_FIRST_PAINT_PROBE"); file && *file) {
            page->Bind(wxEVT_PAINT, [page, file](wxPaintEvent& event) {
                event.Skip();
                page->CallAfter([file] { noteTimeAndExit(file); });
            });
        }
        page->Show(true);
        return true;
    }
};

} // namespace

wxIMPLEMENT_APP_NO_MAIN(FloorApp);

int main(int argc, char** argv) {
    return wxEntry(argc, argv);
}
