#include "../Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../WinError.h"
#include "NativePath.h"

extern char** environ;

namespace platform {

struct ProcessState {
    pid_t pid = -1;
    int pidfd = -1; // -1 where the kernel offers none: waits then poll in short steps
    bool ended = false;
    int status = 0;
};

namespace {

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

size_t skipBlanks(const CStdStr& line, size_t at) {
    while (at < line.size() && isBlank(line[at]))
        ++at;
    return at;
}

// The program name knows no backslash rules: its quotes only group blanks.
size_t takeProgram(const CStdStr& line, size_t at, CStdStr& program) {
    const char quote = line[at] == '\'' ? '\'' : '"';
    bool quoted = false;
    for (; at < line.size(); ++at) {
        const char ch = line[at];
        if (ch == quote)
            quoted = !quoted;
        else if (!quoted && isBlank(ch))
            break;
        else
            program += ch;
    }
    return at;
}

size_t takeArgument(const CStdStr& line, size_t at, CStdStr& argument) {
    bool quoted = false;
    while (at < line.size()) {
        size_t backslashes = 0;
        while (at < line.size() && line[at] == '\\') {
            ++backslashes;
            ++at;
        }
        if (at < line.size() && line[at] == '"') {
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                argument += '"';
                ++at;
            } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                argument += '"';
                at += 2;
            } else {
                quoted = !quoted;
                ++at;
            }
            continue;
        }
        argument.append(backslashes, '\\');
        if (at >= line.size() || (!quoted && isBlank(line[at])))
            break;
        argument += line[at++];
    }
    return at;
}

bool isFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.empty() ? "." : path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const std::string& path, bool executable) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           (!executable || ::access(path.c_str(), X_OK) == 0);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The first regular file called name in the search path's folders, preferring
// one we may execute; empty when there is none.
std::string searchPath(const std::string& name) {
    const char* variable = std::getenv("PATH");
    const std::string folders = variable ? variable : "/usr/local/bin:/usr/bin:/bin";
    std::string firstFile;
    size_t at = 0;
    while (at <= folders.size()) {
        size_t end = folders.find(':', at);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end == at ? "." : folders.substr(at, end - at);
        const std::string candidate = folder + "/" + name;
        if (isRegularFile(candidate, true))
            return candidate;
        if (firstFile.empty() && isRegularFile(candidate, false))
            firstFile = candidate;
        at = end + 1;
    }
    return firstFile;
}

// A program named with a folder is taken as named (ignoring case on a miss);
// a bare name is looked for in the current folder first, as Windows does.
std::string locateProgram(const CStdStr& program) {
    const std::string native = posix::toNative(program);
    if (program.find_first_of("\\/:") != std::string::npos)
        return native;
    if (isRegularFile(native, false))
        return "./" + native;
    const std::string found = searchPath(native);
    return found.empty() ? "./" + native : found;
}

int pathError(int error, const std::string& path) {
    // Windows tells a missing folder on the way from a missing file.
    if (error == ENOENT && !isFolder(folderOf(path)))
        return winerr::PATH_NOT_FOUND;
    return posix::winErrorFromErrno(error);
}

// Everything the child needs, built before the fork: the child of a threaded
// process may only make async-signal-safe calls.
struct ChildPlan {
    const char* path;
    char* const* argv;
    int reportFd;
    bool detach;
};

void reportToParent(int fd, int error) {
    while (::write(fd, &error, sizeof error) < 0 && errno == EINTR) {
    }
}

void resetSignals() {
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &standard, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// The program inherits no descriptor but the standard three, as a Windows
// program started without handle inheritance.
void closeOnExecFromThree() {
#ifdef SYS_close_range
    constexpr unsigned kCloseRangeCloexec = 1U << 2;
    if (::syscall(SYS_close_range, 3U, ~0U, kCloseRangeCloexec) == 0)
        return;
#endif
    const long limit = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (limit > 0 && limit < 65536 ? limit : 65536); ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

[[noreturn]] void runChild(const ChildPlan& plan) {
    if (plan.detach) {
        // The middle process ends at once, so the program is nobody's child
        // to wait for; setsid then gives it a session and group of its own.
        const pid_t program = ::fork();
        if (program != 0) {
            if (program < 0)
                reportToParent(plan.reportFd, errno);
            ::_exit(0);
        }
        ::setsid();
    }
    resetSignals();
    closeOnExecFromThree();
    ::execve(plan.path, plan.argv, environ);
    reportToParent(plan.reportFd, errno);
    ::_exit(127);
}

bool reap(pid_t pid, int* status) {
    for (;;) {
        if (::waitpid(pid, status, 0) == pid)
            return true;
        if (errno != EINTR)
            return false;
    }
}

// Forks the child, and returns the errno of a failed start (0 when the
// program runs); pid is the direct child.
int forkChild(ChildPlan plan, pid_t& pid) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return errno;
    plan.reportFd = report[1];
    // No signal handler of ours may run in the child before it resets them.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    pid = ::fork();
    if (pid == 0)
        runChild(plan);
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(report[1]);
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (pid < 0)
        return forkError;
    return got == static_cast<ssize_t>(sizeof childError) ? childError : 0;
}

long long nowMilliseconds() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Reaps the program if it has ended; false while it runs.
bool tryReap(ProcessState& state, bool& failed) {
    for (;;) {
        const pid_t done = ::waitpid(state.pid, &state.status, WNOHANG);
        if (done == state.pid) {
            state.ended = true;
            return true;
        }
        if (done == 0)
            return false;
        if (errno != EINTR) {
            failed = true;
            return false;
        }
    }
}

void pauseUpTo(const ProcessState& state, long long milliseconds) {
    if (state.pidfd >= 0) {
        pollfd ready = {state.pidfd, POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(milliseconds < 60000 ? milliseconds : 60000));
        return;
    }
    const long long step = milliseconds < 10 ? milliseconds : 10;
    const timespec pause = {static_cast<time_t>(step / 1000),
                            static_cast<long>(step % 1000) * 1000000};
    ::nanosleep(&pause, nullptr);
}

std::string shellQuoted(const std::string& word) {
    std::string quoted = "'";
    for (const char ch : word) {
        if (ch == '\'')
            quoted += "'\\''";
        else
            quoted += ch;
    }
    return quoted + "'";
}

} // namespace

