// The target on a small drive that fills up: the copies and updates that do
// not fit fail with their numbered error lines, nothing partial remains and
// an update that failed keeps the old file; the run still ends with its
// summary and closing line, and once space is freed a rerun completes. A
// configuration saved onto the full drive keeps the old file.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "config/pIniReg.h"
#include "platform/exceptions.h"
#include "tests/support/usb_machine.h"
#include "tests/reliability/reliability.h"
#include "tests/support/file_times.h"
#include "tests/support/sync_pair.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_mounts.h"

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::ProcessResult;
using testsupport::seededBytes;
using testsupport::setMTime;

namespace {

constexpr std::uint64_t kMiB = 1u << 20;
const std::int64_t kT0 = 1'600'000'000;

void writeFile(const fs::path& path, const std::string& data, std::int64_t mtime) {
  fs::create_directories(path.parent_path());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
  }
  setMTime(path, mtime);
}

// Fills the drive to its last byte; false when nothing more would fit.
void fillUp(const fs::path& file) {
  std::ofstream out(file, std::ios::binary);
  const std::string block(64 * 1024, 'f');
  while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
  }
}

}  // namespace

TEST(DriveFull, CopiesThatDoNotFitFailWholeAndARerunFinishesOnceThereIsSpace) {
  std::string why;
  if (!testsupport::canMount(why)) GTEST_SKIP() << why;
  testsupport::TmpfsMount drive(8 * kMiB);
  testsupport::TempDir diskDir;
  const fs::path disk = diskDir.path(), usb = drive.path() / "同步";
  fs::create_directories(usb);

  // 4.5 MiB of data only the target holds, an old 256 KiB version of
  // upd.bin: about 3.2 MiB free. The run fits once it has deleted that
  // data, which it does last: the 3.5 MiB update cannot fit, the small
  // files and the two middle ones do, the last one no longer does.
  writeFile(usb / "其他数据.bin", std::string(4 * kMiB + kMiB / 2, 'o'), kT0);
  writeFile(usb / "upd.bin", seededBytes(1, kMiB / 4), kT0);
  writeFile(disk / "upd.bin", seededBytes(2, 3 * kMiB + kMiB / 2), kT0 + 100);
  for (int i = 0; i < 20; ++i)
    writeFile(disk / "小文件" / ("f" + std::to_string(i) + ".txt"), seededBytes(10 + i, 8192), kT0 + i);
  writeFile(disk / "b1.bin", seededBytes(3, kMiB), kT0);
  writeFile(disk / "b2.bin", seededBytes(4, kMiB + kMiB / 2), kT0);
  writeFile(disk / "zz.bin", seededBytes(5, kMiB + kMiB / 4), kT0);
  const TreeSnapshot source = filesOf(disk), oldTarget = filesOf(usb);
  Figures figures;

  const std::vector<std::string> args = {"--disk", disk.string(), "--usb", usb.string(), "--mode", "disk-to-usb",
                                         "--no-progress", "--yes", "--no-versions"};
  const ProcessResult r = testsupport::runProcess(syncProgram(), args);
  ++figures.trials;
  EXPECT_EQ(r.exitStatus, 1) << r.out << r.err;
  const auto out = lines(r.out);
  ASSERT_GE(out.size(), 3u);
  EXPECT_TRUE(isClosingLine(out.back())) << out.back();
  const auto head = std::find(out.begin(), out.end(), kErrorHead);
  ASSERT_NE(head, out.end()) << r.out;

  // The numbered lines between the summary head and the closing line, and
  // the source-relative paths they name.
  const std::regex numbered(R"(^(\d+)、(复制文件错误，请检查该文件是否正在使用：|更新文件错误，请检查该文件是否正在使用：)(.*?)(（.*）)$)");
  std::set<std::string> failed;
  int expectedNumber = 1;
  for (auto line = head + 1; line != out.end() - 1; ++line) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(*line, m, numbered)) << *line;
    EXPECT_EQ(std::stoi(m[1]), expectedNumber++);
    EXPECT_EQ(m[4], "（磁盘空间不足）") << *line;
    const std::string path = m[3];
    const std::string root = m[2] == "更新文件错误，请检查该文件是否正在使用：" ? usb.string() : disk.string();
    ASSERT_EQ(path.rfind(root + "/", 0), 0u) << path;
    failed.insert(path.substr(root.size() + 1));
  }
  EXPECT_TRUE(failed.count("upd.bin")) << "the update that cannot fit";
  EXPECT_TRUE(failed.count("zz.bin")) << "the copy that no longer fits";

  // Each file the run did not report is there whole; each reported one is
  // absent or, for the update, still the old version; no temporary file.
  const TreeSnapshot target = filesOf(usb);
  EXPECT_EQ(describe(wholeVersions(target, {&source, &oldTarget}, figures)), "0 problem(s)");
  for (const auto& [path, state] : source) {
    if (state.folder) continue;
    const auto it = target.find(path);
    if (failed.count(path)) {
      if (oldTarget.count(path)) {
        ASSERT_NE(it, target.end()) << path;
        EXPECT_EQ(it->second, oldTarget.at(path)) << path << " lost its old version";
      } else {
        EXPECT_EQ(it, target.end()) << path << " half written";
      }
    } else {
      ASSERT_NE(it, target.end()) << path << " neither copied nor reported";
      EXPECT_EQ(it->second, state) << path;
    }
  }
  EXPECT_EQ(tempFilesIn(drive.path()), 0u);

  // The run freed the space: the rerun completes and the folders are in step.
  EXPECT_FALSE(fs::exists(usb / "其他数据.bin"));
  const ProcessResult again = testsupport::runProcess(syncProgram(), args);
  ++figures.trials;
  EXPECT_EQ(again.exitStatus, 0) << again.out;
  const auto againOut = lines(again.out);
  ASSERT_FALSE(againOut.empty());
  EXPECT_TRUE(isClosingLine(againOut.back())) << againOut.back();
  EXPECT_EQ(describe(sameTree(filesOf(usb), source, figures)), "0 problem(s)");
  EXPECT_EQ(tempFilesIn(drive.path()), 0u);
  figures.print("drive full");
}

