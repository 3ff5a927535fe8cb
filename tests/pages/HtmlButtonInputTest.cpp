// The button on a shown page, driven with real pointer and key input through the X server:
// clicks, links, Tab, Space and Enter, the default button and Escape.
#include "HtmlButton.h"

#include <vector>

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "GuiSupport.h"
#include "PageKeys.h"

namespace {

const long kPageStyle = HB_THEMED | HB_FOCUS_MARGIN | HB_AUTODRAW;

class LinkRecordingButton : public HtmlButton {
public:
    using HtmlButton::HtmlButton;
    std::vector<wxString> opened;

protected:
    void DoOpenLink(const wxString& target) override { opened.push_back(target); }
};

// A page as the setup pages build it: a text field and HTML buttons, OK the default.
class HtmlButtonInputTest : public testing::Test {
protected:
    void SetUp() override {
        m_page = new wxDialog(nullptr, wxID_ANY, "page", wxDefaultPosition, wxDefaultSize,
                              wxDEFAULT_DIALOG_STYLE, "dialog");
        m_text = new wxTextCtrl(m_page, wxID_ANY, "C:\\Drivers");
        m_ok = new HtmlButton(m_page, wxID_OK, "<b>OK</b>");
        m_cancel = new HtmlButton(m_page, wxID_CANCEL, "Cancel");
        m_link = new LinkRecordingButton(m_page, wxID_HELP, "See <a href=\"readme.htm\">readme</a>",
                                         wxDefaultPosition, wxSize(160, 40), kPageStyle);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        for (wxWindow* window : std::vector<wxWindow*>{m_text, m_ok, m_cancel, m_link})
            sizer->Add(window, 0, wxALL, 5);
        m_page->SetSizerAndFit(sizer);
        m_ok->SetDefault();
        PageKeys::Attach(m_page);
        m_page->Bind(wxEVT_BUTTON,
                     [this](wxCommandEvent& event) { m_clicks.push_back(event.GetId()); });

        m_page->Show();
        m_page->Raise();
        ASSERT_TRUE(WaitFor([this] { return m_ok->GetCurrentFace() && m_link->GetCurrentFace(); }))
            << "the page was never painted";
        FocusOn(m_text);
    }
    void TearDown() override { delete m_page; }

    void FocusOn(wxWindow* window) {
        window->SetFocus();
        ASSERT_TRUE(WaitFor([window] { return wxWindow::FindFocus() == window; }));
    }

    // Presses and releases a key, then waits for the page to have seen it all.
    void Type(int key) {
        m_input.Char(key);
        RunEventsFor(50);
    }

    void ClickAt(wxWindow* window, const wxPoint& at) {
        m_input.MouseMove(window->ClientToScreen(at));
        RunEventsFor(20);
        m_input.MouseClick();
    }

    bool ClickedOnly(int id) {
        return WaitFor([this] { return !m_clicks.empty(); }) && m_clicks == std::vector<int>{id};
    }

    wxUIActionSimulator m_input;
    wxDialog* m_page = nullptr;
    wxTextCtrl* m_text = nullptr;
    HtmlButton* m_ok = nullptr;
    HtmlButton* m_cancel = nullptr;
    LinkRecordingButton* m_link = nullptr;
    std::vector<int> m_clicks;
};

TEST_F(HtmlButtonInputTest, MouseClickClicksAndTakesTheFocus) {
    ClickAt(m_cancel, m_cancel->GetClientRect().GetPosition() + wxPoint(5, 5));
    EXPECT_TRUE(ClickedOnly(wxID_CANCEL));
    EXPECT_EQ(wxWindow::FindFocus(), m_cancel);
}

TEST_F(HtmlButtonInputTest, ClickOnALinkOpensItAndClicksNothing) {
    const wxPoint link = LinkCentre(RenderButton(*m_link, m_link->CurrentState()));
    ASSERT_NE(link, wxDefaultPosition);
    ClickAt(m_link, link);
    ASSERT_TRUE(WaitFor([this] { return !m_link->opened.empty(); }));
    EXPECT_EQ(m_link->opened, std::vector<wxString>{"readme.htm"});
    RunEventsFor(100);
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(HtmlButtonInputTest, TabReachesTheButtonsInTurn) {
    Type(WXK_TAB);
    EXPECT_TRUE(WaitFor([this] { return wxWindow::FindFocus() == m_ok; }));
    Type(WXK_TAB);
    EXPECT_TRUE(WaitFor([this] { return wxWindow::FindFocus() == m_cancel; }));
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(HtmlButtonInputTest, SpaceAndEnterClickTheFocusedButton) {
    FocusOn(m_cancel);
    Type(WXK_SPACE);
    EXPECT_TRUE(ClickedOnly(wxID_CANCEL));
    m_clicks.clear();
    Type(WXK_RETURN);
    EXPECT_TRUE(ClickedOnly(wxID_CANCEL)); // the focused button, not the default one
}

TEST_F(HtmlButtonInputTest, EnterInTheTextFieldClicksTheDefaultButton) {
    Type(WXK_RETURN);
    EXPECT_TRUE(ClickedOnly(wxID_OK));
}

TEST_F(HtmlButtonInputTest, EscapeClicksTheCancelButton) {
    Type(WXK_ESCAPE);
    EXPECT_TRUE(ClickedOnly(wxID_CANCEL));
    EXPECT_TRUE(m_page->IsShown());
}

TEST_F(HtmlButtonInputTest, DisabledButtonsTakeNoKeys) {
    m_cancel->Enable(false);
    m_ok->Enable(false);
    Type(WXK_ESCAPE);
    Type(WXK_RETURN);
    RunEventsFor(100);
    EXPECT_TRUE(m_clicks.empty());
    EXPECT_TRUE(m_page->IsShown());
}

} // namespace
