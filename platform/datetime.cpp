#include "platform/datetime.h"
#include "platform/datetime_internal.h"

#include <atomic>
#include <charconv>
#include <cmath>

namespace platform {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// A day number (days since 1899-12-30) and a time of day in milliseconds make
// a TDateTime; before the base date the fraction counts the other way.
TDateTime compose(std::int64_t dayNumber, std::int64_t msOfDay) {
  const double fraction = static_cast<double>(msOfDay) / static_cast<double>(MSecsPerDay);
  return dayNumber >= 0 ? static_cast<double>(dayNumber) + fraction
                        : static_cast<double>(dayNumber) - fraction;
}

std::atomic<ClockFunction> testClock{nullptr};

void appendUnsigned(std::string& out, unsigned value, int minDigits) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  for (int n = static_cast<int>(end - buf); n < minDigits; ++n) out.push_back('0');
  out.append(buf, end);
}

void appendDate(std::string& out, const DateTimeParts& p) {
  if (p.year < 0) out.push_back('-');
  appendUnsigned(out, static_cast<unsigned>(std::abs(p.year)), 4);
  out.push_back('/');
  appendUnsigned(out, static_cast<unsigned>(p.month), 1);
  out.push_back('/');
  appendUnsigned(out, static_cast<unsigned>(p.day), 1);
}

void appendTime(std::string& out, const DateTimeParts& p) {
  appendUnsigned(out, static_cast<unsigned>(p.hour), 1);
  out.push_back(':');
  appendUnsigned(out, static_cast<unsigned>(p.minute), 2);
  out.push_back(':');
  appendUnsigned(out, static_cast<unsigned>(p.second), 2);
}

// Reads an unsigned decimal number of 1..maxDigits digits at pos.
bool readNumber(std::string_view s, std::size_t& pos, int maxDigits, int& value) {
  std::size_t start = pos;
  value = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' &&
         static_cast<int>(pos - start) < maxDigits) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
  }
  return pos > start;
}

// The text of a file time may carry any year the calendar arithmetic holds
// to the millisecond: a drive with 64-bit times can date a file in the year
// 12000 or before the year 1, and its entry must still read back.
constexpr int kTextYearLimit = 99'999;

bool encodeParts(const DateTimeParts& p, int minYear, int maxYear, TDateTime& out) {
  if (p.year < minYear || p.year > maxYear || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > daysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.millisecond < 0 ||
      p.millisecond > 999)
    return false;
  const std::int64_t dayNumber =
      daysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) +
      UnixDateDelta;
  const std::int64_t ms =
      ((static_cast<std::int64_t>(p.hour) * 60 + p.minute) * 60 + p.second) * 1000 +
      p.millisecond;
  out = compose(dayNumber, ms);
  return true;
}

}  // namespace

bool tryEncodeDateTime(const DateTimeParts& p, TDateTime& out) { return encodeParts(p, 1, 9999, out); }

TDateTime wholeSeconds(TDateTime value) {
  DateTimeParts parts = decodeDateTime(value);
  if (parts.millisecond == 0) return value;
  parts.millisecond = 0;
  TDateTime truncated = value;
  return encodeParts(parts, -kTextYearLimit, kTextYearLimit, truncated) ? truncated : value;
}

DateTimeParts decodeDateTime(TDateTime value) {
  const auto total = static_cast<std::int64_t>(std::llround(value * static_cast<double>(MSecsPerDay)));
  const std::int64_t dayNumber = total / MSecsPerDay;  // truncates toward zero, like the date part
  std::int64_t ms = std::llabs(total) % MSecsPerDay;
  DateTimeParts p;
  civilFromDays(dayNumber - UnixDateDelta, p.year, p.month, p.day);
  p.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  p.second = static_cast<int>(ms % 60);
  ms /= 60;
  p.minute = static_cast<int>(ms % 60);
  p.hour = static_cast<int>(ms / 60);
  return p;
}

void setClockForTesting(ClockFunction clock) { testClock.store(clock); }

TDateTime now() {
  if (ClockFunction clock = testClock.load()) return clock();
  return systemNow();
}

void appendDateTimeStr(std::string& out, TDateTime value) {
  const DateTimeParts p = decodeDateTime(value);
  appendDate(out, p);
  if (p.hour != 0 || p.minute != 0 || p.second != 0 || p.millisecond != 0) {
    out.push_back(' ');
    appendTime(out, p);
  }
}

std::string dateTimeToStr(TDateTime value) {
  std::string out;
  appendDateTimeStr(out, value);
  return out;
}

std::string logStamp(TDateTime value) {
  const DateTimeParts p = decodeDateTime(value);
  std::string out;
  appendDate(out, p);
  out.push_back(' ');
  appendTime(out, p);
  return out;
}

std::string logStamp() { return logStamp(now()); }

bool tryStrToDateTime(std::string_view s, TDateTime& out) {
  auto skipBlanks = [&](std::size_t& pos) {
    while (pos < s.size() && s[pos] == ' ') ++pos;
  };
  DateTimeParts p;
  std::size_t pos = 0;
  skipBlanks(pos);
  const bool negativeYear = pos < s.size() && s[pos] == '-';
  if (negativeYear) ++pos;
  if (!readNumber(s, pos, 5, p.year) || pos >= s.size() || s[pos++] != '/') return false;
  if (negativeYear) p.year = -p.year;
  if (!readNumber(s, pos, 2, p.month) || pos >= s.size() || s[pos++] != '/') return false;
  if (!readNumber(s, pos, 2, p.day)) return false;
  skipBlanks(pos);
  if (pos < s.size()) {
    if (!readNumber(s, pos, 2, p.hour) || pos >= s.size() || s[pos++] != ':') return false;
    if (!readNumber(s, pos, 2, p.minute)) return false;
    if (pos < s.size() && s[pos] == ':') {
      ++pos;
      if (!readNumber(s, pos, 2, p.second)) return false;
      if (pos < s.size() && s[pos] == '.') {
        ++pos;
        std::size_t start = pos;
        if (!readNumber(s, pos, 3, p.millisecond)) return false;
        for (std::size_t n = pos - start; n < 3; ++n) p.millisecond *= 10;
      }
    }
    skipBlanks(pos);
    if (pos != s.size()) return false;
  }
  return encodeParts(p, -kTextYearLimit, kTextYearLimit, out);
}

// Exposed to the OS part, which owns the real clock and time zone.
TDateTime composeDateTime(std::int64_t dayNumber, std::int64_t msOfDay) {
  return compose(dayNumber, msOfDay);
}

std::int64_t millisecondsBetween(TDateTime a, TDateTime b) {
  return static_cast<std::int64_t>(std::nearbyint((a - b) * static_cast<double>(MSecsPerDay)));
}

}  // namespace platform
