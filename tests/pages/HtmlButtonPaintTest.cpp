// The button's painting, checked in pixels: each state is drawn into a bitmap as the paint
// handler draws it. Every render is also saved as a PNG in the build folder.
#include "HtmlButton.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/settings.h>

#include "GuiSupport.h"
#include "TestSupport.h"

namespace {

using State = HtmlButton::ItemState;

const long kClassic = HB_AUTODRAW | HB_FOCUS_MARGIN;
const long kThemed = HB_THEMED | HB_FOCUS_MARGIN | HB_AUTODRAW; // what the pages use
const wxSize kSize(80, 40);

// A solid block of one colour, 20 pixels wide and some lines of text high.
wxString Block(const char* colour, int lines = 1) {
    wxString text = "&nbsp;";
    for (int line = 1; line < lines; ++line)
        text += "<br>&nbsp;";
    return wxString::Format("<table cellspacing=0 cellpadding=0 border=0 bgcolor=%s><tr>"
                            "<td width=20>%s</td></tr></table>",
                            colour, text);
}

State Pressed() {
    State state;
    state.pressed = true;
    return state;
}
State Focused() {
    State state;
    state.focused = true;
    return state;
}
State Disabled() {
    State state;
    state.disabled = true;
    return state;
}
State PointerOver() {
    State state;
    state.pointerOver = true;
    return state;
}

wxColour Pixel(const wxImage& image, int x, int y) {
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

bool SamePixels(const wxImage& a, const wxImage& b) {
    return a.GetSize() == b.GetSize() &&
           std::equal(a.GetData(), a.GetData() + 3 * a.GetWidth() * a.GetHeight(), b.GetData());
}

class HtmlButtonPaintTest : public testing::Test {
protected:
    void SetUp() override { m_frame = new wxFrame(nullptr, wxID_ANY, "paint"); }
    void TearDown() override { delete m_frame; }

    HtmlButton* Make(const wxString& label, long style, const wxSize& size = kSize) {
        return new HtmlButton(m_frame, wxID_ANY, label, wxDefaultPosition, size, style);
    }

    // Draws as the paint handler does and keeps a copy for people to look at.
    wxImage Render(HtmlButton* button, const State& state, const wxString& name) {
        const wxImage image = RenderButton(*button, state);
        SaveForViewing(image, "HtmlButton-" + name);
        return image;
    }

    wxFrame* m_frame = nullptr;
};

TEST_F(HtmlButtonPaintTest, ClassicPressMovesContentsDownRightAndSwapsTheEdges) {
    HtmlButton* button = Make(Block("#0000ff"), kClassic);
    const wxImage normal = Render(button, State(), "classic-normal");
    const wxImage pressed = Render(button, Pressed(), "classic-pressed");

    const wxRect up = FindColour(normal, *wxBLUE);
    ASSERT_FALSE(up.IsEmpty());
    EXPECT_EQ(FindColour(pressed, *wxBLUE), wxRect(up.GetPosition() + wxPoint(1, 1), up.GetSize()));

    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    const wxColour darkShadow = wxSystemSettings::GetColour(wxSYS_COLOUR_3DDKSHADOW);
    EXPECT_EQ(Pixel(normal, 0, 0), highlight);
    EXPECT_EQ(Pixel(normal, kSize.x - 1, 10), darkShadow);
    EXPECT_EQ(Pixel(normal, 10, kSize.y - 1), darkShadow);
    EXPECT_EQ(Pixel(pressed, 0, 0), darkShadow);
    EXPECT_EQ(Pixel(pressed, kSize.x - 1, 10), highlight);
}

TEST_F(HtmlButtonPaintTest, ThemedPressRedrawsTheFrameButKeepsTheContentsInPlace) {
    HtmlButton* button = Make(Block("#0000ff"), kThemed);
    const wxImage normal = Render(button, State(), "themed-normal");
    const wxImage pressed = Render(button, Pressed(), "themed-pressed");
    const wxRect block = FindColour(normal, *wxBLUE);
    ASSERT_FALSE(block.IsEmpty());
    EXPECT_EQ(FindColour(pressed, *wxBLUE), block);
    EXPECT_NE(Pixel(normal, kSize.x / 2, 2), Pixel(pressed, kSize.x / 2, 2));
}

TEST_F(HtmlButtonPaintTest, EachStateShowsItsOwnFaceWhenOneIsSet) {
    const struct {
        const char* name;
        State state;
        void (HtmlButton::*setFace)(const wxString&);
    } cases[] = {
        {"selected-face", Pressed(), &HtmlButton::SetHtmlSelected},
        {"hover-face", PointerOver(), &HtmlButton::SetHtmlHover},
        {"focus-face", Focused(), &HtmlButton::SetHtmlFocus},
        {"disabled-face", Disabled(), &HtmlButton::SetHtmlDisabled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HtmlButton* button = Make(Block("#0000ff"), kClassic);
        EXPECT_TRUE(
            FindColour(Render(button, c.state, wxString(c.name) + "-unset"), *wxRED).IsEmpty());
        (button->*c.setFace)(Block("#ff0000"));
        const wxImage image = Render(button, c.state, c.name);
        EXPECT_FALSE(FindColour(image, *wxRED).IsEmpty());
        EXPECT_TRUE(FindColour(image, *wxBLUE).IsEmpty());
        // The label face is back in the normal state.
        EXPECT_TRUE(FindColour(Render(button, State(), "normal"), *wxRED).IsEmpty());
    }
}

TEST_F(HtmlButtonPaintTest, DisabledWithoutItsFaceIsWashedGreyOverTheContent) {
    HtmlButton* button = Make(Block("#0000ff"), kClassic);
    const wxImage normal = Render(button, State(), "classic-normal");
    const wxImage washed = Render(button, Disabled(), "classic-disabled");
    // Destination OR grey, from the content's corner to one pixel beyond it right and below.
    const wxRect wash(3, 3, kSize.x - 4, kSize.y - 4);
    for (int y = 0; y < kSize.y; ++y) {
        for (int x = 0; x < kSize.x; ++x) {
            const wxColour before = Pixel(normal, x, y);
            const wxColour expected =
                wash.Contains(x, y)
                    ? wxColour(before.Red() | 0x80, before.Green() | 0x80, before.Blue() | 0x80)
                    : before;
            ASSERT_EQ(Pixel(washed, x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(HtmlButtonPaintTest, CreatedDisabledIsNeverWashed) {
    HtmlButton* button = Make(Block("#0000ff"), kClassic | HB_CREATE_DISABLED);
    EXPECT_FALSE(button->IsEnabled());
    const wxImage image = Render(button, button->CurrentState(), "created-disabled");
    EXPECT_FALSE(FindColour(image, *wxBLUE).IsEmpty());
}

TEST_F(HtmlButtonPaintTest, FocusDotsOutlineTheContentUnlessWashed) {
    HtmlButton* button = Make(Block("#0000ff"), kClassic);
    const wxImage normal = Render(button, State(), "classic-normal");
    const wxImage focused = Render(button, Focused(), "classic-focused");
    // Content from (3, 3) to (77, 37), both included; every other outline pixel inverted.
    const wxRect outline(3, 3, kSize.x - 5, kSize.y - 5);
    int dots = 0;
    for (int y = 0; y < kSize.y; ++y) {
        for (int x = 0; x < kSize.x; ++x) {
            const bool onOutline =
                outline.Contains(x, y) && (x == outline.GetLeft() || x == outline.GetRight() ||
                                           y == outline.GetTop() || y == outline.GetBottom());
            const wxColour before = Pixel(normal, x, y);
            const wxColour inverted(255 - before.Red(), 255 - before.Green(), 255 - before.Blue());
            const wxColour expected = onOutline && (x + y) % 2 == 0 ? inverted : before;
            ASSERT_EQ(Pixel(focused, x, y), expected) << x << "," << y;
            dots += expected == inverted ? 1 : 0;
        }
    }
    EXPECT_GT(dots, 100);

    State focusedAndDisabled = Disabled();
    focusedAndDisabled.focused = true;
    const wxImage washed = Render(button, Disabled(), "classic-disabled");
    EXPECT_TRUE(SamePixels(Render(button, focusedAndDisabled, "classic-focused-disabled"), washed));
}

TEST_F(HtmlButtonPaintTest, NoFocusRectangleWithoutTheFocusMargin) {
    HtmlButton* button = Make(Block("#0000ff"), HB_AUTODRAW);
    EXPECT_TRUE(SamePixels(Render(button, Focused(), "no-margin-focused"),
                           Render(button, State(), "no-margin-normal")));
}

TEST_F(HtmlButtonPaintTest, HtmlIsCentredVerticallyUnlessTopAlignedOrTooTall) {
    const wxSize tall(80, 60);
    const wxRect centred =
        FindColour(Render(Make(Block("#0000ff"), kClassic, tall), State(), "centred"), *wxBLUE);
    const wxRect top = FindColour(
        Render(Make(Block("#0000ff"), kClassic | wxBU_TOP, tall), State(), "top"), *wxBLUE);
    ASSERT_FALSE(centred.IsEmpty());
    ASSERT_FALSE(top.IsEmpty());
    EXPECT_EQ(top.x, centred.x);
    // Drawn one pixel inside the 3-pixel margin; the content spans rows 3 to 58.
    EXPECT_EQ(top.y, 4);
    EXPECT_EQ(centred.y, top.y + (tall.y + 1 - 6 - centred.height) / 2);

    const wxRect tooTall =
        FindColour(Render(Make(Block("#0000ff", 6), kClassic, tall), State(), "too-tall"), *wxBLUE);
    EXPECT_EQ(tooTall.y, top.y);
}

TEST_F(HtmlButtonPaintTest, BodyColourFillsTheClassicButtonAndStaysWithTheFace) {
    for (const wxSize& size : {kSize, wxDefaultSize}) {
        HtmlButton* button = Make("<body bgcolor=#00ff00>Go</body>", kClassic, size);
        const wxColour buttonColour = button->GetHTMLBackgroundColour();
        EXPECT_NE(buttonColour, *wxGREEN);
        ASSERT_TRUE(button->GetLabelFace()->GetRoot());
        EXPECT_EQ(button->GetLabelFace()->GetRoot()->GetBackgroundColour(), *wxGREEN);

        const wxImage image = Render(button, State(), "body-colour");
        EXPECT_EQ(Pixel(image, 2, 2), *wxGREEN);
        EXPECT_EQ(Pixel(image, button->GetSize().x - 3, button->GetSize().y - 3), *wxGREEN);
        // A face without a colour of its own gets the button's.
        button->SetHtmlLabel("Go");
        EXPECT_EQ(Pixel(Render(button, State(), "body-colour-gone"), 2, 2), buttonColour);
    }
}

TEST_F(HtmlButtonPaintTest, BodyImageLiesUnderTheHtml) {
    testing_support::TempDir dir;
    const wxString imagePath = dir.file("magenta.png");
    wxImage magenta(2, 2);
    magenta.SetRGB(wxRect(0, 0, 2, 2), 255, 0, 255);
    ASSERT_TRUE(magenta.SaveFile(imagePath, wxBITMAP_TYPE_PNG));
    const wxString label = "<body background=\"" + imagePath + "\">" + Block("#0000ff") + "</body>";
    const wxColour magentaColour(255, 0, 255);

    // Themed: scaled to the button less one pixel each way, drawn from the corner.
    HtmlButton* themed = Make(label, kThemed);
    ASSERT_TRUE(themed->GetLabelFace()->GetImage());
    const wxImage scaled = Render(themed, State(), "themed-image");
    EXPECT_EQ(FindColour(scaled, magentaColour), wxRect(0, 0, kSize.x - 1, kSize.y - 1));
    EXPECT_FALSE(FindColour(scaled, *wxBLUE).IsEmpty());

    // Classic: drawn as it is.
    const wxImage plain = Render(Make(label, kClassic), State(), "classic-image");
    EXPECT_EQ(FindColour(plain, magentaColour), wxRect(0, 0, 2, 2));
}

TEST_F(HtmlButtonPaintTest, FlatFrameIsABlackRectangle) {
    HtmlButton* button = Make("<body bgcolor=#00ff00></body>", kClassic | HB_FLAT);
    const wxImage image = Render(button, State(), "flat");
    for (const wxPoint& edge : {wxPoint(0, 0), wxPoint(kSize.x - 2, 0), wxPoint(0, kSize.y - 2),
                                wxPoint(kSize.x - 1, 5), wxPoint(5, kSize.y - 1)})
        EXPECT_EQ(Pixel(image, edge.x, edge.y), *wxBLACK) << edge.x << "," << edge.y;
    EXPECT_EQ(Pixel(image, 1, 1), *wxGREEN);
}

TEST_F(HtmlButtonPaintTest, EveryStateOfAPageButtonLooksDifferent) {
    for (long style : {kThemed, kClassic}) {
        HtmlButton* button = Make("<b>Accept</b>", style, wxDefaultSize);
        const wxString kind = style == kThemed ? "page-themed-" : "page-classic-";
        const wxImage normal = Render(button, State(), kind + "normal");
        for (const auto& [name, state] :
             {std::make_pair("pressed", Pressed()), std::make_pair("focused", Focused()),
              std::make_pair("disabled", Disabled())}) {
            EXPECT_FALSE(SamePixels(Render(button, state, kind + name), normal)) << kind << name;
        }
    }
}

} // namespace
