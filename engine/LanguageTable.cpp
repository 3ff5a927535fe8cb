#include "LanguageTable.h"

#include <cstddef>

namespace {

// Language, ISO code, Windows LANGID (hexadecimal), Mac language code, ANSI
// code page. The cells are kept exactly as the product has always shipped
// them, including the blank after Zulu's identifier.
const char* const kLanguageTable[LANGUAGE_TABLE_ROWS][LANGUAGE_TABLE_COLUMNS] = {
    {"Language", "ISO Code", "Win Code", "Mac Code", "CodePage"},
    {"Afrikaans", "af", "0x36", "141", "1252"},
    {"Albanian", "sq", "0x1c", "36", "1250"},
    {"Amharic", "am", "0x5e", "85", "-1"},
    {"Arabic", "ar", "0x01", "12", "1256"},
    {"Armenian", "hy", "0x2b", "51", "0"},
    {"Assamese", "as", "0x4d", "68", "-1"},
    {"Azerbaijani", "az", "0x042c", "49", "-1"},
    {"Azerbaijani", "az", "0x082c", "50", "-1"},
    {"Basque", "eu", "0x2d", "129", "1252"},
    {"Bengali (Bangla)", "bn", "0x45", "67", "-1"},
    {"Bulgarian", "bg", "0x02", "44", "1251"},
    {"Burmese", "my", "0x55", "77", "-1"},
    {"Byelorussian (Belarusian)", "be", "0x23", "46", "1251"},
    {"Cambodian", "km", "0x53", "78", "-1"},
    {"Catalan", "ca", "0x03", "130", "1252"},
    {"Chinese (Simplified)", "zh", "0x0804", "33", "936"},
    {"Chinese (Traditional)", "zh_HK", "0x0404", "19", "950"},
    {"Chinese (Traditional)", "zh_TW", "0x0404", "19", "950"},
    {"Croatian", "hr", "0x1a", "18", "1250"},
    {"Czech", "cs", "0x05", "38", "1250"},
    {"Danish", "da", "0x06", "7", "1252"},
    {"Dutch", "nl", "0x13", "4", "1252"},
    {"English", "en", "0x09", "0", "1252"},
    {"Estonian", "et", "0x25", "27", "1257"},
    {"Faeroese", "fo", "0x38", "30", "1252"},
    {"Farsi", "fa", "0x29", "31", "1256"},
    {"Finnish", "fi", "0x0b", "13", "1252"},
    {"French", "fr", "0x0c", "1", "1252"},
    {"Frisian", "fy", "0x62", "-1", "-1"},
    {"Galician", "gl", "0x56", "140", "1252"},
    {"Gaelic (Scottish)", "gd", "0x3c", "144", "-1"},
    {"Gaelic (Scottish)", "gd", "0x043c", "144", "-1"},
    {"Georgian", "ka", "0x37", "52", "0"},
    {"German", "de", "0x07", "2", "1252"},
    {"Greek", "el", "0x08", "14", "1253"},
    {"Greek", "el", "0x0408", "14", "1253"},
    {"Guarani", "gn", "0x74", "133", "-1"},
    {"Gujarati", "gu", "0x47", "69", "0"},
    {"Hausa", "ha", "0x68", "-1", "-1"},
    {"Hebrew", "he", "0x0d", "10", "1255"},
    {"Hebrew", "iw", "0x0d", "10", "1255"},
    {"Hindi", "hi", "0x39", "21", "0"},
    {"Hungarian", "hu", "0x0e", "26", "1250"},
    {"Icelandic", "is", "0x0f", "15", "1252"},
    {"Indonesian", "id", "0x21", "81", "1252"},
    {"Indonesian", "in", "0x21", "81", "1252"},
    {"Inuktitut", "iu", "0x5d", "143", "-1"},
    {"Irish", "ga", "0x083c", "35", "-1"},
    {"Irish", "ga", "0x083c", "146", "-1"},
    {"Italian", "it", "0x10", "3", "1252"},
    {"Japanese", "ja", "0x11", "11", "932"},
    {"Kannada", "kn", "0x4b", "73", "0"},
    {"Kashmiri", "ks", "0x60", "61", "-1"},
    {"Kazakh", "kk", "0x3f", "48", "1251"},
    {"Kirghiz", "ky", "0x40", "54", "1251"},
    {"Korean", "ko", "0x12", "23", "949"},
    {"Laothian", "lo", "0x54", "79", "-1"},
    {"Latin", "la", "0x00", "131", "-1"},
    {"Latvian (Lettish)", "lv", "0x26", "28", "1257"},
    {"Lithuanian", "lt", "0x27", "24", "1257"},
    {"Macedonian", "mk", "0x2f", "43", "-1"},
    {"Malay", "ms", "0x043e", "83", "1252"},
    {"Malay", "ms", "0x083e", "84", "1252"},
    {"Malayalam", "ml", "0x4c", "72", "-1"},
    {"Maltese", "mt", "0x3a", "16", "-1"},
    {"Marathi", "mr", "0x4e", "66", "0"},
    {"Mongolian", "mn", "0x0450", "57", "1251"},
    {"Mongolian", "mn", "0x0850", "58", "1251"},
    {"Nepali", "ne", "0x61", "64", "-1"},
    {"Norwegian", "no", "0x14", "9", "1252"},
    {"Oriya", "or", "0x48", "71", "-1"},
    {"Oromo (Afan, Galla)", "om", "0x72", "87", "-1"},
    {"Pashto (Pushto)", "ps", "0x63", "59", "-1"},
    {"Polish", "pl", "0x15", "25", "1250"},
    {"Portuguese", "pt", "0x16", "8", "1252"},
    {"Portuguese (Brazil)", "pt_BR", "0x416", "8", "1252"},
    {"Portuguese (Portugal)", "pt_PT", "0x816", "8", "1252"},
    {"Punjabi", "pa", "0x46", "70", "0"},
    {"Rhaeto-Romance", "rm", "0x17", "-1", "-1"},
    {"Romanian", "ro", "0x18", "37", "-1"},
    {"Russian", "ru", "0x19", "32", "1251"},
    {"Sanskrit", "sa", "0x4f", "65", "0"},
    {"Serbian", "sr", "0x1a", "42", "-1"},
    {"Serbian", "sr", "0x081a", "42", "1250"},
    {"Serbian", "sr", "0x0c1a", "42", "1251"},
    {"Sindhi", "sd", "0x59", "62", "-1"},
    {"Sinhalese", "si", "0x5b", "76", "-1"},
    {"Slovak", "sk", "0x1b", "39", "1250"},
    {"Slovenian", "sl", "0x24", "40", "1250"},
    {"Somali", "so", "0x77", "88", "-1"},
    {"Spanish", "es", "0x0a", "6", "1252"},
    {"Swahili (Kiswahili)", "sw", "0x41", "89", "1252"},
    {"Swedish", "sv", "0x1d", "5", "1252"},
    {"Tagalog", "tl", "0x64", "82", "-1"},
    {"Tajik", "tg", "0x28", "55", "-1"},
    {"Tamil", "ta", "0x49", "74", "0"},
    {"Tatar", "tt", "0x44", "135", "1251"},
    {"Telugu", "te", "0x4a", "75", "0"},
    {"Thai", "th", "0x1e", "22", "874"},
    {"Tibetan", "bo", "0x51", "63", "-1"},
    {"Tigrinya", "ti", "0x73", "86", "-1"},
    {"Tsonga", "ts", "0x31", "-1", "431"},
    {"Turkish", "tr", "0x1f", "17", "1254"},
    {"Turkmen", "tk", "0x42", "56", "-1"},
    {"Ukrainian", "uk", "0x22", "45", "1251"},
    {"Urdu", "ur", "0x20", "20", "1256"},
    {"Uzbek", "uz", "0x43", "47", "1254"},
    {"Vietnamese", "vi", "0x2a", "80", "1258"},
    {"Welsh", "cy", "0x52", "128", "-1"},
    {"Xhosa", "xh", "0x34", "-1", "-1"},
    {"Yiddish", "yi", "0x3d", "41", "-1"},
    {"Yiddish", "ji", "0x3d", "41", "-1"},
    {"Yoruba", "yo", "0x6a", "-1", "-1"},
    {"Zulu", "zu", "0x35 ", "-1", "-1"},
};

struct LocaleName {
    int langId;
    const char* name;
};

// The names that differ from the usual ones (ca_AD, en_UK, no_NO twice,
// sr_YU twice, "in") are what the product has always reported.
const LocaleName kLocaleNames[] = {
    {1025, "ar_SA"},  {1026, "bg_BG"},  {1027, "ca_AD"},  {1028, "zh_TW"},  {1029, "cs_CZ"},
    {1030, "da_DK"},  {1031, "de_DE"},  {1032, "el_GR"},  {1034, "es_ES"},  {1035, "fi_FI"},
    {1036, "fr_FR"},  {1037, "he_IL"},  {1038, "hu_HU"},  {1039, "is_IS"},  {1040, "it_IT"},
    {1041, "ja_JP"},  {1042, "ko_KR"},  {1043, "nl_NL"},  {1044, "no_NO"},  {1045, "pl_PL"},
    {1046, "pt_BR"},  {1048, "ro_RO"},  {1049, "ru_RU"},  {1050, "hr_HR"},  {1051, "sk_SK"},
    {1052, "sq_AL"},  {1053, "sv_SE"},  {1054, "th_TH"},  {1055, "tr_TR"},  {1057, "in"},
    {1058, "uk_UA"},  {1059, "be_BY"},  {1060, "sl_SI"},  {1061, "et_EE"},  {1062, "lv_LV"},
    {1063, "lt_LT"},  {1066, "vi_VN"},  {1069, "eu_ES"},  {1078, "af_ZA"},  {1080, "fo_FO"},
    {2052, "zh_CN"},  {2055, "de_CH"},  {2057, "en_UK"},  {2058, "es_MX"},  {2060, "fr_BE"},
    {2064, "it_CH"},  {2066, "ko_KR"},  {2067, "nl_BE"},  {2068, "no_NO"},  {2070, "pt_PT"},
    {2074, "sr_YU"},  {2077, "sv_FI"},  {3076, "zh_HK"},  {3079, "de_AT"},  {3081, "en_AU"},
    {3082, "es_ES"},  {3084, "fr_CA"},  {3098, "sr_YU"},  {4100, "zh_SG"},  {4103, "de_LU"},
    {4105, "en_CA"},  {4106, "es_GT"},  {4108, "fr_CH"},  {5127, "de_LI"},  {5129, "en_NZ"},
    {5130, "es_CR"},  {5132, "fr_LU"},  {6153, "en_IE"},  {6154, "es_PA"},  {7177, "en_ZA"},
    {7178, "es_DO"},  {8201, "en_JM"},  {8202, "es_VE"},  {9225, "en_JM"},  {9226, "es_CO"},
    {10249, "en_BZ"}, {10250, "es_PE"}, {11273, "en_TT"}, {11274, "es_AR"}, {12298, "es_EC"},
    {13322, "es_CL"}, {14346, "es_UY"}, {15370, "es_PY"}, {16394, "es_BO"}, {17418, "es_SV"},
    {18442, "es_HN"}, {19466, "es_NI"}, {20490, "es_PR"},
};

const char* const kDefaultLocaleName = "en_US";
constexpr int kDefaultLangId = 1033;

struct LanguageNumber {
    int langId;
    int number;
};

// 4 and 11 were never assigned.
const LanguageNumber kLanguageNumbers[] = {
    {1036, 1},   {2060, 1},   {3084, 1},   {4108, 1},   {5132, 1},   {1031, 2},   {2055, 2},
    {3079, 2},   {4103, 2},   {5127, 2},   {1040, 3},   {2064, 3},   {1030, 5},   {1044, 6},
    {1043, 7},   {2067, 7},   {1053, 8},   {2077, 8},   {1035, 9},   {2070, 10},  {1041, 12},
    {2052, 13},  {4100, 13},  {1028, 14},  {3076, 14},  {1029, 15},  {1032, 16},  {1038, 17},
    {1039, 18},  {1042, 19},  {2066, 19},  {1045, 20},  {1046, 21},  {1049, 22},  {1051, 23},
    {1055, 24},  {1066, 25},  {1058, 26},  {1054, 27},  {1034, 28},  {2058, 28},  {3082, 28},
    {4106, 28},  {5130, 28},  {6154, 28},  {7178, 28},  {8202, 28},  {9226, 28},  {10250, 28},
    {11274, 28}, {12298, 28}, {13322, 28}, {14346, 28}, {15370, 28}, {16394, 28}, {17418, 28},
    {18442, 28}, {19466, 28}, {20490, 28}, {1060, 29},  {2074, 30},  {3098, 31},  {1048, 32},
    {1063, 33},  {1062, 34},  {1057, 35},  {1080, 36},  {1061, 37},  {1050, 38},  {1027, 39},
    {1026, 40},  {1059, 41},  {1069, 42},  {1052, 43},  {1078, 44},  {2068, 45},  {1037, 46},
};

// The row of the first ISO code equal to code ignoring case; 0 when none.
int findLanguageRow(const CStdStr& code) {
    for (int row = 1; row < LANGUAGE_TABLE_ROWS; ++row) {
        if (code.EqualsNoCase(kLanguageTable[row][LANGUAGE_COLUMN_ISO_CODE]))
            return row;
    }
    return 0;
}

// The language part of a locale name: the text before "_", or all of it.
CStdStr languageOf(const CStdStr& localeName) {
    const size_t underscore = localeName.find('_');
    return underscore == std::string::npos ? localeName : localeName.Left(int(underscore));
}

} // namespace

