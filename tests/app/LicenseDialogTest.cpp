#include "LicenseDialog.h"

#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include "DirDialog.h"
#include "PageTestSupport.h"
#include "TestSupport.h"

using testing_support::LogCapture;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// The bytes of "Lizenz für Drucker – ©" in the encodings a licence file may come in.
const wxString kGermanText = wxString::FromUTF8("Lizenz für Drucker – ©\nZeile 2");
const std::string kGermanUtf8 = "Lizenz f\xC3\xBCr Drucker \xE2\x80\x93 \xC2\xA9\r\nZeile 2";
const std::string kGermanCp1252 = "Lizenz f\xFCr Drucker \x96 \xA9\r\nZeile 2";
// "使用許諾" ("licence") and a second line.
const wxString kJapaneseText = wxString::FromUTF8("使用許諾\nok");
const std::string kJapaneseShiftJis = "\x8E\x67\x97\x70\x8B\x96\x91\xF8\r\nok";

std::string utf16(const wxString& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wxUniChar ch : text) {
        const unsigned unit = ch.GetValue();
        if (unit == '\n')
            bytes += bigEndian ? std::string("\0\r\0\n", 4) : std::string("\r\0\n\0", 4);
        else if (bigEndian)
            bytes += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
        else
            bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    return bytes;
}

class LicenseDialogTest : public testing::Test {
protected:
    void SetUp() override {
        SetupStrings& s = theSetupStrings;
        s = SetupStrings();
        s.language = "de";
        s.appHead = "<b>Bitte sorgf\xE4ltig lesen</b>";
        s.appFoot = "Stimmen Sie zu?";
        s.appButton1 = "Annehmen";
        s.appButton2 = "<i>Ablehnen</i>";
        s.appFile = m_package.enginePath("Lizenz\\de.txt");
        s.navTitle = "Zielordner";
        s.navButton2 = "Installieren";
        s.navButton3 = "Abbrechen";
        writeFile(m_package.file("Lizenz/de.txt"), kGermanCp1252);
    }

    LicenseDialog* Open() {
        m_frame.get()->SetFont(wxFont(wxFontInfo(10).FaceName("DejaVu Sans")));
        auto* page = new LicenseDialog(m_frame.get(), "Lizenzvereinbarung");
        page->Show(true);
        WaitFor([page] { return page->IsShownOnScreen(); });
        RunEventsFor(50);
        return page;
    }

    // The folder page the licence page opened, if any.
    DirDialog* FolderPage(LicenseDialog* page) const {
        for (wxWindow* child : page->GetChildren()) {
            if (auto* folder = dynamic_cast<DirDialog*>(child))
                return folder;
        }
        return nullptr;
    }

    TempDir m_package;
    TopFrame m_frame;
};

TEST_F(LicenseDialogTest, DecodesLicenceFilesInEveryEncodingItMayHave) {
    const struct {
        const char* name;
        const char* language;
        std::string bytes;
        wxString text;
    } cases[] = {
        {"code page of the language", "de", kGermanCp1252, kGermanText},
        {"UTF-8 without a mark", "de", kGermanUtf8, kGermanText},
        {"UTF-8 with a mark", "ja", "\xEF\xBB\xBF" + kGermanUtf8, kGermanText},
        {"a UTF-8 mark before code-page bytes", "de", "\xEF\xBB\xBF" + kGermanCp1252, kGermanText},
        {"UTF-16LE", "de", utf16(kGermanText, false), kGermanText},
        {"UTF-16BE", "de", utf16(kGermanText, true), kGermanText},
        {"UTF-16LE Japanese", "en", utf16(kJapaneseText, false), kJapaneseText},
        {"Shift-JIS", "ja", kJapaneseShiftJis, kJapaneseText},
        {"UTF-16 with a lone surrogate", "de",
         std::string("\xFF\xFE"
                     "a\0\x00\xD8"
                     "b\0",
                     8),
         wxString::FromUTF8("a\xEF\xBF\xBD"
                            "b")},
        {"empty", "de", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8(DecodeLicenceText(c.bytes, c.language)), Utf8(c.text));
    }
}

TEST_F(LicenseDialogTest, ShowsItsTextsInTheLanguage) {
    LicenseDialog* page = Open();
    EXPECT_EQ(Utf8(page->GetTitle()), "Lizenzvereinbarung");
    EXPECT_EQ(page->GetName(), "dialog");
    EXPECT_EQ(Utf8(page->GetLicenceText()->GetValue()), Utf8(kGermanText));
    EXPECT_EQ(PaneText(page->GetHeadPane()), "Bitte sorgfältig lesen");
    EXPECT_EQ(PaneText(page->GetFootPane()), "Stimmen Sie zu?");
    EXPECT_EQ(page->GetAcceptButton()->GetLabelFace()->GetSource(), "Annehmen");
    EXPECT_EQ(page->GetDeclineButton()->GetLabelFace()->GetSource(), "<i>Ablehnen</i>");
    EXPECT_EQ(page->GetAcceptButton()->GetId(), wxID_OK);
    EXPECT_EQ(page->GetDeclineButton()->GetId(), wxID_CANCEL);
    EXPECT_EQ(page->GetFont(), m_frame.get()->GetFont());
    EXPECT_EQ(page->GetAcceptButton()->GetFont(), m_frame.get()->GetFont());
}

