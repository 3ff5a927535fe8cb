#pragma once
// Values this platform answers for keys a Windows system would hold (folders,
// the system's release...), read-only beneath the registry store: a value in
// the store wins over a default of the same name, a write goes to the store,
// and a default makes its key (and the keys above it) exist.

#include <string>

#include "../../CStdStr.h"
#include "RegFile.h"

namespace posix {

// Adds or replaces a default under a full key such as
// "HKEY_LOCAL_MACHINE\Software\...". Texts are given in the ANSI code page,
// as platform::regSetValue takes them.
void addRegistryDefault(const CStdStr& key, const CStdStr& name, unsigned type,
                        const std::string& data);
void clearRegistryDefaults();

bool hasDefaultKey(const std::u16string& key);
const RegData* findDefaultValue(const std::u16string& key, const std::u16string& name);

} // namespace posix
