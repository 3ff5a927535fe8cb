#include "UiFont.h"

#include "PageMarkup.h"
#include "PageText.h"

bool FrontEndFontEnumerator::OnFacename(const wxString& face) {
    m_faceNames.Add(face);
    return true;
}

bool FrontEndFontEnumerator::HasFace(const wxString& face) const {
    for (const wxString& name : m_faceNames) {
        if (name.IsSameAs(face, false))
            return true;
    }
    return false;
}

wxFont MakeUiFontFrom(const FrontEndFontEnumerator& faces, wxFontEncoding encoding,
                      const wxString& faceName, int pointSize) {
    if (faces.FaceNames().IsEmpty())
        return wxNullFont;
    wxString face = faceName.empty() ? wxString("Arial") : faceName;
    if (!faces.HasFace(face))
        face = faces.FaceNames()[0];
    return wxFont(pointSize, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                  face, encoding);
}

wxFont MakeUiFont(const CStdStr& language, const CStdStr& faceName, int pointSize) {
    const wxFontEncoding encoding = EncodingForLanguage(language);
    FrontEndFontEnumerator faces;
    faces.EnumerateFacenames(encoding, false);
    return MakeUiFontFrom(faces, encoding, PageText::Decode(language, faceName), pointSize);
}
