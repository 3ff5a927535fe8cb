#pragma once
// How a page shows a language text: its own colours, and an HTML window with the page markup.

#include <wx/colour.h>
#include <wx/html/htmlwin.h>

#include "CStdStr.h"

// A page's text and background colours, read once it has its parent's font. Pages set no
// colours themselves, so these are the toolkit's dialog colours.
struct PageColours {
    wxColour text;
    wxColour background;
};

PageColours ReadPageColours(const wxWindow& page);

// A borderless, unscrolled, unselectable HTML window, width x 50 pixels, showing text.
wxHtmlWindow* MakeHtmlPane(wxWindow* page, int width, const CStdStr& language,
                           const PageColours& colours, const CStdStr& text);
// Shows text, a language text in the language's code page, in pane.
void SetHtmlPaneText(wxHtmlWindow* pane, const CStdStr& language, const PageColours& colours,
                     const CStdStr& text);
