#include "../Clock.h"

#include <time.h>

namespace platform {

void refreshTimeZone() {
    ::tzset();
}

bool toLocalTime(std::time_t when, std::tm& out) {
    return ::localtime_r(&when, &out) != nullptr;
}

} // namespace platform
