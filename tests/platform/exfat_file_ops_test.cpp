// The file operations on a real exFAT drive: case-insensitive names, no
// links, no permission bits, coarse times, and (through FUSE) inode numbers
// that belong to the spelling of a name.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/file_ops.h"
#include "platform/syscalls.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/file_checks.h"
#include "tests/support/held_file.h"
#include "tests/support/sparse_file.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using testsupport::copyTempFiles;
using testsupport::ExfatMount;
using testsupport::listing;
using testsupport::patternBytes;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;

#define SKIP_WITHOUT_EXFAT()                              \
  do {                                                    \
    std::string why;                                      \
    if (!ExfatMount::available(why)) GTEST_SKIP() << why; \
  } while (false)

namespace {

// A rename that reports success and does nothing, as kernel drivers that
// ignore case do for a change of case only.
int renameCalls = 0;
int firstRenameDoesNothing(const char* from, const char* to) {
  if (renameCalls++ == 0) return 0;
  return realSyscalls().rename(from, to);
}

}  // namespace

TEST(ExfatFileOps, CopyPutsFileInPlaceWithItsTime) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  TempDir disk;
  const std::string data = patternBytes(3 * kCopyChunkSize + 11, 5);
  const fs::path src = disk.write("Report.txt", data);
  const auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * 40);
  fs::last_write_time(src, when);
  const std::string dst = usb.str() + "/Report.txt";

  int calls = 0;
  const CopyProgress count = [&](CopyStep, std::int64_t, std::int64_t) {
    ++calls;
    return CopyProgressAction::Continue;
  };
  CopyResult r = copyFileWithProgress(src.string(), dst, count);
  ASSERT_TRUE(r.ok()) << describe(r.status);
  EXPECT_EQ(calls, 5);
  EXPECT_TRUE(readFile(dst) == data);
  const auto diff = fs::last_write_time(dst) - fs::last_write_time(src);
  EXPECT_LE(std::chrono::abs(diff), std::chrono::seconds(3));
  EXPECT_EQ(listing(usb.path()), "Report.txt");
  EXPECT_EQ(r.written, fileIdentity(dst));

  // Overwritten in place; a stopped copy keeps the old one.
  fs::path newer = disk.write("newer", "newer");
  ASSERT_TRUE(copyFileWithProgress(newer.string(), dst, {}).ok());
  EXPECT_EQ(readFile(dst), "newer");
  const CopyProgress stop = [](CopyStep step, std::int64_t, std::int64_t) {
    return step == CopyStep::Chunk ? CopyProgressAction::Cancel : CopyProgressAction::Continue;
  };
  EXPECT_FALSE(copyFileWithProgress(src.string(), dst, stop).ok());
  EXPECT_EQ(readFile(dst), "newer");
  EXPECT_EQ(copyTempFiles(usb.path()), 0);
}

TEST(ExfatFileOps, RenameChangesLetterCaseOnlyOfTheSameFile) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  TempDir disk;
  const std::string root = usb.str();
  ASSERT_TRUE(copyFileWithProgress(disk.write("x", "x").string(), root + "/a.txt", {}).ok());
  ASSERT_TRUE(copyFileWithProgress(disk.write("y", "y").string(), root + "/b.txt", {}).ok());
  OsStatus r = renameFile(root + "/a.txt", root + "/A.txt");
  ASSERT_TRUE(r.ok()) << describe(r);
  EXPECT_EQ(listing(usb.path()), "A.txt b.txt");
  // Another file, whatever its spelling, is never replaced.
  EXPECT_EQ(renameFile(root + "/A.txt", root + "/B.TXT").code, std::errc::file_exists);
  EXPECT_EQ(readFile(root + "/b.txt"), "y");

  // Where rename(2) leaves the spelling as it was, a detour changes it.
  Syscalls table = syscalls();
  table.rename = firstRenameDoesNothing;
  renameCalls = 0;
  ScopedSyscallOverride guard(table);
  r = renameFile(root + "/A.txt", root + "/a.TXT");
  ASSERT_TRUE(r.ok()) << describe(r);
  EXPECT_EQ(listing(usb.path()), "a.TXT b.txt");
  EXPECT_EQ(readFile(root + "/a.TXT"), "x");
}

