// The engine scans straight into records; the entry strings of GetFileAry
// read back by FileAryToList must give the same inventory, item by item in
// walk order, with the same newest time, whatever the tree holds.
#include "inventory/inventory_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "inventory/MyGetFiles.h"
#include "inventory/pglobal.h"
#include "platform/exceptions.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_mounts.h"
#include "tests/support/unprivileged.h"

namespace fs = std::filesystem;

namespace {

using List = std::vector<std::string>;

const std::int64_t kT0 = 1'425'517'622;  // 2015-03-05 01:07:02 UTC

// Seconds east of UTC at t, as the walk converts times.
std::int64_t localOffset(std::int64_t t) {
  const double utcDays = static_cast<double>(t) / 86400.0 + platform::UnixDateDelta;
  return std::llround((platform::fileTimeToDateTime(t, 0) - utcDays) * 86400.0);
}

// The first local midnight at or after t.
std::int64_t localMidnightAfter(std::int64_t t) {
  const std::int64_t local = t + localOffset(t);
  return t + (86400 - local % 86400) % 86400;
}

class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* tz) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", tz, 1);
    platform::resetTimeZoneCache();
  }
  ~TimeZoneScope() {
    if (had_) setenv("TZ", saved_.c_str(), 1); else unsetenv("TZ");
    platform::resetTimeZoneCache();
  }
  TimeZoneScope(const TimeZoneScope&) = delete;
  TimeZoneScope& operator=(const TimeZoneScope&) = delete;

 private:
  std::string saved_;
  bool had_ = false;
};

std::string describe(const TFileInfo& info) {
  std::ostringstream out;
  out.precision(17);
  out << (info.Falg ? "folder " : "file ") << info.Path << "|" << info.Name << " time "
      << info.LastModifyTime << " (" << platform::dateTimeToStr(info.LastModifyTime) << ") size " << info.Size;
  return out.str();
}

struct Filters {
  const char* label;
  bool allSync;
  List allow, noAllow;
};

// Blocks the folder "locked" outright, and lets "shut" be listed but not one
// of its entries examined, as a folder without search permission would.
std::error_code unreadable(platform::FolderOp op, std::string_view name) {
  if (op == platform::FolderOp::Open && name == "locked") return std::make_error_code(std::errc::permission_denied);
  if (op == platform::FolderOp::Describe && name == "hidden.txt")
    return std::make_error_code(std::errc::permission_denied);
  return {};
}

// What differs between the two inventories, on every field an entry string
// carries, item by item; empty when they agree.
std::string differences(const TInventoryList& direct, TDateTime newest, const TInventoryList& fromText,
                        TDateTime textNewest) {
  std::ostringstream out;
  out.precision(17);
  if (newest != textNewest) out << "newest " << newest << " against " << textNewest << "\n";
  if (direct.Count() != fromText.Count()) out << direct.Count() << " items against " << fromText.Count() << "\n";
  for (std::size_t i = 0; i < std::min(direct.Count(), fromText.Count()); ++i) {
    const TFileInfo& a = direct[i];
    const TFileInfo& b = fromText[i];
    if (a.Falg != b.Falg || a.Name != b.Name || a.Path != b.Path || a.LastModifyTime != b.LastModifyTime ||
        a.Size != b.Size)
      out << "item " << i << "\n  scan: " << describe(a) << "\n  text: " << describe(b) << "\n";
  }
  return out.str();
}

struct Scans {
  TInventoryList direct;
  std::string differences;
};

// Both scans of root with one filter setting.
Scans scanBothWays(const std::string& root, const Filters& f, TFileStore& store, std::vector<TUnreadFolder>* unread,
                   TInventoryList* filtered) {
  TDateTime textNewest = -1;
  const TInventoryList fromText = FileAryToList(GetFileAry(root, textNewest, f.allSync, f.allow, f.noAllow), store);
  TDateTime newest = -1;
  Scans scans;
  scans.direct = ScanToInventory(root, newest, f.allSync, f.allow, f.noAllow, store, {unread, nullptr, filtered});
  scans.differences = differences(scans.direct, newest, fromText, textNewest);
  return scans;
}

class ScanParity : public ::testing::Test {
 protected:
  void SetUp() override { StopSync = false; }
  void TearDown() override { platform::setFolderFaultHookForTesting(nullptr); }

  void file(const std::string& rel, const std::string& data, std::int64_t seconds, long nanoseconds) const {
    testsupport::setMTime(dir.write(rel, data), seconds, nanoseconds);
  }

  TInventoryList expectSameInventory(const std::string& root, const Filters& f, std::vector<TUnreadFolder>* unread,
                                     TInventoryList* filtered) {
    Scans scans = scanBothWays(root, f, store, unread, filtered);
    EXPECT_EQ(scans.differences, "") << f.label;
    return std::move(scans.direct);
  }

  testsupport::TempDir dir;
  TFileStore store;
};

}  // namespace

