#include "OverWriteDialog.h"

#include <functional>

#include <gtest/gtest.h>

#include "PageTestSupport.h"

namespace {

class OverWriteDialogTest : public testing::Test {
protected:
    void SetUp() override {
        SetupStrings& s = theSetupStrings;
        s = SetupStrings();
        s.language = "en";
        s.overwriteFile = "The file <b>exists</b>. Replace it?";
        s.yesText = "Yes";
        s.yesToAllText = "Yes to All";
        s.noText = "No";
        s.noToAllText = "No to All";
        s.cancelText = "Cancel";
        m_frame.get()->SetFont(wxFont(wxFontInfo(10).FaceName("DejaVu Sans")));
    }

    // The answer the dialog gives when act runs on it once it is on the screen.
    int Answer(const std::function<void(OverWriteDialog*)>& act) {
        OverWriteDialog dialog(m_frame.get(), "Confirm File Replace", "driver.inf");
        dialog.CallAfter([&] {
            WaitFor([&] { return dialog.IsShownOnScreen(); });
            RunEventsFor(50);
            act(&dialog);
        });
        return dialog.ShowModal();
    }

    TopFrame m_frame;
};

TEST_F(OverWriteDialogTest, ShowsTheQuestionWithTheNameAndTheFiveAnswersInALeftAlignedRow) {
    OverWriteDialog dialog(m_frame.get(), "Confirm File Replace", "driver.inf");
    dialog.Show(true);
    WaitFor([&] { return dialog.IsShownOnScreen(); });
    EXPECT_EQ(Utf8(dialog.GetTitle()), "Confirm File Replace");
    EXPECT_EQ(dialog.GetName(), "dialog");
    EXPECT_EQ(dialog.GetFont(), m_frame.get()->GetFont());
    EXPECT_EQ(PaneText(dialog.GetQuestionPane()), "The file exists. Replace it?\ndriver.inf");

    const HtmlButton* buttons[] = {dialog.GetYesButton(), dialog.GetYesToAllButton(),
                                   dialog.GetNoButton(), dialog.GetNoToAllButton(),
                                   dialog.GetCancelButton()};
    const struct {
        int id;
        const char* label;
    } expected[] = {{wxID_YES, "Yes"},
                    {wxID_YESTOALL, "Yes to All"},
                    {wxID_NO, "No"},
                    {wxID_NOTOALL, "No to All"},
                    {wxID_CANCEL, "Cancel"}};
    const wxRect pane = dialog.GetQuestionPane()->GetRect();
    EXPECT_EQ(pane, wxRect(5, 5, 570, 50));
    int left = 5;
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(expected[i].label);
        EXPECT_EQ(buttons[i]->GetId(), expected[i].id);
        EXPECT_EQ(buttons[i]->GetLabelFace()->GetSource(), expected[i].label);
        const wxRect rect = buttons[i]->GetRect();
        EXPECT_EQ(rect.x, left);
        EXPECT_EQ(rect.y, pane.GetBottom() + 11);
        left = rect.GetRight() + 11;
    }
    // The row starts at the left edge and leaves the rest of the width empty.
    EXPECT_LT(dialog.GetCancelButton()->GetRect().GetRight() + 6, dialog.GetClientSize().x);
    EXPECT_EQ(dialog.GetClientSize().x, 580);
    EXPECT_EQ(wxWindow::FindFocus(), dialog.GetYesButton());
    EXPECT_EQ(dialog.GetDefaultItem(), dialog.GetYesButton());
}

TEST_F(OverWriteDialogTest, TheQuestionIsAGuardedFormatAndTheNameIsShownAsItIs) {
    theSetupStrings.overwriteFile = "Replace %s? %d %n 100%%";
    OverWriteDialog dialog(m_frame.get(), "Confirm File Replace", "50%s <new> & old.txt");
    EXPECT_EQ(PaneText(dialog.GetQuestionPane()), "Replace 50%s <new> & old.txt? %d %n 100%\n%s");
}

TEST_F(OverWriteDialogTest, EveryWayOfAnsweringEndsTheQuestionWithItsButtonsId) {
    const struct {
        const char* name;
        std::function<void(OverWriteDialog*)> act;
        int answer;
    } ways[] = {
        {"yes", [](OverWriteDialog* d) { d->GetYesButton()->Click(); }, wxID_YES},
        {"yes to all", [](OverWriteDialog* d) { d->GetYesToAllButton()->Click(); }, wxID_YESTOALL},
        {"no", [](OverWriteDialog* d) { d->GetNoButton()->Click(); }, wxID_NO},
        {"no to all", [](OverWriteDialog* d) { d->GetNoToAllButton()->Click(); }, wxID_NOTOALL},
        {"cancel", [](OverWriteDialog* d) { d->GetCancelButton()->Click(); }, wxID_CANCEL},
        {"Enter", [](OverWriteDialog* d) { TypeKey(d, WXK_RETURN); }, wxID_YES},
        {"Escape", [](OverWriteDialog* d) { TypeKey(d, WXK_ESCAPE); }, wxID_CANCEL},
        {"close box", [](OverWriteDialog* d) { d->Close(false); }, wxID_CANCEL},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        EXPECT_EQ(Answer(way.act), way.answer);
    }
}

TEST_F(OverWriteDialogTest, ShownModelessAnAnswerHidesItWithTheAnswerAsResult) {
    OverWriteDialog dialog(m_frame.get(), "Confirm File Replace", "driver.inf");
    dialog.Show(true);
    WaitFor([&] { return dialog.IsShownOnScreen(); });
    dialog.GetNoToAllButton()->Click();
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_EQ(dialog.GetReturnCode(), wxID_NOTOALL);
}

} // namespace
