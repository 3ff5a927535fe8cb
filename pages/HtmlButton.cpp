#include "HtmlButton.h"

#include <algorithm>
#include <climits>

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/log.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "AccessibleName.h"

const wxEventTypeTag<wxCommandEvent> HTMLBUTTON_ENTER_EVENT(7900);

wxIMPLEMENT_DYNAMIC_CLASS(HtmlButton, wxControl);

namespace {

// Used when there is no window to measure a native button against.
const wxSize kUsualContentMargins(3, 3);

// The desktop theme's push-button content margins: a real button's natural size less its
// text. The renderer draws push buttons but does not tell their margins.
wxSize ThemeContentMargins(wxWindow* parent) {
    static wxSize margins = wxDefaultSize;
    if (margins == wxDefaultSize && parent) {
        const wxString probe('M', 16); // wider than the theme's minimum button width
        wxButton* button = new wxButton;
        button->Hide();
        if (button->Create(parent, wxID_ANY, probe)) {
            const wxSize best = button->GetBestSize();
            const wxSize text = button->GetTextExtent(probe);
            margins =
                wxSize(std::max(0, (best.x - text.x) / 2), std::max(0, (best.y - text.y) / 2));
        }
        button->Destroy();
    }
    return margins == wxDefaultSize ? kUsualContentMargins : margins;
}

// Fills pixels the way GDI draws lines: straight, one pixel wide, the end point left out.
class PixelPainter {
public:
    explicit PixelPainter(wxDC& dc) : m_dc(dc), m_oldPen(dc.GetPen()), m_oldBrush(dc.GetBrush()) {
        m_dc.SetPen(*wxTRANSPARENT_PEN);
    }
    ~PixelPainter() {
        m_dc.SetPen(m_oldPen);
        m_dc.SetBrush(m_oldBrush);
    }
    PixelPainter(const PixelPainter&) = delete;
    PixelPainter& operator=(const PixelPainter&) = delete;

    void SetColour(const wxColour& colour) { m_dc.SetBrush(wxBrush(colour)); }
    void Fill(int left, int top, int right, int bottom) {
        if (right > left && bottom > top)
            m_dc.DrawRectangle(left, top, right - left, bottom - top);
    }
    void Line(int x1, int y1, int x2, int y2) {
        if (y1 == y2)
            Fill(x2 >= x1 ? x1 : x2 + 1, y1, x2 >= x1 ? x2 : x1 + 1, y1 + 1);
        else if (x1 == x2)
            Fill(x1, y2 >= y1 ? y1 : y2 + 1, x1 + 1, y2 >= y1 ? y2 : y1 + 1);
    }

private:
    wxDC& m_dc;
    wxPen m_oldPen;
    wxBrush m_oldBrush;
};

wxRect ClipToImage(const wxImage& image, const wxRect& rect) {
    return rect.Intersect(wxRect(0, 0, image.GetWidth(), image.GetHeight()));
}

// Destination OR pattern, with a solid pattern.
void OrWithColour(wxImage& image, const wxRect& rect, const wxColour& colour) {
    const wxRect area = ClipToImage(image, rect);
    for (int y = area.GetTop(); y <= area.GetBottom(); ++y) {
        for (int x = area.GetLeft(); x <= area.GetRight(); ++x) {
            image.SetRGB(x, y, image.GetRed(x, y) | colour.Red(),
                         image.GetGreen(x, y) | colour.Green(),
                         image.GetBlue(x, y) | colour.Blue());
        }
    }
}

void InvertPixel(wxImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.GetWidth() || y >= image.GetHeight() || (x + y) % 2 != 0)
        return;
    image.SetRGB(x, y, 255 - image.GetRed(x, y), 255 - image.GetGreen(x, y),
                 255 - image.GetBlue(x, y));
}

// The dotted focus rectangle: every other pixel of the outline inverted, so that it shows on
// any background. right and bottom are exclusive.
void InvertFocusDots(wxImage& image, int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    for (int x = left; x < right; ++x) {
        InvertPixel(image, x, top);
        if (bottom - 1 != top)
            InvertPixel(image, x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        InvertPixel(image, left, y);
        if (right - 1 != left)
            InvertPixel(image, right - 1, y);
    }
}

} // namespace

HtmlButton::HtmlButton() : wxHtmlWindowMouseHelper(this) {}

