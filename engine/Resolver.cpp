#include "Resolver.h"

#include <climits>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "DebugLog.h"
#include "NlsFile.h"
#include "OSInfo.h"
#include "Registry.h"
#include "SourceSearch.h"
#include "SystemPath.h"
#include "platform/Drives.h"
#include "platform/Locale.h"
#include "platform/Machine.h"

const CStdStr VAR_WINDOWS_DRIVE("WINDOWS_DRIVE");
const CStdStr VAR_WINDOWS_DIR("WINDOWS_DIR");
const CStdStr VAR_SYSTEM_DIR("SYSTEM_DIR");
const CStdStr VAR_PROGRAMFILES_DIR("PROGRAMFILES_DIR");
const CStdStr VAR_CURRENTUSER_DOCUMENTS_DIR("CURRENTUSER_DOCUMENTS_DIR");
const CStdStr VAR_SYSTEMFONTS_DIR("SYSTEMFONTS_DIR");
const CStdStr VAR_TEMP_DIR("TEMP_DIR");
const CStdStr VAR_CD_ROOT_DIR("CD_ROOT_DIR");
const CStdStr VAR_SENDTO_DIR("SENDTO_DIR");
const CStdStr VAR_CURRENTUSER_DESKTOP_DIR("CURRENTUSER_DESKTOP_DIR");
const CStdStr VAR_ALLUSERS_DESKTOP_DIR("ALLUSERS_DESKTOP_DIR");
const CStdStr VAR_DRIVER_DIR("DRIVER_DIR");
const CStdStr VAR_DRIVER_MULTI_OS_DIR("DRIVER_MULTI_OS_DIR");
const CStdStr VAR_COMMONFILES_DIR("COMMONFILES_DIR");
const CStdStr VAR_LANGUAGE("LANGUAGE");
const CStdStr VAR_CODEPAGE("CODEPAGE");
const CStdStr VAR_OS_LANG("OS_LANG");
const CStdStr VAR_IS_OS_NT("IS_OS_NT");
const CStdStr VAR_OS_CODEPAGE("OS_CODEPAGE");
const CStdStr VAR_OS_ISOLANG("OS_ISOLANG");
const CStdStr VAR_OS_ARCH("OS_ARCH");
const CStdStr VAR_COMPUTER_NAME("COMPUTER_NAME");
const CStdStr VAR_HEX_LANG("HEX_LANG");
const CStdStr VAR_VTL_LANG_CODE("VTL_LANG_CODE");
const CStdStr VAR_COMMONAPPDATA_DIR("COMMONAPPDATA_DIR");
const CStdStr VAR_USERNAME("USERNAME");
const CStdStr VAR_SYSTEM_CPU("SYSTEM_CPU");
const CStdStr VAR_SYSTEM_MEMORY("SYSTEM_MEMORY");
const CStdStr VAR_SYSTEM_SPACE("SYSTEM_SPACE");
const CStdStr VAR_DRIVER_CAB("DRIVER_CAB");
const CStdStr VAR_CURRENT_DATE("CURRENT_DATE");
const CStdStr VAR_GUESSED_ROOT_DIR("GUESSED_ROOT_DIR");

namespace {

// Bytes an expansion may scan and build before it stops: far beyond any real
// text, small enough that a text built to explode ends in a blink.
constexpr size_t kTextWorkBudget = size_t(64) << 20;
constexpr size_t kSystemWorkBudget = size_t(64) << 20;

const char* const kProcessorKey = "Hardware\\Description\\System\\CentralProcessor\\0";
const char* const kProcessorClockValue = "~MHz";
const char* const kDateFormat = "%m%d%Y";

int g_cpuSpeedMHz = -1;
int g_physicalMemoryMB = -1;

bool containsName(const std::vector<CStdStr>& names, const CStdStr& name) {
    for (const CStdStr& entry : names) {
        if (entry.EqualsNoCase(name.c_str()))
            return true;
    }
    return false;
}

// Text expansions nest through NlsFile::GetText, which carries no context,
// so their bookkeeping is process-wide.
struct TextExpansionState {
    int depth = 0;
    // Nesting or work ran out: every further reference stays as written
    // until the outermost expansion ends.
    bool exhausted = false;
    size_t work = 0;
    // Texts being expanded: a reference back to one of them stays.
    std::vector<CStdStr> active;
    // What the expansion that finished last left as written because it was
    // active. The caller expands the value once more (its text came back
    // expanded already), and those references must survive that pass too.
    std::vector<CStdStr> reported;
};

TextExpansionState& textState() {
    static TextExpansionState state;
    return state;
}

std::vector<CStdStr> takeReported() {
    std::vector<CStdStr> names;
    names.swap(textState().reported);
    return names;
}

CStdStr expandSystem(CStdStr text);

class ExpansionFrame {
public:
    ExpansionFrame() : m_state(textState()) {
        if (++m_state.depth > MAX_TEXT_NESTING)
            m_state.exhausted = true;
    }
    ~ExpansionFrame() {
        m_state.reported = std::move(m_left);
        if (--m_state.depth == 0) {
            m_state.exhausted = false;
            m_state.work = 0;
            m_state.reported.clear();
        }
    }
    ExpansionFrame(const ExpansionFrame&) = delete;
    ExpansionFrame& operator=(const ExpansionFrame&) = delete;

