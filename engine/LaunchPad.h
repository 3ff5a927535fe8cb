#pragma once
// Starts another program from a command line: batch files through the
// command interpreter, optionally in the program's own folder, and either
// returning at once or waiting for the program to end.

#include <cstdint>
#include <functional>

// Dispatches the application's pending GUI events (only paint events when
// paintOnly is set). The engine knows no GUI library: the application hands
// its pump over with setMessagePump.
using MessagePump = std::function<void(bool paintOnly)>;

// Installs the pump that waiting launches with message pumping call once per
// second; returns the one it replaces. An empty pump dispatches nothing.
MessagePump setMessagePump(MessagePump pump);

class Launcher {
public:
    // Results come through errorOut (a Windows error code) and exitCodeOut
    // (the program's exit code, or the command interpreter's result for a
    // batch file); both are always written. The user token, show mode and
    // creation flags are Windows notions the platform may ignore.
    virtual void DoLaunch(const char* command, bool wait, bool pumpMessages, bool changeDir,
                          void* userToken, int showWindow, std::uint32_t creationFlags,
                          std::uint32_t& errorOut, std::uint32_t& exitCodeOut, bool paintOnly);

    // Called after each one-second wait that ends with the program still
    // running, when the launch pumps messages. Nothing happens here.
    virtual void Idle() {}

    // Virtual because derived classes override Idle and may be deleted
    // through a Launcher.
    virtual ~Launcher() = default;
};

// Starts the command without waiting; returns the error code. The program
// is detached from this process and goes on when it ends.
std::uint32_t Launch(const char* command, bool changeDir = false, void* userToken = nullptr,
                     int showWindow = 0, std::uint32_t creationFlags = 0);

// Starts the command and waits for it to end; returns the error code.
std::uint32_t LaunchAndWait(const char* command, bool pumpMessages, std::uint32_t& exitCodeOut,
                            bool changeDir = false, void* userToken = nullptr, int showWindow = 0,
                            std::uint32_t creationFlags = 0, bool paintOnly = false);
