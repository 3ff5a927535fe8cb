#include "HtmlPane.h"

#include "PageMarkup.h"
#include "PageText.h"

PageColours ReadPageColours(const wxWindow& page) {
    return PageColours{page.GetForegroundColour(), page.GetBackgroundColour()};
}

wxHtmlWindow* MakeHtmlPane(wxWindow* page, int width, const CStdStr& language,
                           const PageColours& colours, const CStdStr& text) {
    auto* pane =
        new wxHtmlWindow(page, wxID_ANY, wxDefaultPosition, wxSize(width, 50),
                         wxHW_SCROLLBAR_NEVER | wxHW_NO_SELECTION | wxNO_BORDER, "htmlWindow");
    SetHtmlPaneText(pane, language, colours, text);
    return pane;
}

void SetHtmlPaneText(wxHtmlWindow* pane, const CStdStr& language, const PageColours& colours,
                     const CStdStr& text) {
    const CStdStr page = MakeHtmlPage(language, colours.text, colours.background, text);
    pane->SetPage(PageText::Decode(language, page));
    pane->SetBackgroundColour(colours.background);
}
