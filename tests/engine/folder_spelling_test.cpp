// A folder renamed only in letter case on the disk: the stick's folder takes
// the new spelling where its drive allows, and where it refuses (FAT through
// FUSE), the two spellings stay one folder instead of its files being
// copied again and the old spelling's removed on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/pThdSync.h"
#include "tests/engine/job_harness.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

class FolderSpelling : public OnEachDrive {
 protected:
  std::vector<std::string> listed(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static bool any(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
};

TEST_P(FolderSpelling, ARenameInLetterCaseOnlyReachesTheStickWithoutCopyingItsFiles) {
  Pair s(onDrive("sync"), tolerance());
  for (int i = 0; i < 3; ++i) put(s.disk.path(), "photos/p" + std::to_string(i) + ".jpg", "photo " + std::to_string(i), kT0 + 2 * i);
  put(s.disk.path(), "photos/inner/i.txt", "inner", kT0 + 10);
  {
    JobHarness first;
    first.run(TSyncType::DiskSync, s.settings());
    ASSERT_EQ(first.outcome().End, TJobEnd::Done);
  }
  fs::rename(s.disk.path() / "photos", s.disk.path() / "Photos");
  fs::rename(s.disk.path() / "Photos" / "inner", s.disk.path() / "Photos" / "Inner");
  drive_->replug();

  const bool ignoresCase = GetParam() != DriveKind::Folder;
  const bool refuses = GetParam() == DriveKind::Fat32;
  for (int run = 0; run < 2; ++run) {
    for (TSyncType kind : {TSyncType::DiskSync, TSyncType::AutoSync}) {
      JobHarness h;
      h.run(kind, s.settings());
      const auto lines = h.lines();
      const auto numbers = h.numbers();
      const auto copies = std::count(numbers.begin(), numbers.end(), WM_COPYSTART);
      if (!ignoresCase) {
        // Two names on an ordinary drive: the old folder goes, the new one comes, once.
        if (run == 0 && kind == TSyncType::DiskSync) {
          EXPECT_EQ(copies, 4);
        }
        continue;
      }
      EXPECT_EQ(copies, 0) << "run " << run;
      EXPECT_FALSE(any(lines, "删除文件")) << "run " << run;
      if (refuses) {
        // Said once per run for each folder, and nothing else happens.
        EXPECT_TRUE(any(lines, "1、修改文件夹名错误，两种写法视为同一个文件夹：" + s.u() + "photos修改为" + s.u() + "Photos"));
        EXPECT_TRUE(any(lines, "2、修改文件夹名错误，两种写法视为同一个文件夹：" + s.u() + "Photos/inner修改为" + s.u() + "Photos/Inner"));
        EXPECT_EQ(h.outcome().Errors.size(), 2u);
      } else if (run == 0 && kind == TSyncType::DiskSync) {
        EXPECT_EQ(lines[5], timed("被同步文件夹修改文件夹名" + s.u() + "photos修改为" + s.u() + "Photos"));
        EXPECT_EQ(lines[6], timed("被同步文件夹修改文件夹名" + s.u() + "Photos/inner修改为" + s.u() + "Photos/Inner"));
        EXPECT_EQ(h.outcome().Done.Renamed, 2);
        EXPECT_TRUE(h.outcome().Errors.empty());
      } else {
        EXPECT_EQ(h.outcome().End, TJobEnd::InStep) << lines.back();
      }
    }
  }
  EXPECT_EQ(listed(s.usb), std::vector<std::string>{refuses ? "photos" : "Photos"});
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(readFile(s.usb / "Photos" / ("p" + std::to_string(i) + ".jpg")), "photo " + std::to_string(i));
  EXPECT_EQ(readFile(s.usb / "Photos" / "Inner" / "i.txt"), "inner");
}

INSTANTIATE_TEST_SUITE_P(Drives, FolderSpelling, EachDrive(), DriveName);

}  // namespace
