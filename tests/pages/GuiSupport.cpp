#include "GuiSupport.h"

#include <cstdio>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/filename.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

namespace {

// A toolkit assertion in a test is a fault of the code under test.
void FailOnAssert(const wxString& file, int line, const wxString& function,
                  const wxString& condition, const wxString& message) {
    ADD_FAILURE() << "wxWidgets assertion in " << function.utf8_str().data() << " ("
                  << file.utf8_str().data() << ":" << line << "): " << condition.utf8_str().data()
                  << " " << message.utf8_str().data();
}

void ProcessPendingEvents() {
    wxTheApp->ProcessPendingEvents();
    wxYield();
}

} // namespace

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    wxStopWatch watch;
    while (!done()) {
        if (watch.Time() > timeoutMs)
            return done();
        ProcessPendingEvents();
        wxMilliSleep(5);
    }
    return true;
}

void RunEventsFor(int milliseconds) {
    wxStopWatch watch;
    while (watch.Time() < milliseconds) {
        ProcessPendingEvents();
        wxMilliSleep(5);
    }
}

void SaveForViewing(const wxImage& image, const wxString& name) {
    image.SaveFile(wxFileName(KENDRY_TEST_OUTPUT_DIR, name, "png").GetFullPath(),
                   wxBITMAP_TYPE_PNG);
}

wxImage RenderButton(HtmlButton& button, const HtmlButton::ItemState& state) {
    const wxSize size = button.GetSize();
    wxBitmap bitmap(size.x, size.y);
    {
        wxMemoryDC dc(bitmap);
        button.DrawItem(dc, size, state);
    }
    return bitmap.ConvertToImage();
}

wxRect FindColour(const wxImage& image, const wxColour& colour) {
    wxRect found;
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            if (image.GetRed(x, y) == colour.Red() && image.GetGreen(x, y) == colour.Green() &&
                image.GetBlue(x, y) == colour.Blue())
                found = found.IsEmpty() ? wxRect(x, y, 1, 1) : found.Union(wxRect(x, y, 1, 1));
        }
    }
    return found;
}

wxPoint LinkCentre(const wxImage& image) {
    const wxRect link = FindColour(image, wxColour(0, 0, 0xff));
    return link.IsEmpty() ? wxDefaultPosition : link.GetPosition() + link.GetSize() / 2;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "These tests need an X display (run them under xvfb-run).\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    delete wxLog::SetActiveTarget(new wxLogStderr); // no message boxes
    wxInitAllImageHandlers();
    wxTheApp->CallOnInit();
    const int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