HtmlButton::HtmlButton(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                       const wxSize& size, long style, const wxValidator& validator,
                       const wxString& name)
    : HtmlButton() {
    Create(parent, id, label, pos, size, style, validator, name);
}

HtmlButton::~HtmlButton() = default;

bool HtmlButton::Create(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                        const wxSize& size, long style, const wxValidator& validator,
                        const wxString& name) {
    m_htmlBackgroundColour = wxButton::GetClassDefaultAttributes().colBg;
    ResetGreyBrush();
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxControl::Create(parent, id, pos, wxDefaultSize, style, validator, name))
        return false;
    if (style & HB_CREATE_DISABLED)
        Enable(false);
    wxControl::SetFont(parent->GetFont());

    m_parserDC = std::make_unique<wxClientDC>(this);
    m_fileSystem = std::make_unique<wxFileSystem>();
    m_parser = std::make_unique<wxHtmlWinParser>(this);
    m_parser->SetDC(m_parserDC.get(), 1.0);
    m_parser->SetFS(m_fileSystem.get());

    wxSize initialSize = size;
    if (size.x == wxDefaultCoord || size.y == wxDefaultCoord) {
        wxControl::SetLabel(CellText(MakeFace(label)->GetRoot()));
        initialSize = GetBestSize();
    }
    SetInitialSize(initialSize);
    SetHtmlLabel(label.empty() ? wxString("<html> </html>") : label);
    Move(pos, wxSIZE_USE_EXISTING);
    return true;
}

wxString HtmlButton::CellText(const wxHtmlCell* cell) {
    if (!cell)
        return wxString();
    const wxHtmlCell* first = cell->GetFirstTerminal();
    const wxHtmlCell* last = cell->GetLastTerminal();
    if (!first || !last)
        return wxString();
    wxHtmlSelection selection;
    selection.Set(first, last);
    wxString text;
    for (wxHtmlTerminalCellsInterator it(first, last); it; ++it) {
        const wxHtmlCell* terminal = *it;
        const bool atEnd = terminal == first || terminal == last;
        text += terminal->ConvertToText(atEnd ? &selection : nullptr);
    }
    return text;
}

// Parses one face. The body tag's handler reports its colour and image through the
// interface while the parse runs; they belong to this face only.
std::unique_ptr<HtmlButtonCell> HtmlButton::MakeFace(const wxString& html) {
    auto face = std::make_unique<HtmlButtonCell>();
    face->SetSource(html);
    if (!m_parser)
        return face;
    const wxColour savedColour = m_htmlBackgroundColour;
    const wxImage savedImage = m_backgroundImage;
    m_backgroundImage = wxImage();
    UpdateParserFonts();
    wxObject* product = m_parser->Parse(html);
    wxHtmlContainerCell* root = dynamic_cast<wxHtmlContainerCell*>(product);
    if (!root)
        delete product;
    face->SetRoot(root);
    if (root) {
        root->Layout(LayoutWidth());
        if (m_htmlBackgroundColour != savedColour)
            root->SetBackgroundColour(m_htmlBackgroundColour);
        if (m_backgroundImage.IsOk())
            face->SetImage(m_backgroundImage);
    }
    m_htmlBackgroundColour = savedColour;
    m_backgroundImage = savedImage;
    return face;
}

void HtmlButton::SetFace(std::unique_ptr<HtmlButtonCell>& face, const wxString& html) {
    const bool wasCurrent = face && m_currentFace == face.get();
    face.reset();
    face = MakeFace(html);
    // The latest paint's choice must not point at a face that is gone.
    if (wasCurrent)
        m_currentFace = face.get();
    Refresh();
}

void HtmlButton::SetHtmlLabel(const wxString& html) {
    if (html.empty())
        return;
    SetFace(m_labelFace, html);
    // The plain text serves the toolkit's sizing, GetLabel and screen readers.
    wxControl::SetLabel(CellText(m_labelFace->GetRoot()));
    AccessibleName::Set(this, GetLabel());
}

void HtmlButton::SetHtmlHover(const wxString& html) {
    SetFace(m_hoverFace, html);
}

void HtmlButton::SetHtmlSelected(const wxString& html) {
    SetFace(m_selectedFace, html);
}

void HtmlButton::SetHtmlDisabled(const wxString& html) {
    SetFace(m_disabledFace, html);
}

void HtmlButton::SetHtmlFocus(const wxString& html) {
    SetFace(m_focusFace, html);
}

