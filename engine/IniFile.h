#pragma once
// The in-memory model of an INI-style text file: read once, whole, and
// answered from memory. Nothing is ever written back.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "CStdStr.h"

// The prefix of the names generated for keyless lines.
extern const CStdStr AUTO_KEY_PREFIX;

// Case-ignoring order of names: ASCII letters lowered, bytes compared unsigned.
// Comparing in place keeps lookups free of lowered copies.
struct NoCaseLess {
    using is_transparent = void;
    static unsigned char lower(char ch) {
        const unsigned char byte = static_cast<unsigned char>(ch);
        return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
    }
    bool operator()(std::string_view a, std::string_view b) const {
        const size_t common = a.size() < b.size() ? a.size() : b.size();
        size_t i = 0;
        // Names in one section share long prefixes; equal bytes are equal
        // ignoring case too, so they are skipped eight at a time.
        for (; i + 8 <= common; i += 8) {
            std::uint64_t wordA;
            std::uint64_t wordB;
            std::memcpy(&wordA, a.data() + i, 8);
            std::memcpy(&wordB, b.data() + i, 8);
            if (wordA != wordB)
                break;
        }
        for (; i < common; ++i) {
            if (a[i] == b[i])
                continue;
            const unsigned char ca = lower(a[i]);
            const unsigned char cb = lower(b[i]);
            if (ca != cb)
                return ca < cb;
        }
        return a.size() < b.size();
    }
};

// Splits "name=value" at the first "="; false for a line that starts with "=".
bool splitNameValue(const CStdStr& line, CStdStr& name, CStdStr& value);
// Trims the value and removes one pair of double quotes that encloses all of it.
void unquoteValue(CStdStr& value);

class IniSection {
public:
    explicit IniSection(const CStdStr& name);
    virtual ~IniSection() = default;
    IniSection(const IniSection&) = delete;
    IniSection& operator=(const IniSection&) = delete;

    // The last value assigned to the name (case ignored); value untouched when absent.
    virtual bool GetValue(const CStdStr& name, CStdStr& value) const;
    // The distinct name at the plain cursor (first spelling) with its last value.
    virtual bool GetCurrentValue(CStdStr& name, CStdStr& value) const;
    // The assignment at the assignment cursor, as it was given.
    virtual bool GetCurrentValueWithDups(CStdStr& name, CStdStr& value) const;

    void SetValue(const CStdStr& name, const CStdStr& value);
    // Resets the plain cursor only; true when the section has entries.
    bool Rewind();
    // Advances both cursors.
    void Next();

    const CStdStr& GetName() const { return m_name; }
    int GetCount() const { return static_cast<int>(m_entries.size()); }

private:
    struct Assignment {
        CStdStr name;
        CStdStr value;
    };
    // Keyed by the first spelling; a node holds its key inline, so a lookup
    // touches one place per step of the tree.
    using Index = std::map<CStdStr, size_t, NoCaseLess>;
    // A distinct name: its first spelling (the index key, which never moves)
    // and its last assignment, which holds the current value.
    struct Entry {
        const CStdStr* name;
        size_t last;
    };

    CStdStr m_name;
    int m_plainCursor = 0;
    int m_assignmentCursor = 0;
    std::vector<Entry> m_entries;
    std::vector<Assignment> m_assignments;
    Index m_index;
};

class IniFile {
public:
    explicit IniFile(bool allowKeylessLines = false);
    IniFile(const CStdStr& path, bool allowKeylessLines = false);
    // Without it a literal path would pick the bool constructor.
    IniFile(const char* path, bool allowKeylessLines = false);
    virtual ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Adds the file's sections and entries to the model; false only when the
    // file cannot be opened.
    bool Read(const CStdStr& path, bool append);
    // Empty when the section or the name is absent.
    CStdStr GetValue(const CStdStr& section, const CStdStr& name) const;
    IniSection* FindSection(const CStdStr& name) const;
    virtual IniSection* GetOrAddSection(const CStdStr& name);
    // Takes ownership; null is refused.
    void AddSection(IniSection* section);
    void Clear();

    static CStdStr MakeAutoKey(int number);

    const CStdStr& GetFileName() const { return m_fileName; }
    void SetFileName(const CStdStr& path) { m_fileName = path; }
    int GetEncoding() const { return m_encoding; }
    int GetSectionCount() const { return static_cast<int>(m_sections.size()); }
    IniSection* GetSection(int index) const;

private:
    struct ReadState;
    void readLine(ReadState& state, CStdStr& line);
    void readHeader(ReadState& state, const CStdStr& line);
    void readEntry(ReadState& state, const CStdStr& line);
    CStdStr autoKeyInAppend(IniSection& section, const CStdStr& value);
    static int freeAutoKeyNumber(const IniSection& section, int number);

    CStdStr m_fileName;
    std::vector<std::unique_ptr<IniSection>> m_sections;
    // First section of each name, so that a header costs no scan of the list.
    std::map<std::string_view, IniSection*, NoCaseLess> m_sectionIndex;
    int m_encoding = 1;
    bool m_allowKeylessLines;
    int m_autoKeyCounter = 0;
};
