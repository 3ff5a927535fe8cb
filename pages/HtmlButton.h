#pragma once
// The push button of the setup pages: its label is an HTML fragment rendered by the toolkit's
// HTML engine into the button's own painting. Up to five faces (label, pressed, hover, focus,
// disabled), a classic 3-D, flat or themed frame, and clicks that reach the page as ordinary
// button events. GTK has no owner-drawn native buttons, so the control paints itself and
// handles mouse and keys as a native button would.

#include <memory>

#include <wx/anybutton.h>
#include <wx/brush.h>
#include <wx/control.h>
#include <wx/filesys.h>
#include <wx/html/htmlcell.h>
#include <wx/html/htmlwin.h>
#include <wx/html/winpars.h>
#include <wx/image.h>

// Style bits; the alignment bits are wx's own (wxBU_TOP draws the HTML at the top,
// wxBU_BOTTOM scales a background image to the button).
enum {
    HB_AUTODRAW = 0x0004,        // draw the frame; classic contents move 1 pixel while pressed
    HB_CREATE_DISABLED = 0x0010, // start disabled, and never grey the button out
    HB_FOCUS_MARGIN = 0x0400,    // 3-pixel inner margin in the classic frame, and a focus rectangle
    HB_FLAT = 0x0800,            // the classic frame is a 1-pixel black rectangle
    HB_THEMED = 0x1000,          // the desktop theme's push button (with HB_AUTODRAW)
};

// Posted to the button's parent when the pointer enters the button; id is the button's.
extern const wxEventTypeTag<wxCommandEvent> HTMLBUTTON_ENTER_EVENT;

// One face: the HTML it was made from, its parsed cells and an optional background image.
class HtmlButtonCell {
public:
    HtmlButtonCell() = default;
    virtual ~HtmlButtonCell() = default;
    HtmlButtonCell(const HtmlButtonCell&) = delete;
    HtmlButtonCell& operator=(const HtmlButtonCell&) = delete;

    wxString GetSource() const { return m_source; }
    void SetSource(const wxString& source) { m_source = source; }
    const wxImage* GetImage() const { return m_image.get(); }
    void SetImage(const wxImage& image) { m_image = std::make_unique<wxImage>(image); }
    wxHtmlContainerCell* GetRoot() const { return m_root.get(); }
    void SetRoot(wxHtmlContainerCell* root) { m_root.reset(root); }

private:
    wxString m_source;
    // Declared before the root so that the root goes first.
    std::unique_ptr<wxImage> m_image;
    std::unique_ptr<wxHtmlContainerCell> m_root;
};

class HtmlButton : public wxControl, public wxHtmlWindowInterface, public wxHtmlWindowMouseHelper {
public:
    // What a paint depends on besides the faces and the style.
    struct ItemState {
        bool pressed = false;
        bool focused = false;
        bool disabled = false;
        bool pointerOver = false;
        bool captured = false;
    };

    // For creation by class name only: no window until Create.
    HtmlButton();
    HtmlButton(wxWindow* parent, wxWindowID id, const wxString& label,
               const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
               long style = HB_THEMED | HB_FOCUS_MARGIN | HB_AUTODRAW,
               const wxValidator& validator = wxDefaultValidator, const wxString& name = "button");
    ~HtmlButton() override;

    bool Create(wxWindow* parent, wxWindowID id, const wxString& label,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = HB_THEMED | HB_FOCUS_MARGIN | HB_AUTODRAW,
                const wxValidator& validator = wxDefaultValidator, const wxString& name = "button");

    // The face setters; only the label ignores an empty text.
    void SetHtmlLabel(const wxString& html);
    void SetHtmlHover(const wxString& html);
    void SetHtmlSelected(const wxString& html);
    void SetHtmlDisabled(const wxString& html);
    void SetHtmlFocus(const wxString& html);

    // Replaces the label face unless label is the current plain-text label.
    void SetLabel(const wxString& label) override;
    bool SetFont(const wxFont& font) override;
    bool SetBackgroundColour(const wxColour& colour) override;
    bool Enable(bool enable = true) override;
    void OnInternalIdle() override;
    bool AcceptsFocus() const override { return true; }

    // Makes Enter on the page click this button; returns the previous default item.
    wxWindow* SetDefault();
    // The click a press and release would give: a button event to the page.
    void Click();

