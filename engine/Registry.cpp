#include "Registry.h"

#include <cstdlib>

#include "DebugLog.h"
#include "platform/WinError.h"

namespace {

const char* const kSource = ".\\Registry.cpp";

// Bytes from hexadecimal digit pairs; an odd count gets a "0" appended.
std::string bytesFromHex(CStdStr text) {
    if (text.size() % 2 != 0)
        text += '0';
    std::string bytes;
    for (size_t at = 0; at < text.size(); at += 2) {
        const char pair[3] = {text[at], text[at + 1], '\0'};
        bytes += static_cast<char>(std::strtol(pair, nullptr, 16));
    }
    return bytes;
}

std::string dwordBytes(std::uint32_t number) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>((number >> shift) & 0xFFu);
    return bytes;
}

// The first four bytes, fewer when the data is shorter.
std::uint32_t dwordFrom(const std::string& data) {
    std::uint32_t number = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return number;
}

// The text up to the first NUL, or the whole data when it has none.
CStdStr textFrom(const std::string& data) {
    return CStdStr(data.substr(0, data.find('\0')));
}

void appendTexts(const std::string& data, std::vector<CStdStr>& list) {
    size_t at = 0;
    while (at < data.size()) {
        size_t end = data.find('\0', at);
        if (end == std::string::npos)
            end = data.size();
        if (end > at)
            list.push_back(CStdStr(data.substr(at, end - at)));
        at = end + 1;
    }
}

} // namespace

Registry::Registry() = default;

Registry::Registry(const CStdStr& machine) {
    setMachine(machine);
}

Registry::~Registry() {
    close();
}

void Registry::setMachine(const CStdStr& machine) {
    if (m_machine.EqualsNoCase(machine.c_str()))
        return;
    close();
    m_machine = machine;
    if (m_machine.empty()) {
        m_localMachine = platform::HKEY_LOCAL_MACHINE;
        m_users = platform::HKEY_USERS;
    }
}

platform::RegKey Registry::getRemoteKey(platform::RegKey predefinedRoot) {
    platform::RegKey key = nullptr;
    const int error = platform::regConnect(m_machine, predefinedRoot, key);
    if (error != winerr::SUCCESS) {
        KENDRY_LOG(kSource, "Registry::getRemoteKey", LOG_ERROR,
                   "could not access computer %s (error %d)", m_machine.c_str(), error);
        return nullptr;
    }
    return key;
}

platform::RegKey Registry::connected(platform::RegKey& cached, platform::RegKey predefinedRoot) {
    if (!cached)
        cached = getRemoteKey(predefinedRoot);
    return cached;
}

platform::RegKey Registry::getRootKey(const CStdStr& rootName) {
    const bool local = m_machine.empty();
    if (rootName.EqualsNoCase("HKLM"))
        return connected(m_localMachine, platform::HKEY_LOCAL_MACHINE);
    if (rootName.EqualsNoCase("HKCU"))
        return local ? platform::HKEY_CURRENT_USER : nullptr;
    if (rootName.EqualsNoCase("HKU"))
        return connected(m_users, platform::HKEY_USERS);
    if (rootName.EqualsNoCase("HKCR")) {
        platform::RegKey machine = connected(m_localMachine, platform::HKEY_LOCAL_MACHINE);
        platform::RegKey classes = nullptr;
        if (!machine ||
            platform::regOpenKey(machine, "Software\\Classes", platform::KEY_READ, classes) != 0)
            return nullptr;
        return classes;
    }
    if (rootName.EqualsNoCase("HKCC"))
        return local ? platform::HKEY_CURRENT_CONFIG : nullptr;
    KENDRY_LOG(kSource, "Registry::getRootKey", LOG_ERROR, "invalid root key %s", rootName.c_str());
    return nullptr;
}

platform::RegKey Registry::openKey(const CStdStr& rootName, const CStdStr& path, unsigned access) {
    platform::RegKey root = getRootKey(rootName);
    if (!root)
        return nullptr;
    platform::RegKey key = nullptr;
    const int error = platform::regOpenKey(root, path, access, key);
    if (rootName.EqualsNoCase("HKCR"))
        platform::regCloseKey(root);
    if (error == winerr::SUCCESS)
        return key;
    if (error != winerr::FILE_NOT_FOUND)
        KENDRY_LOG(kSource, "Registry::openKey", LOG_ERROR, "could not open key %s (error code %d)",
                   path.c_str(), error);
    return nullptr;
}

