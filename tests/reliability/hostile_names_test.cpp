// Names and shapes a user's folders may hold: every byte but "/" in a name,
// quotes, bars, line breaks, blanks at either end, 255-byte and invalid
// UTF-8 names, 200 levels, paths at the length limit, many thousand files in
// one folder, link loops and broken links, pipes and sockets, and files that
// change or vanish while the run reads them. The run completes, within
// bounds, and the target equals the source wherever it should.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <regex>
#include <thread>

#include "platform/full_path.h"
#include "tests/reliability/reliability.h"
#include "tests/support/file_times.h"
#include "tests/support/special_files.h"
#include "tests/support/sync_pair.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_mounts.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/tree_snapshot.h"

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::ProcessResult;
using testsupport::readFile;
using testsupport::setMTime;

namespace {

const std::int64_t kT0 = 1'600'000'000;

void put(const fs::path& path, const std::string& data, std::int64_t t) {
  fs::create_directories(path.parent_path());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
    if (!out) throw std::runtime_error("cannot write " + path.string());
  }
  setMTime(path, t);
}

// The two folders side by side, with names of equal length so that a path
// at the length limit on one side is one on the other too.
struct Sides {
  testsupport::TempDir base;
  fs::path disk = base.path() / "disk", usb = base.path() / "usbx";
  Sides() {
    fs::create_directory(disk);
    fs::create_directory(usb);
  }
  std::vector<std::string> args() const {
    return {"--disk", disk.string(), "--usb", usb.string(), "--mode", "disk-to-usb", "--same-newer", "0",
            "--target-only", "0", "--no-progress", "--yes"};
  }
  ProcessResult sync() const { return testsupport::runProcess(syncProgram(), args(), std::chrono::seconds(240)); }
};

// The run did all its work and reported no error.
void expectClean(const ProcessResult& r) {
  EXPECT_EQ(r.exitStatus, 0) << r.out.substr(r.out.size() > 4000 ? r.out.size() - 4000 : 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_FALSE(out.empty()) << r.err;
  EXPECT_TRUE(isClosingLine(out.back())) << out.back();
}

void expectInStep(const ProcessResult& r) {
  EXPECT_EQ(r.exitStatus, 0);
  const auto out = lines(r.out);
  ASSERT_GE(out.size(), 2u) << r.out;
  EXPECT_TRUE(isTimed(out[out.size() - 2], "硬盘监测文件夹与U盘监测文件夹已同步，无需更新！")) << r.out;
}

std::vector<std::string> hostileNames() {
  std::vector<std::string> names;
  std::string every;
  for (int b = 1; b <= 255; ++b) {
    if (b == '/') continue;
    const char c = static_cast<char>(b);
    every.push_back(c);
    if (b != '.') names.emplace_back(1, c);
    names.push_back(std::string("x") + c + "y");
  }
  names.push_back(every);  // 254 bytes, all of them
  for (const char* n : {" lead", "trail ", "  ", "a\nb", "\n", "\r\n", "\"q\"", "'s'", "a|b|c", "||", "a\\b", "*?<>:",
                        "\xC3\x28", "\xE2\x82", "\xFF\xFE", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                        "\xC3\xA4", "a\xCC\x88", "A.txt", "a.txt", "..a", "a..", "...", "-", "~"})
    names.emplace_back(n);
  names.push_back(std::string(255, 'n'));
  std::string wide;
  for (int i = 0; i < 85; ++i) wide += "长";  // 255 bytes of UTF-8
  names.push_back(wide);
  return names;
}

}  // namespace

