// The button's faces, label, font, class registration, events and links. Mouse presses are
// sent as events here; HtmlButtonInputTest drives the button with real input.
#include "HtmlButton.h"

#include <vector>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>

#include "AccessibleName.h"
#include "GuiSupport.h"

namespace {

const long kPageStyle = HB_THEMED | HB_FOCUS_MARGIN | HB_AUTODRAW;

// Records the links it is asked to open instead of starting a browser.
class LinkRecordingButton : public HtmlButton {
public:
    using HtmlButton::HtmlButton;
    std::vector<wxString> opened;

protected:
    void DoOpenLink(const wxString& target) override { opened.push_back(target); }
};

wxImage Paint(HtmlButton* button) {
    return RenderButton(*button, button->CurrentState());
}

void SendMouse(HtmlButton* button, wxEventType type, const wxPoint& at) {
    wxMouseEvent event(type);
    event.SetPosition(at);
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

class HtmlButtonTest : public testing::Test {
protected:
    void SetUp() override {
        m_frame = new wxFrame(nullptr, wxID_ANY, "buttons");
        // A frame stretches a sole child; the panel keeps the buttons at their own sizes.
        m_panel = new wxPanel(m_frame);
        m_frame->Bind(wxEVT_BUTTON,
                      [this](wxCommandEvent& event) { m_clicks.push_back(event.GetId()); });
    }
    void TearDown() override { delete m_frame; }

    HtmlButton* Make(const wxString& label, const wxSize& size = wxDefaultSize,
                     long style = kPageStyle) {
        return new HtmlButton(m_panel, wxID_ANY, label, wxDefaultPosition, size, style);
    }

    wxFrame* m_frame = nullptr;
    wxPanel* m_panel = nullptr;
    std::vector<int> m_clicks;
};

TEST_F(HtmlButtonTest, PlainLabelGivesTheTextAndANativeSize) {
    HtmlButton* button = Make("Accept");
    EXPECT_EQ(button->GetLabel(), "Accept");
    ASSERT_TRUE(button->GetLabelFace());
    EXPECT_EQ(button->GetLabelFace()->GetSource(), "Accept");
    EXPECT_TRUE(button->GetLabelFace()->GetRoot());
    EXPECT_EQ(button->GetName(), "button");
    EXPECT_NE(button->GetId(), wxID_ANY);

    const wxSize nativeMinimum = wxButton::GetDefaultSize();
    EXPECT_GE(button->GetSize().x, nativeMinimum.x);
    EXPECT_GE(button->GetSize().y, nativeMinimum.y);
    EXPECT_EQ(button->GetMinSize(), button->GetSize());
    // A long label makes a wider button.
    EXPECT_GT(Make("Accept the licence agreement and go on")->GetSize().x, button->GetSize().x);
}

TEST_F(HtmlButtonTest, DefaultSizeHoldsTheLabelOnOneLine) {
    for (long style : {kPageStyle, static_cast<long>(HB_AUTODRAW | HB_FOCUS_MARGIN)}) {
        const int lineHeight =
            Make("I", wxDefaultSize, style)->GetLabelFace()->GetRoot()->GetHeight();
        for (const char* label :
             {"I accept", "<b>Yes to all</b>", "Accept the licence agreement and go on"}) {
            const HtmlButtonCell* face = Make(label, wxDefaultSize, style)->GetLabelFace();
            EXPECT_EQ(face->GetRoot()->GetHeight(), lineHeight) << label << " style " << style;
        }
    }
}

TEST_F(HtmlButtonTest, MarkupLeavesItsPlainTextAsLabelAndAccessibleName) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"Yes to <b>all</b>", "Yes to all"},
        {"<font color=#ff0000>&lt;Back</font>", "<Back"},
        {"<html><body bgcolor=#00ff00>Go   on</body></html>", "Go on"},
        {"", ""},
    };
    for (const auto& c : cases) {
        HtmlButton* button = Make(wxString::FromUTF8(c.html));
        EXPECT_EQ(button->GetLabel(), wxString::FromUTF8(c.text)) << c.html;
        EXPECT_EQ(AccessibleName::Get(button), wxString::FromUTF8(c.text)) << c.html;
    }
}

