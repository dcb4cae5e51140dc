#include "platform/drives.h"
#include "platform/linux/mount_table.h"

#include <gtest/gtest.h>

#include "platform/program_path.h"
#include "tests/support/fake_machine.h"

using platform::DriveType;
using platform::driveRootOf;
using platform::driveTypeOf;
using testsupport::FakeMachine;

TEST(Drives, ProgramOnUsbPartitionWithBlanksAndCjk) {
  FakeMachine m;
  m.addDisk("sdb", true);
  m.addPartition("sdb", "sdb1");
  const std::string usb = m.addMount("media/u 盘 (同步)", "vfat", "/dev/sdb1", "8:17");
  const std::string program = m.placeProgram("media/u 盘 (同步)/工具/Drovan");

  const auto path = platform::programPath(m.paths());
  ASSERT_TRUE(path.ok()) << describe(path.status);
  EXPECT_EQ(path.value, program);
  const auto root = driveRootOf(program, m.paths());
  ASSERT_TRUE(root.ok()) << describe(root.status);
  EXPECT_EQ(root.value, usb + "/");
  EXPECT_EQ(driveTypeOf(program, m.paths()), DriveType::Removable);
  // A folder not created yet lies on the drive of its nearest existing ancestor.
  EXPECT_EQ(driveRootOf(usb + "/新/../新/子", m.paths()).value, usb + "/");
  EXPECT_EQ(driveRootOf(usb, m.paths()).value, usb + "/");
  // The mount table gives the mount point escaped.
  const auto mount = platform::detail::mountOf(program, m.paths());
  EXPECT_EQ(mount.value.source, "/dev/sdb1");
  EXPECT_EQ(mount.value.fsType, "vfat");
}

TEST(Drives, KindsThatAreNotRemovable) {
  FakeMachine m;
  m.addDisk("sda", false);
  m.addPartition("sda", "sda2");
  m.addDisk("loop0", false);
  m.addDisk("sr0", true);  // optical drives report removable media too
  const auto fixed = m.addMount("mnt/fixed", "ext4", "/dev/sda2", "8:2");
  const auto nfs = m.addMount("mnt/nfs", "nfs4", "server:/export", "0:51");
  const auto cifs = m.addMount("mnt/share", "cifs", "//server/share", "0:52");
  const auto tmp = m.addMount("mnt/tmp", "tmpfs", "tmpfs", "0:53");
  const auto overlay = m.addMount("mnt/overlay", "overlay", "overlay", "0:54");
  const auto loop = m.addMount("mnt/image", "exfat", "/dev/loop0", "7:0");
  const auto cd = m.addMount("mnt/cd", "iso9660", "/dev/sr0", "11:0");
  const auto cdUdf = m.addMount("mnt/cd2", "ext2", "/dev/sr0", "11:0");

  EXPECT_EQ(driveTypeOf(fixed, m.paths()), DriveType::Fixed);
  EXPECT_EQ(driveTypeOf(nfs + "/a/b", m.paths()), DriveType::Remote);
  EXPECT_EQ(driveTypeOf(cifs, m.paths()), DriveType::Remote);
  EXPECT_EQ(driveTypeOf(tmp, m.paths()), DriveType::Ram);
  EXPECT_EQ(driveTypeOf(overlay, m.paths()), DriveType::Fixed);
  EXPECT_EQ(driveTypeOf(loop, m.paths()), DriveType::Fixed);
  EXPECT_EQ(driveTypeOf(cd, m.paths()), DriveType::Optical);
  EXPECT_EQ(driveTypeOf(cdUdf, m.paths()), DriveType::Optical);
  // Outside every fake mount: the real root file system, root "/".
  EXPECT_EQ(driveRootOf("/etc", m.paths()).value, "/");
  EXPECT_EQ(driveTypeOf("/etc", m.paths()), DriveType::Fixed);
}

TEST(Drives, FuseMountOfRemovableDeviceCountsByItsSource) {
  FakeMachine m;
  m.addDisk("sdc", true);
  m.addPartition("sdc", "sdc1");
  const auto exfat = m.addMount("media/EXFAT", "fuseblk", "/dev/sdc1", "0:57");
  EXPECT_EQ(driveTypeOf(exfat + "/Drovan", m.paths()), DriveType::Removable);
  // The same FUSE type on a fixed device is not removable.
  m.addDisk("sdd", false);
  const auto fixedFuse = m.addMount("media/NTFS", "fuseblk", "/dev/sdd", "0:58");
  EXPECT_EQ(driveTypeOf(fixedFuse, m.paths()), DriveType::Fixed);
}

