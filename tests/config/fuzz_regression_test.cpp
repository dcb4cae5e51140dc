// Inputs the configuration fuzzer (fuzz/profile_text_fuzz.cpp) once failed
// on: the file as read, saved and read again must give the same settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/pIniReg.h"
#include "platform/exceptions.h"
#include "tests/support/usb_machine.h"

namespace {

struct Read {
  std::string u, d;
  bool all;
  std::vector<std::string> types, skip;
  std::int16_t sameNewer, targetOnly;
  bool operator==(const Read&) const = default;
};

Read settings(const platform::MachinePaths& paths) {
  const TOstiniFileAction ini(paths);
  return {ini.UFolderPath(), ini.DFolderPath(), ini.AllSync(), ini.SyncFilesList().Items(),
          ini.NoSyncFilesList().Items(), ini.WhenSyncedFolderHasNewSameFile(), ini.WhenSyncedFolderHasNewFile()};
}

}  // namespace

TEST(ConfigFuzzRegressions, ReadSaveReadGivesTheSameSettings) {
  const std::vector<std::string> inputs = {
      // UTF-16 with a doubled byte-order mark in front of a section.
      std::string(
          "\xff\xfe\xff\xfe\x5b\x00\x55\x00\xd8\x76\x5d\x00\x0a\x00\x0c\x54\x65\x6b\x87\x65\xf6\x4e\x39\x59"
          "\x3d\x00\x0c\x54\x65\x6b\x2f\x00\x5b\x00\x55\x00\xd8\x76\x44\x8d\x99\x5d\x00\x0a\x00\x00\x00\xd7"
          "\xff\x87\x00\x3d\x4e\xf6\x59\x39\x65\x0c\x54\x65\x6b\x2f\x00\x44\x8d\x99\x5b\x55\x65\x0a\x00\x5b"
          "\x00\x6c\x78\xd8\x76\x5d\x00\x0a\x00\x30\x00\x30\x00\x2d\x00\x31\x00\x41\x00\x2d\xc5\x00\xcc",
          95),
  };
  for (const std::string& input : inputs) {
    UsbMachine usb;
    usb.writeIni(input);
    const Read before = settings(usb.paths());
    try {
      TOstiniFileAction ini(usb.paths());
      ini.SaveConfig();
    } catch (const EIniFileException&) {
      // A value that no line can hold (a NUL read from a damaged file) is
      // refused, and the file stays as it was.
      EXPECT_EQ(testsupport::readFile(usb.ini), input);
      continue;
    }
    EXPECT_EQ(settings(usb.paths()), before);
  }
}

TEST(ConfigFuzzRegressions, ASectionBehindADoubledMarkIsRead) {
  UsbMachine usb;
  usb.writeIni("\xEF\xBB\xBF\xEF\xBB\xBF[U盘]\n同步文件夹=资料\n");
  EXPECT_EQ(TOstiniFileAction(usb.paths()).UFolderPath(), "资料");
}
