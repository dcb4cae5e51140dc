// The real machine's values as the Windows program sees them, printed for
// whoever reads the log; only their form is checked.
#include <gtest/gtest.h>

#include <cctype>
#include <iostream>

#include "config/ApplicationHardWareInfo.h"
#include "platform/adapter_address.h"
#include "platform/collate.h"
#include "platform/drives.h"
#include "platform/program_path.h"

TEST(WinRealMachine, PrintsAdaptersDrivesAndTheProgram) {
  for (const platform::AdapterInfo& a : platform::listAdapters())
    std::cout << "adapter " << a.name << " index " << a.index << (a.physical ? " physical" : " virtual") << "\n";
  const std::string mac = TMacAdressInfo(platform::MachinePaths{}).MacAdrress();
  std::cout << "address '" << mac << "'\n";
  if (!mac.empty()) {
    ASSERT_EQ(mac.size(), 17u);
    for (std::size_t i = 0; i < mac.size(); ++i) {
      if (i % 3 == 2) EXPECT_EQ(mac[i], '-');
      else EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(mac[i])) && !std::islower(static_cast<unsigned char>(mac[i])));
    }
  }
  std::cout << "drive types C: " << static_cast<int>(platform::driveTypeOf("C:\\")) << " E: "
            << static_cast<int>(platform::driveTypeOf("E:\\")) << "\n";
  const auto program = platform::programPath();
  ASSERT_TRUE(program.ok());
  std::cout << "program " << program.value << "\ncollation " << platform::collationLocale() << "\n";
  EXPECT_TRUE(program.value.ends_with(".exe")) << program.value;
  EXPECT_EQ(platform::driveRootOf(program.value).value.back(), '\\');
}
