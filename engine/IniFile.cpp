#include "IniFile.h"

#include <string>

#include "DebugLog.h"
#include "TextFile.h"

namespace {

const char* const kSource = ".\\IniFile.cpp";
const char* const kAutoKeyPrefix = "KEY#";

// The leading decimal digits of the text as a number (0 when there are none).
unsigned long leadingNumber(const CStdStr& text) {
    unsigned long number = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9')
            break;
        number = number * 10 + static_cast<unsigned long>(ch - '0');
    }
    return number;
}

} // namespace

const CStdStr AUTO_KEY_PREFIX(kAutoKeyPrefix);

bool splitNameValue(const CStdStr& line, CStdStr& name, CStdStr& value) {
    const size_t equals = line.find('=');
    bool parsed = true;
    if (equals == std::string::npos) {
        name = line;
        value.clear();
    } else if (equals == 0) {
        name.clear();
        value.clear();
        parsed = false;
    } else {
        name.assign(line, 0, equals);
        value.assign(line, equals + 1, std::string::npos);
    }
    name.TrimRight();
    unquoteValue(value);
    return parsed;
}

void unquoteValue(CStdStr& value) {
    value.Trim();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value.pop_back();
        value.erase(0, 1);
    }
}

// --- IniSection ---

IniSection::IniSection(const CStdStr& name) : m_name(name) {}

bool IniSection::GetValue(const CStdStr& name, CStdStr& value) const {
    const auto found = m_index.find(std::string_view(name));
    if (found == m_index.end())
        return false;
    value = m_assignments[m_entries[found->second].last].value;
    return true;
}

bool IniSection::GetCurrentValue(CStdStr& name, CStdStr& value) const {
    if (m_plainCursor < 0 || static_cast<size_t>(m_plainCursor) >= m_entries.size())
        return false;
    const Entry& entry = m_entries[static_cast<size_t>(m_plainCursor)];
    name = *entry.name;
    value = m_assignments[entry.last].value;
    return true;
}

bool IniSection::GetCurrentValueWithDups(CStdStr& name, CStdStr& value) const {
    if (m_assignmentCursor < 0 || static_cast<size_t>(m_assignmentCursor) >= m_assignments.size())
        return false;
    const Assignment& assignment = m_assignments[static_cast<size_t>(m_assignmentCursor)];
    name = assignment.name;
    value = assignment.value;
    return true;
}

void IniSection::SetValue(const CStdStr& name, const CStdStr& value) {
    const size_t number = m_assignments.size();
    m_assignments.push_back(Assignment{name, value});
    const auto slot = m_index.lower_bound(std::string_view(name));
    if (slot != m_index.end() && !m_index.key_comp()(name, slot->first)) {
        m_entries[slot->second].last = number;
        return;
    }
    const auto added = m_index.emplace_hint(slot, name, m_entries.size());
    m_entries.push_back(Entry{&added->first, number});
}

bool IniSection::Rewind() {
    m_plainCursor = 0;
    return !m_entries.empty();
}

void IniSection::Next() {
    ++m_plainCursor;
    ++m_assignmentCursor;
}

// --- IniFile ---

struct IniFile::ReadState {
    ReadState(const CStdStr& readPath, bool appending) : path(readPath), append(appending) {}

    const CStdStr& path;
    bool append;
    int lineNumber = 0;
    IniSection* current = nullptr;
    // Reused from line to line so that their buffers are allocated once.
    CStdStr sectionName;
    CStdStr name;
    CStdStr value;
};

IniFile::IniFile(bool allowKeylessLines) : m_allowKeylessLines(allowKeylessLines) {}

IniFile::IniFile(const CStdStr& path, bool allowKeylessLines)
    : m_fileName(path), m_allowKeylessLines(allowKeylessLines) {
    Read(path, false);
}

IniFile::IniFile(const char* path, bool allowKeylessLines)
    : IniFile(CStdStr(path), allowKeylessLines) {}

IniFile::~IniFile() {
    Clear();
}

CStdStr IniFile::MakeAutoKey(int number) {
    return CStdStr::Formatted("%s%03d", kAutoKeyPrefix, number);
}

bool IniFile::Read(const CStdStr& path, bool append) {
    TextFile file;
    if (!file.Open(path, MODE_READ, ENCODING_DETECT)) {
        KENDRY_LOG(kSource, "IniFile::Read", LOG_ERROR, "%s could not be opened for read.",
                   path.c_str());
        return false;
    }
    ReadState state(path, append);
    CStdStr line;
    while (file.ReadString(line)) {
        ++state.lineNumber;
        readLine(state, line);
    }
    m_encoding = file.GetEncoding();
    file.Close();
    return true;
}

