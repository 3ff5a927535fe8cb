#include "UiFont.h"

#include <gtest/gtest.h>

namespace {

// The toolkit calls OnFacename once per face; these tests report the faces themselves.
struct Reporting : FrontEndFontEnumerator {
    Reporting(std::initializer_list<const char*> faces) {
        for (const char* face : faces)
            EXPECT_TRUE(OnFacename(face)); // the enumeration goes on
    }
};

} // namespace

TEST(UiFontTest, EnumeratorKeepsFacesInReportedOrderAndMatchesIgnoringCase) {
    const FrontEndFontEnumerator empty;
    EXPECT_FALSE(empty.HasFace("Arial"));
    const Reporting faces{"Tahoma", "arial"};
    ASSERT_EQ(faces.FaceNames().size(), 2u);
    EXPECT_EQ(faces.FaceNames()[0], "Tahoma");
    EXPECT_EQ(faces.FaceNames()[1], "arial");
    EXPECT_TRUE(faces.HasFace("ARIAL"));
    EXPECT_FALSE(faces.HasFace("Verdana"));
}

TEST(UiFontTest, WantedFaceOrArialIsKeptWhenReported) {
    const Reporting faces{"Tahoma", "arial"};
    const wxFont arial = MakeUiFontFrom(faces, wxFONTENCODING_DEFAULT, "", 10);
    ASSERT_TRUE(arial.IsOk());
    EXPECT_EQ(arial.GetFaceName(), "Arial");
    EXPECT_EQ(arial.GetPointSize(), 10);
    EXPECT_EQ(arial.GetStyle(), wxFONTSTYLE_NORMAL);
    EXPECT_EQ(arial.GetWeight(), wxFONTWEIGHT_NORMAL);
    EXPECT_FALSE(arial.GetUnderlined());

    const wxFont tahoma = MakeUiFontFrom(faces, wxFONTENCODING_CP1251, "tahoma", 12);
    ASSERT_TRUE(tahoma.IsOk());
    EXPECT_TRUE(tahoma.GetFaceName().IsSameAs("Tahoma", false));
    EXPECT_EQ(tahoma.GetPointSize(), 12);
}

TEST(UiFontTest, UnreportedFaceGivesWayToTheFirstReported) {
    const wxFont font =
        MakeUiFontFrom(Reporting({"Tahoma", "arial"}), wxFONTENCODING_CP932, "MS UI Gothic", 10);
    ASSERT_TRUE(font.IsOk());
    EXPECT_EQ(font.GetFaceName(), "Tahoma");
}

TEST(UiFontTest, NoReportedFaceGivesNoFont) {
    EXPECT_FALSE(
        MakeUiFontFrom(FrontEndFontEnumerator(), wxFONTENCODING_DEFAULT, "Arial", 10).IsOk());
}

TEST(UiFontTest, GtkReportsNoFacesForWindowsEncodingsSoTheDefaultFontServes) {
    // Pango enumerates by Unicode only; asked for a Windows code page it reports nothing.
    for (const char* language : {"ja", "ru", "de", ""}) {
        EXPECT_FALSE(MakeUiFont(language, "", 10).IsOk()) << language;
        EXPECT_FALSE(MakeUiFont(language, "Arial", 10).IsOk()) << language;
    }
}