    // Paints the button as it looks in the given state into dc, at (0, 0).
    void DrawItem(wxDC& dc, const wxSize& size, const ItemState& state);
    // The state the button is in now.
    ItemState CurrentState() const;

    virtual void DrawButtonFrame(wxDC& dc, int left, int top, int right, int bottom, bool pressed);
    virtual void OnClick(wxCommandEvent& event);

    const HtmlButtonCell* GetLabelFace() const { return m_labelFace.get(); }
    const HtmlButtonCell* GetCurrentFace() const { return m_currentFace; }

    // The plain text of a face's cells, as a screen reader or the toolkit's sizing wants it.
    static wxString CellText(const wxHtmlCell* cell);

    // wxHtmlWindowInterface
    void SetHTMLWindowTitle(const wxString& title) override;
    void OnHTMLLinkClicked(const wxHtmlLinkInfo& link) override;
    wxHtmlOpeningStatus OnHTMLOpeningURL(wxHtmlURLType type, const wxString& url,
                                         wxString* redirect) const override;
    wxPoint HTMLCoordsToWindow(wxHtmlCell* cell, const wxPoint& pos) const override;
    wxWindow* GetHTMLWindow() override;
    wxColour GetHTMLBackgroundColour() const override;
    void SetHTMLBackgroundColour(const wxColour& colour) override;
    void SetHTMLBackgroundImage(const wxBitmapBundle& bitmap) override;
    void SetHTMLStatusText(const wxString& text) override;
    wxCursor GetHTMLCursor(HTMLCursor type) const override;

protected:
    // Opens a link target through the desktop; tests replace it.
    virtual void DoOpenLink(const wxString& target);
    wxSize DoGetBestSize() const override;
    wxBorder GetDefaultBorder() const override { return wxBORDER_NONE; }

private:
    // Where a paint puts the contents: the content rectangle, the offset the HTML and the
    // image are drawn from, and how far a classic press moved them.
    struct ContentBox {
        wxRect rect;
        wxSize offset;
        int pressShift = 0;
    };

    std::unique_ptr<HtmlButtonCell> MakeFace(const wxString& html);
    void SetFace(std::unique_ptr<HtmlButtonCell>& face, const wxString& html);
    void UpdateParserFonts();
    void ResetGreyBrush();
    int LayoutWidth() const;
    bool IsThemed() const;
    HtmlButtonCell* ChooseFace(const ItemState& state) const;
    ContentBox DrawThemedFrame(wxDC& dc, const wxSize& size, const ItemState& state);
    ContentBox DrawClassicFrame(wxDC& dc, const wxSize& size, const ItemState& state);
    void DrawBackgroundImage(wxDC& dc, const ContentBox& box);
    void DrawHtml(wxDC& dc, const ContentBox& box);
    bool NeedsGreyWash(const ItemState& state) const;
    bool IsPressed() const;
    bool IsPointerOver() const;
    wxPoint ToFacePosition(const wxPoint& windowPosition) const;

    void OnPaint(wxPaintEvent& event);
    void OnSysColourChanged(wxSysColourChangedEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnEnterWindow(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnFocusChange(wxFocusEvent& event);

    wxBrush m_greyBrush;
    // The parser measures on its own device context and reads files through its own
    // file system; declared first so that they outlive it.
    std::unique_ptr<wxDC> m_parserDC;
    std::unique_ptr<wxFileSystem> m_fileSystem;
    std::unique_ptr<wxHtmlWinParser> m_parser;
    std::unique_ptr<HtmlButtonCell> m_labelFace;
    std::unique_ptr<HtmlButtonCell> m_hoverFace;
    std::unique_ptr<HtmlButtonCell> m_selectedFace;
    std::unique_ptr<HtmlButtonCell> m_disabledFace;
    std::unique_ptr<HtmlButtonCell> m_focusFace;
    HtmlButtonCell* m_currentFace = nullptr;
    // Where the latest paint put the current face's cells, for hit tests.
    wxPoint m_faceOrigin;
    // Only set while a face is parsed: the body tag's background image and colour.
    wxImage m_backgroundImage;
    wxColour m_htmlBackgroundColour;
    bool m_mouseDown = false;
    bool m_mouseInside = false;
    bool m_keyDown = false;

    wxDECLARE_DYNAMIC_CLASS(HtmlButton);
    wxDECLARE_EVENT_TABLE();
};
