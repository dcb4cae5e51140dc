// The program's drive on Windows: a removable drive's letter is the root the
// USB folder is kept relative to, the configuration file lies beside the
// program, and a program on any other drive is refused before any file is
// read or written.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "config/pOstSync.h"
#include "platform/drives.h"
#include "platform/exceptions.h"
#include "platform/win32/win_calls.h"
#include "tests/config/refusal_catcher.h"
#include "tests/support/fake_machine.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;

const std::string kTools = "E:\\同步工具";
const std::string kConfig = kTools + "\\Drovan配置文件(请勿删除).ini";

class OstSyncWin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(platform::driveTypeOf("E:\\"), platform::DriveType::Removable)
        << "the test prefix maps E: as a removable drive";
    removeAll(kTools);
    ASSERT_TRUE(makeFolders(kTools));
    ASSERT_TRUE(writeFileUtf8(kTools + "\\Drovan.exe", "program"));
    machine.addAdapter("eth0", "00:1a:2b:3c:4d:5e", 2, true);
    paths = machine.paths();
    paths.programPath = kTools + "\\Drovan.exe";
  }
  void TearDown() override { removeAll(kTools); }

  FakeMachine machine;
  platform::MachinePaths paths;
};

TEST_F(OstSyncWin, TheUsbFolderIsKeptRelativeToTheDriveLetter) {
  RefusalCatcher catcher;
  {
    TOstSyncAction action(paths);
    EXPECT_EQ(action.UFolderAbsPath(), "E:\\");
    EXPECT_EQ(action.Mac(), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(GetProgramDriveRoot(paths), "E:\\");
    EXPECT_EQ(RemovableProgramDriveRoot(paths), "E:\\");
  }
  // Written on Linux: "/" between the names.
  ASSERT_TRUE(writeFileUtf8(kConfig, "[U盘]\n同步文件夹=同步/资料\n[硬盘]\n00-1A-2B-3C-4D-5E=D:\\资料\n"));
  TOstSyncAction action(paths);
  EXPECT_EQ(action.UFolderAbsPath(), "E:\\同步\\资料");
  EXPECT_EQ(action.DFolderPath(), "D:\\资料");
  action.SetUFolderAbsPath("E:\\同步\\新");
  EXPECT_EQ(action.Ostini().UFolderPath(), "同步\\新");
  action.SetUFolderAbsPath("e:\\");
  EXPECT_EQ(action.Ostini().UFolderPath(), "");
  EXPECT_TRUE(catcher.text.empty()) << catcher.text;
}

TEST_F(OstSyncWin, TheOrderlyEndWritesBesideTheProgramAndAFailedWriteKeepsTheOldFile) {
  RefusalCatcher catcher;
  CreateSyncAction(paths);
  ASSERT_NE(SyncAction, nullptr);
  SyncAction->SetUFolderAbsPath("E:\\同步\\资料");
  SyncAction->SetDFolderPath("D:\\工作");
  EXPECT_FALSE(fileExists(kConfig));
  DestroySyncAction();
  const std::string text = readFileUtf8(kConfig);
  EXPECT_NE(text.find("同步文件夹=同步\\资料\n"), std::string::npos) << text;
  EXPECT_NE(text.find("00-1A-2B-3C-4D-5E=D:\\工作\n"), std::string::npos) << text;

  // The stick pulled before the new file took the old one's place.
  CreateSyncAction(paths);
  SyncAction->SetDFolderPath("D:\\别处");
  platform::win32::WinCalls calls = platform::win32::realWinCalls();
  calls.moveFileEx = [](LPCWSTR, LPCWSTR, DWORD) -> BOOL {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
  };
  {
    platform::win32::ScopedWinCallOverride guard(calls);
    EXPECT_THROW(DestroySyncAction(), EIniFileException);
  }
  EXPECT_EQ(SyncAction, nullptr);
  EXPECT_EQ(readFileUtf8(kConfig), text);
}

TEST_F(OstSyncWin, AProgramOnAFixedDiskIsRefusedAndWritesNothing) {
  const std::string scratch = tempFolder() + "drovan-fixed-" + std::to_string(std::random_device{}());
  ASSERT_TRUE(makeFolders(scratch));
  ASSERT_TRUE(writeFileUtf8(scratch + "\\Drovan.exe", "program"));
  platform::MachinePaths fixed = paths;
  fixed.programPath = scratch + "\\Drovan.exe";
  ASSERT_EQ(platform::driveTypeOf(fixed.programPath), platform::DriveType::Fixed);
  RefusalCatcher catcher;
  EXPECT_TRUE(refusesToRun(fixed, catcher));
  EXPECT_FALSE(fileExists(scratch + "\\Drovan配置文件(请勿删除).ini"));
  catcher.text.clear();
  EXPECT_EQ(RemovableProgramDriveRoot(fixed), std::nullopt);
  EXPECT_EQ(catcher.text, "");
  removeAll(scratch);
}

}  // namespace
