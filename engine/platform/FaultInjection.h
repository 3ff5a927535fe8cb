#pragma once
// Lets a test make a chosen file-system operation fail with a chosen Windows
// error code, so that the paths taken only when the system refuses (a locked
// file, a full disk, a restart that is needed) run for real. With nothing
// armed the cost at each operation is one relaxed atomic load.

#include <atomic>

#include "../CStdStr.h"

namespace platform {

enum class FileOperation {
    TempFileName,
    SetCurrentDirectory,
    CreateDirectory,
    SetFileAttributes,
    FileTime,
    // The whole copy, refused before it touches anything.
    CopyFile,
    // Each step inside a copy (open, create the temporary, every block of
    // data, times, permissions, the final rename): a fault here fails the
    // copy midway.
    CopyStep,
    // The kernel's copy offload (copy_file_range, then sendfile) within a
    // copy: a fault here makes it report that it cannot copy these files,
    // so the copy carries on the next way; the error code is not used.
    CopyOffload,
    MoveFile,
    DeleteFile,
    RemoveDirectory,
};

struct InjectedFault {
    FileOperation operation = FileOperation::CopyFile;
    int error = 0;
    // Engine path compared ignoring case with every path the call names
    // (source or destination); empty matches any path.
    CStdStr path;
    // Counted over the calls that match operation and path, from 1.
    int onCall = 1;
    // Fails that call and every later matching one instead of that call only.
    bool persistent = false;
};

// Arms one more fault; several may be armed at once.
void injectFault(const InjectedFault& fault);
// Disarms every fault and resets the counts.
void clearInjectedFaults();
// How many calls failed by injection since the last clear, of every
// operation or of one.
int injectedFailures();
int injectedFailures(FileOperation operation);

namespace fault_detail {
extern std::atomic<bool> armed;
int check(FileOperation operation, const CStdStr& path, const CStdStr* other);
} // namespace fault_detail

// The error a call must fail with, 0 when it goes ahead.
inline int injectedFault(FileOperation operation, const CStdStr& path) {
    if (!fault_detail::armed.load(std::memory_order_relaxed))
        return 0;
    return fault_detail::check(operation, path, nullptr);
}
inline int injectedFault(FileOperation operation, const CStdStr& path, const CStdStr& other) {
    if (!fault_detail::armed.load(std::memory_order_relaxed))
        return 0;
    return fault_detail::check(operation, path, &other);
}

// Clears every armed fault when the scope ends, however a test leaves it.
class FaultScope {
public:
    FaultScope() = default;
    ~FaultScope() { clearInjectedFaults(); }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};

} // namespace platform
