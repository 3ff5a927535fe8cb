#include "OverWriteDialog.h"

#include <wx/sizer.h>

#include "DirDialog.h"
#include "GuardedFormat.h"
#include "HtmlPane.h"
#include "PageText.h"
#include "SetupStrings.h"

namespace {

const int kQuestionWidth = 570;

// The question followed by a line break, a blank and the name. The name goes in as text: a
// "%" or "<" in it is shown, not read as format or markup.
CStdStr questionBody(const wxString& fileName) {
    const CStdStr& language = theSetupStrings.language;
    const CStdStr name = EscapeHtmlText(PageText::Encode(language, fileName));
    return GuardedFormat(theSetupStrings.overwriteFile + "<br> %s", name);
}

} // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(OverWriteDialog, wxDialog)
    EVT_BUTTON(wxID_YES, OverWriteDialog::OnAnswer)
    EVT_BUTTON(wxID_YESTOALL, OverWriteDialog::OnAnswer)
    EVT_BUTTON(wxID_NO, OverWriteDialog::OnAnswer)
    EVT_BUTTON(wxID_NOTOALL, OverWriteDialog::OnAnswer)
    EVT_BUTTON(wxID_CANCEL, OverWriteDialog::OnAnswer)
    EVT_CLOSE(OverWriteDialog::OnCloseWindow)
wxEND_EVENT_TABLE()
    // clang-format on

    OverWriteDialog::OverWriteDialog(wxWindow* parent, const wxString& title,
                                     const wxString& fileName)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "dialog") {
    SetFont(parent->GetFont());
    const PageColours colours = ReadPageColours(*this);
    const SetupStrings& strings = theSetupStrings;

    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* buttonRow = new wxBoxSizer(wxHORIZONTAL);
    m_questionPane =
        MakeHtmlPane(this, kQuestionWidth, strings.language, colours, questionBody(fileName));
    m_yesButton = MakePageButton(this, wxID_YES, strings.yesText);
    m_yesToAllButton = MakePageButton(this, wxID_YESTOALL, strings.yesToAllText);
    m_noButton = MakePageButton(this, wxID_NO, strings.noText);
    m_noToAllButton = MakePageButton(this, wxID_NOTOALL, strings.noToAllText);
    m_cancelButton = MakePageButton(this, wxID_CANCEL, strings.cancelText);

    column->Add(m_questionPane, 0, wxALL, 5);
    for (HtmlButton* button :
         {m_yesButton, m_yesToAllButton, m_noButton, m_noToAllButton, m_cancelButton})
        buttonRow->Add(button, 0, wxALL, 5);
    // Left-aligned under the question, without space of its own.
    column->Add(buttonRow, 0, 0, 0);
    FinishPage(*this, column, m_yesButton);
}

OverWriteDialog::~OverWriteDialog() = default;

void OverWriteDialog::EndWith(int code) {
    if (IsModal()) {
        EndModal(code);
    } else {
        SetReturnCode(code);
        Show(false);
    }
}

void OverWriteDialog::OnAnswer(wxCommandEvent& event) {
    EndWith(event.GetId());
}

void OverWriteDialog::OnCloseWindow(wxCloseEvent&) {
    EndWith(wxID_CANCEL);
}