TEST(Hostile, EveryByteQuotesBlanksLongAndInvalidNames) {
  Sides s;
  Figures figures;
  const auto names = hostileNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string content = "content " + std::to_string(i);
    put(s.disk / names[i], content, kT0 + static_cast<std::int64_t>(i));
    // Every fourth also on the USB side, older; every seventh only there.
    if (i % 4 == 0) put(s.usb / names[i], "old " + std::to_string(i), kT0 - 100);
    if (i % 7 == 0) put(s.usb / ("gone" + names[i]), "extra", kT0);
  }
  // Folders with such names, holding files with such names.
  for (std::size_t i = 0; i < names.size(); i += 9) {
    if (names[i].size() > 250) continue;
    put(s.disk / ("d" + names[i]) / names[(i + 5) % names.size()], "inside " + std::to_string(i), kT0);
  }

  expectClean(s.sync());
  EXPECT_EQ(describe(sameTree(filesOf(s.usb), filesOf(s.disk), figures)), "0 problem(s)");
  expectInStep(s.sync());

  // Changes, renames (same folder, time and size) and deletions among them.
  for (std::size_t i = 1; i < names.size(); i += 11) put(s.disk / names[i], "changed " + std::to_string(i), kT0 + 5000);
  for (std::size_t i = 2; i < names.size(); i += 13)
    if (names[i].size() < 255) fs::rename(s.disk / names[i], s.disk / ("r" + names[i]));
  for (std::size_t i = 3; i < names.size(); i += 17) fs::remove(s.disk / names[i]);
  const ProcessResult r = s.sync();
  expectClean(r);
  EXPECT_NE(r.out.find("被同步文件夹修改文件名"), std::string::npos) << "renames were not recognised";
  EXPECT_EQ(describe(sameTree(filesOf(s.usb), filesOf(s.disk), figures)), "0 problem(s)");
  expectInStep(s.sync());
  figures.trials = 4;
  figures.print("hostile names (" + std::to_string(names.size()) + " names)");
}

TEST(Hostile, TwoHundredLevelsAndPathsAtTheLengthLimit) {
  Sides s;
  Figures figures;
  fs::path deep = s.disk;
  for (int level = 1; level <= 200; ++level) {
    deep /= "l" + std::to_string(level % 10);
    if (level % 50 == 0) put(deep / "f.txt", "level " + std::to_string(level), kT0 + level);
  }
  fs::create_directories(deep);
  put(s.usb / "l1/l2/stale.txt", "deleted", kT0);

  // Folders of 250-byte names down to the limit, a file at every level and
  // one whose full path is exactly as long as the system allows.
  const std::size_t limit = platform::maxPathLength() - 1;  // without the terminator
  fs::path longPath = s.disk / "long";
  int level = 0;
  while (longPath.string().size() + 1 + 250 + 1 + 8 <= limit) {
    longPath /= std::string(249, static_cast<char>('a' + level % 26)) + std::to_string(level % 10);
    put(longPath / "file.txt", "long " + std::to_string(level), kT0);
    ++level;
  }
  const std::size_t room = limit - longPath.string().size() - 1;
  put(longPath / std::string(room, 'z'), "at the limit", kT0);
  ASSERT_EQ((longPath / std::string(room, 'z')).string().size(), limit);
  // A short name at the limit: its copy's temporary name is the longer.
  fs::path shortName = s.disk / "short";
  while (shortName.string().size() + 1 + 250 + 1 + 1 <= limit) shortName /= std::string(250, 's');
  shortName /= std::string(limit - shortName.string().size() - 1 - 1 - 1, 't');
  put(shortName / "x", "short name at the limit", kT0);
  ASSERT_EQ((shortName / "x").string().size(), limit);

  expectClean(s.sync());
  EXPECT_EQ(describe(sameTree(filesOf(s.usb), filesOf(s.disk), figures)), "0 problem(s)");
  expectInStep(s.sync());
  figures.trials = 2;
  figures.print("200 levels and paths of " + std::to_string(limit) + " bytes");
}

TEST(Hostile, APathTooLongOnlyOnTheDriveSideSaysWhy) {
  // The USB folder lies deeper than the disk folder: a file at the length
  // limit on the disk has no name on the drive.
  Sides s;
  const fs::path usb = s.usb / "deeper-by-some-bytes";
  fs::create_directory(usb);
  const std::size_t limit = platform::maxPathLength() - 1;
  const std::size_t extra = usb.string().size() - s.disk.string().size();
  fs::path folder = s.disk;
  while (folder.string().size() + 1 + 250 + extra + 1 + 20 <= limit) folder /= std::string(250, 'f');
  const fs::path fits = folder / "fits.txt";
  const fs::path tooLong = folder / std::string(limit - folder.string().size() - 1, 'z');
  put(fits, "fits", kT0);
  put(tooLong, "too long for the drive", kT0);
  ASSERT_EQ(tooLong.string().size(), limit);

  std::vector<std::string> args = s.args();
  args[3] = usb.string();
  const ProcessResult r = testsupport::runProcess(syncProgram(), args, std::chrono::seconds(240));
  EXPECT_EQ(r.exitStatus, 1) << r.out << r.err;
  const auto out = lines(r.out);
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[out.size() - 3], "同步出错，请检查");
  EXPECT_EQ(out[out.size() - 2], "1、复制文件错误，请检查该文件是否正在使用：" + tooLong.string() + "（U盘不能存放这个文件名）");
  EXPECT_EQ(readFile(usb / fits.lexically_relative(s.disk)), "fits");
  EXPECT_EQ(testsupport::countTempFiles(usb), 0u);
}

