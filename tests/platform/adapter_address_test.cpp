#include "platform/adapter_address.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/fake_machine.h"

using platform::HardwareAddress;
using testsupport::FakeMachine;

namespace {

std::vector<std::string> names(const std::vector<platform::AdapterInfo>& adapters) {
  std::vector<std::string> out;
  for (const auto& a : adapters) out.push_back(a.name);
  return out;
}

}  // namespace

TEST(AdapterAddress, PhysicalFirstThenByIndexWithoutLoopbackOrZeroAddresses) {
  FakeMachine m;
  m.addAdapter("lo", "00:00:00:00:00:00", 1, false, "0x9");
  m.addAdapter("docker0", "02:42:ac:11:00:01", 2, false);
  m.addAdapter("wlan0", "a4:5e:60:01:02:03", 7, true);
  m.addAdapter("eth0", "0a:00:27:00:00:0c", 3, true);
  m.addAdapter("sit0", "00:00:00:00", 4, false, "0x80");
  m.addAdapter("tun0", "00:00:00:00:00:00", 5, false);
  m.addAdapter("ib0", "80:00:00:48:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0e:1f:71", 6, true);
  std::ofstream(m.root() / "sys/class/net/bonding_masters") << "bond0\n";

  const auto adapters = platform::listAdapters(m.paths());
  EXPECT_EQ(names(adapters), (std::vector<std::string>{"eth0", "wlan0", "docker0"}));
  ASSERT_TRUE(adapters[0].address);
  EXPECT_EQ(*adapters[0].address, (HardwareAddress{0x0a, 0x00, 0x27, 0x00, 0x00, 0x0c}));
  EXPECT_TRUE(adapters[0].physical);
  EXPECT_EQ(adapters[0].index, 3);
  EXPECT_FALSE(adapters[2].physical);
}

TEST(AdapterAddress, LoopbackOnlyOrNoFolderGivesNone) {
  FakeMachine m;
  m.addAdapter("lo", "00:00:00:00:00:00", 1, false, "0x9");
  EXPECT_TRUE(platform::listAdapters(m.paths()).empty());
  auto paths = m.paths();
  paths.netRoot = (m.root() / "no-such").string();
  EXPECT_TRUE(platform::listAdapters(paths).empty());
}

TEST(AdapterAddress, UnreadableAddressKeepsItsPlace) {
  FakeMachine m;
  m.addAdapter("eth0", std::nullopt, 2, true);
  m.addAdapter("br0", "52:54:00:12:34:56", 3, false);
  const auto adapters = platform::listAdapters(m.paths());
  ASSERT_EQ(names(adapters), (std::vector<std::string>{"eth0", "br0"}));
  EXPECT_FALSE(adapters[0].address);
  EXPECT_TRUE(adapters[1].address);
}

TEST(AdapterAddress, PermanentAddressPreferredWhenTheDriverHasOne) {
  FakeMachine m;
  m.addAdapter("eth0", "02:00:00:00:00:01", 2, true);   // changed by the user
  m.addAdapter("eth1", "02:00:00:00:00:02", 3, true);
  m.addAdapter("veth9", "02:00:00:00:00:03", 4, false);
  auto paths = m.paths();
  paths.permanentAddress = [](const std::string& name, HardwareAddress& out) {
    if (name == "eth0") out = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    else if (name == "eth1") out = {};  // drivers without one report zeros
    else return false;
    return true;
  };
  const auto adapters = platform::listAdapters(paths);
  ASSERT_EQ(adapters.size(), 3u);
  EXPECT_EQ(*adapters[0].address, (HardwareAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}));
  EXPECT_EQ(*adapters[1].address, (HardwareAddress{0x02, 0, 0, 0, 0, 0x02}));
  EXPECT_EQ(*adapters[2].address, (HardwareAddress{0x02, 0, 0, 0, 0, 0x03}));
}
