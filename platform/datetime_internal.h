// Seam between the portable date-time code and the OS part that reads the
// real clock and time zone. Not for use outside platform/.
#pragma once

#include <cstdint>

#include "platform/datetime.h"

namespace platform {

// The system clock in local time.
TDateTime systemNow();
// A day number (days since 1899-12-30) and milliseconds of that day.
TDateTime composeDateTime(std::int64_t dayNumber, std::int64_t msOfDay);

}  // namespace platform