bool Registry::keyExists(const CStdStr& rootName, const CStdStr& path) {
    platform::RegKey key = openKey(rootName, path, platform::KEY_READ);
    if (!key)
        return false;
    platform::regCloseKey(key);
    return true;
}

bool Registry::ReadValue(const CStdStr& rootName, const CStdStr& path, const CStdStr& name,
                         RegValue& value) {
    platform::RegKey key = openKey(rootName, path, platform::KEY_READ);
    if (!key)
        return false;
    unsigned size = 0;
    platform::regQueryValue(key, name, nullptr, nullptr, &size);
    if (size == 0) {
        platform::regCloseKey(key);
        return false;
    }
    std::string data(size, '\0');
    unsigned type = platform::REG_NONE;
    const int code = platform::regQueryValue(key, name, &type, &data[0], &size);
    platform::regCloseKey(key);
    if (code != winerr::SUCCESS) {
        KENDRY_LOG(kSource, "Registry::ReadValue", LOG_ERROR,
                   "could not query value %s.  return code %d", name.c_str(), code);
        return false;
    }
    data.resize(size);
    switch (type) {
    case platform::REG_SZ:
    case platform::REG_EXPAND_SZ:
        value.type = type == platform::REG_SZ ? VALUE_STRING : VALUE_EXPAND_STRING;
        value.text = textFrom(data);
        return true;
    case platform::REG_DWORD:
        value.type = VALUE_DWORD;
        value.number = dwordFrom(data);
        return true;
    case platform::REG_MULTI_SZ:
        value.type = VALUE_MULTI_STRING;
        appendTexts(data, value.list);
        return true;
    default:
        value.type = VALUE_NONE;
        KENDRY_LOG(kSource, "Registry::ReadValue", LOG_INFO,
                   "registry entry %s had unsupported data type %d", name.c_str(),
                   static_cast<int>(type));
        return false;
    }
}

CStdStr Registry::readValueText(const CStdStr& rootName, const CStdStr& path, const CStdStr& name) {
    RegValue value;
    if (!ReadValue(rootName, path, name, value))
        return CStdStr();
    switch (value.type) {
    case VALUE_DWORD:
        return CStdStr::Formatted("%d", static_cast<int>(value.number));
    case VALUE_STRING:
    case VALUE_EXPAND_STRING:
        return value.text;
    case VALUE_MULTI_STRING: {
        CStdStr text;
        for (const CStdStr& element : value.list)
            text += "|" + element;
        return text;
    }
    default:
        return CStdStr();
    }
}

bool Registry::WriteValue(const CStdStr& rootName, const CStdStr& path, const CStdStr& name,
                          const RegValue& value) {
    platform::RegKey key = openKey(rootName, path, platform::KEY_ALL_ACCESS);
    if (!key)
        return false;
    std::string data;
    unsigned type = platform::REG_NONE;
    switch (value.type) {
    case VALUE_DWORD:
        data = dwordBytes(value.number);
        type = platform::REG_DWORD;
        break;
    case VALUE_STRING:
    case VALUE_EXPAND_STRING:
        data.assign(value.text.c_str(), value.text.size() + 1);
        type = value.type == VALUE_STRING ? platform::REG_SZ : platform::REG_EXPAND_SZ;
        break;
    case VALUE_BINARY:
        data = bytesFromHex(value.text);
        type = platform::REG_BINARY;
        break;
    case VALUE_MULTI_STRING:
        KENDRY_LOG(kSource, "Registry::WriteValue", LOG_ERROR,
                   "unsupported registry type Reg_Multi_String");
        platform::regCloseKey(key);
        return false;
    default:
        KENDRY_LOG(kSource, "Registry::WriteValue", LOG_ERROR, "unsupported registry type %d",
                   value.type);
        platform::regCloseKey(key);
        return false;
    }
    const int code =
        platform::regSetValue(key, name, type, data.data(), static_cast<unsigned>(data.size()));
    platform::regCloseKey(key);
    if (code != winerr::SUCCESS) {
        KENDRY_LOG(kSource, "Registry::WriteValue", LOG_ERROR,
                   "RegSetValueEx returned with code %d", code);
        return false;
    }
    return true;
}

void Registry::close() {
    platform::regCloseKey(m_localMachine);
    platform::regCloseKey(m_users);
    m_localMachine = nullptr;
    m_users = nullptr;
}