TEST(ExfatFileOps, SecondSpellingLandingOnOneTargetIsRefused) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  TempDir disk;
  const fs::path lower = disk.write("a.txt", "lower");
  const fs::path upper = disk.write("A.txt", "upper");
  const std::string root = usb.str();

  std::vector<FileIdentity> written;
  CopyOptions options;
  options.refuseExisting = [&](const FileIdentity& id) {
    for (const auto& w : written)
      if (w == id) return true;
    return false;
  };
  CopyResult r = copyFileWithProgress(lower.string(), root + "/a.txt", {}, options);
  ASSERT_TRUE(r.ok()) << describe(r.status);
  written.push_back(*r.written);
  EXPECT_EQ(fileIdentity(root + "/A.txt"), r.written);
  EXPECT_EQ(lfileIdentity(root + "/A.TXT"), r.written);

  r = copyFileWithProgress(upper.string(), root + "/A.txt", {}, options);
  EXPECT_EQ(r.status.code, std::errc::file_exists);
  EXPECT_EQ(readFile(root + "/a.txt"), "lower");
  EXPECT_EQ(listing(usb.path()), "a.txt");

  // The same through a folder spelled two ways.
  ASSERT_TRUE(createDirectory(root + "/Docs").ok());
  EXPECT_EQ(createDirectory(root + "/docs").code, std::errc::file_exists);
  EXPECT_TRUE(isDirectory(root + "/docs"));
  r = copyFileWithProgress(lower.string(), root + "/docs/x.txt", {}, options);
  ASSERT_TRUE(r.ok()) << describe(r.status);
  written.push_back(*r.written);
  EXPECT_EQ(lfileIdentity(root + "/Docs/X.TXT"), r.written);
  r = copyFileWithProgress(upper.string(), root + "/DOCS/X.txt", {}, options);
  EXPECT_EQ(r.status.code, std::errc::file_exists);
  EXPECT_EQ(readFile(root + "/Docs/x.txt"), "lower");
}

TEST(ExfatFileOps, DeleteAndRemoveTree) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  TempDir disk;
  const fs::path src = disk.write("f", "f");
  const std::string root = usb.str();
  ASSERT_TRUE(createDirectory(root + "/tree").ok());
  ASSERT_TRUE(createDirectory(root + "/tree/sub").ok());
  for (const char* name : {"/tree/a", "/tree/sub/b", "/tree/sub/c", "/single"})
    ASSERT_TRUE(copyFileWithProgress(src.string(), root + name, {}).ok());
  EXPECT_TRUE(deleteFile(root + "/SINGLE").ok());
  EXPECT_TRUE(removeTree(root + "/tree").ok());
  EXPECT_EQ(listing(usb.path()), "");
  EXPECT_TRUE(syncFileSystem(root).ok());
}

namespace {

// The identity through the spelling the folder lists right now, read here
// without any kept listing: what fileIdentity must give for any spelling.
std::optional<FileIdentity> listedIdentity(const fs::path& folder, const std::string& name) {
  std::string found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string listed = entry.path().filename().string();
    if (listed == name) return lfileIdentity((folder / listed).string());
    std::string a = listed, b = name;
    for (char& c : a) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : b) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (a == b) found = listed;
  }
  if (found.empty()) return std::nullopt;
  return lfileIdentity((folder / found).string());
}

}  // namespace

