// The engine's file operations where POSIX shows more: faults injected
// through the POSIX call table, devices, permission bits, links, exact
// errno texts and case variants on an exFAT drive.
#include "engine/file_ops.h"
#include "engine/flush_changes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/syscalls.h"
#include "tests/engine/copy_window.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/file_checks.h"
#include "tests/support/temp_dir.h"

using namespace copywindow;
using testsupport::copyTempFiles;
using testsupport::listing;
using testsupport::patternBytes;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

int writesLeft = 0;
long failingCopyFileRange(int in, int out, std::size_t n) {
  if (writesLeft-- <= 0) {
    errno = ENOSPC;
    return -1;
  }
  return platform::realSyscalls().copyFileRange(in, out, n);
}

}  // namespace

TEST_F(EngineFileOps, FailedAndRefusedCopiesReturnFalse) {
  const std::string src = dir.write("src", patternBytes(4 * MiB, 3)).string();
  const std::string dst = dir.write("dst", "old").string();
  {
    platform::Syscalls table = platform::syscalls();
    table.copyFileRange = failingCopyFileRange;
    writesLeft = 2;
    platform::ScopedSyscallOverride guard(table);
    EXPECT_FALSE(CopyFileWithProgress(NewCopyInfo(src, dst, window.handle(), CopyUpdate)));
  }
  EXPECT_EQ(window.got, (std::vector<Msg>{start(4 * MiB, CopyUpdate, src, dst),
                                          progress(MiB, 4 * MiB), progress(2 * MiB, 4 * MiB)}));
  EXPECT_EQ(readFile(dst), "old");
  EXPECT_EQ(copyTempFiles(dir.path()), 0);

  // Refusals come before the copy starts: no message at all.
  window.got.clear();
  fs::permissions(dst, fs::perms::owner_read);
  EXPECT_FALSE(CopyFileWithProgress(NewCopyInfo(src, dst, window.handle(), CopyUpdate)));
  EXPECT_FALSE(
      CopyFileWithProgress(NewCopyInfo("/dev/null", dir.str() + "/n", window.handle(), CopyNew)));
  EXPECT_FALSE(CopyFileWithProgress(
      NewCopyInfo(dir.str() + "/none", dir.str() + "/n", window.handle(), CopyNew)));
  EXPECT_TRUE(window.got.empty());
  EXPECT_EQ(readFile(dst), "old");
}

TEST_F(EngineFileOps, CaseVariantsOnExfat) {
  std::string why;
  if (!testsupport::ExfatMount::available(why)) GTEST_SKIP() << why;
  testsupport::ExfatMount usb;
  const std::string root = usb.str();

  EXPECT_NO_THROW(CreateDirChecked(root + "/Docs"));
  EXPECT_NO_THROW(CreateDirChecked(root + "/docs"));
  EXPECT_EQ(listing(usb.path()), "Docs");

  const std::string lower = dir.write("report.txt", "lower").string();
  const std::string upper = dir.write("REPORT.txt", "upper").string();
  TFileIdentitySet written;
  TCopyResult r = CopyFileTracked(
      NewCopyInfo(lower, root + "/docs/report.txt", window.handle(), CopyNew), written);
  ASSERT_TRUE(r) << platform::describe(r.Status);
  written.insert(*r.Written);
  window.got.clear();
  r = CopyFileTracked(NewCopyInfo(upper, root + "/docs/REPORT.txt", window.handle(), CopyNew),
                      written);
  EXPECT_EQ(r.Status.code, std::errc::file_exists);
  EXPECT_TRUE(window.got.empty());
  EXPECT_EQ(readFile(root + "/Docs/report.txt"), "lower");
  // The target-only spelling is recognised as the file just written.
  EXPECT_TRUE(written.contains(*platform::lfileIdentity(root + "/Docs/Report.TXT")));

  window.stopAtProgress = 1;
  const std::string big = dir.write("big", patternBytes(3 * MiB, 9)).string();
  EXPECT_FALSE(CopyFileWithProgress(
      NewCopyInfo(big, root + "/docs/report.txt", window.handle(), CopyUpdate)));
  EXPECT_EQ(window.got.back(), stopped());
  EXPECT_EQ(readFile(root + "/Docs/report.txt"), "lower");
  EXPECT_EQ(copyTempFiles(usb.path() / "Docs"), 0);
}

TEST_F(EngineFileOps, CreateDirCheckedInErrnoWordsAndThroughALink) {
  EXPECT_NO_THROW(CreateDirChecked(dir.str() + "/new"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "new"));
  EXPECT_NO_THROW(CreateDirChecked(dir.str() + "/new"));
  fs::create_directory_symlink(dir.path() / "new", dir.path() / "link");
  EXPECT_NO_THROW(CreateDirChecked(dir.str() + "/link"));

  const std::string missing = dir.str() + "/none/new";
  try {
    CreateDirChecked(missing);
    ADD_FAILURE() << "no exception for a missing parent";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 2 (No such file or directory)");
    EXPECT_EQ(e.path(), missing);
  }
  const std::string file = dir.write("file").string();
  try {
    CreateDirChecked(file);
    ADD_FAILURE() << "no exception for an existing file";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 17 (File exists)");
    EXPECT_EQ(e.path(), file);
  }
}


TEST_F(EngineFileOps, FolderPermissionBitsAndWholeDriveFlushes) {
  const fs::path src = dir.mkdir("src");
  fs::permissions(src, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read,
                  fs::perm_options::replace);
  const fs::path made = dir.mkdir("made");
  CopyFolderAttributes(src.string(), made.string());
  EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all | fs::perms::group_read);

  // Each side is flushed as a whole drive; only the missing root fails.
  dir.write("made/x");
  TChangedSide one(dir.str()), other(made.string()), idle(dir.str()), gone(dir.str() + "/none");
  one.Wrote(dir.str() + "/x");
  other.Changed(made.string() + "/x");
  gone.Changed(dir.str() + "/none/y");
  const auto failures = FlushChangedSides({&one, &other, &idle, &gone});
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].Root, dir.str() + "/none");
}

TEST_F(EngineFileOps, ShellDeleteFolderKeepsWhatLinksPointAt) {
  dir.write("outside/keep.txt", "k");
  dir.write("victim/sub/x.txt");
  dir.write("victim/y.txt");
  fs::create_directory_symlink(dir.path() / "outside", dir.path() / "victim/sub/link");
  EXPECT_TRUE(ShellDeleteFolder(dir.str() + "/victim"));
  EXPECT_FALSE(fs::exists(dir.path() / "victim"));
  EXPECT_EQ(readFile(dir.path() / "outside/keep.txt"), "k");
  EXPECT_FALSE(ShellDeleteFolder(dir.str() + "/victim"));
}