void IniFile::readLine(ReadState& state, CStdStr& line) {
    line.Trim();
    if (line.empty() || line[0] == '#' || line[0] == ';')
        return;
    if (line.front() == '[' && line.back() == ']') {
        readHeader(state, line);
    } else if (!state.current) {
        KENDRY_LOG(kSource, "IniFile::Read", LOG_ERROR,
                   "IniFile::Read %s [line %d]: Data found that does not belong to any section",
                   state.path.c_str(), state.lineNumber);
    } else {
        readEntry(state, line);
    }
}

void IniFile::readHeader(ReadState& state, const CStdStr& line) {
    state.sectionName.assign(line, 1, line.size() - 2);
    state.sectionName.Trim();
    if (state.sectionName.empty()) {
        KENDRY_LOG(kSource, "IniFile::Read", LOG_ERROR, "IniFile::Read %s [line %d]: Empty section",
                   state.path.c_str(), state.lineNumber);
        return;
    }
    state.current = GetOrAddSection(state.sectionName);
    m_autoKeyCounter = 0;
}

void IniFile::readEntry(ReadState& state, const CStdStr& line) {
    if (!splitNameValue(line, state.name, state.value)) {
        KENDRY_LOG(kSource, "IniFile::Read", LOG_ERROR,
                   "IniFile::Read %s [line %d]: Could not parse name=value line",
                   state.path.c_str(), state.lineNumber);
        return;
    }
    if (state.value.empty() && m_allowKeylessLines) {
        state.value = state.name;
        if (state.append) {
            state.name = autoKeyInAppend(*state.current, state.value);
        } else {
            m_autoKeyCounter = freeAutoKeyNumber(*state.current, m_autoKeyCounter + 1);
            state.name = MakeAutoKey(m_autoKeyCounter);
        }
    }
    state.current->SetValue(state.name, state.value);
}

// Reuses the generated name that already holds the value, or continues the
// numbering after the last generated name of the section.
CStdStr IniFile::autoKeyInAppend(IniSection& section, const CStdStr& value) {
    unsigned long lastNumber = 0;
    CStdStr reused;
    CStdStr name;
    CStdStr entryValue;
    for (section.Rewind(); section.GetCurrentValue(name, entryValue); section.Next()) {
        if (name.find(kAutoKeyPrefix) == std::string::npos)
            continue;
        lastNumber = leadingNumber(name.Right(3));
        if (reused.empty() && entryValue.EqualsNoCase(value.c_str()))
            reused = name;
    }
    if (!reused.empty())
        return reused;
    return MakeAutoKey(freeAutoKeyNumber(section, static_cast<int>(lastNumber + 1)));
}

// The counter restarts at every header, and the numbering in append mode
// follows the last generated name rather than the largest: both can arrive at
// a name already taken, whose value would be lost.
int IniFile::freeAutoKeyNumber(const IniSection& section, int number) {
    CStdStr ignored;
    while (section.GetValue(MakeAutoKey(number), ignored))
        ++number;
    return number;
}

CStdStr IniFile::GetValue(const CStdStr& section, const CStdStr& name) const {
    CStdStr value;
    if (const IniSection* found = FindSection(section))
        found->GetValue(name, value);
    return value;
}

IniSection* IniFile::FindSection(const CStdStr& name) const {
    const auto found = m_sectionIndex.find(std::string_view(name));
    return found == m_sectionIndex.end() ? nullptr : found->second;
}

IniSection* IniFile::GetOrAddSection(const CStdStr& name) {
    if (IniSection* found = FindSection(name))
        return found;
    IniSection* section = new IniSection(name);
    AddSection(section);
    return section;
}

void IniFile::AddSection(IniSection* section) {
    if (!section) {
        KENDRY_LOG(kSource, "IniFile::AddSection", LOG_ERROR, "attempted to add a NULL section!");
        return;
    }
    m_sections.emplace_back(section);
    // emplace keeps an earlier section of the same name: lookups find the first.
    m_sectionIndex.emplace(std::string_view(section->GetName()), section);
}

void IniFile::Clear() {
    m_sectionIndex.clear();
    m_sections.clear();
}

IniSection* IniFile::GetSection(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_sections.size())
        return nullptr;
    return m_sections[static_cast<size_t>(index)].get();
}
