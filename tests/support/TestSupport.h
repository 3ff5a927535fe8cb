#pragma once
// Shared helpers for tests: a scratch folder, whole-file reads and writes, and
// a capture of what the debug log writes.

#include <string>

#include "CStdStr.h"

namespace testing_support {

// A fresh folder below the system's temporary folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // A native path below the folder.
    std::string file(const std::string& relative) const;
    // The same path in the engine's backslash form.
    CStdStr enginePath(const std::string& relative = "") const;

private:
    std::string m_path;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// Points the debug log at a file of its own for the capture's lifetime.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string text() const;
    bool contains(const std::string& part) const;
    void clear();

private:
    TempDir m_dir;
    CStdStr m_previous;
};

} // namespace testing_support
