#pragma once
// What the copy tests share: a page that records what the copy shows it and answers the
// overwrite questions from a list, and a package folder with a destination beside it.

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CopyObserver.h"
#include "TestSupport.h"

class RecordingPage : public CopyObserver {
public:
    std::deque<int> answers; // taken in turn
    std::vector<std::string> asked;
    std::vector<int> progressValues;
    std::vector<std::string> footers;
    int total = -1;

    void startProgress(int range) override { total = range; }
    void progress(int done) override { progressValues.push_back(done); }
    void footer(const CStdStr& text) override { footers.push_back(text); }
    int askOverwrite(const CStdStr& fileName) override {
        asked.push_back(fileName);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question about " << fileName;
            return OVERWRITE_CANCEL;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// A package's payload below "pkg" and the destination "Target" beside it.
class CopyFolders {
public:
    std::string source(const std::string& relative = "") const {
        return m_dir.file(relative.empty() ? "pkg" : "pkg/" + relative);
    }
    std::string target(const std::string& relative = "") const {
        return m_dir.file(relative.empty() ? "Target" : "Target/" + relative);
    }
    CStdStr sourceFolder() const { return m_dir.enginePath("pkg"); }
    // As the folder page hands it over: with a backslash at the end.
    CStdStr targetFolder() const { return m_dir.enginePath("Target") + "\\"; }
    const testing_support::TempDir& dir() const { return m_dir; }

private:
    testing_support::TempDir m_dir;
};