void HtmlButton::UpdateParserFonts() {
    const wxFont font = GetFont();
    if (!font.IsOk())
        return;
    // No size table: the toolkit's default HTML sizes apply.
    m_parser->SetFonts(font.GetFaceName(), font.GetFaceName());
}

void HtmlButton::SetLabel(const wxString& label) {
    if (label != GetLabel())
        SetHtmlLabel(label);
}

bool HtmlButton::SetFont(const wxFont& font) {
    if (!font.IsOk() || !wxControl::SetFont(font))
        return false;
    if (!m_parser)
        return true;
    for (std::unique_ptr<HtmlButtonCell>* face :
         {&m_labelFace, &m_focusFace, &m_hoverFace, &m_disabledFace, &m_selectedFace}) {
        if (*face)
            SetFace(*face, (*face)->GetSource());
    }
    return true;
}

bool HtmlButton::SetBackgroundColour(const wxColour& colour) {
    const bool changed = wxControl::SetBackgroundColour(colour);
    if (changed)
        ResetGreyBrush();
    return changed;
}

bool HtmlButton::Enable(bool enable) {
    const bool changed = wxControl::Enable(enable);
    if (changed) {
        m_mouseDown = m_mouseInside = m_keyDown = false;
        Refresh();
    }
    return changed;
}

void HtmlButton::ResetGreyBrush() {
    m_greyBrush = wxBrush(wxGREY_BRUSH->GetColour(), wxBRUSHSTYLE_SOLID);
}

int HtmlButton::LayoutWidth() const {
    // Fixed when the face is set; a later resize keeps the layout.
    return std::max(0, GetSize().x - 8);
}

bool HtmlButton::IsThemed() const {
    // GTK always draws with its theme.
    return HasFlag(HB_AUTODRAW) && HasFlag(HB_THEMED);
}

wxWindow* HtmlButton::SetDefault() {
    wxTopLevelWindow* page = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(this));
    if (!page)
        return nullptr;
    wxWindow* previous = page->SetDefaultItem(this);
    if (previous && previous != this)
        previous->Refresh();
    Refresh();
    return previous;
}

