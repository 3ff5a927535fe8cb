// The folder page's finish: the copy it runs with the gauge, the progress line and the overwrite
// questions, and the end of the run.
#include "DirDialog.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "CopyTestSupport.h"
#include "OverWriteDialog.h"
#include "PageTestSupport.h"
#include "TestSupport.h"

namespace {

using testing_support::readFile;
using testing_support::writeFile;

// A folder page whose overwrite questions the test answers; during runs at each question.
class AnsweredDirDialog : public DirDialog {
public:
    AnsweredDirDialog(wxWindow* parent, const wxString& title) : DirDialog(parent, title) {}

    std::deque<int> answers;
    std::vector<wxString> asked;
    std::function<void()> during;

protected:
    int AskOverwrite(const wxString& fileName) override {
        asked.push_back(fileName);
        if (during)
            during();
        const int answer = answers.empty() ? wxID_CANCEL : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
};

// The open overwrite question, if any.
OverWriteDialog* OpenQuestion() {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* question = dynamic_cast<OverWriteDialog*>(window);
        if (question && question->IsModal())
            return question;
    }
    return nullptr;
}

class FinishFlowTest : public testing::Test {
protected:
    void SetUp() override {
        SetupStrings& s = theSetupStrings;
        s = SetupStrings();
        s.language = "en";
        s.navFoot = "Copying <i>%s</i>";
        s.overwriteFileTitle = "Confirm File Replace";
        s.overwriteFile = "Replace it?";
        s.sourceDir = m_folders.sourceFolder();
        s.navDefaultDir = m_folders.dir().enginePath("Target");
        writeFile(m_folders.source("a.txt"), "new a");
        writeFile(m_folders.source("b.txt"), "new b");
        writeFile(m_folders.source("Sub/c.txt"), "new c");
        writeFile(m_folders.target("b.txt"), "old b");
        // Older than the package's, so that a yes replaces it.
        std::filesystem::last_write_time(m_folders.target("b.txt"),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(1));
    }

    template <typename Page> Page* Open() {
        auto* page = new Page(m_frame.get(), "Destination");
        page->Show(true);
        WaitFor([page] { return page->IsShownOnScreen(); });
        RunEventsFor(50);
        return page;
    }

    CopyFolders m_folders;
    TopFrame m_frame;
};

TEST_F(FinishFlowTest, FinishCopiesAsksAboutTheExistingFileShowsTheProgressAndEndsTheRun) {
    DirDialog* page = Open<DirDialog>();
    bool sawQuestion = false;
    std::function<void()> answerNo = [&] {
        OverWriteDialog* question = OpenQuestion();
        if (!question) {
            page->CallAfter(answerNo);
            return;
        }
        sawQuestion = true;
        EXPECT_EQ(question->GetParent(), page);
        EXPECT_EQ(Utf8(question->GetTitle()), "Confirm File Replace");
        EXPECT_EQ(PaneText(question->GetQuestionPane()), "Replace it?\nb.txt");
        // Meanwhile the page shows the file handled before.
        EXPECT_TRUE(page->GetProgressGauge()->IsShown());
        EXPECT_EQ(page->GetProgressGauge()->GetRange(), 3);
        EXPECT_EQ(PaneText(page->GetFootPane()), "Copying a.txt");
        EXPECT_FALSE(page->GetFinishButton()->IsEnabled());
        question->GetNoButton()->Click();
    };
    page->CallAfter(answerNo);
    page->GetFinishButton()->Click();

    EXPECT_TRUE(sawQuestion);
    EXPECT_EQ(page->GetProgressGauge()->GetValue(), 2);
    EXPECT_EQ(PaneText(page->GetFootPane()), "Copying c.txt");
    EXPECT_EQ(readFile(m_folders.target("a.txt")), "new a");
    EXPECT_EQ(readFile(m_folders.target("b.txt")), "old b");
    EXPECT_EQ(readFile(m_folders.target("Sub/c.txt")), "new c");
    EXPECT_TRUE(m_frame.WaitUntilRunEnds());
}

TEST_F(FinishFlowTest, NothingStartsTheCopyAgainOrClosesThePageWhileItRuns) {
    auto* page = Open<AnsweredDirDialog>();
    page->answers = {wxID_YES};
    page->during = [&] {
        page->Close(false);
        page->GetCancelButton()->Click();
        // A click that was waiting when the copy began reaches the handler all the same.
        wxCommandEvent finish(wxEVT_BUTTON, wxID_OK);
        finish.SetEventObject(page->GetFinishButton());
        page->ProcessWindowEvent(finish);
        TypeKey(page, WXK_ESCAPE);
        EXPECT_FALSE(m_frame.Ended());
    };
    page->GetFinishButton()->Click();
    EXPECT_EQ(page->asked, std::vector<wxString>{"b.txt"});
    EXPECT_EQ(readFile(m_folders.target("b.txt")), "new b");
    EXPECT_TRUE(m_frame.WaitUntilRunEnds());
}

// The page paints now and then, not for every file: whenever it does, the gauge and the progress
// line must agree, and the copy must end with both on the last file.
TEST_F(FinishFlowTest, ManyFilesEndOnTheLastFileAndEveryPaintShowsGaugeAndLineInStep) {
    const int files = 400;
    const auto name = [](int index) {
        char text[32];
        std::snprintf(text, sizeof text, "f%03d.txt", index);
        return std::string(text);
    };
    theSetupStrings.sourceDir = m_folders.dir().enginePath("Many");
    for (int index = 0; index < files; ++index)
        writeFile(m_folders.dir().file("Many/" + name(index)), "x");
    DirDialog* page = Open<DirDialog>();
    std::vector<std::pair<int, std::string>> painted;
    page->GetFootPane()->Bind(wxEVT_PAINT, [&painted, page](wxPaintEvent& event) {
        event.Skip();
        painted.emplace_back(page->GetProgressGauge()->GetValue(), PaneText(page->GetFootPane()));
    });
    page->GetFinishButton()->Click();

    EXPECT_EQ(page->GetProgressGauge()->GetValue(), files - 1);
    EXPECT_EQ(PaneText(page->GetFootPane()), "Copying " + name(files - 1));
    ASSERT_FALSE(painted.empty());
    for (const auto& [gauge, line] : painted) {
        if (!line.empty()) {
            EXPECT_EQ(line, "Copying " + name(gauge));
        }
    }
    EXPECT_TRUE(m_frame.WaitUntilRunEnds());
}

} // namespace
