// Which keys a page hands to its HTML buttons, sent as the key events the toolkit delivers.
// HtmlButtonInputTest types the common cases for real.
#include "PageKeys.h"

#include <vector>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "GuiSupport.h"
#include "HtmlButton.h"

namespace {

class PageKeysTest : public testing::Test {
protected:
    void SetUp() override {
        m_page = MakePage();
        m_ok = new HtmlButton(m_page, wxID_OK, "OK");
        m_cancel = new HtmlButton(m_page, wxID_CANCEL, "Cancel");
        m_ok->SetDefault();
    }
    void TearDown() override { delete m_page; }

    wxDialog* MakePage(wxWindow* parent = nullptr) {
        auto* page = new wxDialog(parent, wxID_ANY, "page");
        page->SetSizer(new wxBoxSizer(wxVERTICAL));
        PageKeys::Attach(page);
        page->Bind(wxEVT_BUTTON,
                   [this](wxCommandEvent& event) { m_clicks.push_back(event.GetId()); });
        return page;
    }

    void Press(int key, int modifiers = wxMOD_NONE) {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = key;
        event.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
        event.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
        event.SetEventObject(m_page);
        m_page->ProcessWindowEvent(event);
    }

    void ShowWithFocusOn(wxWindow* window) {
        m_page->GetSizer()->Add(window);
        m_page->Fit();
        m_page->Show();
        window->SetFocus();
        ASSERT_TRUE(WaitFor([window] { return wxWindow::FindFocus() == window; }));
    }

    wxDialog* m_page = nullptr;
    HtmlButton* m_ok = nullptr;
    HtmlButton* m_cancel = nullptr;
    std::vector<int> m_clicks;
};

TEST_F(PageKeysTest, EnterClicksTheDefaultAndEscapeTheCancelButton) {
    Press(WXK_RETURN);
    Press(WXK_NUMPAD_ENTER);
    Press(WXK_ESCAPE);
    EXPECT_EQ(m_clicks, (std::vector<int>{wxID_OK, wxID_OK, wxID_CANCEL}));
}

TEST_F(PageKeysTest, KeysWithModifiersGoOn) {
    Press(WXK_RETURN, wxMOD_CONTROL);
    Press(WXK_ESCAPE, wxMOD_SHIFT);
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(PageKeysTest, EscapeFollowsTheDialogsEscapeId) {
    new HtmlButton(m_page, wxID_NO, "No");
    m_page->SetEscapeId(wxID_NO);
    Press(WXK_ESCAPE);
    m_page->SetEscapeId(wxID_NONE);
    Press(WXK_ESCAPE);
    EXPECT_EQ(m_clicks, std::vector<int>{wxID_NO});
}

TEST_F(PageKeysTest, ButtonsOfAnotherPageAreNotThisPagesButtons) {
    delete m_cancel;
    wxDialog* next = MakePage(m_page); // the folder page is the licence page's child
    new HtmlButton(next, wxID_CANCEL, "Cancel");
    Press(WXK_ESCAPE);
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(PageKeysTest, ControlsThatTakeEnterKeepIt) {
    const struct {
        const char* name;
        long style;
    } cases[] = {{"multi-line text", wxTE_MULTILINE},
                 {"text asking for Enter", wxTE_PROCESS_ENTER}};
    for (const auto& c : cases) {
        ShowWithFocusOn(
            new wxTextCtrl(m_page, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, c.style));
        Press(WXK_RETURN);
        EXPECT_TRUE(m_clicks.empty()) << c.name;
    }
    ShowWithFocusOn(new wxTextCtrl(m_page, wxID_ANY, "C:\\Drivers"));
    Press(WXK_RETURN);
    EXPECT_EQ(m_clicks, std::vector<int>{wxID_OK});
}

TEST_F(PageKeysTest, NativeButtonsAreLeftToTheToolkit) {
    ShowWithFocusOn(new wxButton(m_page, wxID_APPLY, "Apply"));
    Press(WXK_RETURN); // the focused native button handles its own Enter
    EXPECT_TRUE(m_clicks.empty());
}

} // namespace
