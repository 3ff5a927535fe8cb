#pragma once
// The LZ expansion library of Windows: files compressed with the compress
// tool ("SZDD") are read expanded, every other file as it is.

#include <cstdint>

#include "../CStdStr.h"

namespace platform {

// Open styles.
constexpr int OF_READ = 0;
constexpr int OF_CREATE = 0x1000;

// Results below zero.
constexpr int LZERROR_BADINHANDLE = -1;
constexpr int LZERROR_BADOUTHANDLE = -2;
constexpr int LZERROR_READ = -3; // also: the compressed data are damaged
constexpr int LZERROR_WRITE = -4;
constexpr int LZERROR_GLOBALLOC = -5;
constexpr int LZERROR_BADVALUE = -7;
constexpr int LZERROR_UNKNOWNALG = -8;

// The longest path the Windows library's open-file record holds; callers
// bring a longer path within it through the short form of its folder. File
// names here have no short form, so lzOpenFile takes paths of any length:
// the limit would leave every file in a deep folder unreadable.
constexpr size_t LZ_MAX_PATH = 127;

// What an open reports besides its handle.
struct OFSTRUCT {
    int errorCode = 0; // the Windows error code when the open failed
    CStdStr pathName;  // the full path that was opened
};

// Opens path for reading (OF_READ) or creates it for writing (OF_CREATE).
// A new file stays under a temporary name in its folder until lzCopy has
// written it completely, so a failed copy leaves nothing at the path. Returns
// a handle (zero or more) or an LZERROR_ value.
int lzOpenFile(const CStdStr& path, OFSTRUCT& info, int style);

// Writes the expanded content of source to target; the byte count, or an
// LZERROR_ value (the target then stays absent).
std::int64_t lzCopy(int source, int target);

// Releases the handle; a target that lzCopy did not complete is removed.
void lzClose(int handle);

// The name path expands to, with its folder: for a compressed file whose name
// ends in "_", that character becomes the one its header stored (none
// stored: the "_" is dropped); any other name is kept. 1 on success, else an
// LZERROR_ value.
int getExpandedName(const CStdStr& path, CStdStr& expanded);

} // namespace platform
