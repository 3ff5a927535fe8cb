#include "LaunchPad.h"

#include <utility>

#include "DebugLog.h"
#include "OSInfo.h"
#include "PathObject.h"
#include "SystemPath.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/WinError.h"

namespace {

constexpr int kWindowsFolder = 23;
constexpr int kSystemFolder = 19;
constexpr int kShowNoActivate = 8;
constexpr std::uint32_t kPumpStepMilliseconds = 1000;

MessagePump& installedPump() {
    static MessagePump pump;
    return pump;
}

bool isQuote(char ch) {
    return ch == '"' || ch == '\'';
}

// The program: up to the first blank, where blanks inside a leading pair of
// quotes do not count, and those quotes removed.
CStdStr programToken(const CStdStr& command) {
    const char first = command[0];
    size_t searchFrom = 0;
    if (isQuote(first)) {
        const size_t closing = command.find(first, 1);
        if (closing != std::string::npos)
            searchFrom = closing;
    }
    CStdStr token = command.substr(0, command.find(' ', searchFrom));
    token.TrimRight();
    if (isQuote(first) && token.size() > 1 && token.back() == first)
        token = token.substr(1, token.size() - 2);
    return token;
}

bool isBatchFile(const CStdStr& token) {
    return token.size() >= 4 && token.Right(4).EqualsNoCase(".BAT");
}

// The 9x family runs batch files through Command.com, the NT family through
// cmd.exe, which wants the whole command line in quotes after /C.
CStdStr interpreterLine(const CStdStr& command) {
    const bool nineX = OSInfo().is9xFamily();
    SystemPath interpreter(nineX ? kWindowsFolder : kSystemFolder);
    interpreter.setName(nineX ? "Command.com" : "cmd.exe");
    return platform::batchCommandLine(interpreter.getFullPath(), command, !nineX);
}

// Makes a folder current for one launch and the previous one current again
// when it goes, whatever happened in between.
class FolderChange {
public:
    FolderChange(bool enabled, const CStdStr& folder) {
        if (!enabled)
            return;
        const int readError = platform::getCurrentDirectory(m_previous);
        if (readError != winerr::SUCCESS) {
            // Without a folder to go back to, staying put is the safe choice.
            KENDRY_LOG(".\\LaunchPad.cpp", "Launcher::DoLaunch", LOG_ERROR,
                       "could not read the current folder with error code %d", readError);
            return;
        }
        m_restore = true;
        if (folder.empty())
            return;
        const int error = platform::setCurrentDirectory(folder);
        if (error != winerr::SUCCESS) {
            theDebugLogger.setLocation(100, ".\\LaunchPad.cpp", "Launcher::DoLaunch");
            theDebugLogger.write(LOG_ERROR, "could not change dirs to %s with error code %d",
                                 folder.c_str(), error);
        }
    }
    ~FolderChange() {
        if (m_restore)
            platform::setCurrentDirectory(m_previous);
    }
    FolderChange(const FolderChange&) = delete;
    FolderChange& operator=(const FolderChange&) = delete;

private:
    CStdStr m_previous;
    bool m_restore = false;
};

platform::ProcessStartup startupFor(void* userToken, int showWindow, std::uint32_t creationFlags) {
    platform::ProcessStartup startup;
    startup.userToken = userToken;
    startup.desktop = userToken ? "Winsta0\\Default" : nullptr;
    const int showMode = showWindow & 0xFFFF;
    startup.showMode = showMode != 0 ? showMode : kShowNoActivate;
    startup.creationFlags = creationFlags;
    return startup;
}

void waitForProgram(Launcher& launcher, platform::ProcessHandle process, bool pumpMessages,
                    bool paintOnly) {
    if (!pumpMessages) {
        platform::waitForProcess(process, platform::WAIT_FOREVER);
        return;
    }
    while (platform::waitForProcess(process, kPumpStepMilliseconds) ==
           platform::WaitResult::TimedOut) {
        if (const MessagePump& pump = installedPump())
            pump(paintOnly);
        launcher.Idle();
    }
}

} // namespace

MessagePump setMessagePump(MessagePump pump) {
    return std::exchange(installedPump(), std::move(pump));
}

void Launcher::DoLaunch(const char* command, bool wait, bool pumpMessages, bool changeDir,
                        void* userToken, int showWindow, std::uint32_t creationFlags,
                        std::uint32_t& errorOut, std::uint32_t& exitCodeOut, bool paintOnly) {
    errorOut = winerr::SUCCESS;
    exitCodeOut = 0;
    if (!command || !*command) {
        errorOut = winerr::INVALID_PARAMETER;
        return;
    }
    const CStdStr commandLine(command);
    const CStdStr token = programToken(commandLine);
    const PathObject program(token);
    const bool batch = isBatchFile(token);
    const CStdStr line = batch ? interpreterLine(commandLine) : commandLine;

    const FolderChange folderChange(changeDir, program.getDirectory());
    if (batch) {
        // The interpreter call always blocks; its result is the exit code.
        exitCodeOut = static_cast<std::uint32_t>(platform::runCommandInterpreter(line));
        return;
    }
    platform::ProcessHandle process = nullptr;
    const int error = platform::createProcess(
        line, startupFor(userToken, showWindow, creationFlags), !wait, process);
    if (error != winerr::SUCCESS) {
        errorOut = static_cast<std::uint32_t>(error);
        return;
    }
    if (!wait)
        return;
    waitForProgram(*this, process, pumpMessages, paintOnly);
    platform::processExitCode(process, exitCodeOut);
    platform::closeProcess(process);
}

std::uint32_t Launch(const char* command, bool changeDir, void* userToken, int showWindow,
                     std::uint32_t creationFlags) {
    Launcher launcher;
    std::uint32_t error = 0;
    std::uint32_t ignoredExitCode = 0;
    launcher.DoLaunch(command, false, false, changeDir, userToken, showWindow, creationFlags, error,
                      ignoredExitCode, false);
    return error;
}

std::uint32_t LaunchAndWait(const char* command, bool pumpMessages, std::uint32_t& exitCodeOut,
                            bool changeDir, void* userToken, int showWindow,
                            std::uint32_t creationFlags, bool paintOnly) {
    Launcher launcher;
    std::uint32_t error = 0;
    launcher.DoLaunch(command, true, pumpMessages, changeDir, userToken, showWindow, creationFlags,
                      error, exitCodeOut, paintOnly);
    return error;
}
