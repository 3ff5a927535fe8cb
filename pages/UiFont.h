#pragma once
// The user-interface font, chosen once at start-up from the language and its "DefaultFont".

#include <wx/arrstr.h>
#include <wx/font.h>
#include <wx/fontenum.h>

#include "CStdStr.h"

// Collects the face names the toolkit reports, in its order.
class FrontEndFontEnumerator : public wxFontEnumerator {
public:
    FrontEndFontEnumerator() = default;
    ~FrontEndFontEnumerator() override = default;

    bool OnFacename(const wxString& face) override;
    // Ignores case.
    bool HasFace(const wxString& face) const;
    const wxArrayString& FaceNames() const { return m_faceNames; }

private:
    wxArrayString m_faceNames;
};

// wxNullFont when the toolkit reports no face for the language's encoding; the caller then
// keeps the default font. faceName is a language text, in the language's code page.
wxFont MakeUiFont(const CStdStr& language, const CStdStr& faceName, int pointSize);

// The choice among faces already enumerated: the wanted face ("Arial" when none is named)
// if it is there, else the first one reported.
wxFont MakeUiFontFrom(const FrontEndFontEnumerator& faces, wxFontEncoding encoding,
                      const wxString& faceName, int pointSize);
