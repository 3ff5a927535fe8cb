#include "RegFile.h"

#include <cstring>
#include <cwctype>
#include <utility>

#include "../CodePage.h"
#include "../RegistryApi.h"

namespace posix {
namespace {

const char16_t kVersion5[] = u"Windows Registry Editor Version 5.00";
const char16_t kRegedit4[] = u"REGEDIT4";
const char16_t* const kRoots[] = {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER", u"HKEY_USERS",
                                  u"HKEY_CURRENT_CONFIG"};

bool isBlank(char16_t ch) {
    return ch == u' ' || ch == u'\t';
}

size_t skipBlanks(const std::u16string& text, size_t at) {
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

bool onlyBlanksFrom(const std::u16string& text, size_t at) {
    return skipBlanks(text, at) == text.size();
}

void trimRight(std::u16string& text) {
    while (!text.empty() && isBlank(text.back()))
        text.pop_back();
}

char16_t foldUnit(char16_t ch) {
    if (ch >= u'a' && ch <= u'z')
        return static_cast<char16_t>(ch - (u'a' - u'A'));
    if (ch < 0x80)
        return ch;
    const wint_t upper = std::towupper(static_cast<wint_t>(ch));
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : ch;
}

bool startsWithNoCase(const std::u16string& text, size_t at, const char* word) {
    for (; *word; ++word, ++at) {
        if (at >= text.size() || foldUnit(text[at]) != foldUnit(static_cast<char16_t>(*word)))
            return false;
    }
    return true;
}

int hexDigit(char16_t ch) {
    if (ch >= u'0' && ch <= u'9')
        return ch - u'0';
    if (ch >= u'a' && ch <= u'f')
        return ch - u'a' + 10;
    if (ch >= u'A' && ch <= u'F')
        return ch - u'A' + 10;
    return -1;
}

// Up to maxDigits hexadecimal digits at `at`; false when there is none.
bool readHex(const std::u16string& text, size_t& at, size_t maxDigits, unsigned& value) {
    value = 0;
    size_t digits = 0;
    while (digits < maxDigits && at < text.size() && hexDigit(text[at]) >= 0) {
        value = value * 16 + static_cast<unsigned>(hexDigit(text[at++]));
        ++digits;
    }
    return digits > 0;
}

std::u16string hexText(unsigned value, int width) {
    static const char16_t digits[] = u"0123456789abcdef";
    std::u16string text;
    do {
        text.insert(text.begin(), digits[value & 15u]);
        value >>= 4;
    } while (value != 0 || static_cast<int>(text.size()) < width);
    return text;
}

// A quoted text starting at `at` ('"'); only \\ and \" are escapes.
bool readQuoted(const std::u16string& text, size_t& at, std::u16string& out) {
    out.clear();
    for (++at; at < text.size(); ++at) {
        const char16_t ch = text[at];
        if (ch == u'"') {
            ++at;
            return true;
        }
        if (ch == u'\\' && at + 1 < text.size() && (text[at + 1] == u'\\' || text[at + 1] == u'"'))
            ++at;
        out += text[at];
    }
    return false;
}

std::u16string escape(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t ch : text) {
        if (ch == u'\\' || ch == u'"')
            out += u'\\';
        out += ch;
    }
    return out;
}

bool hasLineBreak(const std::u16string& text) {
    return text.find_first_of(u"\r\n") != std::u16string::npos;
}

bool knownRoot(const std::u16string& foldedKey) {
    const std::u16string root = foldedKey.substr(0, foldedKey.find(u'\\'));
    for (const char16_t* name : kRoots) {
        if (root == name)
            return true;
    }
    return false;
}

enum class DataResult { Value, Deletion, Bad };

DataResult readHexList(const std::u16string& text, size_t at, std::string& bytes) {
    for (;;) {
        at = skipBlanks(text, at);
        if (at == text.size())
            return DataResult::Value;
        unsigned byte = 0;
        if (!readHex(text, at, 2, byte))
            return DataResult::Bad;
        bytes += static_cast<char>(byte);
        at = skipBlanks(text, at);
        if (at == text.size())
            return DataResult::Value;
        if (text[at++] != u',')
            return DataResult::Bad;
    }
}

// The data after "=": a quoted text, dword:, hex:, hex(N): or - (a deletion).
DataResult readData(const std::u16string& text, size_t at, RegFormat format, RegData& data) {
    if (at < text.size() && text[at] == u'"') {
        std::u16string value;
        if (!readQuoted(text, at, value) || !onlyBlanksFrom(text, at))
            return DataResult::Bad;
        value += u'\0';
        data = {platform::REG_SZ, toUtf16Bytes(value)};
        return DataResult::Value;
    }
    if (at < text.size() && text[at] == u'-')
        return onlyBlanksFrom(text, at + 1) ? DataResult::Deletion : DataResult::Bad;
    if (startsWithNoCase(text, at, "dword:")) {
        at += 6;
        unsigned number = 0;
        if (!readHex(text, at, 8, number) || !onlyBlanksFrom(text, at))
            return DataResult::Bad;
        data.type = platform::REG_DWORD;
        data.bytes.clear();
        for (int shift = 0; shift < 32; shift += 8)
            data.bytes += static_cast<char>((number >> shift) & 0xFFu);
        return DataResult::Value;
    }
    if (!startsWithNoCase(text, at, "hex"))
        return DataResult::Bad;
    at += 3;
    data.type = platform::REG_BINARY;
    if (at < text.size() && text[at] == u'(') {
        ++at;
        if (!readHex(text, at, 8, data.type) || at >= text.size() || text[at] != u')')
            return DataResult::Bad;
        ++at;
    }
    if (at >= text.size() || text[at++] != u':')
        return DataResult::Bad;
    data.bytes.clear();
    const DataResult result = readHexList(text, at, data.bytes);
    // REGEDIT4 gives texts in hex as ANSI bytes; the store holds them as UTF-16.
    if (result == DataResult::Value && format == RegFormat::Regedit4)
        data.bytes = dataFromAnsi(data.type, data.bytes);
    return result;
}

// The value's name ("name" or @) and the position of its data after "=".
bool readName(const std::u16string& text, size_t at, std::u16string& name, size_t& dataAt) {
    name.clear();
    if (at < text.size() && text[at] == u'@')
        ++at;
    else if (at >= text.size() || text[at] != u'"' || !readQuoted(text, at, name))
        return false;
    at = skipBlanks(text, at);
    if (at >= text.size() || text[at] != u'=')
        return false;
    dataAt = skipBlanks(text, at + 1);
    return true;
}

// ASCII is the same in every ANSI code page; only other bytes need iconv.
std::u16string ansiLineToWide(const std::string& line) {
    for (char ch : line) {
        if (static_cast<unsigned char>(ch) >= 0x80)
            return platform::ansiToWide(CStdStr(line));
    }
    return std::u16string(line.begin(), line.end());
}

} // namespace

std::string toUtf16Bytes(const std::u16string& text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::u16string fromUtf16Bytes(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return text;
}

bool isTextType(unsigned type) {
    return type == platform::REG_SZ || type == platform::REG_EXPAND_SZ ||
           type == platform::REG_MULTI_SZ;
}

std::string dataFromAnsi(unsigned type, const std::string& data) {
    return isTextType(type) ? toUtf16Bytes(platform::ansiToWide(CStdStr(data))) : data;
}

std::string dataToAnsi(unsigned type, const std::string& data) {
    return isTextType(type) ? std::string(platform::wideToAnsi(fromUtf16Bytes(data))) : data;
}

bool isKeyOrBelow(const std::u16string& candidate, const std::u16string& key) {
    return candidate.compare(0, key.size(), key) == 0 &&
           (candidate.size() == key.size() || candidate[key.size()] == u'\\');
}

std::u16string foldCase(const std::u16string& text) {
    std::u16string folded(text);
    for (char16_t& ch : folded)
        ch = foldUnit(ch);
    return folded;
}

std::u16string canonicalKey(const std::u16string& key) {
    std::u16string canonical;
    size_t at = 0;
    while (at <= key.size()) {
        size_t end = key.find(u'\\', at);
        if (end == std::u16string::npos)
            end = key.size();
        std::u16string component = key.substr(at, end - at);
        if (!component.empty()) {
            if (canonical.empty() && foldCase(component) == u"HKEY_CLASSES_ROOT")
                component = u"HKEY_LOCAL_MACHINE\\Software\\Classes";
            if (!canonical.empty())
                canonical += u'\\';
            canonical += component;
        }
        at = end + 1;
    }
    return canonical;
}

// The physical lines of the file with their line ends, decoded on demand.
struct RegFile::Lines {
    const std::string& bytes;
    bool utf16;
    std::vector<std::pair<size_t, size_t>> spans; // [begin, end) with the line end

    Lines(const std::string& source, size_t start, bool wide) : bytes(source), utf16(wide) {
        const size_t unit = utf16 ? 2 : 1;
        size_t begin = start;
        for (size_t at = start; at + unit <= bytes.size(); at += unit) {
            if (bytes[at] == '\n' && (!utf16 || bytes[at + 1] == '\0')) {
                spans.emplace_back(begin, at + unit);
                begin = at + unit;
            }
        }
        if (begin < bytes.size())
            spans.emplace_back(begin, bytes.size());
    }

    size_t count() const { return spans.size(); }
    std::string raw(size_t i) const {
        return bytes.substr(spans[i].first, spans[i].second - spans[i].first);
    }
    std::u16string text(size_t i) const {
        const std::string line = raw(i);
        std::u16string text = utf16 ? fromUtf16Bytes(line) : ansiLineToWide(line);
        if (!text.empty() && text.back() == u'\n')
            text.pop_back();
        if (!text.empty() && text.back() == u'\r')
            text.pop_back();
        return text;
    }
    std::u16string lineEnd(size_t i) const {
        const std::string line = raw(i);
        const size_t unit = utf16 ? 2 : 1;
        if (line.size() < unit || line[line.size() - unit] != '\n')
            return u"";
        return line.size() >= 2 * unit && line[line.size() - 2 * unit] == '\r' ? u"\r\n" : u"\n";
    }
};

RegFile::RegFile() {
    std::string problem;
    parse(std::string(), problem);
}

bool RegFile::parse(const std::string& bytes, std::string& problem) {
    const bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    if (utf16 && bytes.size() % 2 != 0) {
        problem = "it ends inside a UTF-16 character";
        return false;
    }
    const Lines lines(bytes, utf16 ? 2 : 0, utf16);
    m_encoding = utf16 || bytes.empty() ? RegEncoding::Utf16 : RegEncoding::Ansi;
    m_format = RegFormat::Version5;
    m_newline = u"\r\n";
    m_keys.clear();
    m_entries.clear();
    m_unreadableLines = 0;
    m_firstUnreadableLine = 0;
    if (lines.count() == 0) {
        m_entries.push_back({Kind::Other, -1, encode(kVersion5 + m_newline), u"", {}});
        m_entries.push_back({Kind::Other, -1, encode(m_newline), u"", {}});
        return true;
    }
    std::u16string header = lines.text(0);
    trimRight(header);
    if (header != kVersion5 && header != kRegedit4) {
        problem = "it does not begin with \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"";
        return false;
    }
    m_format = header == kVersion5 ? RegFormat::Version5 : RegFormat::Regedit4;
    if (!lines.lineEnd(0).empty())
        m_newline = lines.lineEnd(0);
    m_entries.push_back({Kind::Other, -1, lines.raw(0), u"", {}});
    parseEntries(lines);
    return true;
}

void RegFile::parseEntries(const Lines& lines) {
    int currentKey = -1;
    bool inBlock = false;
    for (size_t index = 1; index < lines.count(); ++index) {
        const size_t first = index;
        Entry entry;
        LineSort sort = parseEntry(lines, index, currentKey, entry);
        if (entry.kind == Kind::Key || entry.kind == Kind::KeyDeletion) {
            currentKey = entry.kind == Kind::Key ? entry.keyId : -1;
            inBlock = true;
        } else if (sort == LineSort::Ignored && !inBlock) {
            sort = LineSort::Unreadable; // a value before any key
        }
        if (sort == LineSort::Unreadable && m_unreadableLines++ == 0)
            m_firstUnreadableLine = static_cast<int>(first) + 1;
        m_entries.push_back(std::move(entry));
    }
}

// A key or a named value can never be hex digits going on: a damaged value's run of
// backslashes stops there instead of taking in what follows, a key added by a write among it.
bool startsAnEntry(const std::u16string& line) {
    const size_t at = skipBlanks(line, 0);
    return at < line.size() && (line[at] == u'[' || line[at] == u'"' || line[at] == u'@');
}

// One entry from the line at `index` on; a hex value continued with a
// trailing backslash takes the following lines too.
RegFile::LineSort RegFile::parseEntry(const Lines& lines, size_t& index, int currentKey,
                                      Entry& entry) {
    entry.raw = lines.raw(index);
    std::u16string text = lines.text(index);
    const size_t at = skipBlanks(text, 0);
    if (at == text.size() || text[at] == u';')
        return LineSort::Used;
    if (text[at] == u'[') {
        trimRight(text);
        return parseKey(text, at, entry);
    }
    std::u16string name;
    size_t dataAt = 0;
    if (!readName(text, at, name, dataAt))
        return LineSort::Unreadable;
    if (startsWithNoCase(text, dataAt, "hex")) {
        // Trimmed in place: a value may run over many thousand lines.
        for (trimRight(text); !text.empty() && text.back() == u'\\' && index + 1 < lines.count() &&
                              !startsAnEntry(lines.text(index + 1));
             trimRight(text)) {
            text.pop_back();
            const std::u16string next = lines.text(++index);
            text.append(next, skipBlanks(next, 0), std::u16string::npos);
            entry.raw += lines.raw(index);
        }
        if (!text.empty() && text.back() == u'\\')
            text.pop_back(); // continued past the end of the file
    }
    RegData data;
    const DataResult result = readData(text, dataAt, m_format, data);
    if (result == DataResult::Bad)
        return LineSort::Unreadable;
    if (currentKey < 0)
        return LineSort::Ignored;
    entry.kind = result == DataResult::Deletion ? Kind::ValueDeletion : Kind::Value;
    entry.keyId = currentKey;
    entry.foldedName = foldCase(name);
    entry.data = std::move(data);
    return LineSort::Used;
}

// A block header; an unknown root or a broken header opens a block whose
// values are not used, so none is taken for another key.
RegFile::LineSort RegFile::parseKey(const std::u16string& line, size_t at, Entry& entry) {
    entry.kind = Kind::Key;
    if (line.back() != u']')
        return LineSort::Unreadable;
    std::u16string inner = line.substr(at + 1, line.size() - at - 2);
    if (!inner.empty() && inner[0] == u'-') {
        entry.kind = Kind::KeyDeletion;
        inner.erase(0, 1);
    }
    const std::u16string key = canonicalKey(inner);
    if (!knownRoot(foldCase(key)))
        return LineSort::Unreadable;
    entry.keyId = addKey(key);
    return LineSort::Used;
}

int RegFile::addKey(const std::u16string& key) {
    m_keys.push_back(foldCase(canonicalKey(key)));
    return static_cast<int>(m_keys.size()) - 1;
}

std::string RegFile::serialize() const {
    size_t size = m_encoding == RegEncoding::Utf16 ? 2 : 0;
    for (const Entry& entry : m_entries)
        size += entry.raw.size();
    std::string bytes;
    bytes.reserve(size);
    if (m_encoding == RegEncoding::Utf16)
        bytes = "\xFF\xFE";
    for (const Entry& entry : m_entries)
        bytes += entry.raw;
    return bytes;
}

bool RegFile::removes(const Entry& entry, const std::u16string& foldedKey) const {
    return entry.kind == Kind::KeyDeletion && entry.keyId >= 0 &&
           isKeyOrBelow(foldedKey, m_keys[static_cast<size_t>(entry.keyId)]);
}

bool RegFile::hasKey(const std::u16string& key) const {
    const std::u16string folded = foldCase(canonicalKey(key));
    for (size_t i = m_entries.size(); i-- > 0;) {
        const Entry& entry = m_entries[i];
        if (entry.kind == Kind::Key && entry.keyId >= 0 &&
            isKeyOrBelow(m_keys[static_cast<size_t>(entry.keyId)], folded))
            return true;
        if (removes(entry, folded))
            return false;
    }
    return false;
}

// The last value or value deletion for the name, -1 when there is none or
// the key was removed after it.
int RegFile::findValueEntry(const std::u16string& foldedKey,
                            const std::u16string& foldedName) const {
    for (size_t i = m_entries.size(); i-- > 0;) {
        const Entry& entry = m_entries[i];
        if ((entry.kind == Kind::Value || entry.kind == Kind::ValueDeletion) &&
            entry.foldedName == foldedName && m_keys[static_cast<size_t>(entry.keyId)] == foldedKey)
            return static_cast<int>(i);
        if (removes(entry, foldedKey))
            return -1;
    }
    return -1;
}

const RegData* RegFile::findValue(const std::u16string& key, const std::u16string& name) const {
    const int index = findValueEntry(foldCase(canonicalKey(key)), foldCase(name));
    if (index < 0 || m_entries[static_cast<size_t>(index)].kind != Kind::Value)
        return nullptr;
    return &m_entries[static_cast<size_t>(index)].data;
}

// After the last value line of the key's last block (or after its header);
// 0 when no block names the key since it was last removed.
size_t RegFile::insertionPoint(const std::u16string& foldedKey) const {
    for (size_t header = m_entries.size(); header-- > 0;) {
        const Entry& entry = m_entries[header];
        if (removes(entry, foldedKey))
            return 0;
        if (entry.kind != Kind::Key || entry.keyId < 0 ||
            m_keys[static_cast<size_t>(entry.keyId)] != foldedKey)
            continue;
        size_t point = header + 1;
        for (size_t i = header + 1; i < m_entries.size() && m_entries[i].kind != Kind::Key &&
                                    m_entries[i].kind != Kind::KeyDeletion;
             ++i) {
            if (m_entries[i].kind == Kind::Value || m_entries[i].kind == Kind::ValueDeletion)
                point = i + 1;
        }
        return point;
    }
    return 0;
}

bool RegFile::setValue(const std::u16string& key, const std::u16string& name, const RegData& data) {
    if (hasLineBreak(name))
        return false;
    const std::u16string canonical = canonicalKey(key);
    const std::u16string foldedKey = foldCase(canonical);
    const int existing = findValueEntry(foldedKey, foldCase(name));
    if (existing >= 0) {
        Entry& entry = m_entries[static_cast<size_t>(existing)];
        entry = valueEntry(entry.keyId, name, data);
        return true;
    }
    const size_t point = insertionPoint(foldedKey);
    if (point > 0) {
        terminate(m_entries[point - 1]);
        const int keyId = m_entries[point - 1].keyId; // the header's or its last value's
        m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(point),
                         valueEntry(keyId, name, data));
        return true;
    }
    terminate(m_entries.back());
    const std::string blank = encode(m_newline);
    if (m_entries.back().raw != blank)
        m_entries.push_back({Kind::Other, -1, blank, u"", {}});
    const int keyId = addKey(canonical);
    m_entries.push_back({Kind::Key, keyId, encode(u"[" + canonical + u"]" + m_newline), u"", {}});
    m_entries.push_back(valueEntry(keyId, name, data));
    return true;
}

RegFile::Entry RegFile::valueEntry(int keyId, const std::u16string& name,
                                   const RegData& data) const {
    return {Kind::Value, keyId, encode(valueText(name, data)), foldCase(name), data};
}

// The value's line(s) as regedit writes them: a quoted text when it is a
// plain one line text the file's encoding can hold, dword: for four bytes,
// else hex, wrapped with continuation lines.
std::u16string RegFile::valueText(const std::u16string& name, const RegData& data) const {
    std::u16string text = name.empty() ? u"@=" : u"\"" + escape(name) + u"\"=";
    if (data.type == platform::REG_SZ && data.bytes.size() >= 2 && data.bytes.size() % 2 == 0) {
        std::u16string value = fromUtf16Bytes(data.bytes);
        value.pop_back();
        const bool plain = data.bytes.substr(data.bytes.size() - 2) == std::string(2, '\0') &&
                           value.find(u'\0') == std::u16string::npos && !hasLineBreak(value);
        if (plain && (m_encoding == RegEncoding::Utf16 ||
                      platform::ansiToWide(platform::wideToAnsi(value)) == value))
            return text + u"\"" + escape(value) + u"\"" + m_newline;
    }
    if (data.type == platform::REG_DWORD && data.bytes.size() == 4) {
        unsigned number = 0;
        for (int i = 3; i >= 0; --i)
            number = number << 8 | static_cast<unsigned char>(data.bytes[static_cast<size_t>(i)]);
        return text + u"dword:" + hexText(number, 8) + m_newline;
    }
    text += data.type == platform::REG_BINARY ? u"hex:" : u"hex(" + hexText(data.type, 1) + u"):";
    std::string bytes = data.bytes;
    if (m_format == RegFormat::Regedit4)
        bytes = dataToAnsi(data.type, bytes);
    size_t column = text.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::u16string item = hexText(static_cast<unsigned char>(bytes[i]), 2);
        if (i + 1 < bytes.size())
            item += u',';
        if (i > 0 && column + item.size() > 77) {
            text += u"\\" + m_newline + u"  ";
            column = 2;
        }
        text += item;
        column += item.size();
    }
    return text + m_newline;
}

std::string RegFile::encode(const std::u16string& text) const {
    return m_encoding == RegEncoding::Utf16 ? toUtf16Bytes(text) : platform::wideToAnsi(text);
}

bool RegFile::endsWithLineEnd(const std::string& raw) const {
    if (m_encoding == RegEncoding::Utf16)
        return raw.size() >= 2 && raw[raw.size() - 2] == '\n' && raw.back() == '\0';
    return !raw.empty() && raw.back() == '\n';
}

void RegFile::terminate(Entry& entry) const {
    if (!endsWithLineEnd(entry.raw))
        entry.raw += encode(m_newline);
}

} // namespace posix
