#include "OSInfo.h"

#include <climits>
#include <cstdlib>

#include "DebugLog.h"
#include "Registry.h"
#include "platform/Wow64.h"

namespace {

const char* const kSource = ".\\OSInfo.cpp";
const char* const kFunction = "OSInfo::initialize";
const char* const kWindowsKey = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kNtKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

// The C library's atoi, with numbers out of range clamped instead of undefined.
int toInt(const CStdStr& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// The numbers before the first period and between the first and second; a
// missing piece is 0.
void splitVersion(const CStdStr& version, int& major, int& minor) {
    const size_t firstDot = version.find('.');
    major = toInt(version.substr(0, firstDot));
    minor = 0;
    if (firstDot == std::string::npos)
        return;
    const size_t secondDot = version.find('.', firstDot + 1);
    const size_t length =
        secondDot == std::string::npos ? std::string::npos : secondDot - firstDot - 1;
    minor = toInt(version.substr(firstDot + 1, length));
}

CStdStr readMachineText(Registry& registry, const char* key, const char* name) {
    return registry.readValueText("HKLM", key, name);
}

bool productNameContains(Registry& registry, const char* text) {
    return readMachineText(registry, kNtKey, "ProductName").find(text) != std::string::npos;
}

} // namespace

OSInfo::OSInfo() {
    initialize();
}

void OSInfo::initialize() {
    m_code = -1;
    m_servicePack = 0;
    m_wow64 = false;
    m_major = 0;
    m_minor = 0;
    Registry registry;
    int major = 0;
    int minor = 0;
    const CStdStr version9x = readMachineText(registry, kWindowsKey, "VersionNumber");
    if (!version9x.empty()) {
        splitVersion(version9x, major, minor);
        detect9x(registry, major, minor);
    } else {
        const CStdStr versionNt = readMachineText(registry, kNtKey, "CurrentVersion");
        if (versionNt.empty()) {
            KENDRY_LOG(kSource, kFunction, LOG_ERROR,
                       "OSInfo::initialize: could not locate version info in the registry!");
            return;
        }
        splitVersion(versionNt, major, minor);
        detectNt(registry, major, minor);
    }
    m_major = major;
    m_minor = minor;
}

void OSInfo::detect9x(Registry& registry, int major, int minor) {
    if (major != 4) {
        KENDRY_LOG(kSource, kFunction, LOG_ERROR, "invalid 9X version (major: %d, minor: %d)",
                   major, minor);
        return;
    }
    if (minor >= 90) {
        m_code = 3;
    } else if (minor < 10) {
        m_code = 0;
    } else {
        m_code = 1;
        CStdStr subVersion = readMachineText(registry, kWindowsKey, "SubVersionNumber");
        if (subVersion.Trim().EqualsNoCase("A"))
            m_code = 2;
    }
}

void OSInfo::detectNt(Registry& registry, int major, int minor) {
    switch (major) {
    case 4:
        m_code = 4;
        break;
    case 5:
        if (minor == 0)
            m_code = 5;
        else if (minor == 1)
            m_code = 7;
        else if (minor == 2)
            m_code = productNameContains(registry, "2003") ? 6 : 7;
        m_wow64 = isWow64Process();
        break;
    case 6:
        m_code = productNameContains(registry, "2008") ? 10 : 9;
        m_wow64 = isWow64Process();
        break;
    case 7:
        m_code = 11;
        m_wow64 = isWow64Process();
        break;
    default:
        KENDRY_LOG(kSource, kFunction, LOG_ERROR, "invalid NT version (major: %d, minor: %d", major,
                   minor);
        return;
    }
    readServicePack(readMachineText(registry, kNtKey, "CSDVersion"));
}

// "Service Pack 1, v.1055" gives 1: the number after the last blank before
// the first comma.
void OSInfo::readServicePack(const CStdStr& csdVersion) {
    if (csdVersion.empty())
        return;
    const CStdStr beforeComma = csdVersion.substr(0, csdVersion.find(','));
    const size_t lastBlank = beforeComma.rfind(' ');
    m_servicePack = toInt(
        lastBlank == std::string::npos ? beforeComma : CStdStr(beforeComma.substr(lastBlank + 1)));
}

bool OSInfo::is9xFamily() const {
    return m_code >= 0 && m_code <= 3;
}

bool OSInfo::isNtFamily() const {
    return (m_code >= 4 && m_code <= 7) || (m_code >= 9 && m_code <= 11);
}

bool OSInfo::is2000OrLater() const {
    return (m_code >= 5 && m_code <= 7) || (m_code >= 9 && m_code <= 11);
}

// WOW64 tells a 32-bit build that the system is 64-bit; a 64-bit build is
// never under WOW64 and can only run on a 64-bit system.
bool OSInfo::is64Bit() const {
    return m_code == 8 || m_wow64 || (sizeof(void*) == 8 && is2000OrLater());
}

bool isWow64Process() {
    return platform::isWow64Process();
}
