#pragma once
// A registry store file: a .reg text (REGEDIT4 or version 5.00, ANSI or
// UTF-16LE) held entry by entry with its original bytes, so that a change
// rewrites only the lines of the value it touches and every other byte,
// comments and lines this reader does not understand included, is written
// back as it was read.

#include <cstddef>
#include <string>
#include <vector>

namespace posix {

// A value as the registry holds it: a Win32 type number and its bytes;
// texts are UTF-16LE with their NULs.
struct RegData {
    unsigned type = 0;
    std::string bytes;

    bool operator==(const RegData& other) const {
        return type == other.type && bytes == other.bytes;
    }
};

enum class RegEncoding { Ansi, Utf16 };
enum class RegFormat { Regedit4, Version5 };

// UTF-16LE bytes and back (an odd last byte is dropped).
std::string toUtf16Bytes(const std::u16string& text);
std::u16string fromUtf16Bytes(const std::string& bytes);

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ, whose data the ANSI calls convert.
bool isTextType(unsigned type);
// A text type's data between the ANSI code page and UTF-16LE; other types
// pass unchanged.
std::string dataFromAnsi(unsigned type, const std::string& data);
std::string dataToAnsi(unsigned type, const std::string& data);

// Keys are full paths below a root name ("HKEY_LOCAL_MACHINE\Software").
// The canonical form drops empty components and reads HKEY_CLASSES_ROOT as
// HKEY_LOCAL_MACHINE\Software\Classes; the folded form is for comparing.
std::u16string canonicalKey(const std::u16string& key);
std::u16string foldCase(const std::u16string& text);
// True when the folded `candidate` is the folded `key` or a key below it.
bool isKeyOrBelow(const std::u16string& candidate, const std::u16string& key);

class RegFile {
public:
    // An empty store as a new file is written: UTF-16LE, version 5.00, CRLF.
    RegFile();

    // Reads the bytes of a file (a missing or empty file is an empty store).
    // False when they are no .reg file; `problem` then says why.
    bool parse(const std::string& bytes, std::string& problem);
    std::string serialize() const;

    RegEncoding encoding() const { return m_encoding; }
    RegFormat format() const { return m_format; }
    // Lines that are neither blank, a comment, a key nor a value (1-based).
    int unreadableLines() const { return m_unreadableLines; }
    int firstUnreadableLine() const { return m_firstUnreadableLine; }

    // Entries apply in order, as importing the file would: a key exists when
    // a block names it or a key below it and no later [-key] removes it; a
    // value is what its last line gives, none after "name"=-.
    bool hasKey(const std::u16string& key) const;
    const RegData* findValue(const std::u16string& key, const std::u16string& name) const;
    // Replaces the value's last line, or adds one to the key's last block,
    // or adds a block for the key at the end. False when the name holds a
    // line break, which no .reg line can carry.
    bool setValue(const std::u16string& key, const std::u16string& name, const RegData& data);

private:
    // [key], [-key], "name"=data, "name"=- and everything else.
    enum class Kind { Other, Key, KeyDeletion, Value, ValueDeletion };
    struct Entry {
        Kind kind = Kind::Other;
        int keyId = -1;  // into m_keys; -1 on a Key entry: a block whose values are not used
        std::string raw; // the entry's bytes with their line ends, as in the file
        std::u16string foldedName;
        RegData data;
    };

    // What a line was: used (or harmless), kept but not used, or not readable.
    enum class LineSort { Used, Ignored, Unreadable };
    struct Lines;
    void parseEntries(const Lines& lines);
    LineSort parseEntry(const Lines& lines, size_t& index, int currentKey, Entry& entry);
    LineSort parseKey(const std::u16string& line, size_t at, Entry& entry);
    int addKey(const std::u16string& key);
    bool removes(const Entry& entry, const std::u16string& foldedKey) const;
    int findValueEntry(const std::u16string& foldedKey, const std::u16string& foldedName) const;
    size_t insertionPoint(const std::u16string& foldedKey) const;
    Entry valueEntry(int keyId, const std::u16string& name, const RegData& data) const;
    std::string encode(const std::u16string& text) const;
    std::u16string valueText(const std::u16string& name, const RegData& data) const;
    bool endsWithLineEnd(const std::string& raw) const;
    void terminate(Entry& entry) const;

    RegEncoding m_encoding = RegEncoding::Utf16;
    RegFormat m_format = RegFormat::Version5;
    std::u16string m_newline = u"\r\n";
    std::vector<std::u16string> m_keys; // folded canonical keys of the headers
    std::vector<Entry> m_entries;
    int m_unreadableLines = 0;
    int m_firstUnreadableLine = 0;
};

} // namespace posix
