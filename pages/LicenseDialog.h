#pragma once
// The licence-agreement page: a header, the agreement read from its file, a footer, and the
// accept and decline buttons. Accepting opens the folder page; declining or closing ends the run.

#include <string>

#include <wx/dialog.h>
#include <wx/html/htmlwin.h>
#include <wx/textctrl.h>

#include "CStdStr.h"
#include "HtmlButton.h"

class LicenseDialog : public wxDialog {
public:
    // The texts come from theSetupStrings; the page takes its parent's font.
    LicenseDialog(wxWindow* parent, const wxString& title);
    ~LicenseDialog() override;

    HtmlButton* GetAcceptButton() const { return m_acceptButton; }
    HtmlButton* GetDeclineButton() const { return m_declineButton; }
    wxTextCtrl* GetLicenceText() const { return m_licenceText; }
    wxHtmlWindow* GetHeadPane() const { return m_headPane; }
    wxHtmlWindow* GetFootPane() const { return m_footPane; }

private:
    void OnAccept(wxCommandEvent& event);
    void OnDecline(wxCommandEvent& event);
    void OnCloseWindow(wxCloseEvent& event);

    HtmlButton* m_acceptButton = nullptr;
    HtmlButton* m_declineButton = nullptr;
    wxTextCtrl* m_licenceText = nullptr;
    wxHtmlWindow* m_headPane = nullptr;
    wxHtmlWindow* m_footPane = nullptr;

    wxDECLARE_EVENT_TABLE();
};

// A licence file's text: UTF-16 or UTF-8 when a byte-order mark says so, UTF-8 when the bytes
// are valid UTF-8, otherwise the language's Windows code page. Line ends become "\n".
wxString DecodeLicenceText(const std::string& bytes, const CStdStr& language);
// The text of the licence file at path (engine form); empty, and a line in the log, when the
// file cannot be read.
wxString LoadLicenceText(const CStdStr& path, const CStdStr& language);
