// Files and folders the sync may not read or write: every one becomes its
// numbered error line and nothing else is touched. The run goes through
// setpriv as an unprivileged user, since root ignores permission bits; the
// write-protected drive is a read-only bind mount.
#include <gtest/gtest.h>

#include "tests/reliability/reliability.h"
#include "tests/support/file_times.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_mounts.h"
#include "tests/support/unprivileged.h"

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::ProcessResult;
using testsupport::setMTime;
using testsupport::TempDir;

namespace {

const std::int64_t kT0 = 1'600'000'000;

struct Sides {
  TempDir base;
  fs::path disk = base.path() / "disk", usb = base.path() / "usb";
  Sides() {
    fs::create_directories(disk);
    fs::create_directories(usb);
  }
  void file(const fs::path& side, const std::string& rel, const std::string& data, std::int64_t t) const {
    setMTime(base.write(fs::relative(side / rel, base.path()).string(), data), t);
  }
  std::vector<std::string> args() const {
    return {"--disk", disk.string(), "--usb", usb.string(), "--mode", "disk-to-usb", "--same-newer", "0",
            "--target-only", "0", "--no-progress", "--yes"};
  }
};

// The program where the unprivileged user can reach it, whichever folder
// the build lies in (a home folder is often closed to others).
struct ReachableProgram {
  TempDir folder;
  std::string path = (folder.path() / "drovan-sync").string();
  ReachableProgram() {
    fs::copy_file(syncProgram(), path);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  }
};

// The numbered lines after the summary head (the timed lines after them
// follow: the old versions kept, the closing line).
std::vector<std::string> errorBlock(const std::vector<std::string>& out) {
  const auto head = std::find(out.begin(), out.end(), kErrorHead);
  if (head == out.end() || out.end() - head < 2) return {};
  const auto numbered = [](const std::string& line) {
    const std::size_t mark = line.find("、");
    return mark != std::string::npos && mark > 0 &&
           std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(mark), [](char c) { return c >= '0' && c <= '9'; });
  };
  return {head + 1, std::find_if_not(head + 1, out.end(), numbered)};
}

// Runs args as the unprivileged user; the run must end with error lines
// and its closing line. Returns the numbered lines (empty on a failure).
std::vector<std::string> errorsOfRunAsNobody(const ReachableProgram& program, const std::vector<std::string>& args) {
  const ProcessResult r = testsupport::runProcess(testsupport::setprivPath(), testsupport::asNobody(program.path, args));
  EXPECT_EQ(r.exitStatus, 1) << r.out << r.err;
  const auto out = lines(r.out);
  if (out.empty()) {
    ADD_FAILURE() << "no output: " << r.err;
    return {};
  }
  EXPECT_TRUE(isClosingLine(out.back())) << out.back();
  return errorBlock(out);
}

}  // namespace