void HtmlButton::Click() {
    if (!IsEnabled())
        return;
    wxCommandEvent event(wxEVT_BUTTON, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

void HtmlButton::OnClick(wxCommandEvent& event) {
    event.Skip();
}

// ---- painting ----

HtmlButtonCell* HtmlButton::ChooseFace(const ItemState& state) const {
    if (state.pressed && m_selectedFace)
        return m_selectedFace.get();
    if (state.pointerOver && m_hoverFace)
        return m_hoverFace.get();
    if (state.focused && m_focusFace)
        return m_focusFace.get();
    if (state.disabled && m_disabledFace)
        return m_disabledFace.get();
    return m_labelFace.get();
}

HtmlButton::ItemState HtmlButton::CurrentState() const {
    ItemState state;
    state.pressed = IsPressed();
    state.focused = HasFocus();
    state.disabled = !IsEnabled();
    state.pointerOver = IsPointerOver();
    state.captured = HasCapture();
    return state;
}

bool HtmlButton::IsPressed() const {
    return (m_mouseDown && m_mouseInside) || m_keyDown;
}

bool HtmlButton::IsPointerOver() const {
    wxPoint where;
    for (wxWindow* window = wxFindWindowAtPointer(where); window; window = window->GetParent()) {
        if (window == this)
            return true;
        if (window->IsTopLevel())
            break;
    }
    return false;
}

void HtmlButton::DrawItem(wxDC& dc, const wxSize& size, const ItemState& state) {
    m_currentFace = ChooseFace(state);
    if (size.x <= 0 || size.y <= 0)
        return;
    wxBitmap canvas(size.x, size.y);
    wxRect content;
    {
        wxMemoryDC canvasDC(canvas);
        // What shows through where the frame does not cover, as behind a native button.
        const wxWindow* behind = GetParent() ? GetParent() : this;
        canvasDC.SetBackground(wxBrush(behind->GetBackgroundColour()));
        canvasDC.Clear();
        const ContentBox box = IsThemed() ? DrawThemedFrame(canvasDC, size, state)
                                          : DrawClassicFrame(canvasDC, size, state);
        DrawBackgroundImage(canvasDC, box);
        DrawHtml(canvasDC, box);
        content = box.rect;
    }
    const bool wash = NeedsGreyWash(state);
    if (wash || (state.focused && HasFlag(HB_FOCUS_MARGIN))) {
        wxImage image = canvas.ConvertToImage();
        if (wash) {
            // The sums, not the sizes, as the classic drawing has them: one pixel beyond the
            // content to the right and below.
            OrWithColour(image,
                         wxRect(content.x, content.y, content.x + content.width - 2,
                                content.y + content.height - 2),
                         m_greyBrush.GetColour());
        } else {
            InvertFocusDots(image, content.x, content.y, content.x + content.width,
                            content.y + content.height);
        }
        canvas = wxBitmap(image);
    }
    dc.DrawBitmap(canvas, 0, 0);
}

bool HtmlButton::NeedsGreyWash(const ItemState& state) const {
    return state.disabled && !m_disabledFace && !HasFlag(HB_CREATE_DISABLED);
}

HtmlButton::ContentBox HtmlButton::DrawThemedFrame(wxDC& dc, const wxSize& size,
                                                   const ItemState& state) {
    int flags = 0;
    if (state.pressed)
        flags = wxCONTROL_PRESSED;
    else if (state.captured || state.pointerOver)
        flags = wxCONTROL_CURRENT;
    else if (state.focused)
        flags = wxCONTROL_ISDEFAULT;
    else if (state.disabled)
        flags = wxCONTROL_DISABLED;
    wxRendererNative::Get().DrawPushButton(this, dc, wxRect(size), flags);

    ContentBox box;
    box.offset = ThemeContentMargins(GetParent());
    // A rectangle from two points includes both, one pixel more than the item each way.
    box.rect = wxRect(wxPoint(0, 0), wxPoint(size.x, size.y));
    box.rect.Deflate(box.offset.x + 1, box.offset.y + 1);
    if (UseBackgroundColour()) {
        PixelPainter painter(dc);
        painter.SetColour(m_htmlBackgroundColour);
        painter.Fill(box.rect.x, box.rect.y, box.rect.GetRight() + 1, box.rect.GetBottom() + 1);
    }
    return box;
}

HtmlButton::ContentBox HtmlButton::DrawClassicFrame(wxDC& dc, const wxSize& size,
                                                    const ItemState& state) {
    ContentBox box;
    const int margin = HasFlag(HB_FOCUS_MARGIN) ? 3 : 0;
    if (HasFlag(HB_AUTODRAW)) {
        box.pressShift = state.pressed ? 1 : 0;
        DrawButtonFrame(dc, 0, 0, size.x, size.y, state.pressed);
    }
    const int inset = margin + box.pressShift;
    box.offset = wxSize(inset, inset);
    box.rect = wxRect(wxPoint(0, 0), wxPoint(size.x, size.y));
    box.rect.Deflate(inset, inset);
    return box;
}

void HtmlButton::DrawButtonFrame(wxDC& dc, int left, int top, int right, int bottom, bool pressed) {
    wxColour fill = m_htmlBackgroundColour;
    if (m_currentFace && m_currentFace->GetRoot()) {
        const wxColour faceColour = m_currentFace->GetRoot()->GetBackgroundColour();
        if (faceColour.IsOk())
            fill = faceColour;
    }
    PixelPainter painter(dc);
    painter.SetColour(fill);
    painter.Fill(left, top, right, bottom);

    if (HasFlag(HB_FLAT)) {
        painter.SetColour(*wxBLACK);
        painter.Line(left, top, right - 1, top);
        painter.Line(left, bottom - 1, right - 1, bottom - 1);
        painter.Line(left, top, left, bottom - 1);
        painter.Line(right - 1, top, right - 1, bottom - 1);
        return;
    }
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    const wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_3DLIGHT);
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour darkShadow = wxSystemSettings::GetColour(wxSYS_COLOUR_3DDKSHADOW);
    // Pressed, the light and dark edges swap places.
    painter.SetColour(pressed ? darkShadow : highlight);
    painter.Line(left, top, right - 1, top);
    painter.Line(left, top + 1, left, bottom - 1);
    painter.SetColour(pressed ? shadow : light);
    painter.Line(left + 1, top + 1, right - 2, top + 1);
    painter.Line(left + 1, top + 2, left + 1, bottom - 2);
    painter.SetColour(pressed ? light : shadow);
    painter.Line(left + 1, bottom - 2, right - 1, bottom - 2);
    painter.Line(right - 2, bottom - 3, right - 2, top);
    painter.SetColour(pressed ? highlight : darkShadow);
    painter.Line(left, bottom - 1, right + 2, bottom - 1);
    painter.Line(right - 1, bottom - 2, right - 1, top - 1);
}

void HtmlButton::DrawBackgroundImage(wxDC& dc, const ContentBox& box) {
    const wxImage* image = m_currentFace ? m_currentFace->GetImage() : nullptr;
    if (!image)
        image = &m_backgroundImage;
    if (!image->IsOk())
        return;
    wxImage shown = *image;
    if (HasFlag(HB_THEMED) || HasFlag(wxBU_BOTTOM)) {
        const int width = box.rect.width + 2 * box.offset.x;
        const int height = box.rect.height + 2 * box.offset.y;
        if (width <= 0 || height <= 0)
            return;
        shown = image->Scale(width, height, wxIMAGE_QUALITY_NORMAL);
    }
    dc.DrawBitmap(wxBitmap(shown), 0, 0, true);
}

void HtmlButton::DrawHtml(wxDC& dc, const ContentBox& box) {
    wxHtmlContainerCell* root = m_currentFace ? m_currentFace->GetRoot() : nullptr;
    if (!root)
        return;
    // Centred in the content as it is unpressed, so that a press moves the HTML down too.
    const int height = root->GetHeight();
    const int available = box.rect.height + 2 * box.pressShift;
    int y = box.offset.y + 1;
    if (!HasFlag(wxBU_TOP) && available > height)
        y += (available - height) / 2;
    m_faceOrigin = wxPoint(box.offset.x + 1, y);

    wxHtmlRenderingInfo info;
    wxDefaultHtmlRenderingStyle style;
    info.SetStyle(&style);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    root->Draw(dc, m_faceOrigin.x, m_faceOrigin.y, 0, INT_MAX, info);
}

void HtmlButton::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    DrawItem(dc, GetClientSize(), CurrentState());
}