TEST(Hostile, ManyThousandFilesInOneFolder) {
  // In memory where possible: the flush at the end of a run would otherwise
  // write every one of them to the disk.
  testsupport::ScratchSpace scratch(1024ull << 20);
  struct {
    fs::path disk, usb;
    ProcessResult sync() const {
      return testsupport::runProcess(syncProgram(),
                                     {"--disk", disk.string(), "--usb", usb.string(), "--mode", "disk-to-usb",
                                      "--no-progress", "--yes"},
                                     std::chrono::seconds(240));
    }
  } s{scratch.path() / "disk", scratch.path() / "usbx"};
  Figures figures;
  const int files = static_cast<int>(setting("DROVAN_RELIABILITY_FILES", 10000));
  for (int i = 0; i < files; ++i) {
    const std::string name = "f" + std::to_string(i) + (i % 3 ? ".txt" : ".DAT");
    put(s.disk / "many" / name, std::to_string(i), kT0 + i % 1000);
    if (i % 2 == 0) put(s.usb / "many" / name, "old", kT0 - 10);
    if (i % 10 == 0) put(s.usb / "many" / ("extra" + name), "x", kT0);
  }
  expectClean(s.sync());
  EXPECT_EQ(describe(sameTree(filesOf(s.usb), filesOf(s.disk), figures)), "0 problem(s)");
  expectInStep(s.sync());
  figures.trials = 2;
  figures.print(std::to_string(files) + " files in one folder");
}

TEST(Hostile, LinkLoopsBrokenLinksPipesAndSocketsAreNeverOpenedOrFollowedOut) {
  Sides s;
  put(s.disk / "file.txt", "f", kT0);
  put(s.disk / "sub/inner.txt", "i", kT0);
  fs::create_directory_symlink(".", s.disk / "loop");
  fs::create_directory_symlink("..", s.disk / "sub/up");
  fs::create_symlink("self", s.disk / "sub/self");
  fs::create_symlink("nowhere", s.disk / "broken");
  fs::create_symlink("file.txt", s.disk / "filelink");
  fs::create_directory_symlink("sub", s.disk / "dirlink");
  testsupport::makeFifo(s.disk / "pipe");
  testsupport::makeSocket(s.disk / "sock");
  // On the target: a link to a folder outside it, which only the target
  // holds and which is deleted: the link goes, never what it points to.
  put(s.base.path() / "outside/precious.txt", "never deleted", kT0);
  fs::create_directory_symlink(s.base.path() / "outside", s.usb / "outside_link");
  testsupport::makeFifo(s.usb / "their_pipe");

  expectClean(s.sync());
  auto kind = [&](const std::string& rel) {
    std::error_code ec;
    const auto st = fs::symlink_status(s.usb / rel, ec);
    if (ec || st.type() == fs::file_type::not_found) return std::string("absent");
    if (st.type() == fs::file_type::regular) return "file:" + readFile(s.usb / rel);
    if (st.type() == fs::file_type::directory) {
      std::string names;
      for (const auto& e : fs::directory_iterator(s.usb / rel)) names += e.path().filename().string() + ",";
      return "folder:" + names;
    }
    if (st.type() == fs::file_type::fifo) return std::string("fifo");
    return std::string("other");
  };
  EXPECT_EQ(kind("file.txt"), "file:f");
  EXPECT_EQ(kind("filelink"), "file:f");
  EXPECT_EQ(kind("loop"), "folder:");
  EXPECT_EQ(kind("sub/up"), "folder:");
  EXPECT_EQ(kind("sub/inner.txt"), "file:i");
  EXPECT_EQ(kind("dirlink/inner.txt"), "file:i");
  EXPECT_EQ(kind("dirlink/up"), "folder:");
  for (const char* absent : {"sub/self", "broken", "pipe", "sock", "outside_link"}) EXPECT_EQ(kind(absent), "absent") << absent;
  EXPECT_EQ(kind("their_pipe"), "fifo");
  EXPECT_EQ(readFile(s.base.path() / "outside/precious.txt"), "never deleted");
  expectInStep(s.sync());
}

