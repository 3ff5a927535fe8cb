#pragma once
// Shared helpers for tests: a scratch folder, whole-file reads and writes, and
// a capture of what the debug log writes.

#include <set>
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

// A native path in the engine's backslash form.
CStdStr engineForm(const std::string& nativePath);
// The names in a folder, sorted.
std::set<std::string> entriesOf(const std::string& folder);

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

// Sets (or, given null, unsets) an environment variable for the object's
// lifetime and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

// A registry store of the test's own: KENDRY_REGISTRY names a file in a
// fresh folder for the object's lifetime, so no test touches a real store.
class TempRegistry {
public:
    TempRegistry();

    const std::string& path() const { return m_path; }
    const TempDir& dir() const { return m_dir; }
    // Writes the .reg text as it is (ANSI) or as UTF-16LE with FF FE; "\n"
    // in the text becomes CRLF in the UTF-16 form.
    void writeAnsi(const std::string& text) const;
    void writeUtf16(const std::string& latin1Text) const;

private:
    TempDir m_dir;
    std::string m_path;
    ScopedEnvironment m_variable;
};

// Each byte of the text as one UTF-16LE unit (so Latin-1 text converts too).
std::string utf16(const std::string& latin1Text);

} // namespace testing_support
