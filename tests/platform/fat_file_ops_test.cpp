// The file operations on a real FAT32 drive (fusefat): no permission bits
// (fchmod answers ENOSYS), times in steps of 2 s, a renamed file given the
// current time, and files that cannot be lengthened by truncation.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file_ops.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/sparse_file.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using testsupport::copyTempFiles;
using testsupport::FatMount;
using testsupport::mtimeNs;
using testsupport::patternBytes;
using testsupport::readFile;
using testsupport::setMTime;
using testsupport::TempDir;
namespace fs = std::filesystem;

#define SKIP_WITHOUT_FAT32()                            \
  do {                                                  \
    std::string why;                                    \
    if (!FatMount::available(why)) GTEST_SKIP() << why; \
  } while (false)

namespace {

constexpr std::int64_t kOddSecond = 1'600'000'001;  // an odd second, as FAT cannot keep it
constexpr std::int64_t kNs = 1'000'000'000;

}  // namespace

TEST(FatFileOps, ACopyAndARenameKeepTheSourcesTimeAsFatCanHoldIt) {
  SKIP_WITHOUT_FAT32();
  FatMount usb;
  TempDir disk;
  const fs::path src = disk.write("report.txt", patternBytes(3 * kCopyChunkSize + 11, 5));
  setMTime(src, kOddSecond, 700'000'000);

  const std::string dst = usb.str() + "/report.txt";
  const CopyResult copied = copyFileWithProgress(src.string(), dst, nullptr);
  ASSERT_TRUE(copied.ok()) << describe(copied.status);
  // Rounded down to the 2-second step, not the time of the copy's rename.
  EXPECT_EQ(mtimeNs(dst), (kOddSecond - 1) * kNs);
  EXPECT_TRUE(readFile(dst) == readFile(src));

  const std::string renamed = usb.str() + "/renamed.txt";
  ASSERT_TRUE(renameFile(dst, renamed).ok());
  EXPECT_EQ(mtimeNs(renamed), (kOddSecond - 1) * kNs);

  usb.remount();
  EXPECT_EQ(mtimeNs(renamed), (kOddSecond - 1) * kNs);
  EXPECT_EQ(copyTempFiles(usb.path()), 0);
}

// While a job's listing scope lives, what a rename does to times is learned
// per drive: every rename of a file on FAT still keeps the file's time, in
// folders old and new, after a folder's rename too.
TEST(FatFileOps, EveryRenameInAJobKeepsTheFilesTime) {
  SKIP_WITHOUT_FAT32();
  FatMount usb;
  const fs::path root = usb.path();
  fs::create_directories(root / "old" / "inner");
  ListingCacheScope scope;
  ASSERT_TRUE(renameFile((root / "old" / "inner").string(), (root / "old" / "moved").string()).ok());
  ASSERT_TRUE(createDirectory((root / "new").string()).ok());
  ASSERT_TRUE(createDirectory((root / "new" / "deeper").string()).ok());
  int n = 0;
  for (const char* folder : {"old", "old/moved", "new", "new/deeper", "old"}) {
    const fs::path file = root / "old" / ("f" + std::to_string(n) + ".txt");
    std::ofstream(file) << "content";
    setMTime(file, kOddSecond + 1 + 2 * n);
    const fs::path to = root / folder / ("g" + std::to_string(n) + ".txt");
    ASSERT_TRUE(renameFile(file.string(), to.string()).ok()) << to;
    EXPECT_EQ(mtimeNs(to), (kOddSecond + 1 + 2 * n) * kNs) << to;
    ++n;
  }
}

TEST(FatFileOps, ReplacingAFileKeepsTheNewTime) {
  SKIP_WITHOUT_FAT32();
  FatMount usb;
  TempDir disk;
  const std::string dst = usb.str() + "/a.txt";
  const fs::path first = disk.write("first", "old");
  setMTime(first, kOddSecond + 10);
  ASSERT_TRUE(copyFileWithProgress(first.string(), dst, nullptr).ok());
  const fs::path second = disk.write("second", "newer");
  setMTime(second, kOddSecond + 100);
  ASSERT_TRUE(copyFileWithProgress(second.string(), dst, nullptr).ok());
  usb.remount();
  EXPECT_EQ(readFile(dst), "newer");
  EXPECT_EQ(mtimeNs(dst), (kOddSecond + 99) * kNs);
}

TEST(FatFileOps, ASparseFileWithAHoleAtItsEndArrivesWhole) {
  SKIP_WITHOUT_FAT32();
  FatMount usb;
  TempDir disk;
  const fs::path src = disk.path() / "sparse.img";
  const std::int64_t size = 24 * kCopyChunkSize;
  testsupport::writeSparseFile(src, size, {{5 * kCopyChunkSize + 3, patternBytes(70'000, 2)}});
  const CopyResult r = copyFileWithProgress(src.string(), usb.str() + "/sparse.img", nullptr);
  ASSERT_TRUE(r.ok()) << describe(r.status);
  usb.remount();
  EXPECT_EQ(fs::file_size(usb.path() / "sparse.img"), static_cast<std::uintmax_t>(size));
  EXPECT_TRUE(readFile(usb.path() / "sparse.img") == readFile(src));
}
