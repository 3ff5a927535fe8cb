#pragma once
// The registry on this platform: .reg files holding the roots, read afresh on
// every operation and, on a write, replaced atomically (temporary file in the
// same folder, fsync, rename) under an advisory lock held across the whole
// read-modify-write; the platform defaults lie read-only beneath them.

#include <string>

#include "RegFile.h"

namespace posix {

enum class RegRoot { LocalMachine, CurrentUser, Users, CurrentConfig };

// "HKEY_LOCAL_MACHINE" and so on.
const char16_t* rootName(RegRoot root);

// The file holding a root: $KENDRY_REGISTRY when it is set (every root in one
// file); otherwise /var/lib/kendry/registry.reg, and for HKEY_CURRENT_USER
// $XDG_CONFIG_HOME/kendry/user.reg (~/.config/kendry/user.reg).
std::string registryStorePath(RegRoot root);

// Paths are below the root ("Software\Pellam", empty for the root itself);
// results are Windows error codes.
class RegistryStore {
public:
    // Finds the file now, so each operation sees the current environment.
    explicit RegistryStore(RegRoot root);

    const std::string& path() const { return m_path; }

    int keyExists(const std::u16string& path) const;
    // Whether a write could replace the file (or create it and its folders).
    int canWrite() const;
    int queryValue(const std::u16string& path, const std::u16string& name, RegData& data) const;
    // Fails with KEY_DELETED when the key no longer exists and with BADDB
    // when the file cannot be parsed (it is then left untouched).
    int setValue(const std::u16string& path, const std::u16string& name, const RegData& data) const;

private:
    std::u16string fullKey(const std::u16string& path) const;
    bool isRoot(const std::u16string& path) const;
    int load(RegFile& file) const;

    RegRoot m_root;
    std::string m_path;
};

} // namespace posix
