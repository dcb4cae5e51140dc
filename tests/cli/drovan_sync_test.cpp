// The built drovan-sync on real trees: standard output line by line (stamps
// masked), exit statuses, usage errors and stopping by signal.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "engine/job_folder_locks.h"
#include "platform/folder_lock.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/file_times.h"
#include "tests/support/process.h"
#include "tests/support/special_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using testsupport::ProcessResult;
using testsupport::runProcess;
using testsupport::setMTime;
using testsupport::TempDir;

namespace {

const std::string kProgram = DROVAN_SYNC_BINARY;
const std::int64_t kT0 = 1'600'000'000;

std::vector<std::string> maskedLines(const std::string& out) {
  static const std::regex stamp(R"(^\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{2}:\d{2})");
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(std::regex_replace(line, stamp, "T"));
  return lines;
}

struct Trees {
  TempDir disk, usb;
  ProcessResult run(std::vector<std::string> extra = {}) const {
    std::vector<std::string> args = {"--disk", disk.str(), "--usb", usb.str()};
    args.insert(args.end(), extra.begin(), extra.end());
    return runProcess(kProgram, args);
  }
};

}  // namespace

TEST(DrovanSync, PrintsTheLogAndSyncs) {
  Trees t;
  setMTime(t.disk.write("文档/a.txt", "alpha"), kT0);
  setMTime(t.disk.write("b.txt", "beta"), kT0 + 2);
  const ProcessResult r = t.run({"--mode", "disk-to-usb", "--no-progress"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string d = t.disk.str() + "/", u = t.usb.str() + "/";
  const std::vector<std::string> expected = {
      std::string(50, '~'),
      "T  正在扫描硬主监测文件夹(3个文件夹和文件)",
      "T  正在扫描U盘监测文件夹(0个文件夹和文件)",
      "T  强制以硬盘监测文件夹为同步源更新U盘监测文件夹",
      "T  分析主监测文件夹...",
      "T  被同步文件夹需要创建的文件夹共1个",
      "T  创建文件夹" + u + "文档",
      "T  被同步文件夹需要复制的文件共2个",
      "T  复制文件" + d + "b.txt到" + u + "b.txt 100%",
      "T  复制文件" + d + "文档/a.txt到" + u + "文档/a.txt 100%",
      "T  手动同步结束，用时0秒",
  };
  EXPECT_EQ(maskedLines(r.out), expected);
  EXPECT_EQ(testsupport::snapshot(t.disk.path()), testsupport::snapshot(t.usb.path()));

  const ProcessResult again = t.run();
  EXPECT_EQ(again.exitStatus, 0);
  const auto lines = maskedLines(again.out);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[4], "T  硬盘监测文件夹与U盘监测文件夹已同步，无需更新！");
}

TEST(DrovanSync, ExitStatusTellsHowTheRunEnded) {
  {
    Trees t;  // an error line: status 1
    setMTime(t.disk.write("a.txt", "new"), kT0 + 10);
    setMTime(t.usb.write("a.txt", "old"), kT0);
    fs::permissions(t.usb.path() / "a.txt", fs::perms::owner_read);
    const ProcessResult r = t.run({"--mode=disk-to-usb"});
    EXPECT_EQ(r.exitStatus, 1);
    const auto lines = maskedLines(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "同步出错，请检查");
    EXPECT_EQ(lines[lines.size() - 2], "1、更新文件错误，请检查该文件是否正在使用：" + t.usb.str() + "/a.txt（没有权限）");
  }
  {
    Trees t;  // a folder that does not exist: the job fails, status 2
    const ProcessResult r = runProcess(kProgram, {"--disk", t.disk.str() + "/gone", "--usb", t.usb.str()});
    EXPECT_EQ(r.exitStatus, 2);
    const auto lines = maskedLines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "T  同步失败：The specified path was not found：" + t.disk.str() + "/gone/");
  }
}

