#include "config/ApplicationHardWareInfo.h"

#include <gtest/gtest.h>

#include "tests/support/fake_machine.h"

using testsupport::FakeMachine;

TEST(MacAdressInfo, FirstAdapterAsUpperCaseText) {
  FakeMachine m;
  m.addAdapter("lo", "00:00:00:00:00:00", 1, false, "0x9");
  m.addAdapter("docker0", "02:42:ac:11:00:01", 2, false);
  m.addAdapter("enp3s0", "0a:00:27:00:00:0c", 3, true);
  const TMacAdressInfo info(m.paths());
  EXPECT_EQ(info.MacAdrress(), "0A-00-27-00-00-0C");
  EXPECT_EQ(info.ReadAdapterAddress(0), "0A-00-27-00-00-0C");
  EXPECT_EQ(info.ReadAdapterAddress(1), "02-42-AC-11-00-01");
  EXPECT_EQ(info.ReadAdapterAddress(2), "");
  EXPECT_EQ(info.ReadAdapterAddress(-1), "");
}

TEST(MacAdressInfo, EmptyWhenNothingCanBeRead) {
  FakeMachine loopbackOnly;
  loopbackOnly.addAdapter("lo", "00:00:00:00:00:00", 1, false, "0x9");
  EXPECT_EQ(TMacAdressInfo(loopbackOnly.paths()).MacAdrress(), "");

  // The first adapter's address cannot be read: no other adapter's address
  // stands in for it.
  FakeMachine unreadable;
  unreadable.addAdapter("eth0", std::nullopt, 2, true);
  unreadable.addAdapter("virbr0", "52:54:00:aa:bb:cc", 3, false);
  const TMacAdressInfo info(unreadable.paths());
  EXPECT_EQ(info.MacAdrress(), "");
  EXPECT_EQ(info.ReadAdapterAddress(1), "52-54-00-AA-BB-CC");
}

TEST(MacAdressInfo, DifferentComputersGiveDifferentTexts) {
  FakeMachine a, b;
  a.addAdapter("eth0", "00:1a:2b:3c:4d:5e", 2, true);
  b.addAdapter("eth0", "00:1a:2b:3c:4d:5f", 2, true);
  EXPECT_NE(TMacAdressInfo(a.paths()).MacAdrress(), TMacAdressInfo(b.paths()).MacAdrress());
}
