#pragma once
// What the page tests share: a run's hidden top frame that reports its end, the strings a
// package would give, and keys typed on the X display as a person types them.

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/html/htmlwin.h>
#include <wx/uiaction.h>

#include "GuiSupport.h"
#include "SetupStrings.h"

// The hidden frame a run's pages hang from; knows when closing it has destroyed it.
class TopFrame {
public:
    TopFrame()
        : m_frame(new wxFrame(nullptr, wxID_ANY, "run", wxDefaultPosition, wxDefaultSize,
                              wxDEFAULT_FRAME_STYLE, "frame")) {
        m_frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
            if (event.GetEventObject() == m_frame)
                m_destroyed = true;
            event.Skip();
        });
    }
    ~TopFrame() {
        if (!m_destroyed)
            m_frame->Destroy();
        WaitFor([this] { return m_destroyed; });
    }
    TopFrame(const TopFrame&) = delete;
    TopFrame& operator=(const TopFrame&) = delete;

    wxFrame* get() const { return m_frame; }
    // Runs the event loop until the frame, and every page with it, is gone.
    bool WaitUntilRunEnds(int timeoutMs = 3000) {
        return WaitFor([this] { return m_destroyed; }, timeoutMs);
    }
    bool Ended() const { return m_destroyed; }

private:
    wxFrame* m_frame;
    bool m_destroyed = false;
};

// Brings the page to the keyboard and types the key on the display.
inline void TypeKey(wxTopLevelWindow* page, int key) {
    page->Raise();
    WaitFor([page] { return page->IsActive(); }, 2000);
    wxUIActionSimulator().Char(key);
    RunEventsFor(50);
}

// The text an HTML pane shows.
inline std::string PaneText(wxHtmlWindow* pane) {
    return std::string(pane->ToText().utf8_str());
}

inline std::string Utf8(const wxString& text) {
    return std::string(text.utf8_str());
}