    bool exhausted() const { return m_state.exhausted; }
    bool isActive(const CStdStr& name) const { return containsName(m_state.active, name); }

    void leave(const CStdStr& name) {
        if (!containsName(m_left, name))
            m_left.push_back(name);
    }
    void leave(const std::vector<CStdStr>& names) {
        for (const CStdStr& name : names)
            leave(name);
    }

    // The resolver's text for name, expanded once more as the resolver's
    // contract asks, with name and what its text left marked as active.
    CStdStr resolve(const CStdStr& name, Resolver& resolver) {
        TextExpansionGuard resolving(name);
        m_state.reported.clear();
        CStdStr value = resolver.Resolve(name);
        if (value.empty())
            return value;
        const std::vector<CStdStr> inner = takeReported();
        leave(inner);
        for (const CStdStr& left : inner)
            m_state.active.push_back(left);
        value = ExpandVariables(value, resolver);
        m_state.active.resize(m_state.active.size() - inner.size());
        leave(takeReported());
        return value;
    }

    // Every "%name%" in result becomes value, the search resuming after each
    // inserted value; false, leaving result alone, when that costs too much.
    bool replaceAll(CStdStr& result, const CStdStr& name, const CStdStr& value) {
        const CStdStr pattern = "%" + name + "%";
        if (!spend(result.size()))
            return false;
        size_t count = 0;
        for (size_t at = result.find(pattern); at != std::string::npos;
             at = result.find(pattern, at + pattern.size()))
            ++count;
        if (count == 0)
            return true;
        const size_t built = result.size() - count * pattern.size() + count * value.size();
        if (!spend(built))
            return false;
        CStdStr replaced;
        replaced.reserve(built);
        size_t from = 0;
        for (size_t at = result.find(pattern); at != std::string::npos;
             at = result.find(pattern, from)) {
            replaced.append(result, from, at - from);
            replaced += value;
            from = at + pattern.size();
        }
        replaced.append(result, from, std::string::npos);
        result.swap(replaced);
        return true;
    }

    // A name whose references this expansion has replaced already: they are
    // gone from the result, so looking again would only cost.
    bool isReplaced(const CStdStr& name) const { return m_replaced.count(name) != 0; }
    void markReplaced(const CStdStr& name) { m_replaced.insert(name); }

