#pragma once
// What the report_args helper wrote, and the environment that drives it.

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace child_report {

struct Report {
    bool found = false;
    std::string folder;
    long pid = 0;
    long session = 0;
    long group = 0;
    std::vector<std::string> arguments; // the program itself first
};

inline Report readReport(const std::string& path) {
    Report report;
    if (!testing_support::fileExists(path))
        return report;
    const std::string text = testing_support::readFile(path);
    std::vector<std::string> fields;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\0', at);
        fields.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    if (fields.size() < 4)
        return report;
    report.found = true;
    report.folder = fields[0];
    report.pid = std::atol(fields[1].c_str());
    report.session = std::atol(fields[2].c_str());
    report.group = std::atol(fields[3].c_str());
    report.arguments.assign(fields.begin() + 4, fields.end());
    return report;
}

// Polls for a file a detached program writes, up to the given time.
inline bool waitForFile(const std::string& path, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!testing_support::fileExists(path)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Sets the helper's environment for one test and clears it afterwards.
class ChildEnvironment {
public:
    explicit ChildEnvironment(const std::string& reportPath, int exitCode = 0,
                              int sleepMilliseconds = 0, const std::string& donePath = "") {
        set("KENDRY_REPORT", reportPath);
        set("KENDRY_EXIT", std::to_string(exitCode));
        set("KENDRY_SLEEP_MS", std::to_string(sleepMilliseconds));
        set("KENDRY_DONE", donePath);
    }
    ~ChildEnvironment() {
        for (const char* name : {"KENDRY_REPORT", "KENDRY_EXIT", "KENDRY_SLEEP_MS", "KENDRY_DONE"})
            ::unsetenv(name);
    }
    ChildEnvironment(const ChildEnvironment&) = delete;
    ChildEnvironment& operator=(const ChildEnvironment&) = delete;

private:
    static void set(const char* name, const std::string& value) {
        if (value.empty())
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    }
};

} // namespace child_report
