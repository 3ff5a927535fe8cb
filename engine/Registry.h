#pragma once
// Typed access to the registry of this or another computer, root keys named
// by short texts ("HKLM", "HKCU", "HKU", "HKCR", "HKCC").

#include <cstdint>
#include <vector>

#include "CStdStr.h"
#include "platform/RegistryApi.h"

enum RegValueType {
    VALUE_NONE = 0,
    VALUE_DWORD = 1,
    VALUE_STRING = 2,
    VALUE_EXPAND_STRING = 3,
    VALUE_BINARY = 4,
    VALUE_MULTI_STRING = 5
};

struct RegValue {
    int type = VALUE_NONE;
    std::uint32_t number = 0;
    CStdStr text;
    std::vector<CStdStr> list;
};

class Registry {
public:
    Registry();
    explicit Registry(const CStdStr& machine);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    void setMachine(const CStdStr& machine);
    platform::RegKey getRemoteKey(platform::RegKey predefinedRoot);
    // The root's handle, or null. For "HKCR" the handle is opened for the
    // call and the caller closes it (platform::regCloseKey); the others are
    // the object's own.
    platform::RegKey getRootKey(const CStdStr& rootName);
    // An existing key, or null (silently when it does not exist); the caller
    // closes it. Keys are never created.
    platform::RegKey openKey(const CStdStr& rootName, const CStdStr& path, unsigned access);
    bool keyExists(const CStdStr& rootName, const CStdStr& path);
    bool ReadValue(const CStdStr& rootName, const CStdStr& path, const CStdStr& name,
                   RegValue& value);
    CStdStr readValueText(const CStdStr& rootName, const CStdStr& path, const CStdStr& name);
    bool WriteValue(const CStdStr& rootName, const CStdStr& path, const CStdStr& name,
                    const RegValue& value);
    void close();

private:
    platform::RegKey connected(platform::RegKey& cached, platform::RegKey predefinedRoot);

    CStdStr m_machine;
    platform::RegKey m_localMachine = nullptr;
    platform::RegKey m_users = nullptr;
};
