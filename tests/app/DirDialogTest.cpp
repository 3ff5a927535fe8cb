#include "DirDialog.h"

#include <gtest/gtest.h>
#include <wx/dirdlg.h>
#include <wx/modalhook.h>
#include <wx/timer.h>

#include "PageTestSupport.h"

namespace {

// A folder page whose chooser is answered by the test; it records how the chooser was set up.
class AnsweredDirDialog : public DirDialog {
public:
    AnsweredDirDialog(wxWindow* parent, const wxString& title) : DirDialog(parent, title) {}

    std::vector<wxString> answers; // taken in turn; empty means cancel
    std::vector<wxString> startFolders;
    wxString chooserMessage;
    wxWindow* chooserParent = nullptr;

protected:
    wxString AskForFolder(wxWindow* parent, const wxString& message,
                          const wxString& startFolder) override {
        startFolders.push_back(startFolder);
        chooserMessage = message;
        chooserParent = parent;
        wxString answer = answers.empty() ? wxString() : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        return answer;
    }
};

// Notes the toolkit's folder chooser when it opens modally.
class ChooserWatch : public wxModalDialogHook {
public:
    ChooserWatch() { Register(); }
    ~ChooserWatch() override { Unregister(); }

    wxDirDialog* chooser = nullptr;
    wxString message;

protected:
    int Enter(wxDialog* dialog) override {
        if (auto* found = dynamic_cast<wxDirDialog*>(dialog)) {
            chooser = found;
            message = found->GetMessage();
        }
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

class DirDialogTest : public testing::Test {
protected:
    void SetUp() override {
        SetupStrings& s = theSetupStrings;
        s = SetupStrings();
        s.language = "ja";
        s.navHead = "<b>\x83\x74\x83\x48\x83\x8B\x83\x5F\x81\x5B</b>"; // "フォルダー", Shift-JIS
        s.navDefaultDir = "\\opt\\Vendor";
        s.navButton1 = "Browse...";
        s.navButton2 = "<b>Install</b>";
        s.navButton3 = "Cancel";
        s.navFoot = "Copying %s";
        s.dirBrowseText = "Choose a folder";
        m_frame.get()->SetFont(wxFont(wxFontInfo(10).FaceName("DejaVu Sans")));
    }

    template <typename Page = DirDialog> Page* Open(wxWindow* parent = nullptr) {
        auto* page = new Page(parent ? parent : m_frame.get(), "Destination");
        page->Show(true);
        WaitFor([page] { return page->IsShownOnScreen(); });
        RunEventsFor(50);
        return page;
    }

    TopFrame m_frame;
};

TEST_F(DirDialogTest, ShowsItsTextsAndTheFolderInThePlatformsForm) {
    DirDialog* page = Open();
    EXPECT_EQ(Utf8(page->GetTitle()), "Destination");
    EXPECT_EQ(page->GetName(), "dialog");
    EXPECT_EQ(Utf8(page->GetPathText()->GetValue()), "/opt/Vendor");
    EXPECT_EQ(page->GetDestinationFolder(), "\\opt\\Vendor");
    EXPECT_FALSE(page->GetPathText()->IsEditable());
    EXPECT_EQ(PaneText(page->GetHeadPane()), "フォルダー");
    EXPECT_EQ(PaneText(page->GetFootPane()), ""); // the progress line waits for the copy
    EXPECT_EQ(page->GetBrowseButton()->GetLabelFace()->GetSource(), "Browse...");
    EXPECT_EQ(page->GetFinishButton()->GetLabelFace()->GetSource(), "<b>Install</b>");
    EXPECT_EQ(page->GetCancelButton()->GetLabelFace()->GetSource(), "Cancel");
    EXPECT_EQ(page->GetFinishButton()->GetId(), wxID_OK);
    EXPECT_EQ(page->GetCancelButton()->GetId(), wxID_CANCEL);
    EXPECT_NE(page->GetBrowseButton()->GetId(), wxID_ANY);
    EXPECT_EQ(page->GetFont(), m_frame.get()->GetFont());
    EXPECT_EQ(page->GetTextColour(), page->GetForegroundColour());
    EXPECT_EQ(page->GetPageBackgroundColour(), page->GetBackgroundColour());
}

TEST_F(DirDialogTest, LaysOutTheFolderRowTheHiddenGaugeAndTheButtons) {
    DirDialog* page = Open();
    const wxRect head = page->GetHeadPane()->GetRect();
    const wxRect path = page->GetPathText()->GetRect();
    const wxRect browse = page->GetBrowseButton()->GetRect();
    const wxRect gauge = page->GetProgressGauge()->GetRect();
    const wxRect foot = page->GetFootPane()->GetRect();
    const wxRect finish = page->GetFinishButton()->GetRect();
    const wxRect cancel = page->GetCancelButton()->GetRect();
    const wxSize client = page->GetClientSize();

    EXPECT_EQ(head.GetPosition(), wxPoint(0, 0));
    EXPECT_EQ(head.width, client.x);
    EXPECT_EQ(head.height, 50);
    EXPECT_EQ(path.GetPosition(), wxPoint(5, head.GetBottom() + 6));
    EXPECT_EQ(path.GetSize(), wxSize(300, 25));
    EXPECT_EQ(browse.x, path.GetRight() + 11);
    EXPECT_EQ(client.x, browse.GetRight() + 6);
    EXPECT_FALSE(page->GetProgressGauge()->IsShown());
    EXPECT_EQ(page->GetProgressGauge()->GetRange(), 5000);
    EXPECT_EQ(gauge.height, 20);
    EXPECT_EQ(foot.height, 50);
    EXPECT_EQ(foot.x, 5);
    EXPECT_EQ(foot.width, client.x - 10);
    // The hidden gauge keeps its place: the footer sits below it.
    EXPECT_EQ(foot.y, gauge.GetBottom() + 11);
    EXPECT_EQ(cancel.x, finish.GetRight() + 11);
    EXPECT_EQ(cancel.GetRight() + 6, client.x);
    EXPECT_EQ(client.y, cancel.GetBottom() + 6);

    // Showing the gauge moves nothing.
    page->GetProgressGauge()->Show(true);
    page->Layout();
    EXPECT_EQ(page->GetFootPane()->GetRect(), foot);
    EXPECT_EQ(page->GetClientSize(), client);
}

TEST_F(DirDialogTest, FinishHasTheFocusAndIsTheDefault) {
    DirDialog* page = Open();
    EXPECT_EQ(wxWindow::FindFocus(), page->GetFinishButton());
    EXPECT_EQ(page->GetDefaultItem(), page->GetFinishButton());
}

TEST_F(DirDialogTest, ChooserStartsOnTheDefaultAndACancelRestoresIt) {
    auto* page = Open<AnsweredDirDialog>();
    page->answers = {"/srv/printers", "", "/home/user/drivers"};

    page->GetBrowseButton()->Click();
    EXPECT_EQ(Utf8(page->GetPathText()->GetValue()), "/srv/printers");
    EXPECT_EQ(page->GetDestinationFolder(), "\\srv\\printers");
    page->GetBrowseButton()->Click();
    EXPECT_EQ(Utf8(page->GetPathText()->GetValue()), "/opt/Vendor");
    page->GetBrowseButton()->Click();
    EXPECT_EQ(Utf8(page->GetPathText()->GetValue()), "/home/user/drivers");

    // Each time on the configured folder, never on the field's value.
    EXPECT_EQ(page->startFolders, std::vector<wxString>(3, "/opt/Vendor"));
    EXPECT_EQ(Utf8(page->chooserMessage), "Choose a folder");
    EXPECT_EQ(page->chooserParent, m_frame.get());
    EXPECT_FALSE(m_frame.Ended());
}

TEST_F(DirDialogTest, CancellingTheToolkitsChooserRestoresTheDefault) {
    auto* page = Open<AnsweredDirDialog>();
    page->answers = {"/srv/printers"};
    page->GetBrowseButton()->Click();
    ASSERT_EQ(Utf8(page->GetPathText()->GetValue()), "/srv/printers");

    // Now the real chooser, closed the way its cancel button closes it.
    DirDialog* real = Open();
    ChooserWatch watch;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (watch.chooser && watch.chooser->IsModal()) {
            timer.Stop();
            watch.chooser->EndModal(wxID_CANCEL);
        }
    });
    timer.Start(50);
    real->GetBrowseButton()->Click();
    ASSERT_NE(watch.chooser, nullptr);
    EXPECT_EQ(Utf8(watch.message), "Choose a folder");
    EXPECT_EQ(Utf8(real->GetPathText()->GetValue()), "/opt/Vendor");
}

TEST_F(DirDialogTest, AnEmptyDefaultAndACancelLeaveTheFieldEmpty) {
    theSetupStrings.navDefaultDir = "";
    auto* page = Open<AnsweredDirDialog>();
    page->GetBrowseButton()->Click();
    EXPECT_EQ(page->GetPathText()->GetValue(), "");
}

TEST_F(DirDialogTest, EnterFinishesAndEndsTheRun) {
    DirDialog* page = Open();
    TypeKey(page, WXK_RETURN);
    EXPECT_TRUE(m_frame.WaitUntilRunEnds());
}

TEST_F(DirDialogTest, EscapeCancelAndTheCloseBoxEndTheRun) {
    const struct {
        const char* name;
        void (*act)(DirDialog*);
    } ways[] = {
        {"Escape", [](DirDialog* page) { TypeKey(page, WXK_ESCAPE); }},
        {"cancel", [](DirDialog* page) { page->GetCancelButton()->Click(); }},
        {"close box", [](DirDialog* page) { page->Close(false); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        TopFrame frame;
        auto* page = new DirDialog(frame.get(), "Destination");
        page->Show(true);
        WaitFor([page] { return page->IsShownOnScreen(); });
        way.act(page);
        EXPECT_TRUE(frame.WaitUntilRunEnds());
    }
}

} // namespace
