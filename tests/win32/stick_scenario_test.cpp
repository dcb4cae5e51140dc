// drovan-sync.exe as people use it: on a removable drive E:, with the
// configuration file beside it holding the folders of two computers, syncing
// Chinese-named trees; and its refusal to run from a fixed disk.
#include <gtest/gtest.h>

#include <random>

#include "config/ApplicationHardWareInfo.h"
#include "platform/drives.h"
#include "platform/profile_file.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;

const std::string kProgram = DROVAN_SYNC_BINARY;
const std::string kConfigName = "Drovan配置文件(请勿删除).ini";
const std::string kOtherComputer = "0A-00-27-00-00-0C";

// A Windows path from the build's own (a Unix path under Wine's Z: drive).
std::string programOnWindows() {
  std::string path = kProgram;
  if (!path.empty() && path.front() == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class StickScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(platform::driveTypeOf("E:\\"), platform::DriveType::Removable)
        << "the test prefix maps E: as a removable drive";
    removeAll("E:\\同步工具");
    removeAll("E:\\资料");
    scratch = tempFolder() + "drovan-stick-" + std::to_string(std::random_device{}());
    ASSERT_TRUE(makeFolders(scratch));
    disk = scratch + "\\硬盘资料";
    ASSERT_TRUE(makeFolders(disk + "\\子目录"));
    ASSERT_TRUE(writeFileUtf8(disk + "\\a.doc", "文档内容"));
    ASSERT_TRUE(writeFileUtf8(disk + "\\子目录\\笔记.txt", "第二个文件"));
    ASSERT_TRUE(makeFolders("E:\\同步工具"));
    ASSERT_TRUE(makeFolders("E:\\资料"));
    program = "E:\\同步工具\\drovan-sync.exe";
    ASSERT_TRUE(copyFileUtf8(programOnWindows(), program));
    mac = TMacAdressInfo(platform::MachinePaths{}).MacAdrress();
  }
  void TearDown() override {
    removeAll("E:\\同步工具");
    removeAll("E:\\资料");
    removeAll(scratch);
  }

  void writeConfig() {
    const std::string text = "[U盘]\r\n同步文件夹=资料\r\n[硬盘]\r\n" + kOtherComputer + "=D:\\别的电脑\\资料\r\n" + mac +
                             "=" + disk + "\r\n";
    ASSERT_TRUE(writeFileUtf8("E:\\同步工具\\" + kConfigName, text));
  }

  std::string scratch, disk, program, mac;
};

TEST_F(StickScenario, SyncsChineseTreesOntoTheStickAndNamesThemWithTheDriveLetter) {
  writeConfig();
  const WinRun run = runWindowsProgram(program, "--mode disk-to-usb --no-progress", scratch);
  ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
  EXPECT_NE(run.out.find("创建文件夹E:\\资料\\子目录"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("复制文件" + disk + "\\a.doc到E:\\资料\\a.doc 100%"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("复制文件" + disk + "\\子目录\\笔记.txt到E:\\资料\\子目录\\笔记.txt 100%"), std::string::npos)
      << run.out;
  EXPECT_EQ(readFileUtf8("E:\\资料\\a.doc"), "文档内容");
  EXPECT_EQ(readFileUtf8("E:\\资料\\子目录\\笔记.txt"), "第二个文件");

  // The second run finds both sides in step.
  const WinRun again = runWindowsProgram(program, "--no-progress", scratch);
  EXPECT_EQ(again.exitCode, 0u) << again.err;
  EXPECT_NE(again.out.find("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！"), std::string::npos) << again.out;

  // The other computer's folder is still in the file, beside this one's.
  const platform::ProfileFile config("E:\\同步工具\\" + kConfigName);
  EXPECT_EQ(config.readString("硬盘", kOtherComputer, ""), "D:\\别的电脑\\资料");
  EXPECT_EQ(config.readString("硬盘", mac, ""), disk);
  EXPECT_EQ(config.readString("U盘", "同步文件夹", ""), "资料");
}

TEST_F(StickScenario, ChangesOnTheStickGoBackToTheDisk) {
  writeConfig();
  ASSERT_EQ(runWindowsProgram(program, "--mode disk-to-usb --no-progress", scratch).exitCode, 0u);
  ASSERT_TRUE(writeFileUtf8("E:\\资料\\子目录\\新文件.txt", "在U盘上写的"));
  const WinRun run = runWindowsProgram(program, "--mode usb-to-disk --no-progress", scratch);
  ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
  EXPECT_NE(run.out.find("E:\\资料\\子目录\\新文件.txt到" + disk + "\\子目录\\新文件.txt"), std::string::npos) << run.out;
  EXPECT_EQ(readFileUtf8(disk + "\\子目录\\新文件.txt"), "在U盘上写的");
}

TEST_F(StickScenario, RefusesToRunFromAFixedDisk) {
  const std::string fixed = scratch + "\\程序\\drovan-sync.exe";
  ASSERT_TRUE(makeFolders(scratch + "\\程序"));
  ASSERT_TRUE(copyFileUtf8(programOnWindows(), fixed));
  ASSERT_NE(platform::driveTypeOf(fixed), platform::DriveType::Removable);
  const WinRun run = runWindowsProgram(fixed, "--no-progress", scratch);
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("对不起，请把本程序放至到U盘上使用!"), std::string::npos) << run.err;
  EXPECT_FALSE(fileExists(scratch + "\\程序\\" + kConfigName));
}

}  // namespace
