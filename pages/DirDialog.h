#pragma once
// The destination-folder page: a header, the folder in a read-only field with a browse button,
// a progress gauge (hidden until the copy) with its footer line, and the finish and cancel
// buttons.

#include <chrono>

#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/html/htmlwin.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "CStdStr.h"
#include "CopyObserver.h"
#include "FileAction.h"
#include "HtmlButton.h"
#include "HtmlPane.h"

// The page shows the copy that its finish button runs: it is the copy's observer.
class DirDialog : public wxDialog, private CopyObserver {
public:
    // The texts come from theSetupStrings; the page takes its parent's font.
    DirDialog(wxWindow* parent, const wxString& title);
    ~DirDialog() override;

    HtmlButton* GetBrowseButton() const { return m_browseButton; }
    HtmlButton* GetFinishButton() const { return m_finishButton; }
    HtmlButton* GetCancelButton() const { return m_cancelButton; }
    wxTextCtrl* GetPathText() const { return m_pathText; }
    wxHtmlWindow* GetHeadPane() const { return m_headPane; }
    wxGauge* GetProgressGauge() const { return m_progressGauge; }
    wxHtmlWindow* GetFootPane() const { return m_footPane; }
    const wxColour& GetTextColour() const { return m_colours.text; }
    const wxColour& GetPageBackgroundColour() const { return m_colours.background; }

    // The folder in the field, in engine form.
    CStdStr GetDestinationFolder() const;

protected:
    // Asks with the toolkit's folder chooser: the folder chosen, or empty after a cancel. Tests
    // answer in the chooser's place.
    virtual wxString AskForFolder(wxWindow* parent, const wxString& message,
                                  const wxString& startFolder);
    // Asks whether to replace the existing file of that name: an OverwriteAnswer, or any other
    // number for a question closed otherwise. Tests answer in the question's place.
    virtual int AskOverwrite(const wxString& fileName);

private:
    void startProgress(int total) override;
    void progress(int done) override;
    void footer(const CStdStr& text) override;
    void endProgress() override;
    int askOverwrite(const CStdStr& fileName) override;
    CStdStr textForName(const CStdStr& fileName) override;
    void LetPagePaint();
    void ShowProgressNow();

    void OnFinish(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnBrowse(wxCommandEvent& event);
    void OnCloseWindow(wxCloseEvent& event);

    HtmlButton* m_browseButton = nullptr;
    HtmlButton* m_finishButton = nullptr;
    HtmlButton* m_cancelButton = nullptr;
    wxTextCtrl* m_pathText = nullptr;
    wxHtmlWindow* m_headPane = nullptr;
    wxGauge* m_progressGauge = nullptr;
    wxHtmlWindow* m_footPane = nullptr;
    // Kept because the copy builds the footer again for every file.
    PageColours m_colours;
    // A repaint for every file would cost more than the copy of a small file: the progress line
    // waits here, and the page paints at most every kProgressPaintInterval, each time with the
    // line of the file handled last.
    CStdStr m_pendingFooter;
    bool m_footerPending = false;
    std::chrono::steady_clock::time_point m_lastProgressPaint;
    FileAction m_copy{*this};
    // Set once finish is pressed: the run ends with that handler, and nothing may start it
    // again or close the page under it.
    bool m_finishing = false;

    wxDECLARE_EVENT_TABLE();
};

// How a page ends the run: it asks its parent to close, which reaches the hidden top frame,
// directly or through the hidden licence page; closing the frame destroys every page.
void closeParentPage(wxWindow& page);
// A push button of a page, labelled with a language text.
HtmlButton* MakePageButton(wxWindow* page, wxWindowID id, const CStdStr& label);

// The end of every page's making: laid out at its natural size by its sizer, the button given
// the focus and Enter, the page's keys attached, centred on the screen.
void FinishPage(wxDialog& page, wxSizer* layout, HtmlButton* defaultButton);
// A folder in engine form as the field shows it: the platform's own form.
wxString DisplayFolder(const CStdStr& folder, const CStdStr& language);
