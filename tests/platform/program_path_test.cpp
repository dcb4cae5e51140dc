// The program's own file when it is started through the dynamic loader, as
// the bundle's launcher starts it from a drive without the execute bit: the
// configuration beside the program and the removable-drive check depend on
// it naming the program, not the loader.
#include "platform/program_path.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/posix/file_ops_internal.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kReportVariable = "DROVAN_PROGRAM_PATH_REPORT";

bool isRunning(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && platform::detail::isRunningProgram(st);
}

// A copy of this test program started by the tests below writes what it
// sees into the report file and ends before any test runs: its program
// path, what /proc/self/exe names, and whether the file guarded as the
// running program is its own file or the executable's.
const bool kReportedAndEnded = [] {
  const char* report = std::getenv(kReportVariable);
  if (!report || !*report) return false;
  const auto path = platform::programPath();
  std::error_code ec;
  const std::string exe = fs::canonical("/proc/self/exe", ec).string();
  std::ofstream(report) << (path.ok() ? path.value : "failed: " + describe(path.status)) << '\n'
                        << exe << '\n'
                        << (path.ok() && isRunning(path.value)) << isRunning(exe) << '\n';
  std::_Exit(0);
}();

struct Report {
  std::string programPath, exe, guarded;
};

Report runCopy(const std::string& program, const std::vector<std::string>& args, const fs::path& report) {
  ::setenv(kReportVariable, report.c_str(), 1);
  const auto result = testsupport::runProcess(program, args);
  ::unsetenv(kReportVariable);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  std::istringstream in(testsupport::readFile(report));
  Report r;
  std::getline(in, r.programPath);
  std::getline(in, r.exe);
  std::getline(in, r.guarded);
  return r;
}

// This test program copied into a folder with blanks and CJK in its name.
fs::path copyOfThisProgram(const testsupport::TempDir& dir, fs::perms perms) {
  const fs::path copy = dir.mkdir("U 盘/工具") / "Drovan";
  fs::copy_file(fs::canonical("/proc/self/exe"), copy);
  fs::permissions(copy, perms);
  return fs::canonical(copy);
}

const char* const kLoader = "/lib64/ld-linux-x86-64.so.2";

}  // namespace

TEST(ProgramPath, ThroughTheLoaderIsTheProgramFileNotTheLoader) {
  ASSERT_FALSE(kReportedAndEnded);
  if (!fs::exists(kLoader)) GTEST_SKIP() << kLoader << " is not on this machine";
  testsupport::TempDir dir;
  // No execute bit, as on a FAT stick mounted with showexec.
  const fs::path copy = copyOfThisProgram(dir, fs::perms::owner_read | fs::perms::owner_write);
  const fs::path cwd = fs::current_path();
  // Named relative to another folder than the one the loader runs in.
  fs::current_path(copy.parent_path().parent_path());
  const Report r = runCopy(kLoader, {"工具/Drovan"}, dir.path() / "report");
  fs::current_path(cwd);

  EXPECT_EQ(r.exe, fs::canonical(kLoader).string()) << "the case under test: the kernel ran the loader";
  EXPECT_EQ(r.programPath, copy.string());
  // The program's own file is the one the file operations refuse to touch.
  EXPECT_EQ(r.guarded, "10");
}

TEST(ProgramPath, OrdinaryStartIsTheExecutable) {
  testsupport::TempDir dir;
  const fs::path copy = copyOfThisProgram(dir, fs::perms::owner_all);
  const Report r = runCopy(copy.string(), {}, dir.path() / "report");
  EXPECT_EQ(r.exe, copy.string());
  EXPECT_EQ(r.programPath, copy.string());
  EXPECT_EQ(r.guarded, "11");
}

TEST(ProgramPath, TestSeamForTheMachineOnlyWhenSet) {
  ::unsetenv("DROVAN_TEST_MOUNTINFO");
  ::unsetenv("DROVAN_TEST_SYSFS");
  const platform::MachinePaths real;
  platform::MachinePaths m = platform::programMachine();
  EXPECT_EQ(m.mountInfo, real.mountInfo);
  EXPECT_EQ(m.sysfsRoot, real.sysfsRoot);
  EXPECT_EQ(m.programPath, real.programPath);
  EXPECT_TRUE(m.configFile.empty());

  ::setenv("DROVAN_TEST_MOUNTINFO", "", 1);
  ::setenv("DROVAN_TEST_SYSFS", "/tmp/fake sys", 1);
  m = platform::programMachine();
  EXPECT_EQ(m.mountInfo, real.mountInfo) << "an empty value is no fake table";
  EXPECT_EQ(m.sysfsRoot, "/tmp/fake sys");
  ::setenv("DROVAN_TEST_MOUNTINFO", "/tmp/mountinfo", 1);
  m = platform::programMachine();
  EXPECT_EQ(m.mountInfo, "/tmp/mountinfo");
  // The program's own path never comes from the environment.
  EXPECT_EQ(m.programPath, real.programPath);
  ::unsetenv("DROVAN_TEST_MOUNTINFO");
  ::unsetenv("DROVAN_TEST_SYSFS");
}