TEST_F(ScanParity, BothScansGiveTheSameRecordsInTheSameOrder) {
  const TimeZoneScope zone("Asia/Shanghai");  // local midnight is not the UTC one
  const std::int64_t midnight = localMidnightAfter(kT0);
  file("a.txt", "12345", kT0, 700'000'000);
  file("pi|pe name.txt", "x", kT0 + 1, 999'999'999);
  file(" lead and trail .doc ", "xy", kT0 + 2, 500'000'000);
  file("x|0|2015/3/5 9:07:02|5", "name shaped like an entry", kT0 + 3, 1);
  file("noext", "n", kT0 + 4, 0);
  file("scratch.tmp", "newest, but a type left out", kT0 + 86400 * 30, 250'000'000);
  file("sub/midnight.TXT", "m", midnight, 250'000'000);
  file("sub/just before.txt", "j", midnight - 1, 999'000'000);
  file("sub/deep/old.Doc", std::string(3000, 'o'), -300'000'000, 400'000'000);  // 1960
  file("sub/deep/far.txt", "f", 13'000'000'000, 123'456'789);                    // 2381
  file("dir | with bar/inner.dot", "i", kT0 - 5, 5);
  file("locked/never seen.txt", "l", kT0 + 86400 * 60, 0);
  file("shut/hidden.txt", "h", kT0 + 86400 * 90, 0);
  dir.mkdir("empty");
  dir.mkdir("sub/also empty");
  fs::create_symlink("a.txt", dir.path() / "file link.txt");
  fs::create_directory_symlink("sub", dir.path() / "folder link");
  fs::create_symlink("missing.txt", dir.path() / "dangling.txt");
  platform::setFolderFaultHookForTesting(unreadable);

  const std::vector<Filters> settings = {
      {"everything monitored", true, {"[bad"}, {"[bad"}},
      {"no lists", false, {}, {}},
      {"monitored types", false, {"txt", ".do?"}, {}},
      {"monitored and not monitored", false, {"*"}, {"tmp", "DOC"}},
      {"only types not monitored", false, {}, {".tmp"}},
  };
  for (const std::string& root : {dir.str(), dir.str() + "/"}) {
    SCOPED_TRACE(root);
    for (const Filters& f : settings) {
      std::vector<TUnreadFolder> unread;
      TInventoryList filtered;
      const TInventoryList direct = expectSameInventory(root, f, &unread, &filtered);
      // Without the extras the direct scan keeps the same items.
      expectSameInventory(root, f, nullptr, nullptr);

      // The tree holds what the comparison is about, in every setting.
      std::vector<std::string> unreadPaths;
      for (const TUnreadFolder& u : unread) unreadPaths.push_back(u.Path);
      std::sort(unreadPaths.begin(), unreadPaths.end());
      const std::string base = dir.str() + "/";
      EXPECT_EQ(unreadPaths, (List{base + "locked", base + "shut"})) << f.label;
      bool linkSeen = false, subSecond = false, pipeName = false, emptyFolder = false;
      for (const TFileInfo* info : direct) {
        linkSeen |= info->IsLink;
        subSecond |= !info->Falg && info->MTimeNanoseconds > 0;
        pipeName |= info->Name.find('|') != std::string_view::npos;
        emptyFolder |= info->Falg && info->Name == "empty";
        EXPECT_NE(info->Name, "dangling.txt");
      }
      EXPECT_TRUE(linkSeen && subSecond && pipeName && emptyFolder) << f.label;
      EXPECT_EQ(filtered.Count() > 0, !f.allSync && !(f.allow.empty() && f.noAllow.empty())) << f.label;
    }
  }
}

TEST_F(ScanParity, WholeSecondsAreCutNotRounded) {
  const TimeZoneScope zone("Asia/Shanghai");
  // One file per case, so each comparison names its own time.
  const std::int64_t midnight = localMidnightAfter(kT0);
  const std::vector<std::pair<std::int64_t, long>> times = {
      {kT0, 999'999'999}, {midnight - 1, 999'500'000}, {midnight, 1'000'000}, {kT0, 0}};
  for (const auto& [seconds, nanoseconds] : times) {
    testsupport::TempDir one;
    testsupport::setMTime(one.write("f.txt", "x"), seconds, nanoseconds);
    TDateTime newest = 0;
    const TInventoryList direct = ScanToInventory(one.str(), newest, true, {}, {}, store);
    ASSERT_EQ(direct.Count(), 1u);
    EXPECT_EQ(direct[0].LastModifyTime, platform::fileTimeToDateTime(seconds, 0)) << nanoseconds;
    EXPECT_EQ(newest, platform::fileTimeToDateTime(seconds, nanoseconds));
    TDateTime textNewest = 0;
    const TInventoryList fromText = FileAryToList(GetFileAry(one.str(), textNewest, true, {}, {}), store);
    ASSERT_EQ(fromText.Count(), 1u);
    EXPECT_EQ(fromText[0].LastModifyTime, direct[0].LastModifyTime) << nanoseconds;
  }
}

TEST_F(ScanParity, TimesOutsideTheCalendarAgreeToo) {
  // Years the calendar of the class library does not hold: only a drive that
  // keeps 64-bit times can carry them, so a tmpfs.
  std::string why;
  if (!testsupport::canMount(why)) GTEST_SKIP() << why;
  testsupport::TmpfsMount drive(1 << 20);
  const std::string root = drive.path().string();
  auto file = [&](const std::string& name, std::int64_t seconds, long nanoseconds) {
    std::ofstream(drive.path() / name) << name;
    testsupport::setMTime(drive.path() / name, seconds, nanoseconds);
  };
  file("ordinary.txt", kT0, 0);
  file("year 12001.txt", 316'559'000'000, 700'000'000);
  file("year -1.txt", -62'200'000'000, 300'000'000);
  fs::create_directory(drive.path() / "folder after them");

  const TInventoryList direct = expectSameInventory(root, {"everything monitored", true, {}, {}}, nullptr, nullptr);
  ASSERT_EQ(direct.Count(), 4u);
  std::vector<std::string> years;
  for (const TFileInfo* info : direct) {
    EXPECT_EQ(platform::decodeDateTime(info->LastModifyTime).millisecond, 0) << describe(*info);
    if (!info->Falg) years.push_back(platform::dateTimeToStr(info->LastModifyTime).substr(0, 6));
  }
  std::sort(years.begin(), years.end());
  EXPECT_EQ(years, (List{"-0002/", "12001/", "2015/3"}));
}

TEST_F(ScanParity, FoldersShutByPermissionBitsAgreeToo) {
  // Root ignores the bits, so both scans run as an unprivileged user.
  file("a.txt", "a", kT0, 100'000'000);
  file("no access/secret.txt", "s", kT0 + 50, 0);
  file("list only/unseen.txt", "u", kT0 + 60, 0);
  file("after/b.txt", "b", kT0 + 2, 900'000'000);
  testsupport::giveTree(dir.path(), testsupport::kNobody, testsupport::kNobody);
  fs::permissions(dir.path() / "no access", fs::perms::none);
  fs::permissions(dir.path() / "list only", fs::perms::owner_read);
  const std::string root = dir.str();
  std::string why;
  const int result = testsupport::runAsNobody(
      [&] {
        TFileStore own;
        std::vector<TUnreadFolder> unread;
        const Scans scans = scanBothWays(root, {"type lists", false, {"txt"}, {}}, own, &unread, nullptr);
        if (!scans.differences.empty()) return 1;
        if (unread.size() != 2 || scans.direct.Count() != 5) return 2;  // not shut after all
        return 0;
      },
      why);
  fs::permissions(dir.path() / "no access", fs::perms::owner_all);
  fs::permissions(dir.path() / "list only", fs::perms::owner_all);
  if (result < 0) GTEST_SKIP() << why;
  EXPECT_EQ(result, 0) << "1: the scans differ, 2: the folders were read";
}

TEST(ScanNewest, TheNewestFilesRecordComesWithItsTime) {
  testsupport::TempDir dir;
  testsupport::setMTime(dir.write("a/old.txt", "o"), kT0);
  testsupport::setMTime(dir.write("b/new.txt", "n"), kT0 + 50, 500'000'000);
  testsupport::setMTime(dir.write("c/tie.txt", "t"), kT0 + 50, 500'000'000);
  // A folder's own time never counts, however new.
  fs::create_directories(dir.path() / "z");
  testsupport::setMTime(dir.path() / "z", kT0 + 1000);
  TFileStore store;
  TDateTime newest = 0;
  const TFileInfo* newestFile = nullptr;
  TScanExtras extras;
  extras.Newest = &newestFile;
  const TInventoryList list = ScanToInventory(dir.str(), newest, true, {}, {}, store, extras);
  ASSERT_NE(newestFile, nullptr);
  // The first of equal times in walk order, as the newest time is found.
  const std::string name(newestFile->Name);
  EXPECT_TRUE(name == "new.txt" || name == "tie.txt") << name;
  EXPECT_EQ(platform::wholeSeconds(newest), newestFile->LastModifyTime);
  bool earlierTie = false;
  for (std::size_t i = 0; i < list.Count() && list.Objects(i) != newestFile; ++i)
    earlierTie |= !list.Objects(i)->Falg && list.Objects(i)->LastModifyTime == newestFile->LastModifyTime;
  EXPECT_FALSE(earlierTie);

  testsupport::TempDir folders;
  fs::create_directories(folders.path() / "only");
  newestFile = &*list.Objects(0);
  ScanToInventory(folders.str(), newest, true, {}, {}, store, extras);
  EXPECT_EQ(newestFile, nullptr);
}
