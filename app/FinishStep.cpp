#include "FinishStep.h"

#include <cstdint>
#include <ostream>

#include "DebugLog.h"
#include "LaunchPad.h"
#include "SetupStrings.h"

namespace {

const char* const kDestPath = "%DestPath%";
const char* const kDestPathFolder = "%DestPath%\\";
// DETACHED_PROCESS, NORMAL_PRIORITY_CLASS and CREATE_NEW_PROCESS_GROUP.
const std::uint32_t kCreationFlags = 0x228;
const int kShowNoActivate = 8;

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

bool hasBlank(const CStdStr& text) {
    return text.find_first_of(" \t") != std::string::npos;
}

// Quotes around a word the way the command line is split again: the program name knows no
// backslash rules, while in an argument backslashes before the closing quote are doubled.
CStdStr quoted(const CStdStr& word, bool isProgram) {
    CStdStr result = "\"" + word;
    if (!isProgram) {
        const size_t lastOther = word.find_last_not_of('\\');
        const size_t trailing = word.size() - (lastOther == std::string::npos ? 0 : lastOther + 1);
        result.append(trailing, '\\');
    }
    return result + "\"";
}

CStdStr fillWord(const CStdStr& word, const CStdStr& destination, bool isProgram) {
    CStdStr filled = word;
    filled.Replace(kDestPathFolder, destination.c_str());
    // A word the package quoted itself is left as written.
    if (filled == word || word.find('"') != std::string::npos || !hasBlank(filled))
        return filled;
    return quoted(filled, isProgram);
}

void logStartFailure(std::uint32_t error, const CStdStr& command) {
    theDebugLog << "DirDialog::OnFinish: The set-up program could not be started (error " << error
                << "): " << command << std::endl;
}

} // namespace

namespace FinishStep {

void Run(FileAction& copy, CopyObserver& page, const CStdStr& destination) {
    const CStdStr source = theSetupStrings.sourceDir;
    // Counted as the walk will go, so that the gauge ends where the copy does.
    copy.keepOut(destination);
    int fileCount = 0;
    int folderCount = 0;
    copy.GetDirFiles(source, fileCount, folderCount);
    page.startProgress(fileCount);
    const bool copied = copy.recursivelyCopyAllFiles(source, destination);
    // The last state is on the page before a waited-for program blocks it.
    page.endProgress();
    if (copied)
        StartSetupProgram(destination);
}

void StartSetupProgram(const CStdStr& destination) {
    CStdStr& command = theSetupStrings.launchCommand;
    std::uint32_t error = 0;
    if (command.find(kDestPath) != std::string::npos) {
        command = FillDestination(command, destination);
        error = Launch(command.c_str(), true, nullptr, 0, kCreationFlags);
    } else {
        std::uint32_t ignoredExitCode = 0;
        error = LaunchAndWait(command.c_str(), false, ignoredExitCode, true, nullptr,
                              kShowNoActivate, kCreationFlags, false);
    }
    if (error != 0)
        logStartFailure(error, command);
}

CStdStr FillDestination(const CStdStr& command, const CStdStr& destination) {
    CStdStr result;
    size_t at = 0;
    bool isProgram = true;
    while (at < command.size()) {
        if (isBlank(command[at])) {
            result += command[at++];
            continue;
        }
        size_t end = at;
        for (bool inQuotes = false; end < command.size(); ++end) {
            if (command[end] == '"')
                inQuotes = !inQuotes;
            else if (!inQuotes && isBlank(command[end]))
                break;
        }
        result += fillWord(command.substr(at, end - at), destination, isProgram);
        isProgram = false;
        at = end;
    }
    return result;
}

} // namespace FinishStep