TEST_F(HtmlButtonTest, EmptyLabelGetsAnEmptyPage) {
    HtmlButton* button = Make("", wxSize(80, 30));
    ASSERT_TRUE(button->GetLabelFace());
    EXPECT_EQ(button->GetLabelFace()->GetSource(), "<html> </html>");
    EXPECT_EQ(button->GetLabel(), "");
    EXPECT_EQ(button->GetSize(), wxSize(80, 30));
}

TEST_F(HtmlButtonTest, SetLabelReplacesTheFaceUnlessItIsTheCurrentText) {
    HtmlButton* button = Make("<b>Accept</b>");
    const HtmlButtonCell* face = button->GetLabelFace();
    button->SetLabel("Accept"); // the current plain text: nothing happens
    EXPECT_EQ(button->GetLabelFace(), face);
    EXPECT_EQ(button->GetLabelFace()->GetSource(), "<b>Accept</b>");

    button->SetLabel("<i>Decline</i>");
    EXPECT_EQ(button->GetLabelFace()->GetSource(), "<i>Decline</i>");
    EXPECT_EQ(button->GetLabel(), "Decline");
    EXPECT_EQ(AccessibleName::Get(button), "Decline");
    button->SetLabel("Accept"); // no longer the current text
    EXPECT_EQ(button->GetLabelFace()->GetSource(), "Accept");
}

TEST_F(HtmlButtonTest, ReplacingThePaintedFaceLeavesNothingDangling) {
    HtmlButton* button = Make("Accept");
    Paint(button);
    ASSERT_EQ(button->GetCurrentFace(), button->GetLabelFace());
    button->SetHtmlLabel("Decline");
    EXPECT_EQ(button->GetCurrentFace(), button->GetLabelFace());
    EXPECT_EQ(button->GetCurrentFace()->GetSource(), "Decline");
    button->SetHtmlLabel(""); // ignored for the label face
    EXPECT_EQ(button->GetLabelFace()->GetSource(), "Decline");
}

TEST_F(HtmlButtonTest, FacesFollowTheFontsFaceAndAnInvalidFontChangesNothing) {
    HtmlButton* button = Make("iiiiiiii", wxSize(200, 30));
    button->SetHtmlHover("iiiiiiii");
    EXPECT_FALSE(button->SetFont(wxNullFont));

    const auto wordWidth = [](const HtmlButtonCell* face) {
        const wxHtmlCell* root = face->GetRoot();
        int width = 0;
        for (wxHtmlTerminalCellsInterator it(root->GetFirstTerminal(), root->GetLastTerminal()); it;
             ++it)
            width += it->GetWidth();
        return width;
    };
    ASSERT_TRUE(button->SetFont(wxFont(wxFontInfo(10).FaceName("DejaVu Sans"))));
    const int proportional = wordWidth(button->GetLabelFace());
    ASSERT_TRUE(button->SetFont(wxFont(wxFontInfo(10).FaceName("DejaVu Sans Mono"))));
    EXPECT_GT(wordWidth(button->GetLabelFace()), proportional);
    EXPECT_EQ(button->GetLabelFace()->GetSource(), "iiiiiiii");
}

TEST_F(HtmlButtonTest, IsRegisteredByClassNameUnderTheControls) {
    wxObject* made = wxCreateDynamicObject("HtmlButton");
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->IsKindOf(wxCLASSINFO(wxControl)));
    auto* button = dynamic_cast<HtmlButton*>(made);
    ASSERT_TRUE(button);
    EXPECT_FALSE(button->GetLabelFace());
    ASSERT_TRUE(button->Create(m_panel, wxID_OK, "<b>OK</b>"));
    EXPECT_EQ(button->GetLabel(), "OK");
    EXPECT_EQ(button->GetParent(), m_panel);
    EXPECT_STREQ(Make("Accept")->GetClassInfo()->GetClassName(), L"HtmlButton");
}

TEST_F(HtmlButtonTest, EnteringPostsAnEventToTheParentForLater) {
    std::vector<int> entered;
    m_frame->Bind(HTMLBUTTON_ENTER_EVENT,
                  [&entered](wxCommandEvent& event) { entered.push_back(event.GetId()); });
    HtmlButton* button = Make("Accept");
    SendMouse(button, wxEVT_ENTER_WINDOW, wxPoint(1, 1));
    EXPECT_TRUE(entered.empty());
    EXPECT_TRUE(WaitFor([&] { return !entered.empty(); }));
    EXPECT_EQ(entered, std::vector<int>{button->GetId()});
}

