// Date-time values as the rest of the program knows them: TDateTime, a double
// counting days since 1899-12-30 in local time with the time of day as the
// fraction. Holds conversions from file times, the date-time text written into
// entry strings and log lines (short date yyyy/M/d, long time H:mm:ss) and its
// parser. The clock and the time-zone cache can be swapped for tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using TDateTime = double;

inline constexpr std::int64_t MSecsPerDay = 86'400'000;
// Days from 1899-12-30 to 1970-01-01.
inline constexpr std::int64_t UnixDateDelta = 25'569;

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Builds a TDateTime from calendar fields; false when a field is out of range.
bool tryEncodeDateTime(const DateTimeParts& parts, TDateTime& out);
// Splits a TDateTime into calendar fields, rounded to the millisecond.
DateTimeParts decodeDateTime(TDateTime value);
// The value with its fraction of a second dropped, not rounded: what the
// date-time text below reads back as. Years -99999 to 99999 (a file time
// on a drive with 64-bit times may lie outside 1 to 9999); the value is
// kept as it is beyond.
TDateTime wholeSeconds(TDateTime value);

// a - b in whole milliseconds, rounded to the nearest (ties to even). Every
// comparison of two times in seconds goes through this: a difference of 4 s
// taken straight from the day fractions can read as 3.99999 s.
std::int64_t millisecondsBetween(TDateTime a, TDateTime b);

// Local "now". Thread-safe. Tests may install a fixed clock.
TDateTime now();
using ClockFunction = TDateTime (*)();
// Installs a clock (nullptr restores the system clock). Not thread-safe with
// respect to concurrent now() calls; call it before starting jobs.
void setClockForTesting(ClockFunction clock);

// A file's modification time (seconds and nanoseconds since the epoch, UTC)
// in local time, milliseconds kept. Thread-safe; caches UTC offsets per
// quarter hour per thread, so resetTimeZoneCache() must follow a TZ change.
TDateTime fileTimeToDateTime(std::int64_t seconds, std::int64_t nanoseconds);
void resetTimeZoneCache();

// The date-time text: yyyy/M/d, then one blank and H:mm:ss unless the time of
// day is exactly 0:00:00.000. Fractions of a second are dropped.
std::string dateTimeToStr(TDateTime value);
void appendDateTimeStr(std::string& out, TDateTime value);

// Parses the date-time text (a date alone reads as midnight; H:mm and
// fractional seconds are accepted too), for the years wholeSeconds holds,
// since file times are written with it. False when the text is not a date.
bool tryStrToDateTime(std::string_view text, TDateTime& out);

// The stamp that starts a timed log line: date, one blank, H:mm:ss (always
// with the time, also at midnight).
std::string logStamp(TDateTime value);
std::string logStamp();

}  // namespace platform
