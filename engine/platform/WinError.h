#pragma once
// Windows error codes: the engine's common language for failures, whatever
// the platform underneath reports.

namespace winerr {
constexpr int SUCCESS = 0;
constexpr int FILE_NOT_FOUND = 2;
constexpr int PATH_NOT_FOUND = 3;
constexpr int TOO_MANY_OPEN_FILES = 4;
constexpr int ACCESS_DENIED = 5;
constexpr int INVALID_HANDLE = 6;
constexpr int NOT_ENOUGH_MEMORY = 8;
constexpr int INVALID_DATA = 13;
constexpr int INVALID_DRIVE = 15;
constexpr int NOT_SAME_DEVICE = 17;
constexpr int NO_MORE_FILES = 18;
constexpr int WRITE_PROTECT = 19;
constexpr int WRITE_FAULT = 29;
constexpr int READ_FAULT = 30;
constexpr int GEN_FAILURE = 31;
constexpr int SHARING_VIOLATION = 32;
constexpr int LOCK_VIOLATION = 33;
constexpr int HANDLE_EOF = 38;
constexpr int NOT_SUPPORTED = 50;
constexpr int BAD_NETPATH = 53;
constexpr int FILE_EXISTS = 80;
constexpr int INVALID_PARAMETER = 87;
constexpr int BROKEN_PIPE = 109;
constexpr int DISK_FULL = 112;
constexpr int INSUFFICIENT_BUFFER = 122;
constexpr int INVALID_NAME = 123;
constexpr int DIR_NOT_EMPTY = 145;
constexpr int BUSY = 170;
constexpr int ALREADY_EXISTS = 183;
constexpr int BAD_EXE_FORMAT = 193;
constexpr int FILENAME_EXCED_RANGE = 206;
constexpr int MORE_DATA = 234;
constexpr int NO_MORE_ITEMS = 259;
// The path names a file where a folder is needed.
constexpr int DIRECTORY = 267;
constexpr int BADDB = 1009;
constexpr int KEY_DELETED = 1018;
constexpr int CANT_RESOLVE_FILENAME = 1921;
} // namespace winerr