void HtmlButton::OnEraseBackground(wxEraseEvent& event) {
    event.Skip();
}

void HtmlButton::OnSysColourChanged(wxSysColourChangedEvent& event) {
    ResetGreyBrush();
    if (!IsEnabled())
        Refresh();
    event.Skip();
}

// ---- mouse and keys ----

wxPoint HtmlButton::ToFacePosition(const wxPoint& windowPosition) const {
    return windowPosition - m_faceOrigin;
}

void HtmlButton::OnMouseMove(wxMouseEvent& event) {
    HandleMouseMoved();
    if (m_mouseDown) {
        const bool inside = wxRect(GetClientSize()).Contains(event.GetPosition());
        if (inside != m_mouseInside) {
            m_mouseInside = inside;
            Refresh();
        }
    }
    event.Skip();
}

void HtmlButton::OnLeftDown(wxMouseEvent& event) {
    // Nothing painted yet: nothing a person could have aimed at.
    if (!m_currentFace)
        return;
    wxHtmlContainerCell* root = m_currentFace->GetRoot();
    if (root && HandleMouseClick(root, ToFacePosition(event.GetPosition()), event))
        return; // a link took the press: no click
    SetFocus();
    if (!HasCapture())
        CaptureMouse();
    m_mouseDown = true;
    m_mouseInside = true;
    Refresh();
}

void HtmlButton::OnLeftUp(wxMouseEvent& event) {
    if (!m_mouseDown) {
        event.Skip();
        return;
    }
    const bool released = m_mouseInside;
    m_mouseDown = m_mouseInside = false;
    if (HasCapture())
        ReleaseMouse();
    Refresh();
    if (released)
        Click();
}

void HtmlButton::OnCaptureLost(wxMouseCaptureLostEvent&) {
    m_mouseDown = m_mouseInside = false;
    Refresh();
}

void HtmlButton::OnEnterWindow(wxMouseEvent& event) {
    if (wxWindow* parent = GetParent()) {
        wxCommandEvent entered(HTMLBUTTON_ENTER_EVENT, GetId());
        parent->GetEventHandler()->AddPendingEvent(entered);
    }
    event.Skip();
}

