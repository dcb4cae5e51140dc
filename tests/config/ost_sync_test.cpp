#include "config/pOstSync.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/exceptions.h"
#include "platform/syscalls.h"
#include "tests/config/refusal_catcher.h"
#include "tests/support/usb_machine.h"

using testsupport::FakeMachine;
using testsupport::readFile;

TEST(OstSyncAction, UsbFolderResolvesAgainstTheDriveRoot) {
  RefusalCatcher catcher;
  UsbMachine usb;
  {
    TOstSyncAction action(usb.paths());
    EXPECT_EQ(action.UFolderAbsPath(), usb.usb + "/");
    EXPECT_EQ(action.Mac(), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(GetProgramDriveRoot(usb.paths()), usb.usb + "/");
    EXPECT_EQ(RemovableProgramDriveRoot(usb.paths()), usb.usb + "/");
  }
  usb.writeIni("[U盘]\n同步文件夹=同步\\资料\n[硬盘]\n00-1A-2B-3C-4D-5E=/home/u/资料\n");
  TOstSyncAction action(usb.paths());
  EXPECT_EQ(action.UFolderAbsPath(), usb.usb + "/同步/资料");
  EXPECT_EQ(action.DFolderPath(), "/home/u/资料");

  // The same drive mounted elsewhere (another "letter"): the folder follows it.
  UsbMachine moved("00:1a:2b:3c:4d:5e", "run/media/用户/STICK");
  std::filesystem::copy_file(usb.ini, moved.ini);
  EXPECT_EQ(TOstSyncAction(moved.paths()).UFolderAbsPath(), moved.usb + "/同步/资料");
  EXPECT_TRUE(catcher.text.empty());
}

TEST(OstSyncAction, SettersReachTheConfigurationButNotTheFile) {
  RefusalCatcher catcher;
  UsbMachine usb;
  usb.writeIni("[U盘]\n同步文件夹=旧\n");
  TOstSyncAction action(usb.paths());
  action.SetUFolderAbsPath(usb.usb + "/同步/资料");
  EXPECT_EQ(action.UFolderAbsPath(), usb.usb + "/同步/资料");
  EXPECT_EQ(action.Ostini().UFolderPath(), "同步/资料");
  action.SetUFolderAbsPath(usb.usb + "/");
  EXPECT_EQ(action.Ostini().UFolderPath(), "");
  action.SetUFolderAbsPath(usb.usb);
  EXPECT_EQ(action.Ostini().UFolderPath(), "");
  action.SetDFolderPath("/home/u/新");
  EXPECT_EQ(action.DFolderPath(), "/home/u/新");
  EXPECT_EQ(action.Ostini().DFolderPath(), "/home/u/新");
  EXPECT_EQ(readFile(usb.ini), "[U盘]\n同步文件夹=旧\n");
}

TEST(OstSyncAction, OrderlyEndWritesOnceAndReleases) {
  RefusalCatcher catcher;
  UsbMachine usb;
  CreateSyncAction(usb.paths());
  ASSERT_NE(SyncAction, nullptr);
  SyncAction->SetUFolderAbsPath(usb.usb + "/同步/资料");
  SyncAction->SetDFolderPath("/home/u/资料");
  EXPECT_FALSE(std::filesystem::exists(usb.ini));
  DestroySyncAction();
  EXPECT_EQ(SyncAction, nullptr);
  const std::string text = readFile(usb.ini);
  EXPECT_NE(text.find("同步文件夹=同步/资料\n"), std::string::npos) << text;
  EXPECT_NE(text.find("00-1A-2B-3C-4D-5E=/home/u/资料\n"), std::string::npos) << text;

  // A failed write at the end: raised, the object gone, the file unchanged.
  CreateSyncAction(usb.paths());
  SyncAction->SetDFolderPath("/elsewhere");
  platform::Syscalls table = platform::realSyscalls();
  table.rename = [](const char*, const char*) {
    errno = 0;  // a failure without a reason is a failure all the same
    return -1;
  };
  {
    platform::ScopedSyscallOverride guard(table);
    EXPECT_THROW(DestroySyncAction(), EIniFileException);
  }
  EXPECT_EQ(SyncAction, nullptr);
  EXPECT_EQ(readFile(usb.ini), text);
}

// Holds in development builds too: without a drive there is no root.
TEST(OstSyncAction, RefusesWhenTheProgramCannotBeLocated) {
  RefusalCatcher catcher;
  UsbMachine usb;
  auto paths = usb.paths();
  paths.programPath = (usb.machine.root() / "gone").string();
  EXPECT_TRUE(refusesToRun(paths, catcher));
  paths = usb.paths();
  paths.mountInfo = (usb.machine.root() / "gone").string();
  EXPECT_TRUE(refusesToRun(paths, catcher));
}

#ifndef DROVAN_ANY_DRIVE_REMOVABLE

TEST(OstSyncAction, RefusesEveryDriveThatIsNotRemovable) {
  struct Drive {
    const char* name;
    const char* fsType;
    const char* source;
    bool removableDisk;
  };
  const Drive drives[] = {
      {"fixed", "ext4", "/dev/sda1", false},
      {"external disk reporting fixed", "exfat", "/dev/sda1", false},
      {"nfs", "nfs4", "server:/export", false},
      {"cifs", "cifs", "//server/share", false},
      {"tmpfs", "tmpfs", "tmpfs", false},
      {"overlay", "overlay", "overlay", false},
  };
  for (const auto& drive : drives) {
    SCOPED_TRACE(drive.name);
    RefusalCatcher catcher;
    FakeMachine m;
    m.addDisk("sda", drive.removableDisk);
    m.addPartition("sda", "sda1");
    const auto folder = m.addMount("mnt/drive", drive.fsType, drive.source);
    m.placeProgram("mnt/drive/Drovan");
    EXPECT_TRUE(refusesToRun(m.paths(), catcher));
    EXPECT_FALSE(std::filesystem::exists(folder + "/" + kConfigFileName));
    EXPECT_THROW(GetProgramDriveRoot(m.paths()), ProcessEnded);
    // The test that answers: no box, no end.
    catcher.text.clear();
    EXPECT_EQ(RemovableProgramDriveRoot(m.paths()), std::nullopt);
    EXPECT_EQ(catcher.text, "");
  }
}

TEST(OstSyncAction, RefusalAfterStartEndsAtTheSetter) {
  RefusalCatcher catcher;
  UsbMachine usb;
  TOstSyncAction action(usb.paths());
  // The stick's removable flag now reads 0 (for example, another device took its name).
  std::filesystem::remove(usb.machine.root() / "sys/block/sdb");
  EXPECT_THROW(action.SetUFolderAbsPath(usb.usb + "/x"), ProcessEnded);
}

#endif

TEST(OstSyncAction, ExfatFuseMountOfAStickIsAccepted) {
  RefusalCatcher catcher;
  FakeMachine m;
  m.addDisk("sdc", true);
  m.addPartition("sdc", "sdc1");
  const auto folder = m.addMount("media/EXFAT 盘", "fuseblk", "/dev/sdc1", "0:61");
  m.placeProgram("media/EXFAT 盘/Drovan");
  CreateSyncAction(m.paths());
  ASSERT_NE(SyncAction, nullptr);
  EXPECT_EQ(SyncAction->UFolderAbsPath(), folder + "/");
  EXPECT_TRUE(catcher.text.empty());
}
