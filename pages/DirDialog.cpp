#include "DirDialog.h"

#include <wx/dirdlg.h>
#include <wx/sizer.h>

#include "PageKeys.h"
#include "PageText.h"
#include "SetupStrings.h"
#include "platform/Files.h"

namespace {

const int kPageWidth = 300;
const int kGaugeFlags = wxALL | wxEXPAND | wxRESERVE_SPACE_EVEN_IF_HIDDEN;

} // namespace

DirDialog::DirDialog(wxWindow* parent, const wxString& title)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "dialog") {
    SetFont(parent->GetFont());
    m_colours = ReadPageColours(*this);
    const SetupStrings& strings = theSetupStrings;

    auto* main = new wxBoxSizer(wxVERTICAL);
    auto* pathRow = new wxBoxSizer(wxHORIZONTAL);
    auto* progressColumn = new wxBoxSizer(wxVERTICAL);
    auto* buttonRow = new wxBoxSizer(wxHORIZONTAL);

    m_headPane = MakeHtmlPane(this, kPageWidth, strings.language, m_colours, strings.navHead);
    m_pathText = new wxTextCtrl(
        this, wxID_ANY, DisplayFolder(strings.navDefaultDir, strings.language), wxDefaultPosition,
        wxSize(kPageWidth, 25), wxTE_READONLY, wxDefaultValidator, "text");
    m_browseButton = MakePageButton(this, wxID_ANY, strings.navButton1);
    m_finishButton = MakePageButton(this, wxID_OK, strings.navButton2);
    m_cancelButton = MakePageButton(this, wxID_CANCEL, strings.navButton3);
    m_progressGauge =
        new wxGauge(this, wxID_ANY, 5000, wxDefaultPosition, wxSize(kPageWidth, 20),
                    wxGA_HORIZONTAL | wxGA_SMOOTH | wxNO_BORDER, wxDefaultValidator, "gauge");
    m_progressGauge->Show(false);
    m_footPane = MakeHtmlPane(this, kPageWidth, strings.language, m_colours, CStdStr());

    main->Add(m_headPane, 0, wxEXPAND, 0);
    pathRow->Add(m_pathText, 0, wxALL, 5);
    pathRow->Add(m_browseButton, 0, wxALL, 5);
    main->Add(pathRow, 0, 0, 0);
    progressColumn->Add(m_progressGauge, 0, kGaugeFlags, 5);
    progressColumn->Add(m_footPane, 0, kGaugeFlags, 5);
    main->Add(progressColumn, 0, wxEXPAND, 0);
    buttonRow->Add(m_finishButton, 0, wxALL, 5);
    buttonRow->Add(m_cancelButton, 0, wxALL, 5);
    main->Add(buttonRow, 0, wxALIGN_RIGHT, 0);
    SetSizer(main);
    main->SetSizeHints(this);
    main->Fit(this);

    m_finishButton->SetFocus();
    m_finishButton->SetDefault();
    PageKeys::Attach(this);
    Centre(wxBOTH | wxCENTRE_ON_SCREEN);
}

DirDialog::~DirDialog() = default;

CStdStr DirDialog::GetDestinationFolder() const {
    return platform::enginePath(m_pathText->GetValue().fn_str());
}

wxString DirDialog::AskForFolder(wxWindow* parent, const wxString& message,
                                 const wxString& startFolder) {
    wxDirDialog chooser(parent, message, startFolder, 0, wxDefaultPosition, wxDefaultSize,
                        "wxDirCtrl");
    return chooser.ShowModal() == wxID_OK ? chooser.GetPath() : wxString();
}

void DirDialog::OnFinish(wxCommandEvent&) {
    // Every finish ends the run, whatever became of the copy and the set-up program.
    closeParentPage(*this);
}

void DirDialog::OnCancel(wxCommandEvent&) {
    closeParentPage(*this);
}

void DirDialog::OnBrowse(wxCommandEvent& event) {
    if (event.GetId() != m_browseButton->GetId())
        return;
    const SetupStrings& strings = theSetupStrings;
    const wxString defaultFolder = DisplayFolder(strings.navDefaultDir, strings.language);
    // Always on the configured folder, not on the field's current value. Choosers differ in what
    // a cancel leaves behind; here it always means the default.
    wxString chosen = AskForFolder(
        GetParent(), PageText::Decode(strings.language, strings.dirBrowseText), defaultFolder);
    if (chosen.empty())
        chosen = defaultFolder;
    m_pathText->SetValue(chosen);
}

void DirDialog::OnCloseWindow(wxCloseEvent&) {
    closeParentPage(*this);
}

HtmlButton* MakePageButton(wxWindow* page, wxWindowID id, const CStdStr& label) {
    return new HtmlButton(page, id, PageText::Decode(theSetupStrings.language, label),
                          wxDefaultPosition, wxDefaultSize,
                          HB_THEMED | HB_FOCUS_MARGIN | HB_AUTODRAW, wxDefaultValidator, "button");
}

void closeParentPage(wxWindow& page) {
    if (wxWindow* parent = page.GetParent())
        parent->Close(false);
}

wxString DisplayFolder(const CStdStr& folder, const CStdStr& language) {
    const CStdStr native = platform::displayPath(folder);
    // Folders from the file system come in UTF-8; folders from language texts in their code page.
    const wxString utf8 = wxString::FromUTF8(native.data(), native.size());
    return utf8.empty() ? PageText::Decode(language, native) : utf8;
}

// clang-format off
wxBEGIN_EVENT_TABLE(DirDialog, wxDialog)
    EVT_BUTTON(wxID_OK, DirDialog::OnFinish)
    EVT_BUTTON(wxID_CANCEL, DirDialog::OnCancel)
    EVT_BUTTON(wxID_ANY, DirDialog::OnBrowse)
    EVT_CLOSE(DirDialog::OnCloseWindow)
wxEND_EVENT_TABLE()