    // Counts bytes copied or scanned; false, and every further reference
    // stays as written, once the budget is spent.
    bool spend(size_t bytes) {
        if (bytes > kTextWorkBudget - m_state.work) {
            m_state.exhausted = true;
            return false;
        }
        m_state.work += bytes;
        return true;
    }

private:
    TextExpansionState& m_state;
    std::vector<CStdStr> m_left;
    std::set<std::string> m_replaced;
};

// Variables whose value is being computed: a value can reach the resolver
// again (the guessed source reads product.ini, which asks for a text).
std::vector<CStdStr>& variablesInProgress() {
    static std::vector<CStdStr> names;
    return names;
}

// A value inserted into the text being scanned: the variable's name and the
// number of characters after the value, which later replacements, all made
// at or after the scan point, leave unchanged while the value is open.
struct Insertion {
    CStdStr name;
    size_t tail;
};

// Drops the insertions that end at or before position.
void closeInsertions(std::vector<Insertion>& open, size_t size, size_t position) {
    while (!open.empty() && size - open.back().tail <= position)
        open.pop_back();
}

bool isInserting(const std::vector<Insertion>& open, const CStdStr& name) {
    for (const Insertion& insertion : open) {
        if (insertion.name.EqualsNoCase(name.c_str()))
            return true;
    }
    return containsName(variablesInProgress(), name);
}

CStdStr computeVariable(const CStdStr& name) {
    std::vector<CStdStr>& computing = variablesInProgress();
    computing.push_back(name);
    CStdStr value = GetSystemVariable(name);
    computing.pop_back();
    return value;
}

CStdStr folderOf(int code, bool allUsers) {
    return SystemPath(code, allUsers).getDirectory();
}

CStdStr number(int value) {
    return CStdStr::Formatted("%d", value);
}

CStdStr computerNameLowered() {
    CStdStr name;
    if (!platform::computerName(name))
        return CStdStr();
    return name.MakeLower();
}

CStdStr currentUserName() {
    CStdStr name;
    return platform::userName(name) ? name : CStdStr();
}

// A 32-bit program learns that from WOW64; a 64-bit one runs only there.
bool is64BitSystem() {
    return sizeof(void*) == 8 || isWow64Process();
}

struct SystemVariable {
    const CStdStr* name;
    CStdStr (*value)();
};

const SystemVariable kSystemVariables[] = {
    {&VAR_WINDOWS_DRIVE, [] { return folderOf(21, true); }},
    {&VAR_WINDOWS_DIR, [] { return folderOf(23, true); }},
    {&VAR_SYSTEM_DIR, [] { return folderOf(19, true); }},
    {&VAR_PROGRAMFILES_DIR, [] { return folderOf(14, true); }},
    {&VAR_CURRENTUSER_DOCUMENTS_DIR, [] { return folderOf(29, true); }},
    {&VAR_SYSTEMFONTS_DIR, [] { return folderOf(9, true); }},
    {&VAR_TEMP_DIR, [] { return folderOf(22, true); }},
    {&VAR_CD_ROOT_DIR, [] { return folderOf(0, true); }},
    {&VAR_SENDTO_DIR, [] { return folderOf(15, true); }},
    {&VAR_CURRENTUSER_DESKTOP_DIR, [] { return folderOf(3, false); }},
    {&VAR_ALLUSERS_DESKTOP_DIR, [] { return folderOf(3, true); }},
    {&VAR_DRIVER_DIR, [] { return folderOf(11, true); }},
    {&VAR_DRIVER_MULTI_OS_DIR, [] { return folderOf(12, true); }},
    {&VAR_COMMONFILES_DIR, [] { return folderOf(1, true); }},
    {&VAR_LANGUAGE, [] { return NlsFile::GetCurrentLanguage(); }},
    {&VAR_CODEPAGE,
     [] { return GetLanguageInfo(NlsFile::GetCurrentLanguage(), LANGUAGE_COLUMN_CODEPAGE); }},
    {&VAR_OS_LANG, [] { return GetSystemLocaleName(); }},
    {&VAR_IS_OS_NT, [] { return CStdStr(OSInfo().getCode() == 4 ? "TRUE" : "FALSE"); }},
    {&VAR_OS_CODEPAGE,
     [] { return GetLanguageInfo(GetSystemLocaleName(), LANGUAGE_COLUMN_CODEPAGE); }},
    {&VAR_OS_ISOLANG, [] { return GetSystemLocaleName(); }},
    {&VAR_OS_ARCH, [] { return CStdStr(is64BitSystem() ? "x64" : "x86"); }},
    {&VAR_COMPUTER_NAME, computerNameLowered},
    {&VAR_HEX_LANG, [] { return CStdStr::Formatted("0x%x", platform::userDefaultLangId()); }},
    {&VAR_VTL_LANG_CODE, [] { return number(GetUserLanguageNumber()); }},
    {&VAR_COMMONAPPDATA_DIR, [] { return folderOf(27, true); }},
    {&VAR_USERNAME, currentUserName},
    {&VAR_SYSTEM_CPU, [] { return number(GetCpuSpeedMHz()); }},
    {&VAR_SYSTEM_MEMORY, [] { return number(GetPhysicalMemoryMB()); }},
    {&VAR_SYSTEM_SPACE, [] { return number(GetFreeDiskSpaceMB(folderOf(21, true).c_str())); }},
    {&VAR_DRIVER_CAB, [] { return SystemPath(4, true).getFullPath(); }},
    {&VAR_CURRENT_DATE, [] { return formatCurrentTime(kDateFormat); }},
    {&VAR_GUESSED_ROOT_DIR, [] { return guessRootDir(CStdStr(), CStdStr()); }},
};

int clampToInt(std::uint64_t value) {
    return value > std::uint64_t(INT_MAX) ? INT_MAX : int(value);
}

} // namespace

