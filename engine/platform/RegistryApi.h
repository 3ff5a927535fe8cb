#pragma once
// Registry operations with the Win32 meanings of RegConnectRegistryA,
// RegOpenKeyExA, RegQueryValueExA, RegSetValueExA and RegCloseKey: texts in
// the ANSI code page, results as Windows error codes (0 success, 2 a missing
// key or value).

#include "../CStdStr.h"

namespace platform {

struct RegKeyObject;
using RegKey = RegKeyObject*;

// The predefined roots. Closing one is harmless.
extern RegKey const HKEY_LOCAL_MACHINE;
extern RegKey const HKEY_CURRENT_USER;
extern RegKey const HKEY_USERS;
extern RegKey const HKEY_CURRENT_CONFIG;

constexpr unsigned KEY_QUERY_VALUE = 0x0001;
constexpr unsigned KEY_SET_VALUE = 0x0002;
constexpr unsigned KEY_CREATE_SUB_KEY = 0x0004;
constexpr unsigned KEY_READ = 0x20019;
constexpr unsigned KEY_ALL_ACCESS = 0xF003F;

constexpr unsigned REG_NONE = 0;
constexpr unsigned REG_SZ = 1;
constexpr unsigned REG_EXPAND_SZ = 2;
constexpr unsigned REG_BINARY = 3;
constexpr unsigned REG_DWORD = 4;
constexpr unsigned REG_MULTI_SZ = 7;

// The root on a computer; an empty name is this computer, which gives the
// predefined root back.
int regConnect(const CStdStr& machine, RegKey predefinedRoot, RegKey& result);

// Opens an existing key below `key` (an empty path opens the key itself);
// never creates one. The caller closes the result.
int regOpenKey(RegKey key, const CStdStr& path, unsigned access, RegKey& result);

// With no data buffer, reports the data size (and type when asked); with
// one, fills it when *size is large enough (else 234 and the size needed).
// Texts (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) come in the ANSI code page.
int regQueryValue(RegKey key, const CStdStr& name, unsigned* type, void* data, unsigned* size);

// Stores a value under an open key; texts are given in the ANSI code page.
int regSetValue(RegKey key, const CStdStr& name, unsigned type, const void* data, unsigned size);

int regCloseKey(RegKey key);

} // namespace platform
