#include "HtmlPane.h"

#include <gtest/gtest.h>
#include <wx/dialog.h>

#include "GuiSupport.h"

namespace {

class HtmlPaneTest : public testing::Test {
protected:
    void SetUp() override { m_page = new wxDialog(nullptr, wxID_ANY, "page"); }
    void TearDown() override { delete m_page; }
    wxDialog* m_page = nullptr;
};

TEST_F(HtmlPaneTest, PageColoursAreThePagesOwn) {
    const PageColours colours = ReadPageColours(*m_page);
    EXPECT_EQ(colours.text, m_page->GetForegroundColour());
    EXPECT_EQ(colours.background, m_page->GetBackgroundColour());
}

TEST_F(HtmlPaneTest, PaneIsAFixedBorderlessHtmlWindowInThePagesBackground) {
    const PageColours colours{*wxBLACK, wxColour(236, 233, 216)};
    wxHtmlWindow* pane = MakeHtmlPane(m_page, 300, "de", colours, "<b>Willkommen</b>");
    EXPECT_EQ(pane->GetParent(), m_page);
    EXPECT_EQ(pane->GetName(), "htmlWindow");
    EXPECT_EQ(pane->GetSize(), wxSize(300, 50));
    EXPECT_TRUE(pane->HasFlag(wxHW_SCROLLBAR_NEVER));
    EXPECT_TRUE(pane->HasFlag(wxHW_NO_SELECTION));
    EXPECT_EQ(pane->GetBorder(), wxBORDER_NONE);
    EXPECT_EQ(pane->GetBackgroundColour(), colours.background);
    EXPECT_EQ(pane->ToText(), "Willkommen");
}

TEST_F(HtmlPaneTest, TextsShowTheirRealCharacters) {
    const struct {
        const char* language;
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {"ja", "\x83\x89\x83\x43\x83\x5a\x83\x93\x83\x58", "ライセンス"},
        {"ru", "\xcb\xe8\xf6\xe5\xed\xe7\xe8\xff", "Лицензия"},
        {"de", "Lizenz f\xfcr Ger\xe4te", "Lizenz für Geräte"},
    };
    const PageColours colours = ReadPageColours(*m_page);
    for (const auto& c : cases) {
        wxHtmlWindow* pane = MakeHtmlPane(m_page, 300, c.language, colours, c.bytes);
        EXPECT_EQ(pane->ToText(), wxString::FromUTF8(c.utf8)) << c.language;
    }
}

TEST_F(HtmlPaneTest, NewTextReplacesTheOld) {
    const PageColours colours = ReadPageColours(*m_page);
    wxHtmlWindow* pane = MakeHtmlPane(m_page, 300, "en", colours, "Copying 1 of 2");
    SetHtmlPaneText(pane, "en", colours, "Copying 2 of 2");
    EXPECT_EQ(pane->ToText(), "Copying 2 of 2");
}

} // namespace