TEST(DriveFull, AConfigurationSavedOntoAFullDriveKeepsTheOldFile) {
  std::string why;
  if (!testsupport::canMount(why)) GTEST_SKIP() << why;
  testsupport::TmpfsMount drive(1 * kMiB);
  UsbMachine usb;
  platform::MachinePaths paths = usb.paths();
  paths.configFile = (drive.path() / kConfigFileName).string();
  {
    TOstiniFileAction ini(paths);
    ini.SetDFolderPath("/home/用户/资料");
    ini.SaveConfig();
  }
  const std::string before = testsupport::readFile(paths.configFile);
  fillUp(drive.path() / "filler");

  TOstiniFileAction ini(paths);
  // Longer than the one page left free, within the 2047 characters a value holds.
  const std::string longFolder = "/home/用户/" + std::string(2000, 'x');
  ini.SetDFolderPath(longFolder);
  ini.SyncFilesList().SetDelimitedText(std::string(2000, 'd') + ";" + std::string(2000, 'e'));
  try {
    ini.SaveConfig();
    ADD_FAILURE() << "a save onto a full drive succeeded";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + paths.configFile);
  }
  EXPECT_EQ(testsupport::readFile(paths.configFile), before);
  EXPECT_EQ(tempFilesIn(drive.path()), 0u);
  std::size_t names = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(drive.path())) ++names;
  EXPECT_EQ(names, 2u) << "only the configuration and the filler";

  // With room again the same save goes through whole.
  fs::remove(drive.path() / "filler");
  ini.SaveConfig();
  EXPECT_TRUE(TOstiniFileAction(paths).DFolderPath() == longFolder);
}
