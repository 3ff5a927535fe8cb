#pragma once
// The machine's well-known folders, with the meanings of the Windows calls
// that name them. Folders come in engine form (backslashes); an empty text
// means the platform has no such folder or could not tell.

#include "../CStdStr.h"

namespace platform {

// GetWindowsDirectoryA.
CStdStr windowsFolder();
// GetSystemDirectoryA.
CStdStr systemFolder();
// GetTempPathA.
CStdStr temporaryFolder();
// GetCurrentDirectoryA.
CStdStr currentFolder();
// GetModuleFileNameA for the program itself: the full path of its file.
CStdStr runningProgramFile();
// GetPrinterDriverDirectoryA (local server, current environment, level 1).
CStdStr printerDriverFolder();
// GetPrintProcessorDirectoryA (local server, current environment, level 1).
CStdStr printProcessorFolder();
// The shell's personal documents folder (special folder 5) of the current user.
CStdStr documentsFolder();

// The answers of GetDriveTypeA.
constexpr int DRIVE_UNKNOWN = 0;
constexpr int DRIVE_NO_ROOT_DIR = 1;
constexpr int DRIVE_REMOVABLE = 2;
constexpr int DRIVE_FIXED = 3;
constexpr int DRIVE_REMOTE = 4;
constexpr int DRIVE_CDROM = 5;
constexpr int DRIVE_RAMDISK = 6;

// GetDriveTypeA: the kind of volume that holds the root ("D:\", "D:").
int driveType(const CStdStr& root);

} // namespace platform
