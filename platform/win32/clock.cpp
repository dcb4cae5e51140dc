// Local time on Windows: the system clock and the conversion of UTC file
// times with the current time-zone bias, as Explorer shows them.
#include <windows.h>

#include "platform/datetime_internal.h"
#include "platform/win32/file_facts.h"

namespace platform {
namespace {

TDateTime fromSystemTime(const SYSTEMTIME& t) {
  DateTimeParts parts;
  parts.year = t.wYear, parts.month = t.wMonth, parts.day = t.wDay;
  parts.hour = t.wHour, parts.minute = t.wMinute, parts.second = t.wSecond, parts.millisecond = t.wMilliseconds;
  TDateTime value = 0;
  tryEncodeDateTime(parts, value);
  return value;
}

}  // namespace

// The system reads its time-zone data afresh on every conversion.
void resetTimeZoneCache() {}

TDateTime fileTimeToDateTime(std::int64_t seconds, std::int64_t nanoseconds) {
  const FILETIME utc = win32::unixToFileTime(seconds, nanoseconds);
  FILETIME local{};
  SYSTEMTIME fields{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &fields)) return 0;
  return fromSystemTime(fields);
}

TDateTime systemNow() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return fromSystemTime(t);
}

}  // namespace platform
