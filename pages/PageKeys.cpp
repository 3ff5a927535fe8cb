#include "PageKeys.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "HtmlButton.h"

namespace {

// Only the page's own controls: a page may own further pages, and their buttons are theirs.
HtmlButton* FindHtmlButton(wxWindow* window, wxWindowID id) {
    for (wxWindow* child : window->GetChildren()) {
        if (child->IsTopLevel())
            continue;
        if (child->GetId() == id) {
            // dynamic_cast: wxDynamicCast static_casts first, undefined for another type.
            if (HtmlButton* button = dynamic_cast<HtmlButton*>(child))
                return button;
        }
        if (HtmlButton* found = FindHtmlButton(child, id))
            return found;
    }
    return nullptr;
}

bool Press(HtmlButton* button) {
    if (!button)
        return false;
    if (button->IsEnabled() && button->IsShown())
        button->Click();
    return true;
}

wxWindowID EscapeId(wxTopLevelWindow* page) {
    const wxDialog* dialog = dynamic_cast<const wxDialog*>(page);
    const wxWindowID id = dialog ? dialog->GetEscapeId() : wxID_ANY;
    return id == wxID_ANY ? wxID_CANCEL : id;
}

// Buttons click themselves on Enter; multi-line text and controls that ask for Enter keep it.
bool FocusTakesEnter() {
    const wxWindow* focus = wxWindow::FindFocus();
    if (!focus)
        return false;
    if (dynamic_cast<const HtmlButton*>(focus) || dynamic_cast<const wxButton*>(focus))
        return true;
    if (focus->HasFlag(wxWANTS_CHARS))
        return true;
    if (const wxTextCtrl* text = dynamic_cast<const wxTextCtrl*>(focus))
        return text->IsMultiLine() || text->HasFlag(wxTE_PROCESS_ENTER);
    return false;
}

void OnCharHook(wxTopLevelWindow* page, wxKeyEvent& event) {
    if (!event.HasAnyModifiers()) {
        switch (event.GetKeyCode()) {
        case WXK_ESCAPE: {
            const wxWindowID id = EscapeId(page);
            if (id != wxID_NONE && Press(FindHtmlButton(page, id)))
                return;
            break;
        }
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            if (!FocusTakesEnter() && Press(dynamic_cast<HtmlButton*>(page->GetDefaultItem())))
                return;
            break;
        default:
            break;
        }
    }
    event.Skip();
}

} // namespace

namespace PageKeys {

void Attach(wxTopLevelWindow* page) {
    page->Bind(wxEVT_CHAR_HOOK, [page](wxKeyEvent& event) { OnCharHook(page, event); });
}

} // namespace PageKeys
