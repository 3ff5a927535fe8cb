#pragma once
// What the folder page's finish button does before it ends the run: count the payload, show
// the gauge, copy the payload into the destination and, when the copy got going, start the
// package's set-up program.

#include "CStdStr.h"
#include "CopyObserver.h"
#include "FileAction.h"

namespace FinishStep {

// Copies sourceDir into destination (a folder ending in "\") and starts the set-up program
// when the copy succeeded.
void Run(FileAction& copy, CopyObserver& page, const CStdStr& destination);

// Starts the launch command: filled with the destination and not waited for when it names
// "%DestPath%", otherwise (the package folder already filled in) waited for until it ends.
void StartSetupProgram(const CStdStr& destination);

// The command with the destination folder (ending in "\") in place of every "%DestPath%\".
// A word of the command that gains a blank that way is put in quotes, so that the folder
// stays one program name or one argument.
CStdStr FillDestination(const CStdStr& command, const CStdStr& destination);

} // namespace FinishStep