TEST(DrovanSync, VerboseAddsTheSystemsAccountOfEachFailure) {
  Trees t;
  setMTime(t.disk.write("a.txt", "new"), kT0 + 10);
  setMTime(t.usb.write("a.txt", "old"), kT0);
  fs::permissions(t.usb.path() / "a.txt", fs::perms::owner_read);
  const ProcessResult quiet = t.run({"--mode=disk-to-usb", "--no-progress"});
  EXPECT_EQ(quiet.exitStatus, 1);
  EXPECT_EQ(quiet.err, "");
  const ProcessResult r = t.run({"--mode=disk-to-usb", "--no-progress", "--verbose"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(maskedLines(r.out), maskedLines(quiet.out));  // the log is the same
  EXPECT_NE(r.err.find("drovan-sync: 1: copy '" + t.usb.str() + "/a.txt': Permission denied\n"), std::string::npos)
      << r.err;

  // A failure of the whole job that no call into the system caused: its
  // line says it all.
  const ProcessResult failed =
      runProcess(kProgram, {"--disk", t.disk.str() + "/gone", "--usb", t.usb.str(), "--verbose"});
  EXPECT_EQ(failed.exitStatus, 2);
  EXPECT_EQ(failed.err, "");
}

TEST(DrovanSync, OldVersionsAreKeptUnlessNoVersionsIsGiven) {
  for (const bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept" : "--no-versions");
    Trees t;
    setMTime(t.disk.write("a.txt", "new"), kT0 + 10);
    setMTime(t.usb.write("a.txt", "old"), kT0);
    setMTime(t.usb.write("extra.txt", "only here"), kT0);
    std::vector<std::string> args = {"--mode=disk-to-usb", "--no-progress"};
    if (!keep) args.push_back("--no-versions");
    const ProcessResult r = t.run(args);
    EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
    const fs::path versions = t.usb.path() / ".~drovan-versions";
    EXPECT_EQ(fs::exists(versions), keep);
    const auto lines = maskedLines(r.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "T  手动同步结束，用时0秒");
    if (keep) {
      ASSERT_EQ(std::distance(fs::directory_iterator(versions), fs::directory_iterator()), 1);
      const fs::path run = fs::directory_iterator(versions)->path();
      EXPECT_EQ(testsupport::readFile(run / "a.txt"), "old");
      EXPECT_EQ(testsupport::readFile(run / "extra.txt"), "only here");
      EXPECT_EQ(lines[lines.size() - 2], "T  被删除或覆盖的文件的旧版本共2个，保存在" + run.string());
    }
  }
}

TEST(DrovanSync, UsageErrors) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--bogus"}, {"--disk", "/a"}, {"--mode"}, {"--same-newer", "7"}, {"x"}}) {
    const ProcessResult r = runProcess(kProgram, args);
    EXPECT_EQ(r.exitStatus, 64);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("drovan-sync: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("usage: drovan-sync"), std::string::npos);
  }
  const ProcessResult help = runProcess(kProgram, {"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_EQ(help.out.rfind("usage: drovan-sync", 0), 0u);
  EXPECT_EQ(runProcess(kProgram, {"--version"}).out.rfind("drovan-sync ", 0), 0u);
}

TEST(DrovanSync, TypeFilterAndStrategies) {
  Trees t;
  setMTime(t.disk.write("keep.txt", "k"), kT0);
  setMTime(t.disk.write("skip.tmp", "s"), kT0);
  setMTime(t.disk.write("other.doc", "o"), kT0);
  setMTime(t.usb.write("extra.txt", "another size"), kT0);
  const ProcessResult r = t.run({"--mode", "disk-to-usb", "--types", "txt;tmp", "--skip-types", "tmp",
                                 "--target-only", "1"});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_TRUE(fs::exists(t.usb.path() / "keep.txt"));
  EXPECT_FALSE(fs::exists(t.usb.path() / "skip.tmp"));
  EXPECT_FALSE(fs::exists(t.usb.path() / "other.doc"));
  EXPECT_TRUE(fs::exists(t.usb.path() / "extra.txt"));
}

#ifndef DROVAN_ANY_DRIVE_REMOVABLE
TEST(DrovanSync, WithoutFoldersTheProgramMustRunFromAUsbDrive) {
  // The build folder is on a fixed disk.
  const ProcessResult r = runProcess(kProgram, {"--no-progress"});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("对不起，请把本程序放至到U盘上使用!"), std::string::npos);
}
#endif

namespace {

// Starts a run that copies one big file and returns it held still (SIGSTOP)
// in the middle of that copy, however fast the copy goes; SIGCONT lets it on.
std::unique_ptr<testsupport::ChildProcess> startLongCopy(const Trees& t, std::size_t bytes) {
  setMTime(t.disk.write("big.bin", std::string(bytes, 'b')), kT0 + 10);
  setMTime(t.usb.write("big.bin", "old"), kT0);
  auto child = std::make_unique<testsupport::ChildProcess>(
      kProgram, std::vector<std::string>{"--disk", t.disk.str(), "--usb", t.usb.str(), "--no-progress"});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (testsupport::countTempFiles(t.usb.path()) == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    child->signal(SIGSTOP);
    if (testsupport::countTempFiles(t.usb.path()) == 1) break;
    child->signal(SIGCONT);
  }
  return child;
}

}  // namespace

TEST(DrovanSync, ASecondRunOnFoldersInUseStartsNothing) {
  Trees t;
  auto first = startLongCopy(t, 256 << 20);
  ASSERT_EQ(testsupport::countTempFiles(t.usb.path()), 1u) << "the first run never began its copy";
  // The second run reaches the folders by other paths and would copy the
  // other way: the USB side has the newer file.
  TempDir links;
  fs::create_directory_symlink(t.disk.path(), links.path() / "disk");
  fs::create_directory_symlink(t.usb.path(), links.path() / "usb");
  setMTime(t.usb.write("newer.txt", "n"), kT0 + 100);
  const ProcessResult second = runProcess(
      kProgram, {"--disk", (links.path() / "disk").string(), "--usb", (links.path() / "usb").string()});
  EXPECT_EQ(second.exitStatus, 2);
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(second.err, kFolderInUseText + (links.path() / "disk").string() + "\n");
  EXPECT_FALSE(fs::exists(t.disk.path() / "newer.txt"));

  first->signal(SIGINT);
  first->signal(SIGCONT);
  EXPECT_EQ(first->wait().exitStatus, 130);
  // The first run's end releases both folders.
  EXPECT_EQ(t.run({"--mode", "usb-to-disk"}).exitStatus, 0);
  EXPECT_TRUE(fs::exists(t.disk.path() / "newer.txt"));
}

TEST(DrovanSync, EitherFolderInUseRefusesTheRun) {
  for (const bool diskSide : {true, false}) {
    SCOPED_TRACE(diskSide ? "disk" : "usb");
    Trees t;
    setMTime(t.disk.write("a.txt", "a"), kT0);
    setMTime(t.usb.write("gone.txt", "g"), kT0);
    const platform::FolderLock other((diskSide ? t.disk : t.usb).str() + "/.");
    ASSERT_TRUE(other.held());
    const ProcessResult r = t.run({"--mode", "disk-to-usb"});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kFolderInUseText + (diskSide ? t.disk : t.usb).str() + "\n");
    EXPECT_FALSE(fs::exists(t.usb.path() / "a.txt"));
    EXPECT_TRUE(fs::exists(t.usb.path() / "gone.txt"));
  }
}

TEST(DrovanSync, AFolderInUseOnAnExfatDriveRefusesTheRun) {
  std::string why;
  if (!testsupport::ExfatMount::available(why)) GTEST_SKIP() << why;
  testsupport::ExfatMount drive;
  TempDir disk;
  fs::create_directory(drive.path() / "Sync");
  setMTime(disk.write("a.txt", "a"), kT0);
  const std::string usb = drive.str() + "/sync";  // the drive ignores letter case
  {
    const platform::FolderLock other(drive.str() + "/SYNC");
    ASSERT_TRUE(other.held());
    const ProcessResult r = runProcess(kProgram, {"--disk", disk.str(), "--usb", usb});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, kFolderInUseText + usb + "\n");
    EXPECT_FALSE(fs::exists(drive.path() / "Sync/a.txt"));
  }
  const ProcessResult free = runProcess(kProgram, {"--disk", disk.str(), "--usb", usb});
  EXPECT_EQ(free.exitStatus, 0) << free.out << free.err;
  EXPECT_TRUE(fs::exists(drive.path() / "Sync/a.txt"));
}