const char* languageTableCell(int row, unsigned column) {
    if (row < 0 || row >= LANGUAGE_TABLE_ROWS || column >= LANGUAGE_TABLE_COLUMNS)
        return nullptr;
    return kLanguageTable[row][column];
}

CStdStr GetLanguageInfo(const CStdStr& code, unsigned column) {
    if (column >= LANGUAGE_TABLE_COLUMNS)
        return CStdStr();
    int row = findLanguageRow(code);
    if (row == 0 && code.size() > 2)
        row = findLanguageRow(code.Left(2));
    return row == 0 ? CStdStr() : CStdStr(kLanguageTable[row][column]);
}

CStdStr LangIdToLocaleName(int langId) {
    for (const LocaleName& entry : kLocaleNames) {
        if (entry.langId == langId)
            return entry.name;
    }
    return kDefaultLocaleName;
}

int LocaleNameToLangId(const CStdStr& localeName) {
    if (localeName.EqualsNoCase(kDefaultLocaleName))
        return kDefaultLangId;
    for (const LocaleName& entry : kLocaleNames) {
        if (localeName.EqualsNoCase(entry.name))
            return entry.langId;
    }
    const CStdStr language = languageOf(localeName);
    if (language.EqualsNoCase(languageOf(kDefaultLocaleName).c_str()))
        return kDefaultLangId;
    for (const LocaleName& entry : kLocaleNames) {
        if (language.EqualsNoCase(languageOf(entry.name).c_str()))
            return entry.langId;
    }
    return 0;
}

int LangIdToLanguageNumber(int langId) {
    for (const LanguageNumber& entry : kLanguageNumbers) {
        if (entry.langId == langId)
            return entry.number;
    }
    return 0;
}
