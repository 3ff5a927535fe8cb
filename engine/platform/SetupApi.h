#pragma once
// The file-decompression services of the Windows setup library: what a file
// is compressed with, and its expansion to a target file. Failures carry
// Windows error codes.

#include <cstdint>

#include "../CStdStr.h"

namespace platform {

// Compression types, with the setup library's numbers.
constexpr int FILE_COMPRESSION_NONE = 0;   // a plain file
constexpr int FILE_COMPRESSION_WINLZA = 1; // LZ ("SZDD") of the compress tool
constexpr int FILE_COMPRESSION_MSZIP = 2;  // a cabinet of one file in one MSZIP folder
constexpr int FILE_COMPRESSION_NTCAB = 3;  // any other cabinet

// Entry points that callers look up by name before use.
constexpr const char* SETUP_GET_FILE_COMPRESSION_INFO_EX = "SetupGetFileCompressionInfoExA";
constexpr const char* SETUP_GET_FILE_COMPRESSION_INFO = "SetupGetFileCompressionInfoA";
constexpr const char* SETUP_DECOMPRESS_OR_COPY_FILE = "SetupDecompressOrCopyFileA";

// True when the setup library can be used; it stays usable once it was.
bool loadSetupApi();

// True when the loaded setup library offers the entry point of that name.
bool setupApiHasEntryPoint(const char* name);

// The error code of the last failed query on this thread.
int setupApiLastError();

// Reads the compression type and the sizes before and after expansion. When
// source does not exist, the same name ending in "_" is tried instead, and
// actualSource (when given) receives the name that was read. False on
// failure, with the error code in setupApiLastError(); a damaged compressed
// file (its signature is right, its header is not) is a failure, not a plain
// file.
bool getFileCompressionInfoEx(const CStdStr& source, std::uint64_t& sourceSize,
                              std::uint64_t& targetSize, int& type,
                              CStdStr* actualSource = nullptr);

// The same query in the older form: 0 on success, else the error code.
int getFileCompressionInfo(const CStdStr& source, CStdStr& actualSource, std::uint64_t& sourceSize,
                           std::uint64_t& targetSize, int& type);

// Writes the expanded content of source to target and returns 0, or returns
// an error code. With type FILE_COMPRESSION_NONE the bytes are copied as they
// are; with any other value the type is read from the file (and set in type)
// and the file expanded accordingly. Cabinets expand only when they hold one
// file. The target appears complete or not at all: the content is written
// under a temporary name in the target's folder and then renamed over the
// target (a symbolic link there is replaced, not followed).
int decompressOrCopyFile(const CStdStr& source, const CStdStr& target, int& type);

} // namespace platform
