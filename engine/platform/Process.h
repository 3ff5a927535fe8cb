#pragma once
// Starting programs from a Windows command line, waiting for them, and the C
// runtime's command interpreter, with Windows error codes.

#include <cstdint>
#include <vector>

#include "../CStdStr.h"

namespace platform {

// What CreateProcessA's start-up record and flags carry besides the command
// line. A platform without these notions accepts and ignores them.
struct ProcessStartup {
    void* userToken = nullptr; // start under another user's account
    const char* desktop = nullptr;
    int showMode = 8; // SW_SHOWNA
    int x = 1;
    int y = 1;
    std::uint32_t creationFlags = 0;
};

struct ProcessState;
using ProcessHandle = ProcessState*;

// Splits a command line as the Windows C runtime builds argv: the program
// comes first and ends at a blank or tab outside quotes, its quotes grouping
// blanks and vanishing (a line that begins with a single quote uses single
// quotes for the program instead). The arguments follow, separated by blanks
// and tabs: double quotes group blanks and vanish, "" inside quotes is one
// literal quote, 2n backslashes before a quote give n backslashes and the
// quote toggles grouping, 2n+1 give n backslashes and a literal quote, and
// backslashes elsewhere are literal. Nothing else (no shell) is interpreted.
std::vector<CStdStr> splitCommandLine(const CStdStr& commandLine);

// Starts the program of the command line in the current folder with the
// caller's environment and no inherited handles except the standard ones.
// A program named without a folder is looked for in the current folder, then
// along the search path. Returns a Windows error code: 0, INVALID_PARAMETER
// for a blank line, FILE_NOT_FOUND, PATH_NOT_FOUND for a missing folder on
// the way, ACCESS_DENIED, BAD_EXE_FORMAT for a file that is no program.
// With detach the program gets a session and process group of its own,
// outlives the caller and leaves nothing to wait for; handle stays null.
// Otherwise handle is set on success and must be closed with closeProcess.
int createProcess(const CStdStr& commandLine, const ProcessStartup& startup, bool detach,
                  ProcessHandle& handle);

constexpr std::uint32_t WAIT_FOREVER = 0xFFFFFFFF;

enum class WaitResult { Ended, TimedOut, Failed };

// Waits up to the given milliseconds (or WAIT_FOREVER) for the program to end.
WaitResult waitForProcess(ProcessHandle handle, std::uint32_t milliseconds);

// The exit code of an ended program; a program ended by signal n reports
// 128 + n, as shells do. False while it runs or when the handle is null.
bool processExitCode(ProcessHandle handle, std::uint32_t& exitCode);

// Releases the handle; a program still running goes on running.
void closeProcess(ProcessHandle handle);

// The line that runs a batch file through the command interpreter. On
// Windows that is the interpreter's path, " /C " and the command line, the
// line in double quotes when quoteCommand is set. Here the interpreter is
// /bin/sh: it is given the batch file and the arguments the command line
// splits into, each quoted so that the shell takes them literally.
CStdStr batchCommandLine(const CStdStr& interpreter, const CStdStr& commandLine, bool quoteCommand);

// The C runtime's system(): runs the line through the command interpreter
// and blocks until it ends. Returns the interpreter's exit code (128 + n
// after signal n), or -1 when the interpreter could not be started.
int runCommandInterpreter(const CStdStr& line);

} // namespace platform
