#pragma once
// Local time for log stamps and time variables.

#include <ctime>

namespace platform {

// Re-reads the time-zone settings, as the C runtime's tzset does.
void refreshTimeZone();

// Breaks the calendar time down into local time; false when it cannot.
bool toLocalTime(std::time_t when, std::tm& out);

} // namespace platform
