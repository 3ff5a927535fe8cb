#pragma once
// Expansion of the references in a text: %Name% names another language text,
// $NAME$ a system variable (a folder, a fact about the user, the locale, the
// system or the hardware, or the date).

#include "CStdStr.h"

// Looks up the texts that %Name% references stand for.
class Resolver {
public:
    virtual ~Resolver() = default;
    // The language text of the name; empty when there is none.
    virtual CStdStr Resolve(const CStdStr& name);
};

// Replaces each %Name% the resolver knows by its (expanded) text, then
// expands the system variables. A reference back to a text that is being
// expanded stays as written. Once the nesting gets deeper than
// MAX_TEXT_NESTING, or the texts would grow beyond reason, the reference
// that led there and every one after it stay as written.
CStdStr ExpandVariables(const CStdStr& text, Resolver& resolver);
CStdStr ExpandTextVariables(const CStdStr& text);
// Replaces each $NAME$ by its value; unknown names give an empty value. A
// value is scanned again, but a reference to a variable inside its own value
// stays as written.
CStdStr ExpandSystemVariables(const CStdStr& text);
// Empty for an unknown name.
CStdStr GetSystemVariable(const CStdStr& name);

// Marks a text as being expanded for as long as it lives, so that references
// back to it stay as written.
class TextExpansionGuard {
public:
    explicit TextExpansionGuard(const CStdStr& name);
    ~TextExpansionGuard();
    TextExpansionGuard(const TextExpansionGuard&) = delete;
    TextExpansionGuard& operator=(const TextExpansionGuard&) = delete;
};

constexpr int MAX_TEXT_NESTING = 32;

// -1 when the clock cannot be read; measured once.
int GetCpuSpeedMHz();
// Measured once.
int GetPhysicalMemoryMB();
// Free space for the caller on the volume of folder; 0 when it cannot be read.
int GetFreeDiskSpaceMB(const char* folder);

extern const CStdStr VAR_WINDOWS_DRIVE;
extern const CStdStr VAR_WINDOWS_DIR;
extern const CStdStr VAR_SYSTEM_DIR;
extern const CStdStr VAR_PROGRAMFILES_DIR;
extern const CStdStr VAR_CURRENTUSER_DOCUMENTS_DIR;
extern const CStdStr VAR_SYSTEMFONTS_DIR;
extern const CStdStr VAR_TEMP_DIR;
extern const CStdStr VAR_CD_ROOT_DIR;
extern const CStdStr VAR_SENDTO_DIR;
extern const CStdStr VAR_CURRENTUSER_DESKTOP_DIR;
extern const CStdStr VAR_ALLUSERS_DESKTOP_DIR;
extern const CStdStr VAR_DRIVER_DIR;
extern const CStdStr VAR_DRIVER_MULTI_OS_DIR;
extern const CStdStr VAR_COMMONFILES_DIR;
extern const CStdStr VAR_LANGUAGE;
extern const CStdStr VAR_CODEPAGE;
extern const CStdStr VAR_OS_LANG;
extern const CStdStr VAR_IS_OS_NT;
extern const CStdStr VAR_OS_CODEPAGE;
extern const CStdStr VAR_OS_ISOLANG;
extern const CStdStr VAR_OS_ARCH;
extern const CStdStr VAR_COMPUTER_NAME;
extern const CStdStr VAR_HEX_LANG;
extern const CStdStr VAR_VTL_LANG_CODE;
extern const CStdStr VAR_COMMONAPPDATA_DIR;
extern const CStdStr VAR_USERNAME;
extern const CStdStr VAR_SYSTEM_CPU;
extern const CStdStr VAR_SYSTEM_MEMORY;
extern const CStdStr VAR_SYSTEM_SPACE;
extern const CStdStr VAR_DRIVER_CAB;
extern const CStdStr VAR_CURRENT_DATE;
extern const CStdStr VAR_GUESSED_ROOT_DIR;