TEST_F(HtmlButtonTest, PressOnALinkOpensItWithoutAClickAndElsewhereClicks) {
    auto* button = new LinkRecordingButton(m_panel, wxID_ANY,
                                           "<a href=\"https://example.com/driver\">Readme</a>",
                                           wxDefaultPosition, wxSize(120, 50), kPageStyle);
    m_frame->Show();
    const wxPoint link = LinkCentre(Paint(button));
    ASSERT_NE(link, wxDefaultPosition);

    SendMouse(button, wxEVT_LEFT_DOWN, link);
    SendMouse(button, wxEVT_LEFT_UP, link);
    EXPECT_EQ(button->opened, std::vector<wxString>{"https://example.com/driver"});
    EXPECT_TRUE(m_clicks.empty());

    const wxPoint beside(button->GetSize().x - 5, button->GetSize().y / 2);
    SendMouse(button, wxEVT_LEFT_DOWN, beside);
    EXPECT_TRUE(m_clicks.empty()); // a click comes with the release
    SendMouse(button, wxEVT_LEFT_UP, beside);
    EXPECT_EQ(m_clicks, std::vector<int>{button->GetId()});
    EXPECT_EQ(button->opened.size(), 1u);
}

TEST_F(HtmlButtonTest, ReleaseOutsideTheButtonIsNoClick) {
    HtmlButton* button = Make("Accept", wxSize(80, 30));
    m_frame->Show();
    Paint(button);
    SendMouse(button, wxEVT_LEFT_DOWN, wxPoint(10, 10));
    EXPECT_TRUE(button->CurrentState().pressed);
    SendMouse(button, wxEVT_MOTION, wxPoint(200, 10));
    EXPECT_FALSE(button->CurrentState().pressed);
    SendMouse(button, wxEVT_LEFT_UP, wxPoint(200, 10));
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(HtmlButtonTest, EmptyAndParentLinksAreIgnored) {
    auto* button = new LinkRecordingButton(m_panel, wxID_ANY, "Accept");
    button->OnHTMLLinkClicked(wxHtmlLinkInfo(""));
    button->OnHTMLLinkClicked(wxHtmlLinkInfo(".."));
    button->OnHTMLLinkClicked(wxHtmlLinkInfo("readme.txt"));
    EXPECT_EQ(button->opened, std::vector<wxString>{"readme.txt"});
}

TEST_F(HtmlButtonTest, PointerStaysAnArrowOverLinksAndText) {
    HtmlButton* button = Make("Accept");
    EXPECT_TRUE(button->GetHTMLCursor(wxHtmlWindowInterface::HTMLCursor_Link).IsOk());
    EXPECT_FALSE(button->GetHTMLCursor(wxHtmlWindowInterface::HTMLCursor_Text).IsOk());
    EXPECT_FALSE(button->GetHTMLCursor(wxHtmlWindowInterface::HTMLCursor_Default).IsOk());
    EXPECT_EQ(button->OnHTMLOpeningURL(wxHTML_URL_IMAGE, "x.png", nullptr), wxHTML_OPEN);
}

TEST_F(HtmlButtonTest, DisabledButtonDoesNotClick) {
    HtmlButton* button = Make("Accept");
    button->Enable(false);
    button->Click();
    EXPECT_TRUE(m_clicks.empty());
    button->Enable(true);
    button->Click();
    EXPECT_EQ(m_clicks, std::vector<int>{button->GetId()});
}

TEST_F(HtmlButtonTest, SetDefaultMakesItThePagesDefaultItem) {
    HtmlButton* first = Make("Accept");
    HtmlButton* second = Make("Decline");
    EXPECT_EQ(first->SetDefault(), nullptr);
    EXPECT_EQ(m_frame->GetDefaultItem(), first);
    EXPECT_EQ(second->SetDefault(), first);
    EXPECT_EQ(m_frame->GetDefaultItem(), second);
}

} // namespace