CStdStr Resolver::Resolve(const CStdStr& name) {
    return NlsFile::GetText(name);
}

TextExpansionGuard::TextExpansionGuard(const CStdStr& name) {
    textState().active.push_back(name);
}

TextExpansionGuard::~TextExpansionGuard() {
    textState().active.pop_back();
}

CStdStr ExpandVariables(const CStdStr& text, Resolver& resolver) {
    ExpansionFrame frame;
    if (frame.exhausted() || !frame.spend(text.size()))
        return text;
    CStdStr result = text;
    size_t position = 0;
    while (!frame.exhausted()) {
        const size_t open = text.find('%', position);
        if (open == std::string::npos)
            break;
        const size_t close = text.find('%', open + 1);
        if (close == std::string::npos)
            break;
        position = close + 1;
        const CStdStr name = text.substr(open + 1, close - open - 1);
        if (frame.isReplaced(name))
            continue;
        if (frame.isActive(name)) {
            frame.leave(name);
            continue;
        }
        const CStdStr value = frame.resolve(name, resolver);
        if (frame.exhausted())
            break;
        if (!value.empty() && frame.replaceAll(result, name, value))
            frame.markReplaced(name);
    }
    if (frame.exhausted() || !frame.spend(result.size()))
        return result;
    return expandSystem(std::move(result));
}

CStdStr ExpandTextVariables(const CStdStr& text) {
    Resolver resolver;
    return ExpandVariables(text, resolver);
}

CStdStr ExpandSystemVariables(const CStdStr& text) {
    return expandSystem(text);
}

namespace {

CStdStr expandSystem(CStdStr result) {
    std::vector<Insertion> open;
    size_t from = 0;
    size_t work = 0;
    for (;;) {
        const size_t first = result.find('$', from);
        if (first == std::string::npos)
            break;
        const size_t second = result.find('$', first + 1);
        if (second == std::string::npos)
            break;
        closeInsertions(open, result.size(), first);
        const CStdStr name = result.substr(first + 1, second - first - 1);
        if (isInserting(open, name)) {
            from = second + 1;
            continue;
        }
        const CStdStr value = computeVariable(name);
        work += result.size() + value.size();
        if (work > kSystemWorkBudget)
            break;
        closeInsertions(open, result.size(), second);
        // The text before the first "$", the value and the text after the second.
        result.replace(first, second - first + 1, value);
        open.push_back(Insertion{name, result.size() - (first + value.size())});
        from = first;
    }
    return result;
}

} // namespace

CStdStr GetSystemVariable(const CStdStr& name) {
    for (const SystemVariable& variable : kSystemVariables) {
        if (name.EqualsNoCase(variable.name->c_str()))
            return variable.value();
    }
    return CStdStr();
}

int GetCpuSpeedMHz() {
    if (g_cpuSpeedMHz != -1)
        return g_cpuSpeedMHz;
    int megahertz = 0;
    if (platform::processorMaxClockMHz(megahertz))
        g_cpuSpeedMHz = megahertz;
    if (g_cpuSpeedMHz == 0) {
        Registry registry;
        RegValue value;
        if (registry.ReadValue("HKLM", kProcessorKey, kProcessorClockValue, value) &&
            value.type == VALUE_DWORD)
            g_cpuSpeedMHz = clampToInt(value.number);
    }
    return g_cpuSpeedMHz;
}

int GetPhysicalMemoryMB() {
    if (g_physicalMemoryMB == -1)
        g_physicalMemoryMB = clampToInt(platform::physicalMemoryBytes() >> 20);
    return g_physicalMemoryMB;
}

int GetFreeDiskSpaceMB(const char* folder) {
    std::uint64_t bytes = 0;
    if (!folder || !platform::freeDiskSpace(folder, bytes))
        return 0;
    return clampToInt(bytes / 1048576);
}
