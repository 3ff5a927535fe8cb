#include "LicenseDialog.h"

#include <cstdio>
#include <ostream>

#include <wx/sizer.h>

#include "DebugLog.h"
#include "DirDialog.h"
#include "HtmlPane.h"
#include "PageText.h"
#include "SetupStrings.h"
#include "platform/Files.h"

namespace {

const int kPageWidth = 570;

bool startsWith(const std::string& bytes, const char* mark) {
    return bytes.compare(0, std::char_traits<char>::length(mark), mark) == 0;
}

// Lone surrogates become U+FFFD instead of failing the whole text.
wxString decodeUtf16(const std::string& bytes, size_t start, bool bigEndian) {
    wxString text;
    text.reserve((bytes.size() - start) / 2);
    auto unitAt = [&](size_t i) {
        const unsigned char a = static_cast<unsigned char>(bytes[i]);
        const unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        const int unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const int low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                text += wxUniChar(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        text += (unit >= 0xD800 && unit < 0xE000) ? wxUniChar(0xFFFD) : wxUniChar(unit);
    }
    return text;
}

wxString decodeBytes(const std::string& bytes, const CStdStr& language) {
    if (startsWith(bytes, "\xFF\xFE"))
        return decodeUtf16(bytes, 2, false);
    if (startsWith(bytes, "\xFE\xFF"))
        return decodeUtf16(bytes, 2, true);
    // A UTF-8 mark is only a hint: what follows it must still be UTF-8.
    const size_t skip = startsWith(bytes, "\xEF\xBB\xBF") ? 3 : 0;
    const wxString utf8 = wxString::FromUTF8(bytes.data() + skip, bytes.size() - skip);
    if (!utf8.empty() || bytes.size() == skip)
        return utf8;
    return PageText::Decode(language, CStdStr(bytes.substr(skip)));
}

bool readWholeFile(const CStdStr& path, std::string& bytes) {
    std::FILE* file = platform::openFile(path, "rb");
    if (!file)
        return false;
    char buffer[8192];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace

LicenseDialog::LicenseDialog(wxWindow* parent, const wxString& title)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "dialog") {
    SetFont(parent->GetFont());
    const PageColours colours = ReadPageColours(*this);
    const SetupStrings& strings = theSetupStrings;

    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* buttonRow = new wxBoxSizer(wxHORIZONTAL);
    m_headPane = MakeHtmlPane(this, kPageWidth, strings.language, colours, strings.appHead);
    m_licenceText =
        new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(kPageWidth, 200),
                       wxTE_MULTILINE | wxTE_READONLY, wxDefaultValidator, "text");
    m_licenceText->SetValue(LoadLicenceText(strings.appFile, strings.language));
    m_footPane = MakeHtmlPane(this, kPageWidth, strings.language, colours, strings.appFoot);
    m_acceptButton = MakePageButton(this, wxID_OK, strings.appButton1);
    m_declineButton = MakePageButton(this, wxID_CANCEL, strings.appButton2);

    column->Add(m_headPane, 0, wxALL, 5);
    column->Add(m_licenceText, 0, wxALL, 5);
    column->Add(m_footPane, 0, wxALL, 5);
    buttonRow->Add(m_acceptButton, 0, wxALL, 5);
    buttonRow->Add(m_declineButton, 0, wxALL, 5);
    column->Add(buttonRow, 0, wxALIGN_RIGHT, 5);
    FinishPage(*this, column, m_acceptButton);
}

LicenseDialog::~LicenseDialog() = default;

void LicenseDialog::OnAccept(wxCommandEvent&) {
    Show(false);
    auto* folderPage =
        new DirDialog(this, PageText::Decode(theSetupStrings.language, theSetupStrings.navTitle));
    folderPage->Show(true);
}

void LicenseDialog::OnDecline(wxCommandEvent&) {
    closeParentPage(*this);
}

void LicenseDialog::OnCloseWindow(wxCloseEvent&) {
    closeParentPage(*this);
}

wxString DecodeLicenceText(const std::string& bytes, const CStdStr& language) {
    wxString text = decodeBytes(bytes, language);
    text.Replace("\r\n", "\n");
    return text;
}

wxString LoadLicenceText(const CStdStr& path, const CStdStr& language) {
    std::string bytes;
    if (!readWholeFile(path, bytes)) {
        theDebugLog << "LicenseDialog::LoadLicenceText: The licence file " << path.c_str()
                    << " could not be read. " << std::endl;
        return wxString();
    }
    return DecodeLicenceText(bytes, language);
}

// clang-format off
wxBEGIN_EVENT_TABLE(LicenseDialog, wxDialog)
    EVT_BUTTON(wxID_OK, LicenseDialog::OnAccept)
    EVT_BUTTON(wxID_CANCEL, LicenseDialog::OnDecline)
    EVT_CLOSE(LicenseDialog::OnCloseWindow)
wxEND_EVENT_TABLE()