TEST_F(LicenseDialogTest, LaysOutAColumnWithTheButtonsAtTheRight) {
    LicenseDialog* page = Open();
    const wxRect head = page->GetHeadPane()->GetRect();
    const wxRect text = page->GetLicenceText()->GetRect();
    const wxRect foot = page->GetFootPane()->GetRect();
    const wxRect accept = page->GetAcceptButton()->GetRect();
    const wxRect decline = page->GetDeclineButton()->GetRect();

    EXPECT_EQ(head, wxRect(5, 5, 570, 50));
    EXPECT_EQ(text, wxRect(5, head.GetBottom() + 11, 570, 200));
    EXPECT_EQ(foot, wxRect(5, text.GetBottom() + 11, 570, 50));
    EXPECT_EQ(accept.y, foot.GetBottom() + 11);
    EXPECT_EQ(decline.y, accept.y);
    EXPECT_EQ(decline.x, accept.GetRight() + 11);
    const wxSize client = page->GetClientSize();
    EXPECT_EQ(client.x, 580);
    EXPECT_EQ(decline.GetRight() + 6, client.x);
    EXPECT_EQ(client.y, accept.GetBottom() + 6);
    EXPECT_TRUE(page->GetLicenceText()->IsMultiLine());
    EXPECT_FALSE(page->GetLicenceText()->IsEditable());
    // It cannot be made smaller than its contents.
    EXPECT_EQ(page->GetMinClientSize(), client);
}

TEST_F(LicenseDialogTest, ALongAgreementScrollsInsideItsFixedArea) {
    std::string longText;
    for (int line = 0; line < 500; ++line)
        longText += "Paragraph " + std::to_string(line) + " of a long agreement.\r\n";
    writeFile(m_package.file("Lizenz/de.txt"), longText);
    LicenseDialog* page = Open();
    EXPECT_EQ(page->GetLicenceText()->GetSize(), wxSize(570, 200));
    EXPECT_EQ(page->GetLicenceText()->GetNumberOfLines(), 501);
}

TEST_F(LicenseDialogTest, AMissingLicenceLeavesTheTextEmptyAndThePageWorking) {
    LogCapture log;
    theSetupStrings.appFile = m_package.enginePath("Lizenz\\fehlt.txt");
    LicenseDialog* page = Open();
    EXPECT_EQ(page->GetLicenceText()->GetValue(), "");
    EXPECT_TRUE(log.contains("LicenseDialog::LoadLicenceText: The licence file " +
                             m_package.enginePath("Lizenz\\fehlt.txt") + " could not be read. \n"))
        << log.text();
    TypeKey(page, WXK_ESCAPE);
    EXPECT_TRUE(m_frame.WaitUntilRunEnds());
}

TEST_F(LicenseDialogTest, AcceptHasTheFocusAndIsTheDefault) {
    LicenseDialog* page = Open();
    EXPECT_EQ(wxWindow::FindFocus(), page->GetAcceptButton());
    EXPECT_EQ(page->GetDefaultItem(), page->GetAcceptButton());
}

TEST_F(LicenseDialogTest, EnterAcceptsAndOpensTheFolderPageOnTopOfTheHiddenLicence) {
    LicenseDialog* page = Open();
    TypeKey(page, WXK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return FolderPage(page) != nullptr; }));
    DirDialog* folder = FolderPage(page);
    EXPECT_TRUE(WaitFor([&] { return folder->IsShownOnScreen(); }));
    EXPECT_EQ(Utf8(folder->GetTitle()), "Zielordner");
    EXPECT_EQ(folder->GetParent(), page);
    EXPECT_FALSE(page->IsShown());
    EXPECT_FALSE(m_frame.Ended());

    // Cancelling the folder page closes the licence page, which closes the frame.
    folder->GetCancelButton()->Click();
    EXPECT_TRUE(m_frame.WaitUntilRunEnds());
}

TEST_F(LicenseDialogTest, EscapeDeclineAndTheCloseBoxEndTheRun) {
    const struct {
        const char* name;
        void (*act)(LicenseDialog*);
    } ways[] = {
        {"Escape", [](LicenseDialog* page) { TypeKey(page, WXK_ESCAPE); }},
        {"decline", [](LicenseDialog* page) { page->GetDeclineButton()->Click(); }},
        {"close box", [](LicenseDialog* page) { page->Close(false); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        TopFrame frame;
        auto* page = new LicenseDialog(frame.get(), "Lizenz");
        page->Show(true);
        WaitFor([page] { return page->IsShownOnScreen(); });
        way.act(page);
        EXPECT_TRUE(frame.WaitUntilRunEnds());
    }
}

} // namespace