TEST(Drives, EncryptedSticksAndMemoryCardsAreRemovable) {
  FakeMachine m;
  m.addDisk("sdb", true);
  m.addPartition("sdb", "sdb1");
  m.addStackedDisk("dm-0", {"sdb1"});
  m.addDeviceNumber("254:0", "dm-0");
  const auto luks = m.addMount("media/SECRET", "ext4", "/dev/mapper/luks-1234", "254:0");
  EXPECT_EQ(driveTypeOf(luks, m.paths()), DriveType::Removable);
  // Built on a fixed disk too, or only on fixed disks: not removable.
  m.addDisk("sda", false);
  m.addPartition("sda", "sda3");
  m.addStackedDisk("dm-1", {"sdb1", "sda3"});
  m.addDeviceNumber("254:1", "dm-1");
  m.addStackedDisk("dm-2", {"sda3"});
  m.addStackedDisk("dm-3", {"dm-2"});
  m.addDeviceNumber("254:3", "dm-3");
  EXPECT_EQ(driveTypeOf(m.addMount("mnt/span", "ext4", "/dev/mapper/span", "254:1"), m.paths()), DriveType::Fixed);
  EXPECT_EQ(driveTypeOf(m.addMount("mnt/home", "ext4", "/dev/mapper/home", "254:3"), m.paths()), DriveType::Fixed);

  // A card in a reader reports 0 for removable; its type tells.
  m.addDisk("mmcblk0", false);
  m.addPartition("mmcblk0", "mmcblk0p1");
  m.setCardType("mmcblk0", "SD");
  EXPECT_EQ(driveTypeOf(m.addMount("media/CARD", "vfat", "/dev/mmcblk0p1", "179:1"), m.paths()),
            DriveType::Removable);
  m.addDisk("mmcblk1", false);  // soldered-in memory
  m.setCardType("mmcblk1", "MMC");
  EXPECT_EQ(driveTypeOf(m.addMount("mnt/emmc", "ext4", "/dev/mmcblk1", "179:8"), m.paths()), DriveType::Fixed);
}

TEST(Drives, SourcesNamedByLinkAreFoundByDeviceNumber) {
  FakeMachine m;
  m.addDisk("sdb", true);
  m.addPartition("sdb", "sdb1");
  m.addDeviceNumber("8:17", "sdb1");
  const auto usb = m.addMount("media/STICK", "vfat", "/dev/disk/by-label/STICK", "8:17");
  EXPECT_EQ(driveTypeOf(usb, m.paths()), DriveType::Removable);
  // A whole disk without partitions.
  m.addDisk("sde", true);
  m.addDeviceNumber("8:64", "sde");
  const auto whole = m.addMount("media/WHOLE", "vfat", "/dev/root", "8:64");
  EXPECT_EQ(driveTypeOf(whole, m.paths()), DriveType::Removable);
}

TEST(Drives, NestedMountsLongestWholeComponentPrefixWins) {
  FakeMachine m;
  m.addDisk("sdb", true);
  m.addPartition("sdb", "sdb1");
  m.addDisk("sda", false);
  m.addPartition("sda", "sda3");
  // The table's order does not decide: the inner mount is listed first.
  const auto inner = m.addMount("media/usb/inner", "ext4", "/dev/sda3");
  const auto usb = m.addMount("media/usb", "vfat", "/dev/sdb1");
  m.addMount("media/usb2", "ext4", "/dev/sda3");

  EXPECT_EQ(driveRootOf(inner + "/x", m.paths()).value, inner + "/");
  EXPECT_EQ(driveTypeOf(inner + "/x", m.paths()), DriveType::Fixed);
  // "inner2" shares the text but not the component.
  EXPECT_EQ(driveRootOf(usb + "/inner2", m.paths()).value, usb + "/");
  EXPECT_EQ(driveTypeOf(usb + "/inner2", m.paths()), DriveType::Removable);
  EXPECT_EQ(driveRootOf(m.root().string() + "/media/usb2/f", m.paths()).value,
            m.root().string() + "/media/usb2/");

  // A later mount on the same point hides the earlier one.
  m.addMount("media/usb", "tmpfs", "tmpfs");
  EXPECT_EQ(driveTypeOf(usb + "/inner2", m.paths()), DriveType::Ram);
}

TEST(Drives, LinksAreResolvedBeforeMatching) {
  FakeMachine m;
  m.addDisk("sdb", true);
  m.addPartition("sdb", "sdb1");
  const auto usb = m.addMount("media/usb", "vfat", "/dev/sdb1");
  std::filesystem::create_directory_symlink(usb, m.root() / "shortcut");
  EXPECT_EQ(driveRootOf((m.root() / "shortcut/file").string(), m.paths()).value, usb + "/");
}

TEST(Drives, UnreadableMountTableIsAnError) {
  FakeMachine m;
  auto paths = m.paths();
  paths.mountInfo = (m.root() / "missing").string();
  const auto root = driveRootOf("/", paths);
  EXPECT_FALSE(root.ok());
  EXPECT_EQ(root.status.code, std::errc::no_such_file_or_directory);
  EXPECT_EQ(driveTypeOf("/", paths), DriveType::Unknown);
  paths.programPath = (m.root() / "no-program").string();
  EXPECT_FALSE(platform::programPath(paths).ok());
  std::filesystem::create_symlink("gone/program", m.root() / "dangling");
  paths.programPath = (m.root() / "dangling").string();
  const auto program = platform::programPath(paths);
  EXPECT_FALSE(program.ok());
  EXPECT_EQ(program.status.code, std::errc::no_such_file_or_directory);
  EXPECT_EQ(program.value, "");
}

TEST(Drives, CanonicalPathOfMissingTail) {
  testsupport::TempDir dir;
  const auto base = std::filesystem::canonical(dir.path()).string();
  EXPECT_EQ(platform::canonicalPath(base + "/a/./b/../c/"), base + "/a/c");
  EXPECT_EQ(platform::canonicalPath("/"), "/");
}
