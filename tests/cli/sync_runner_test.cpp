// RunSync in this process, on a fake machine whose program lies on a USB
// drive: what the configuration file gives the run, and what it refuses.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/sync_runner.h"
#include "tests/support/usb_machine.h"

TEST(SyncRunner, AConfigurationWithoutAHardDiskFolderIsRefusedBeforeTheJob) {
  UsbMachine usb;
  usb.writeIni("[U盘]\n同步文件夹=资料\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunSync(CliOptions{}, out, err, false, usb.paths()), ExitUsage);
  EXPECT_EQ(err.str(), "请设置好同步文件夹\n");
  EXPECT_EQ(out.str(), "");
}