TEST(ExfatFileOps, KeptListingsFollowThisProcesssChanges) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  TempDir disk;
  const fs::path root = usb.path();
  const fs::path src = disk.write("data.txt", "data");
  auto same = [&](const std::string& asked, const std::string& name) {
    const auto id = fileIdentity((root / asked).string());
    const auto truth = listedIdentity(root / fs::path(asked).parent_path(), name);
    return id.has_value() && id == truth;
  };

  const ListingCacheScope scope;
  ASSERT_TRUE(copyFileWithProgress(src.string(), (root / "a.txt").string(), {}).ok());
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(createDirectory((root / ("d" + std::to_string(i))).string()).ok());
  EXPECT_TRUE(same("A.TXT", "a.txt"));  // the listing is read and kept here

  // A change of case only, a delete and a copy to another spelling, and a
  // folder removed and made again: each look-up names the spelling listed now.
  ASSERT_TRUE(renameFile((root / "a.txt").string(), (root / "A.txt").string()).ok());
  EXPECT_TRUE(same("a.txt", "A.txt"));
  ASSERT_TRUE(deleteFile((root / "A.txt").string()).ok());
  ASSERT_TRUE(copyFileWithProgress(src.string(), (root / "a.TXT").string(), {}).ok());
  EXPECT_TRUE(same("A.txt", "a.TXT"));
  EXPECT_TRUE(same("a.TXT", "a.TXT"));

  ASSERT_TRUE(createDirectory((root / "Docs").string()).ok());
  ASSERT_TRUE(copyFileWithProgress(src.string(), (root / "Docs/x.txt").string(), {}).ok());
  EXPECT_TRUE(same("DOCS/x.txt", "x.txt"));
  ASSERT_TRUE(removeTree((root / "docs").string()).ok());
  ASSERT_TRUE(createDirectory((root / "DOCS").string()).ok());
  // Filled by another program: nothing of the removed folder's listing stays.
  std::ofstream(root / "DOCS/X.txt") << "x";
  EXPECT_TRUE(same("docs/x.txt", "X.txt"));
  EXPECT_EQ(fileIdentity((root / "Docs/x.TXT").string()), fileIdentity((root / "DOCS/X.txt").string()));
}

TEST(ExfatFileOps, WithoutAScopeEveryLookUpReadsTheListing) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  const fs::path root = usb.path();
  std::ofstream(root / "a.txt") << "a";
  const auto before = fileIdentity((root / "A.TXT").string());
  EXPECT_EQ(before, lfileIdentity((root / "a.txt").string()));
  // Changed behind this process's back: seen all the same.
  fs::rename(root / "a.txt", root / "tmp");
  fs::rename(root / "tmp", root / "A.txt");
  EXPECT_EQ(listing(root), "A.txt");
  EXPECT_EQ(fileIdentity((root / "a.txt").string()), lfileIdentity((root / "A.txt").string()));
}

// exfat-fuse has no locks of its own: the kernel's local flock must still
// keep a second walk from removing the running copy's file.
TEST(ExfatFileOps, HoldsTheCopysTemporaryFileAgainstAnotherWalk) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  TempDir disk;
  EXPECT_EQ(testsupport::checkCopyTempSurvivesAWalk(disk.path(), usb.path()), "");
}

// exFAT keeps no holes: the copy of a sparse file is written out in full,
// and must be right, not refused.
TEST(ExfatFileOps, ASparseFileArrivesWhole) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  TempDir disk;
  const fs::path src = disk.path() / "sparse.img";
  const std::int64_t size = 24 * kCopyChunkSize;
  testsupport::writeSparseFile(src, size, {{5 * kCopyChunkSize + 3, patternBytes(70'000, 2)},
                                           {20 * kCopyChunkSize, patternBytes(kCopyChunkSize, 3)}});
  std::int64_t last = -1;
  const CopyProgress track = [&](CopyStep, std::int64_t copied, std::int64_t total) {
    EXPECT_EQ(total, size);
    last = copied;
    return CopyProgressAction::Continue;
  };
  const CopyResult r = copyFileWithProgress(src.string(), usb.str() + "/sparse.img", track);
  ASSERT_TRUE(r.ok()) << describe(r.status);
  EXPECT_EQ(last, size);
  usb.remount();
  EXPECT_TRUE(readFile(usb.path() / "sparse.img") == readFile(src));
  EXPECT_EQ(copyTempFiles(usb.path()), 0);
}
