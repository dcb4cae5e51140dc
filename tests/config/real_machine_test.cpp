// This machine's real values, printed so a person can check them.
#include <gtest/gtest.h>

#include <cctype>
#include <iostream>

#include "config/ApplicationHardWareInfo.h"
#include "platform/drives.h"
#include "platform/linux/mount_table.h"

TEST(RealMachine, AdapterAddressAndDriveTypeOfRoot) {
  const std::string address = TMacAdressInfo().MacAdrress();
  const auto type = platform::driveTypeOf("/");
  const auto mount = platform::detail::mountOf("/");
  std::cout << "adapter address: \"" << address << "\"\n"
            << "drive of /: " << mount.value.source << " (" << mount.value.fsType
            << "), type " << static_cast<int>(type) << "\n";
  if (!address.empty()) {
    ASSERT_EQ(address.size(), 17u);
    for (std::size_t i = 0; i < address.size(); ++i) {
      if (i % 3 == 2) EXPECT_EQ(address[i], '-');
      else EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(address[i])) &&
                       !std::islower(static_cast<unsigned char>(address[i])));
    }
  }
  EXPECT_TRUE(mount.ok());
  EXPECT_NE(type, platform::DriveType::Removable);
  EXPECT_NE(type, platform::DriveType::Unknown);
}
