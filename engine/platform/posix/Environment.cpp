#include "../Environment.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "../WinError.h"

extern char** environ;

namespace platform {
namespace {

// Windows treats variable names without regard to case.
const char* findVariable(const std::string& name) {
    if (name.empty())
        return nullptr;
    if (const char* exact = std::getenv(name.c_str()))
        return exact;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals && size_t(equals - *entry) == name.size() &&
            ::strncasecmp(*entry, name.c_str(), name.size()) == 0)
            return equals + 1;
    }
    return nullptr;
}

} // namespace

int expandEnvironmentStrings(const CStdStr& text, CStdStr& expanded) {
    expanded.clear();
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find('%', at);
        if (open == std::string::npos) {
            expanded.append(text, at, std::string::npos);
            break;
        }
        expanded.append(text, at, open - at);
        const size_t close = text.find('%', open + 1);
        const char* value = close == std::string::npos
                                ? nullptr
                                : findVariable(text.substr(open + 1, close - open - 1));
        if (value) {
            expanded += value;
            at = close + 1;
        } else {
            expanded += '%';
            at = open + 1;
        }
    }
    return winerr::SUCCESS;
}

} // namespace platform
