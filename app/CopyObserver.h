#pragma once
// What the payload copy needs from the page that shows it: the progress gauge, the progress
// line and the overwrite question. The copy knows no window, so it runs in tests as it runs
// under the folder page.

#include "CStdStr.h"

// The answers of the overwrite question, numbered as the toolkit numbers the buttons that give
// them (wxID_YES, wxID_NO, wxID_YESTOALL, wxID_NOTOALL, wxID_CANCEL).
enum OverwriteAnswer {
    OVERWRITE_CANCEL = 5101,
    OVERWRITE_YES = 5103,
    OVERWRITE_NO = 5104,
    OVERWRITE_YES_TO_ALL = 5113,
    OVERWRITE_NO_TO_ALL = 5114,
};

class CopyObserver {
public:
    virtual ~CopyObserver() = default;

    // Before the walk: the gauge gets its range and appears.
    virtual void startProgress(int total) = 0;
    // After each file: the number of files handled before it.
    virtual void progress(int done) = 0;
    // After each file: the progress line, an HTML fragment in the language's code page.
    virtual void footer(const CStdStr& text) = 0;
    // After the walk: whatever the page held back is shown now.
    virtual void endProgress() {}
    // Whether to replace the existing file of that name; an OverwriteAnswer, or any other
    // number when the question was closed some other way.
    virtual int askOverwrite(const CStdStr& fileName) = 0;
    // A file name as the language's texts spell it, so that it can go into one of them.
    virtual CStdStr textForName(const CStdStr& fileName) { return fileName; }
};