TEST(DrovanSync, ARunTooLargeForTheStickFailsBeforeWritingAnything) {
  std::string why;
  if (!testsupport::ExfatMount::available(why)) GTEST_SKIP() << why;
  testsupport::ExfatMount drive(16ull << 20);
  TempDir disk;
  fs::create_directory(drive.path() / "sync");
  setMTime(disk.write("huge.bin", std::string(20u << 20, 'x')), kT0);
  setMTime(disk.write("small.txt", "s"), kT0);
  const ProcessResult r =
      runProcess(kProgram, {"--disk", disk.str(), "--usb", drive.str() + "/sync", "--mode=disk-to-usb", "--no-progress"});
  EXPECT_EQ(r.exitStatus, 2) << r.out << r.err;
  const auto lines = maskedLines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("T  目标磁盘空间不足：需要写入20.0MB，可用", 0), 0u) << lines.back();
  EXPECT_TRUE(lines.back().ends_with("，未同步，没有改动任何文件")) << lines.back();
  EXPECT_TRUE(fs::is_empty(drive.path() / "sync"));
}

TEST(DrovanSync, AnEmptyFolderIsRefusedBeforeTheJob) {
  Trees t;
  setMTime(t.disk.write("a.txt", "a"), kT0);
  const std::vector<std::vector<std::string>> cases = {
      {"--disk", "", "--usb", t.usb.str()},
      {"--disk", t.disk.str(), "--usb", ""},
      {"--disk=", "--usb=", "--mode", "disk-to-usb"},
      {"--disk", t.disk.str(), "--usb", "  "},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args[1]);
    const ProcessResult r = runProcess(kProgram, args);
    EXPECT_EQ(r.exitStatus, 64);
    EXPECT_EQ(r.err, "请设置好同步文件夹\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(fs::is_empty(t.usb.path()));
}

TEST(DrovanSync, AConfigurationFileThatCannotBeReadGivesTheDefaultsAndSaysWhy) {
  TempDir files;
  const fs::path fifo = files.path() / "pipe.ini", sparse = files.path() / "big.ini";
  testsupport::makeFifo(fifo);
  const testsupport::FifoUnblocker guard(fifo, std::chrono::seconds(10));
  { std::ofstream(sparse) << "[配置]\n被监测文件夹存在同步文件夹没有的文件时=1\n"; }
  fs::resize_file(sparse, (20u << 20) + 1);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/dev/zero", "drovan-sync: the configuration file /dev/zero is not a regular file; the defaults apply\n"},
      {"/dev/urandom", "drovan-sync: the configuration file /dev/urandom is not a regular file; the defaults apply\n"},
      {fifo.string(), "drovan-sync: the configuration file " + fifo.string() + " is not a regular file; the defaults apply\n"},
      {sparse.string(), "drovan-sync: the configuration file " + sparse.string() + " is larger than 16 MiB; the defaults apply\n"},
  };
  for (const auto& [config, why] : cases) {
    SCOPED_TRACE(config);
    Trees t;
    setMTime(t.disk.write("a.txt", "a"), kT0);
    setMTime(t.usb.write("extra.txt", "e"), kT0);
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = runProcess(
        kProgram, {"--disk", t.disk.str(), "--usb", t.usb.str(), "--mode", "disk-to-usb", "--config", config},
        std::chrono::seconds(30));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(r.exitStatus, 0) << r.out;
    EXPECT_EQ(r.err, why);
    // The default strategy deletes what only the target holds.
    EXPECT_TRUE(fs::exists(t.usb.path() / "a.txt"));
    EXPECT_FALSE(fs::exists(t.usb.path() / "extra.txt"));
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(DrovanSync, AClosedOutputStopsTheRunCleanly) {
  Trees t;
  // Many files of some size: the run is still copying when the reader goes.
  const std::string data(4 << 20, 'd');
  for (int i = 0; i < 64; ++i) setMTime(t.disk.write("f" + std::to_string(100 + i) + ".bin", data), kT0);
  testsupport::ChildProcess child(kProgram, {"--disk", t.disk.str(), "--usb", t.usb.str(), "--no-progress"},
                                  testsupport::ChildProcess::Output::Pipe);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(child.readLine().has_value()) << i;  // as "| head -3"
  child.closeOutput();
  const ProcessResult r = child.wait(std::chrono::seconds(60));
  EXPECT_EQ(r.exitStatus, 130) << r.err;
  EXPECT_EQ(testsupport::countTempFiles(t.usb.path()), 0u);
  std::size_t copied = 0;
  for (const auto& entry : fs::directory_iterator(t.usb.path())) {
    EXPECT_EQ(entry.file_size(), data.size()) << entry.path();
    ++copied;
  }
  EXPECT_LT(copied, 64u) << "the run went on to the end";
}

TEST(DrovanSync, InterruptOrHangupStopsTheCopyAndCleansUp) {
  // A closed terminal stops the run as Ctrl+C does.
  for (const int sig : {SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    Trees t;
    auto child = startLongCopy(t, 256 << 20);
    ASSERT_EQ(testsupport::countTempFiles(t.usb.path()), 1u);
    child->signal(sig);
    child->signal(SIGCONT);
    const ProcessResult r = child->wait();
    EXPECT_EQ(r.exitStatus, 130);
    const auto lines = maskedLines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "手动同步被停止！！！");
    EXPECT_EQ(testsupport::countTempFiles(t.usb.path()), 0u);
    EXPECT_EQ(testsupport::readFile(t.usb.path() / "big.bin"), "old");
  }
}

TEST(DrovanSync, ABigDeletionIsRefusedWithoutYes) {
  Trees t;
  setMTime(t.disk.write("new.txt", "n"), kT0 + 100);
  for (int i = 0; i < 12; ++i) setMTime(t.usb.write("old/f" + std::to_string(i) + ".txt", "o"), kT0);
  const auto usbBefore = testsupport::snapshot(t.usb.path());
  const auto diskBefore = testsupport::snapshot(t.disk.path());

  const ProcessResult refused = t.run({"--no-progress"});
  EXPECT_EQ(refused.exitStatus, 3) << refused.err;
  EXPECT_NE(refused.err.find("删除目标文件夹独有的文件：12个文件"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("同步目标：" + t.usb.str() + "/"), std::string::npos) << refused.err;
  const auto lines = maskedLines(refused.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "T  用户未确认大量删除或覆盖，未同步，没有改动任何文件");
  EXPECT_EQ(testsupport::snapshot(t.usb.path()), usbBefore);
  EXPECT_EQ(testsupport::snapshot(t.disk.path()), diskBefore);

  const ProcessResult yes = t.run({"--no-progress", "--yes"});
  EXPECT_EQ(yes.exitStatus, 0) << yes.err;
  EXPECT_EQ(yes.err, "");
  EXPECT_FALSE(fs::exists(t.usb.path() / "old"));
  EXPECT_TRUE(fs::exists(t.usb.path() / "new.txt"));
}

TEST(DrovanSync, ASmallRunNeverAsks) {
  Trees t;
  for (int i = 0; i < 30; ++i) setMTime(t.disk.write("f" + std::to_string(i) + ".txt", "n"), kT0 + 100);
  for (int i = 0; i < 9; ++i) setMTime(t.usb.write("gone" + std::to_string(i) + ".txt", "o"), kT0);
  // Nine deletions: below the threshold of ten, though all of the USB folder.
  const ProcessResult r = t.run({"--no-progress"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(fs::exists(t.usb.path() / "gone0.txt"));
}

TEST(DrovanSync, FatHoursReachTheJob) {
  std::string why;
  if (!testsupport::FatMount::available(why)) GTEST_SKIP() << why;
  testsupport::FatMount drive(64ull << 20, "UTC");
  TempDir disk;
  setMTime(disk.write("a.txt", "alpha"), kT0 + 1);
  setMTime(disk.write("sub/b.txt", "beta"), kT0 + 3);
  const fs::path usb = drive.path() / "sync";
  fs::create_directories(usb);
  auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"--disk", disk.str(), "--usb", usb.string(), "--no-progress", "--no-versions"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runProcess(kProgram, args);
  };
  ASSERT_EQ(run({"--mode", "disk-to-usb"}).exitStatus, 0);
  // Three hours east: beyond the default hour, within --fat-hours 3.
  drive.remount("Etc/GMT-3");
  const auto wide = maskedLines(run({"--fat-hours", "3", "--dry-run"}).out);
  ASSERT_GE(wide.size(), 2u);
  EXPECT_EQ(wide[wide.size() - 2], "T  硬盘监测文件夹与U盘监测文件夹已同步，无需更新！");
  const auto narrow = maskedLines(run({"--dry-run"}).out);
  ASSERT_GE(narrow.size(), 2u);
  EXPECT_EQ(narrow[narrow.size() - 2],
            "T  （预览）更新文件" + disk.str() + "/sub/b.txt到" + usb.string() + "/sub/b.txt");
}
