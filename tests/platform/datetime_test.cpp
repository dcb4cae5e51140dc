#include "platform/datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;

namespace {

TDateTime encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  TDateTime v = 0;
  EXPECT_TRUE(tryEncodeDateTime({y, mo, d, h, mi, s, ms}, v));
  return v;
}

class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* tz) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", tz, 1);
    resetTimeZoneCache();
  }
  ~TimeZoneScope() {
    if (had_) setenv("TZ", saved_.c_str(), 1); else unsetenv("TZ");
    resetTimeZoneCache();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

}  // namespace

TEST(DateTimeText, DateAndTimeForms) {
  EXPECT_EQ(dateTimeToStr(encode(2015, 3, 5, 9, 7, 2)), "2015/3/5 9:07:02");
  EXPECT_EQ(dateTimeToStr(encode(2015, 3, 5)), "2015/3/5");
  EXPECT_EQ(dateTimeToStr(0), "1899/12/30");
  EXPECT_EQ(dateTimeToStr(encode(2023, 12, 31, 23, 59, 59, 999)), "2023/12/31 23:59:59");
  // A fraction of a second alone is still "not midnight".
  EXPECT_EQ(dateTimeToStr(encode(2015, 3, 5, 0, 0, 0, 1)), "2015/3/5 0:00:00");
  EXPECT_EQ(logStamp(encode(2015, 3, 5)), "2015/3/5 0:00:00");
}

TEST(DateTimeText, ParsesWhatItWrites) {
  for (TDateTime v : {encode(2015, 3, 5, 9, 7, 2), encode(2000, 2, 29), encode(1980, 1, 1, 23, 0, 1),
                      0.0}) {
    TDateTime back = -1;
    ASSERT_TRUE(tryStrToDateTime(dateTimeToStr(v), back)) << dateTimeToStr(v);
    EXPECT_EQ(back, v);
  }
  TDateTime v = 0;
  EXPECT_FALSE(tryStrToDateTime("", v));
  EXPECT_FALSE(tryStrToDateTime("2015/2/30", v));
  EXPECT_FALSE(tryStrToDateTime("2015/3/5 25:00:00", v));
  EXPECT_FALSE(tryStrToDateTime("2015-3-5", v));
  EXPECT_FALSE(tryStrToDateTime("2015/3/5 9:07:02x", v));
  ASSERT_TRUE(tryStrToDateTime("2015/3/5 9:07", v));
  EXPECT_EQ(v, encode(2015, 3, 5, 9, 7));
}

TEST(DateTimeText, YearsOutsideTheCalendarReadBackInWholeSeconds) {
  // A file on a drive with 64-bit times may be dated so; its entry text must
  // read back as the scan's record holds it.
  for (const std::int64_t seconds : {316'559'000'000LL, -62'200'000'000LL, -62'135'596'801LL}) {
    const TDateTime v = fileTimeToDateTime(seconds, 700'000'000);
    const TDateTime whole = wholeSeconds(v);
    EXPECT_EQ(decodeDateTime(whole).millisecond, 0);
    EXPECT_EQ(decodeDateTime(whole).second, decodeDateTime(v).second);
    TDateTime back = 0;
    ASSERT_TRUE(tryStrToDateTime(dateTimeToStr(v), back)) << dateTimeToStr(v);
    EXPECT_EQ(back, whole) << dateTimeToStr(v);
  }
  TDateTime v = 0;
  EXPECT_FALSE(tryEncodeDateTime({10000, 1, 1}, v));  // the class library's range stays
  EXPECT_FALSE(tryEncodeDateTime({0, 1, 1}, v));
  EXPECT_FALSE(tryStrToDateTime("100000/1/1", v));
  EXPECT_FALSE(tryStrToDateTime("--1/1/1", v));
}

TEST(DateTimeText, DecodeRoundsToMilliseconds) {
  const TDateTime v = encode(2021, 6, 1, 12, 30, 45, 700);
  const DateTimeParts p = decodeDateTime(v);
  EXPECT_EQ(p.year, 2021);
  EXPECT_EQ(p.hour, 12);
  EXPECT_EQ(p.second, 45);
  EXPECT_EQ(p.millisecond, 700);
  EXPECT_EQ(encode(1899, 12, 31), 1.0);
  EXPECT_EQ(encode(1970, 1, 1), 25569.0);
}

TEST(FileTime, LocalTimeWithMilliseconds) {
  TimeZoneScope tz("Asia/Shanghai");
  // 2015-03-05 01:07:02.700 UTC is 9:07:02.700 in UTC+8.
  const TDateTime v = fileTimeToDateTime(1425517622, 700'000'000);
  EXPECT_EQ(v, encode(2015, 3, 5, 9, 7, 2, 700));
  EXPECT_EQ(dateTimeToStr(v), "2015/3/5 9:07:02");
}

TEST(FileTime, FollowsDaylightSavingAcrossCachedBuckets) {
  TimeZoneScope tz("Europe/Berlin");
  // Winter (UTC+1) and summer (UTC+2) instants in one process.
  EXPECT_EQ(dateTimeToStr(fileTimeToDateTime(1704067200, 0)), "2024/1/1 1:00:00");
  EXPECT_EQ(dateTimeToStr(fileTimeToDateTime(1719792000, 0)), "2024/7/1 2:00:00");
  EXPECT_EQ(dateTimeToStr(fileTimeToDateTime(1704067200, 0)), "2024/1/1 1:00:00");
}

TEST(Clock, TestClockIsUsedAndRestored) {
  setClockForTesting([] { return 42.5; });
  EXPECT_EQ(now(), 42.5);
  EXPECT_EQ(logStamp(), "1900/2/10 12:00:00");
  setClockForTesting(nullptr);
  EXPECT_GT(now(), encode(2020, 1, 1));
}
