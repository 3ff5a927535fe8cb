#include "../RegistryApi.h"

#include <cstring>

#include "../CodePage.h"
#include "../WinError.h"
#include "RegistryStore.h"

namespace platform {

struct RegKeyObject {
    posix::RegRoot root;
    bool predefined;
};

namespace {

struct OpenedKey : RegKeyObject {
    std::u16string path; // below the root
    unsigned access;
};

// Plain aggregates, so the roots are ready before any dynamic initialisation
// (the debug logger reads the registry while it is constructed).
RegKeyObject s_localMachine{posix::RegRoot::LocalMachine, true};
RegKeyObject s_currentUser{posix::RegRoot::CurrentUser, true};
RegKeyObject s_users{posix::RegRoot::Users, true};
RegKeyObject s_currentConfig{posix::RegRoot::CurrentConfig, true};

const std::u16string& pathOf(RegKey key) {
    static const std::u16string root;
    return key->predefined ? root : static_cast<const OpenedKey*>(key)->path;
}

// A predefined root carries every right; an opened key the rights it asked for.
bool allows(RegKey key, unsigned right) {
    return key->predefined || (static_cast<const OpenedKey*>(key)->access & right) != 0;
}

// A name as the ANSI calls take it: up to its first NUL.
std::u16string wideName(const CStdStr& name) {
    return ansiToWide(CStdStr(name.c_str()));
}

} // namespace

RegKey const HKEY_LOCAL_MACHINE = &s_localMachine;
RegKey const HKEY_CURRENT_USER = &s_currentUser;
RegKey const HKEY_USERS = &s_users;
RegKey const HKEY_CURRENT_CONFIG = &s_currentConfig;

int regConnect(const CStdStr& machine, RegKey predefinedRoot, RegKey& result) {
    result = nullptr;
    if (!predefinedRoot || !predefinedRoot->predefined)
        return winerr::INVALID_HANDLE;
    // This platform reaches no other computer's registry: answer as Windows
    // does for a computer that cannot be found.
    if (!machine.empty())
        return winerr::BAD_NETPATH;
    result = predefinedRoot;
    return winerr::SUCCESS;
}

int regOpenKey(RegKey key, const CStdStr& path, unsigned access, RegKey& result) {
    result = nullptr;
    if (!key)
        return winerr::INVALID_HANDLE;
    const std::u16string full = pathOf(key) + u"\\" + wideName(path);
    const posix::RegistryStore store(key->root);
    if (const int error = store.keyExists(full))
        return error;
    if ((access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0) {
        if (const int error = store.canWrite())
            return error;
    }
    result = new OpenedKey{{key->root, false}, full, access};
    return winerr::SUCCESS;
}

int regQueryValue(RegKey key, const CStdStr& name, unsigned* type, void* data, unsigned* size) {
    if (!key)
        return winerr::INVALID_HANDLE;
    if (!allows(key, KEY_QUERY_VALUE))
        return winerr::ACCESS_DENIED;
    if (data && !size)
        return winerr::INVALID_PARAMETER;
    posix::RegData value;
    if (const int error =
            posix::RegistryStore(key->root).queryValue(pathOf(key), wideName(name), value))
        return error;
    const std::string bytes = posix::dataToAnsi(value.type, value.bytes);
    if (bytes.size() > 0xFFFFFFFFu)
        return winerr::NOT_ENOUGH_MEMORY;
    const unsigned needed = static_cast<unsigned>(bytes.size());
    if (type)
        *type = value.type;
    if (data && *size < needed) {
        *size = needed;
        return winerr::MORE_DATA;
    }
    if (data && needed > 0)
        std::memcpy(data, bytes.data(), needed);
    if (size)
        *size = needed;
    return winerr::SUCCESS;
}

int regSetValue(RegKey key, const CStdStr& name, unsigned type, const void* data, unsigned size) {
    if (!key)
        return winerr::INVALID_HANDLE;
    if (!allows(key, KEY_SET_VALUE))
        return winerr::ACCESS_DENIED;
    if (!data && size > 0)
        return winerr::INVALID_PARAMETER;
    const std::string bytes = size > 0 ? std::string(static_cast<const char*>(data), size) : "";
    const posix::RegData value{type, posix::dataFromAnsi(type, bytes)};
    return posix::RegistryStore(key->root).setValue(pathOf(key), wideName(name), value);
}

int regCloseKey(RegKey key) {
    if (!key)
        return winerr::INVALID_HANDLE;
    if (!key->predefined)
        delete static_cast<OpenedKey*>(key);
    return winerr::SUCCESS;
}

} // namespace platform
