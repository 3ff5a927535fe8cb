#include "../FaultInjection.h"

#include <mutex>
#include <vector>

namespace platform {
namespace {

struct ArmedFault {
    InjectedFault fault;
    int calls = 0;
    int failures = 0;
};

std::mutex& faultMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<ArmedFault>& armedFaults() {
    static std::vector<ArmedFault> faults;
    return faults;
}

int failures = 0;

bool namesPath(const InjectedFault& fault, const CStdStr& path, const CStdStr* other) {
    if (fault.path.empty())
        return true;
    return fault.path.EqualsNoCase(path.c_str()) ||
           (other && fault.path.EqualsNoCase(other->c_str()));
}

} // namespace

namespace fault_detail {

std::atomic<bool> armed{false};

int check(FileOperation operation, const CStdStr& path, const CStdStr* other) {
    std::lock_guard<std::mutex> lock(faultMutex());
    int error = 0;
    for (ArmedFault& armedFault : armedFaults()) {
        const InjectedFault& fault = armedFault.fault;
        if (fault.operation != operation || !namesPath(fault, path, other))
            continue;
        const int call = ++armedFault.calls;
        const bool fails = fault.persistent ? call >= fault.onCall : call == fault.onCall;
        if (fails && error == 0) {
            error = fault.error;
            ++armedFault.failures;
        }
    }
    if (error != 0)
        ++failures;
    return error;
}

} // namespace fault_detail

void injectFault(const InjectedFault& fault) {
    std::lock_guard<std::mutex> lock(faultMutex());
    armedFaults().push_back({fault, 0});
    fault_detail::armed.store(true, std::memory_order_relaxed);
}

void clearInjectedFaults() {
    std::lock_guard<std::mutex> lock(faultMutex());
    armedFaults().clear();
    failures = 0;
    fault_detail::armed.store(false, std::memory_order_relaxed);
}

int injectedFailures() {
    std::lock_guard<std::mutex> lock(faultMutex());
    return failures;
}

int injectedFailures(FileOperation operation) {
    std::lock_guard<std::mutex> lock(faultMutex());
    int count = 0;
    for (const ArmedFault& armedFault : armedFaults()) {
        if (armedFault.fault.operation == operation)
            count += armedFault.failures;
    }
    return count;
}

} // namespace platform