TEST(Permissions, WhatMayNotBeReadOrWrittenIsReportedAndNothingElseTouched) {
  const ReachableProgram program;
  std::string why;
  if (!testsupport::canRunAsNobody(program.path, why)) GTEST_SKIP() << why;
  Sides s;
  const std::string D = s.disk.string() + "/", U = s.usb.string() + "/";
  s.file(s.disk, "ok.txt", "copied", kT0);
  s.file(s.disk, "secret.txt", "nobody may read this", kT0);
  s.file(s.disk, "locked/inner.txt", "newer, unseen", kT0 + 50);
  s.file(s.usb, "locked/inner.txt", "older", kT0);
  s.file(s.usb, "locked/only_usb.txt", "must stay", kT0);
  s.file(s.disk, "upd.txt", "newer", kT0 + 10);
  s.file(s.usb, "upd.txt", "older, read-only", kT0);
  s.file(s.disk, "sealed/new.txt", "cannot go in", kT0);
  s.file(s.usb, "sealed/extra.txt", "cannot go out", kT0);
  s.file(s.usb, "gone.txt", "deleted as it should be", kT0);
  s.file(s.usb, "stuck/f.txt", "another user's", kT0);
  testsupport::giveTree(s.base.path(), testsupport::kNobody, testsupport::kNobody);
  testsupport::giveTree(s.usb / "stuck", 0, 0);
  fs::permissions(s.disk / "secret.txt", fs::perms::none);
  fs::permissions(s.disk / "locked", fs::perms::none);
  fs::permissions(s.usb / "upd.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(s.usb / "sealed", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
  const TreeSnapshot diskBefore = filesOf(s.disk), usbBefore = filesOf(s.usb);

  const std::vector<std::string> errors = errorsOfRunAsNobody(program, s.args());
  const std::vector<std::string> expected = {
      "1、读取文件夹错误，请检查该文件夹：" + D + "locked（没有权限）",
      "2、更新文件错误，请检查该文件是否正在使用：" + U + "upd.txt（没有权限）",
      "3、复制文件错误，请检查该文件是否正在使用：" + D + "sealed/new.txt（没有权限）",
      "4、复制文件错误，请检查该文件是否正在使用：" + D + "secret.txt（没有权限）",
      "5、删除文件错误，请检查该文件：" + U + "sealed/extra.txt（没有权限）",
      "6、删除文件错误，请检查该文件：" + U + "stuck/f.txt（没有权限）",
      "7、删除文件夹错误，请检查该文件夹：" + U + "stuck",
  };
  EXPECT_EQ(errors, expected);

  // The one copy and the one deletion that were allowed, and nothing else.
  Figures figures;
  TreeSnapshot usbExpected = usbBefore;
  usbExpected.erase("gone.txt");
  usbExpected["ok.txt"] = diskBefore.at("ok.txt");
  EXPECT_EQ(describe(sameTree(filesOf(s.disk), diskBefore, figures)), "0 problem(s)");
  EXPECT_EQ(describe(sameTree(filesOf(s.usb), usbExpected, figures)), "0 problem(s)");
  EXPECT_EQ(tempFilesIn(s.base.path()), 0u);
  ++figures.trials;
  figures.print("permissions");
}

TEST(Permissions, AFolderListableButNotExaminableKeepsTheTargetsCopies) {
  const ReachableProgram program;
  std::string why;
  if (!testsupport::canRunAsNobody(program.path, why)) GTEST_SKIP() << why;
  Sides s;
  const std::string D = s.disk.string() + "/";
  s.file(s.disk, "ok.txt", "copied", kT0);
  s.file(s.disk, "listonly/inner.txt", "newer, unseen", kT0 + 50);
  s.file(s.disk, "listonly/sub/deep.txt", "unseen", kT0 + 50);
  s.file(s.usb, "listonly/inner.txt", "older", kT0);
  s.file(s.usb, "listonly/only_usb.txt", "must stay", kT0);
  s.file(s.usb, "listonly/sub/deep.txt", "must stay too", kT0);
  s.file(s.usb, "gone.txt", "deleted as it should be", kT0);
  testsupport::giveTree(s.base.path(), testsupport::kNobody, testsupport::kNobody);
  // Names readable, entries not: every fstatat in it fails with EACCES.
  fs::permissions(s.disk / "listonly", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const TreeSnapshot diskBefore = filesOf(s.disk), usbBefore = filesOf(s.usb);

  const std::vector<std::string> errors = errorsOfRunAsNobody(program, s.args());
  EXPECT_EQ(errors, std::vector<std::string>{"1、读取文件夹错误，请检查该文件夹：" + D + "listonly（没有权限）"});

  fs::permissions(s.disk / "listonly", fs::perms::owner_all);
  Figures figures;
  TreeSnapshot usbExpected = usbBefore;
  usbExpected.erase("gone.txt");
  usbExpected["ok.txt"] = diskBefore.at("ok.txt");
  EXPECT_EQ(describe(sameTree(filesOf(s.disk), diskBefore, figures)), "0 problem(s)");
  EXPECT_EQ(describe(sameTree(filesOf(s.usb), usbExpected, figures)), "0 problem(s)");
  ++figures.trials;
  figures.print("listable, not examinable");
}

TEST(Permissions, AWriteProtectedTargetDriveChangesNothing) {
  std::string why;
  if (!testsupport::canMount(why)) GTEST_SKIP() << why;
  Sides s;
  const std::string D = s.disk.string() + "/", U = s.usb.string() + "/";
  s.file(s.disk, "upd.txt", "newer", kT0 + 10);
  s.file(s.usb, "upd.txt", "older", kT0);
  s.file(s.disk, "new.txt", "new", kT0);
  s.file(s.usb, "extra.txt", "extra", kT0);
  s.file(s.usb, "extradir/x.txt", "x", kT0);
  const TreeSnapshot diskBefore = filesOf(s.disk), usbBefore = filesOf(s.usb);
  Figures figures;
  {
    testsupport::ReadOnlyBindMount readOnly(s.usb);
    const ProcessResult r = testsupport::runProcess(syncProgram(), s.args());
    EXPECT_EQ(r.exitStatus, 1) << r.out;
    const auto out = lines(r.out);
    ASSERT_FALSE(out.empty());
    EXPECT_TRUE(isClosingLine(out.back())) << out.back();
    const std::vector<std::string> expected = {
        "1、更新文件错误，请检查该文件是否正在使用：" + U + "upd.txt（驱动器是只读的）",
        "2、复制文件错误，请检查该文件是否正在使用：" + D + "new.txt（驱动器是只读的）",
        "3、删除文件错误，请检查该文件：" + U + "extra.txt（驱动器是只读的）",
        "4、删除文件错误，请检查该文件：" + U + "extradir/x.txt（驱动器是只读的）",
        "5、删除文件夹错误，请检查该文件夹：" + U + "extradir",
    };
    EXPECT_EQ(errorBlock(out), expected) << r.out;
    ++figures.trials;

    // A folder to create: its failure ends the run, before the summary.
    fs::create_directory(s.disk / "newdir");
    const ProcessResult failed = testsupport::runProcess(syncProgram(), s.args());
    EXPECT_EQ(failed.exitStatus, 2) << failed.out;
    const auto failedOut = lines(failed.out);
    ASSERT_FALSE(failedOut.empty());
    EXPECT_EQ(untimed(failedOut.back()), "同步失败：I/O error 30 (Read-only file system)：" + U + "newdir（驱动器是只读的）");
    ++figures.trials;
    fs::remove(s.disk / "newdir");
  }
  EXPECT_EQ(describe(sameTree(filesOf(s.disk), diskBefore, figures)), "0 problem(s)");
  EXPECT_EQ(describe(sameTree(filesOf(s.usb), usbBefore, figures)), "0 problem(s)");
  figures.print("write-protected drive");
}