void HtmlButton::OnKeyDown(wxKeyEvent& event) {
    if (event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    switch (event.GetKeyCode()) {
    case WXK_SPACE:
        // Pressed while held, clicked on release, as a native button.
        if (!m_keyDown) {
            m_keyDown = true;
            Refresh();
        }
        break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        Click();
        break;
    default:
        event.Skip(); // Tab, Escape and the rest go on to the page
    }
}

void HtmlButton::OnKeyUp(wxKeyEvent& event) {
    if (event.GetKeyCode() != WXK_SPACE || !m_keyDown) {
        event.Skip();
        return;
    }
    m_keyDown = false;
    Refresh();
    Click();
}

void HtmlButton::OnFocusChange(wxFocusEvent& event) {
    if (event.GetEventType() == wxEVT_KILL_FOCUS)
        m_keyDown = false;
    Refresh();
    event.Skip();
}

void HtmlButton::OnInternalIdle() {
    wxControl::OnInternalIdle();
    if (!DidMouseMove() || !m_currentFace || !m_currentFace->GetRoot())
        return;
    HandleIdle(m_currentFace->GetRoot(), ToFacePosition(ScreenToClient(wxGetMousePosition())));
}

// ---- wxHtmlWindowInterface ----

void HtmlButton::SetHTMLWindowTitle(const wxString&) {}

void HtmlButton::SetHTMLStatusText(const wxString&) {}

void HtmlButton::OnHTMLLinkClicked(const wxHtmlLinkInfo& link) {
    const wxString target = link.GetHref();
    if (!target.empty() && target != "..")
        DoOpenLink(target);
}

void HtmlButton::DoOpenLink(const wxString& target) {
    // A failing open is not worth a message box on a setup page.
    wxLogNull quiet;
    wxLaunchDefaultBrowser(target);
}

wxHtmlOpeningStatus HtmlButton::OnHTMLOpeningURL(wxHtmlURLType, const wxString&, wxString*) const {
    return wxHTML_OPEN;
}

wxPoint HtmlButton::HTMLCoordsToWindow(wxHtmlCell* cell, const wxPoint& pos) const {
    const wxPoint inFace = cell ? cell->GetAbsPos() + pos : pos;
    return inFace + m_faceOrigin;
}

wxWindow* HtmlButton::GetHTMLWindow() {
    return this;
}

wxColour HtmlButton::GetHTMLBackgroundColour() const {
    return m_htmlBackgroundColour;
}

void HtmlButton::SetHTMLBackgroundColour(const wxColour& colour) {
    if (colour.IsOk())
        m_htmlBackgroundColour = colour;
}

void HtmlButton::SetHTMLBackgroundImage(const wxBitmapBundle& bitmap) {
    m_backgroundImage =
        bitmap.IsOk() ? bitmap.GetBitmap(bitmap.GetDefaultSize()).ConvertToImage() : wxImage();
}

wxCursor HtmlButton::GetHTMLCursor(HTMLCursor type) const {
    // The pointer stays an arrow over the button, links included.
    return type == HTMLCursor_Link ? wxCursor(wxCURSOR_ARROW) : wxNullCursor;
}

wxSize HtmlButton::DoGetBestSize() const {
    // A native push button's size for the plain text, never below the toolkit's default.
    const wxSize margins = ThemeContentMargins(GetParent());
    wxSize best = GetTextExtent(GetLabel()) + wxSize(2 * margins.x, 2 * margins.y);
    best.IncTo(wxButton::GetDefaultSize());
    return best;
}

// clang-format off
wxBEGIN_EVENT_TABLE(HtmlButton, wxControl)
    EVT_SYS_COLOUR_CHANGED(HtmlButton::OnSysColourChanged)
    EVT_MOTION(HtmlButton::OnMouseMove)
    EVT_LEFT_DOWN(HtmlButton::OnLeftDown)
    EVT_BUTTON(wxID_ANY, HtmlButton::OnClick)
    EVT_ERASE_BACKGROUND(HtmlButton::OnEraseBackground)
    EVT_ENTER_WINDOW(HtmlButton::OnEnterWindow)
    // What the native button would have done for a painted control.
    EVT_PAINT(HtmlButton::OnPaint)
    EVT_LEFT_DCLICK(HtmlButton::OnLeftDown)
    EVT_LEFT_UP(HtmlButton::OnLeftUp)
    EVT_MOUSE_CAPTURE_LOST(HtmlButton::OnCaptureLost)
    EVT_KEY_DOWN(HtmlButton::OnKeyDown)
    EVT_KEY_UP(HtmlButton::OnKeyUp)
    EVT_SET_FOCUS(HtmlButton::OnFocusChange)
    EVT_KILL_FOCUS(HtmlButton::OnFocusChange)
wxEND_EVENT_TABLE()
