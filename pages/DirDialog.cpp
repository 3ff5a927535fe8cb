#include "DirDialog.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/dirdlg.h>
#include <wx/evtloop.h>
#include <wx/sizer.h>

#include "FinishStep.h"
#include "OverWriteDialog.h"
#include "PageKeys.h"
#include "PageText.h"
#include "SetupStrings.h"
#include "platform/Files.h"

namespace {

const int kPageWidth = 300;
const int kGaugeFlags = wxALL | wxEXPAND | wxRESERVE_SPACE_EVEN_IF_HIDDEN;
// Often enough to look continuous.
const std::chrono::milliseconds kProgressPaintInterval(40);

// File names come from the file system in UTF-8, unless they are not valid UTF-8.
wxString displayName(const CStdStr& name, const CStdStr& language) {
    const wxString utf8 = wxString::FromUTF8(name.data(), name.size());
    return utf8.empty() ? PageText::Decode(language, name) : utf8;
}

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
    FinishPage(*this, main, m_finishButton);
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

int DirDialog::AskOverwrite(const wxString& fileName) {
    OverWriteDialog question(
        this, PageText::Decode(theSetupStrings.language, theSetupStrings.overwriteFileTitle),
        fileName);
    return question.ShowModal();
}

void DirDialog::OnFinish(wxCommandEvent&) {
    if (m_finishing)
        return;
    m_finishing = true;
    for (wxWindow* button : {m_browseButton, m_finishButton, m_cancelButton})
        button->Enable(false);
    FinishStep::Run(m_copy, *this, GetDestinationFolder() + "\\");
    // Every finish ends the run, whatever became of the copy and the set-up program.
    closeParentPage(*this);
}

void DirDialog::OnCancel(wxCommandEvent&) {
    if (!m_finishing)
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

void DirDialog::OnCloseWindow(wxCloseEvent& event) {
    // The copy runs inside the finish handler, which closes the run itself when it is done.
    if (m_finishing) {
        if (event.CanVeto())
            event.Veto();
        return;
    }
    closeParentPage(*this);
}

void DirDialog::startProgress(int total) {
    m_progressGauge->SetRange(total);
    m_progressGauge->Show(true);
    LetPagePaint();
    m_lastProgressPaint = std::chrono::steady_clock::now();
}

void DirDialog::progress(int done) {
    // Files that appeared after the count must not push the gauge past its end.
    m_progressGauge->SetValue(std::min(done, m_progressGauge->GetRange()));
}

void DirDialog::footer(const CStdStr& text) {
    m_pendingFooter = text;
    m_footerPending = true;
    if (std::chrono::steady_clock::now() - m_lastProgressPaint >= kProgressPaintInterval)
        ShowProgressNow();
}

void DirDialog::endProgress() {
    ShowProgressNow();
}

// The gauge already holds its value; the progress line is set only when it is about to be seen.
void DirDialog::ShowProgressNow() {
    if (m_footerPending) {
        SetHtmlPaneText(m_footPane, theSetupStrings.language, m_colours, m_pendingFooter);
        m_footerPending = false;
    }
    LetPagePaint();
    m_lastProgressPaint = std::chrono::steady_clock::now();
}

int DirDialog::askOverwrite(const CStdStr& fileName) {
    // The page behind the question shows the file handled before it.
    ShowProgressNow();
    const int answer = AskOverwrite(displayName(fileName, theSetupStrings.language));
    LetPagePaint();
    return answer;
}

CStdStr DirDialog::textForName(const CStdStr& fileName) {
    const CStdStr& language = theSetupStrings.language;
    return PageText::Encode(language, displayName(fileName, language));
}

// The copy holds the event loop; letting paint and layout through keeps the gauge and the
// progress line current, while keys and clicks wait until the run has ended.
void DirDialog::LetPagePaint() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (loop && !loop->IsYielding())
        loop->YieldFor(wxEVT_CATEGORY_UI);
    else
        Update();
}

void FinishPage(wxDialog& page, wxSizer* layout, HtmlButton* defaultButton) {
    page.SetSizer(layout);
    layout->SetSizeHints(&page);
    layout->Fit(&page);
    defaultButton->SetFocus();
    defaultButton->SetDefault();
    PageKeys::Attach(&page);
    page.Centre(wxBOTH | wxCENTRE_ON_SCREEN);
}

HtmlButton* MakePageButton(wxWindow* page, wxWindowID id, const CStdStr& label) {
    return new HtmlButton(page, id, PageText::Decode(theSetupStrings.language, label),
                          wxDefaultPosition, wxDefaultSize,
                          HB_THEMED | HB_FOCUS_MARGIN | HB_AUTODRAW, wxDefaultValidator, "button");
}

void closeParentPage(wxWindow& page) {
    if (wxWindow* parent = page.GetParent())
        parent->Close(false);
    // A closed page goes at the next idle time. After a copy has let the pending events through,
    // no further event may come to start one, and the run would wait with its page on screen.
    wxWakeUpIdle();
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