std::vector<CStdStr> splitCommandLine(const CStdStr& commandLine) {
    std::vector<CStdStr> words;
    size_t at = skipBlanks(commandLine, 0);
    if (at >= commandLine.size())
        return words;
    words.emplace_back();
    at = skipBlanks(commandLine, takeProgram(commandLine, at, words.back()));
    while (at < commandLine.size()) {
        words.emplace_back();
        at = skipBlanks(commandLine, takeArgument(commandLine, at, words.back()));
    }
    return words;
}

int createProcess(const CStdStr& commandLine, const ProcessStartup&, bool detach,
                  ProcessHandle& handle) {
    handle = nullptr;
    const std::vector<CStdStr> words = splitCommandLine(commandLine);
    if (words.empty())
        return winerr::INVALID_PARAMETER;
    const std::string path = locateProgram(words[0]);
    std::vector<std::string> arguments{path};
    arguments.insert(arguments.end(), words.begin() + 1, words.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int error = forkChild(ChildPlan{path.c_str(), argv.data(), -1, detach}, pid);
    if (pid > 0 && (detach || error != 0))
        reap(pid, nullptr);
    if (error != 0)
        return pid < 0 ? posix::winErrorFromErrno(error) : pathError(error, path);
    if (!detach) {
        handle = new ProcessState;
        handle->pid = pid;
#ifdef SYS_pidfd_open
        handle->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#endif
    }
    return winerr::SUCCESS;
}

WaitResult waitForProcess(ProcessHandle handle, std::uint32_t milliseconds) {
    if (!handle)
        return WaitResult::Failed;
    if (handle->ended)
        return WaitResult::Ended;
    if (milliseconds == WAIT_FOREVER) {
        handle->ended = reap(handle->pid, &handle->status);
        return handle->ended ? WaitResult::Ended : WaitResult::Failed;
    }
    const long long deadline = nowMilliseconds() + milliseconds;
    for (;;) {
        bool failed = false;
        if (tryReap(*handle, failed))
            return WaitResult::Ended;
        if (failed)
            return WaitResult::Failed;
        const long long remaining = deadline - nowMilliseconds();
        if (remaining <= 0)
            return WaitResult::TimedOut;
        pauseUpTo(*handle, remaining);
    }
}

bool processExitCode(ProcessHandle handle, std::uint32_t& exitCode) {
    if (!handle || !handle->ended)
        return false;
    const int status = handle->status;
    exitCode = WIFSIGNALED(status) ? 128 + static_cast<std::uint32_t>(WTERMSIG(status))
                                   : static_cast<std::uint32_t>(WEXITSTATUS(status));
    return true;
}

void closeProcess(ProcessHandle handle) {
    if (!handle)
        return;
    if (handle->pidfd >= 0)
        ::close(handle->pidfd);
    delete handle;
}

CStdStr batchCommandLine(const CStdStr&, const CStdStr& commandLine, bool) {
    const std::vector<CStdStr> words = splitCommandLine(commandLine);
    if (words.empty())
        return CStdStr();
    std::string script = posix::toNative(words[0]);
    // A relative name must not reach the shell looking like an option.
    if (script.empty() || script[0] != '/')
        script.insert(0, "./");
    std::string line = "/bin/sh " + shellQuoted(script);
    for (size_t at = 1; at < words.size(); ++at)
        line += " " + shellQuoted(words[at]);
    return CStdStr(line);
}

int runCommandInterpreter(const CStdStr& line) {
    const int status = std::system(line.c_str());
    if (status == -1)
        return -1;
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

} // namespace platform
