// What a drive's file system allows: told by the mount type, and for FUSE
// block mounts by the device itself.
#include <gtest/gtest.h>

#include "platform/drives.h"
#include "tests/support/fake_machine.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using testsupport::FakeMachine;

TEST(DriveFormat, ByTheMountsType) {
  FakeMachine m;
  const auto fat = driveFormatOf(m.addMount("media/FAT", "vfat", "/dev/sdb1", "8:17"), m.paths());
  EXPECT_EQ(fat.kind, FileSystemKind::Fat);
  EXPECT_EQ(fat.timeStepMs, 2000);
  EXPECT_TRUE(fat.localTimes);
  EXPECT_EQ(fat.maxFileSize, 4294967295);

  const auto exfat = driveFormatOf(m.addMount("media/EX", "exfat", "/dev/sdc1", "8:33"), m.paths());
  EXPECT_EQ(exfat.kind, FileSystemKind::Exfat);
  EXPECT_FALSE(exfat.localTimes);
  EXPECT_EQ(exfat.maxFileSize, 0);

  EXPECT_EQ(driveFormatOf(m.addMount("media/WIN", "ntfs3", "/dev/sdd1", "8:49"), m.paths()).kind,
            FileSystemKind::Ntfs);
  const auto ext4 = driveFormatOf(m.addMount("mnt/data", "ext4", "/dev/sda2", "8:2"), m.paths());
  EXPECT_EQ(ext4.kind, FileSystemKind::Other);
  EXPECT_EQ(ext4.timeStepMs, 0);
  EXPECT_FALSE(ext4.localTimes);
}

TEST(DriveFormat, RealSticksThroughFuse) {
  std::string why;
  if (!testsupport::FatMount::available(why) || !testsupport::ExfatMount::available(why)) GTEST_SKIP() << why;
  testsupport::FatMount fat;
  EXPECT_EQ(driveFormatOf(fat.str() + "/any/file").kind, FileSystemKind::Fat);
  // exfat-fuse mounts as "fuseblk"; the device's boot sector tells.
  testsupport::ExfatMount exfat;
  const auto format = driveFormatOf(exfat.str());
  EXPECT_EQ(format.kind, FileSystemKind::Exfat);
  EXPECT_EQ(format.timeStepMs, 1000);
  testsupport::TempDir plain;
  EXPECT_EQ(driveFormatOf(plain.str()).kind, FileSystemKind::Other);
}