TEST(Hostile, FilesGrowingOrVanishingWhileTheRunReadsThem) {
  testsupport::ScratchSpace scratch(512ull << 20);
  const fs::path disk = scratch.path() / "disk", usb = scratch.path() / "usbx";
  fs::create_directories(disk);
  fs::create_directories(usb);
  const std::string initial = testsupport::seededBytes(baseSeed(), 24u << 20);
  put(disk / "grow.bin", initial, kT0);
  for (int i = 0; i < 3000; ++i) put(disk / "v" / ("f" + std::to_string(10000 + i)), std::to_string(i), kT0);
  const std::vector<std::string> args = {"--disk", disk.string(), "--usb", usb.string(), "--mode", "disk-to-usb",
                                         "--no-progress", "--yes"};

  // One thread appends to the large file, another deletes small files from
  // the end of the order, while the run scans and copies.
  std::atomic<bool> done{false};
  std::thread grower([&] {
    std::ofstream out(disk / "grow.bin", std::ios::binary | std::ios::app);
    const std::string chunk(64 * 1024, 'g');
    for (int i = 0; i < 1500 && !done; ++i) {
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      out.flush();
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
  std::thread deleter([&] {
    for (int i = 2999; i >= 0 && !done; i -= 2) {
      fs::remove(disk / "v" / ("f" + std::to_string(10000 + i)));
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  const ProcessResult r = testsupport::runProcess(syncProgram(), args, std::chrono::seconds(120));
  done = true;
  grower.join();
  deleter.join();

  EXPECT_TRUE(r.exitStatus == 0 || r.exitStatus == 1) << r.exitStatus << r.err;
  const auto out = lines(r.out);
  ASSERT_FALSE(out.empty());
  EXPECT_TRUE(isClosingLine(out.back())) << out.back();
  // Errors only for files that are gone from the source now, and for the
  // large file when it grew while it was read.
  const std::regex copyError(R"(^\d+、复制文件错误，请检查该文件是否正在使用：(.*?)(（.*）)?$)");
  int vanished = 0;
  bool growthRefused = false;
  for (const std::string& line : out) {
    std::smatch m;
    if (!std::regex_match(line, m, copyError)) continue;
    if (fs::path(std::string(m[1])) == disk / "grow.bin") {
      growthRefused = true;
      continue;
    }
    ++vanished;
    EXPECT_FALSE(fs::exists(std::string(m[1]))) << line;
  }
  // The large file was copied whole as it was at some moment (a prefix of
  // what it is now, at least as long as at the start), or not at all.
  const std::string source = readFile(disk / "grow.bin");
  const std::string copied = fs::exists(usb / "grow.bin") ? readFile(usb / "grow.bin") : std::string();
  EXPECT_EQ(growthRefused, copied.empty());
  if (!growthRefused) {
    EXPECT_GE(copied.size(), initial.size());
  }
  EXPECT_TRUE(source.compare(0, copied.size(), copied) == 0) << "the copy is no earlier state of the file";
  Figures figures;
  figures.filesChecked += 1;
  figures.bytesCompared += copied.size();
  // Small files that arrived are whole.
  for (const auto& entry : fs::directory_iterator(usb / "v")) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(readFile(entry.path()), std::to_string(std::stoi(name.substr(1)) - 10000)) << name;
    ++figures.filesChecked;
  }

  // The next run brings the folders in step.
  const ProcessResult again = testsupport::runProcess(syncProgram(), args, std::chrono::seconds(120));
  EXPECT_EQ(again.exitStatus, 0) << again.out;
  EXPECT_EQ(describe(sameTree(filesOf(usb), filesOf(disk), figures)), "0 problem(s)");
  figures.trials = 2;
  figures.print("files growing or vanishing (" + std::to_string(vanished) + " vanished before their copy)");
}
