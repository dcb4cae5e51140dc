#include "cli/options.h"

#include <gtest/gtest.h>

namespace {

std::string usageError(const std::vector<std::string>& args) {
  try {
    parseArguments(args);
  } catch (const UsageError& e) {
    return e.what();
  }
  return "accepted";
}

}  // namespace

TEST(CliOptions, ParsesEveryOptionInBothForms) {
  const CliOptions o = parseArguments({"--disk", "/d", "--usb=/u", "--mode", "usb-to-disk", "--same-newer=0",
                                       "--target-only", "2", "--types", "doc;xls", "--skip-types=tmp",
                                       "--config", "/c.ini", "--no-progress"});
  EXPECT_EQ(o.disk, "/d");
  EXPECT_EQ(o.usb, "/u");
  EXPECT_EQ(o.mode, TSyncType::USync);
  EXPECT_EQ(o.sameNewer, 0);
  EXPECT_EQ(o.targetOnly, 2);
  EXPECT_EQ(o.types, "doc;xls");
  EXPECT_EQ(o.skipTypes, "tmp");
  EXPECT_EQ(o.config, "/c.ini");
  EXPECT_TRUE(o.noProgress);

  const CliOptions defaults = parseArguments({});
  EXPECT_EQ(defaults.mode, TSyncType::AutoSync);
  EXPECT_FALSE(defaults.sameNewer.has_value());
  EXPECT_FALSE(defaults.disk.has_value());
  // A value may itself start with dashes or hold "=".
  EXPECT_EQ(parseArguments({"--disk", "--odd", "--usb", "a=b"}).usb, "a=b");
}

TEST(CliOptions, RefusesBadUsage) {
  EXPECT_EQ(usageError({"--bogus"}), "unknown option '--bogus'");
  EXPECT_EQ(usageError({"stray"}), "unexpected argument 'stray'");
  EXPECT_EQ(usageError({"--disk"}), "--disk needs a value");
  EXPECT_EQ(usageError({"--disk", "/d"}), "--disk and --usb go together");
  EXPECT_EQ(usageError({"--mode", "sideways"}),
            "--mode: expected auto, disk-to-usb or usb-to-disk, got 'sideways'");
  EXPECT_EQ(usageError({"--same-newer", "3"}), "--same-newer: expected 0, 1 or 2, got '3'");
  EXPECT_EQ(usageError({"--target-only="}), "--target-only: expected 0, 1 or 2, got ''");
  EXPECT_EQ(usageError({"--no-progress=1"}), "--no-progress takes no value");
  EXPECT_EQ(usageError({"--help"}), "accepted");
}

TEST(CliOptions, FatHoursFromZeroToTwentySix) {
  EXPECT_FALSE(parseArguments({}).fatHours.has_value());
  EXPECT_EQ(parseArguments({"--fat-hours", "0"}).fatHours, 0);
  EXPECT_EQ(parseArguments({"--fat-hours=26"}).fatHours, 26);
  EXPECT_EQ(parseArguments({"--fat-hours", "03"}).fatHours, 3);
  for (const char* bad : {"27", "-1", "", "1.5", "x", "+2", "100"})
    EXPECT_EQ(usageError({std::string("--fat-hours=") + bad}),
              std::string("--fat-hours: expected 0 to 26, got '") + bad + "'");
  EXPECT_EQ(usageError({"--fat-hours"}), "--fat-hours needs a value");
}
