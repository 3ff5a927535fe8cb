#pragma once
// Setup.ini, the package's one configuration file: which language, which texts on the two pages,
// which licence file, what to copy and which set-up program to start at the end.

#include <cstddef>

#include "CStdStr.h"
#include "PathObject.h"
#include "SetupStrings.h"

namespace SetupIni {

// No value needs more bytes; a longer one is cut, and the log says so. Texts of many megabytes
// would stall the pages for minutes, and a title that long is more than the window system
// takes.
const size_t kLongestValue = 64 * 1024;

// Reads the file named by setupIni, loads the language texts from Install\Config\NLS below its
// folder and fills strings. wow64 picks InstallPath64 over InstallPath. False, after logging,
// only when the file is missing; hideLicence then stays untouched.
bool Read(const PathObject& setupIni, bool wow64, SetupStrings& strings, bool& hideLicence);

// True for "true" in any letter case.
bool HidesLicence(const CStdStr& hideEulaValue);

// The licence file: %Language% filled in, the throw-away first character dropped, the rest taken
// relative to the program folder.
CStdStr LicenceFile(const CStdStr& programFolder, const CStdStr& appFileValue,
                    const CStdStr& language);

// A usable launch command names the destination (filled in after the copy) or the package folder
// (filled in now); anything else is logged and becomes empty, so nothing is started.
CStdStr CheckLaunchCommand(const CStdStr& command, const CStdStr& programFolder);

} // namespace SetupIni
