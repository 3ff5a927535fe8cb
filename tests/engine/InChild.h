#pragma once
// Runs a piece of a test in a forked child, for conditions a test must not
// impose on its own process: a file-size limit, or running without root's
// right to ignore permissions.

#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace in_child {

// The value body returns in the child; -1 when the child died instead.
inline int run(const std::function<void()>& setUp, const std::function<int()>& body) {
    int channel[2];
    if (::pipe(channel) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        setUp();
        const int result = body();
        const bool sent = ::write(channel[1], &result, sizeof result) == sizeof result;
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    int result = -1;
    if (pid < 0 || ::read(channel[0], &result, sizeof result) != sizeof result)
        result = -1;
    ::close(channel[0]);
    int status = 0;
    if (pid > 0)
        ::waitpid(pid, &status, 0);
    return result;
}

// As the nobody account when the test runs as root, so permissions count.
inline int runUnprivileged(const std::function<int()>& body) {
    return run(
        [] {
            if (::geteuid() != 0)
                return;
            const gid_t nobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                ::_exit(2);
        },
        body);
}

// With files limited to limit bytes; writing beyond fails with EFBIG instead
// of killing the child with SIGXFSZ.
inline int runWithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
    return run(
        [limit] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit bound{limit, limit};
            if (::setrlimit(RLIMIT_FSIZE, &bound) != 0)
                ::_exit(2);
        },
        body);
}

} // namespace in_child
