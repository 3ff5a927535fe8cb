// A child program for the launcher tests. Driven by its environment so that
// its arguments are entirely the test's:
//   KENDRY_REPORT   file to write: current folder, pid, session, process
//                   group and each argument, every field ended by a NUL
//   KENDRY_SLEEP_MS milliseconds to sleep before ending
//   KENDRY_DONE     file created after the sleep
//   KENDRY_EXIT     exit code
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

bool writeWhole(const std::string& path, const std::string& bytes) {
    // Written aside and renamed, so a reader never sees half a report.
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written && std::rename(partial.c_str(), path.c_str()) == 0;
}

std::string report(int argc, char** argv) {
    char folder[4096] = {};
    std::string text = ::getcwd(folder, sizeof folder) ? folder : "?";
    text += '\0';
    for (const long id : {static_cast<long>(::getpid()), static_cast<long>(::getsid(0)),
                          static_cast<long>(::getpgrp())}) {
        text += std::to_string(id);
        text += '\0';
    }
    for (int at = 0; at < argc; ++at) {
        text += argv[at];
        text += '\0';
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (const char* path = std::getenv("KENDRY_REPORT")) {
        if (!writeWhole(path, report(argc, argv)))
            return 99;
    }
    if (const char* sleep = std::getenv("KENDRY_SLEEP_MS")) {
        const long milliseconds = std::atol(sleep);
        timespec left = {milliseconds / 1000, (milliseconds % 1000) * 1000000};
        while (::nanosleep(&left, &left) != 0) {
        }
    }
    if (const char* done = std::getenv("KENDRY_DONE"))
        writeWhole(done, "done");
    const char* code = std::getenv("KENDRY_EXIT");
    return code ? std::atoi(code) : 0;
}
