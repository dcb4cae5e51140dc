// The configuration file when the system refuses to write it, and files
// that are no regular ones.
#include "config/pIniReg.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "platform/exceptions.h"
#include "platform/syscalls.h"
#include "tests/support/special_files.h"
#include "tests/support/syscall_faults.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/usb_machine.h"

using testsupport::readFile;

namespace {

std::string options(const std::string& lines) { return "[配置]\n" + lines; }

}  // namespace

TEST(OstiniFileAction, FailedSaveRaisesAndKeepsTheOldFile) {
  // A folder that cannot be written, a drive pulled before the rename.
  for (auto fault : {+[](platform::Syscalls& c) { c.open = testsupport::failWith<EROFS>; },
                     +[](platform::Syscalls& c) { c.rename = testsupport::failWith<EIO>; }}) {
    UsbMachine usb;
    usb.writeIni("[U盘]\r\n同步文件夹=旧\r\n");
    TOstiniFileAction ini(usb.paths());
    ini.SetUFolderPath("新");
    platform::Syscalls table = platform::realSyscalls();
    fault(table);
    try {
      platform::ScopedSyscallOverride guard(table);
      ini.SaveConfig();
      ADD_FAILURE() << "no exception";
    } catch (const EIniFileException& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + usb.ini);
      EXPECT_EQ(e.path(), usb.ini);
    }
    EXPECT_EQ(readFile(usb.ini), "[U盘]\r\n同步文件夹=旧\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(usb.usb + "/工具"),
                            std::filesystem::directory_iterator()),
              2);  // the program and the old file, no temporary one
  }
}

TEST(OstiniFileAction, AFileThatIsNoRegularFileOrTooBigGivesTheDefaultsAndIsNeverReplaced) {
  UsbMachine usb;
  const std::string dir = usb.usb + "/工具/";
  const std::string fifo = dir + "pipe.ini", sparse = dir + "big.ini";
  testsupport::makeFifo(fifo);
  const testsupport::FifoUnblocker guard(fifo, std::chrono::seconds(5));
  usb.writeIni(options("全部监测=0\n被监测文件夹存在最新文件时=1\n"));
  std::filesystem::copy_file(usb.ini, sparse);
  std::filesystem::resize_file(sparse, (20u << 20) + 7);

  for (const auto& [file, error] : {std::pair{fifo, std::errc::invalid_argument},
                                    std::pair{sparse, std::errc::file_too_large}}) {
    SCOPED_TRACE(file);
    platform::MachinePaths paths = usb.paths();
    paths.configFile = file;
    const auto start = std::chrono::steady_clock::now();
    TOstiniFileAction ini(paths);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(ini.LoadError().code, error);
    EXPECT_TRUE(ini.AllSync());
    EXPECT_EQ(ini.WhenSyncedFolderHasNewSameFile(), 2);
    ini.SetDFolderPath("/home/资料");
    EXPECT_THROW(ini.SaveConfig(), EIniFileException);
  }
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_EQ(std::filesystem::file_size(sparse), (20u << 20) + 7);
  EXPECT_TRUE(TOstiniFileAction(usb.paths()).LoadError().ok());
}
