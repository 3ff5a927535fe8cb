#pragma once
// The question the copy asks before it replaces a file that exists at the destination: the
// question text with the file's name, and the answers yes, yes to all, no, no to all and
// cancel. Shown modally; its modal result is the id of the answer's button.

#include <wx/dialog.h>
#include <wx/html/htmlwin.h>

#include "HtmlButton.h"

class OverWriteDialog : public wxDialog {
public:
    // The texts come from theSetupStrings; the dialog takes its parent's font. fileName is
    // shown as it is written, whatever characters it holds.
    OverWriteDialog(wxWindow* parent, const wxString& title, const wxString& fileName);
    ~OverWriteDialog() override;

    HtmlButton* GetYesButton() const { return m_yesButton; }
    HtmlButton* GetYesToAllButton() const { return m_yesToAllButton; }
    HtmlButton* GetNoButton() const { return m_noButton; }
    HtmlButton* GetNoToAllButton() const { return m_noToAllButton; }
    HtmlButton* GetCancelButton() const { return m_cancelButton; }
    wxHtmlWindow* GetQuestionPane() const { return m_questionPane; }

    // Ends the modal loop with code; shown modeless, hides the dialog with it as result.
    void EndWith(int code);

private:
    void OnAnswer(wxCommandEvent& event);
    void OnCloseWindow(wxCloseEvent& event);

    HtmlButton* m_yesButton = nullptr;
    HtmlButton* m_yesToAllButton = nullptr;
    HtmlButton* m_noButton = nullptr;
    HtmlButton* m_noToAllButton = nullptr;
    HtmlButton* m_cancelButton = nullptr;
    wxHtmlWindow* m_questionPane = nullptr;

    wxDECLARE_EVENT_TABLE();
};
