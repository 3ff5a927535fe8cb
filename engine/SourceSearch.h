#pragma once
// Where the installation source lies: the folder (or disc) that holds
// install\config\product.ini. Every search answers a folder without a
// trailing backslash, or an empty string.

#include "CStdStr.h"

extern const CStdStr SOURCE_COINSTALLER_SECTION; // "CoinstallerData"
extern const CStdStr SOURCE_PREFIX_ENTRY;        // "Prefix"
extern const CStdStr SOURCE_PRODUCT_INI;         // "install\config\product.ini"
extern const CStdStr SOURCE_SETUP_KEY; // "Software\Microsoft\Windows\CurrentVersion\Setup"
extern const CStdStr SOURCE_INSTALLATION_SOURCES; // "Installation Sources"
extern const CStdStr SOURCE_CURRENT_VERSION_KEY;  // "Software\Microsoft\Windows\CurrentVersion"
extern const CStdStr SOURCE_DEVICE_PATH;          // "DevicePath"
extern const CStdStr SOURCE_BRASK_KEY;            // "Software\Brask\Tollmere"
extern const CStdStr SOURCE_VANTREL_KEY;          // "Software\VantrelInkjet\Tollmere"

// The program's own package, the registry's source lists, the co-installer
// folder of the INF, and the optical drives, in that order.
CStdStr guessRootDir(CStdStr infPath, CStdStr prefix);

// The first folder of the HKLM value (a ";" list or a multi-string) that
// holds product.ini itself or below an ancestor, when that product.ini's
// [CoinstallerData] Prefix is prefix (case ignored).
CStdStr checkSourceFromRegistry(CStdStr keyPath, CStdStr valueName, CStdStr prefix);

// The folder under Program Files whose Install\x86 (or x64) holds the
// co-installer DLL that the INF's [CoInstallers_Files] names first.
CStdStr findCoInstallerFolder(CStdStr infPath);

// The first optical drive that holds product.ini: "D:" on Windows, the
// mount point (such as \media\cdrom) where drives have no letters.
CStdStr findCdRoot();
