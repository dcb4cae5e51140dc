// The atomic whole-file write on Windows: failures injected through the
// Windows call table at each step keep the old file and leave no temporary
// file, attributes carry over, and leftovers of cut-off writes go.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "platform/entry_state.h"
#include "platform/temp_names.h"
#include "platform/whole_file.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_helpers.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;
using platform::win32::realWinCalls;
using platform::win32::ScopedWinCallOverride;
using platform::win32::WinCalls;
using platform::win32::widen;

std::error_code windowsError(DWORD error) { return {static_cast<int>(error), std::system_category()}; }

std::atomic<int> writesLeft{0};
BOOL fullAfterOneWrite(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
  if (writesLeft.fetch_sub(1) <= 0) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return realWinCalls().writeFile(file, buffer, size, written);
}

class WinWholeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = tempFolder() + "drovan-whole-" + std::to_string(std::random_device{}());
    ASSERT_TRUE(makeFolders(dir));
    file = dir + "\\配置.ini";
  }
  void TearDown() override { removeAll(dir); }

  std::vector<std::string> names() const {
    std::vector<platform::NamedState> entries;
    platform::listEntries(dir, entries);
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
  }
  DWORD attributes(const std::string& path) const { return GetFileAttributesW(widen(path).c_str()); }
  void makeOld(const std::string& path) const {
    setModificationTime(fromUtf8(path), 1'600'000'000);
  }

  std::string dir, file;
};

TEST_F(WinWholeFile, EveryFailingStepLeavesTheOldFileAndNoLeftovers) {
  struct Fault {
    const char* operation;
    DWORD error;
    void (*install)(WinCalls&);
  };
  const Fault faults[] = {
      {"create", ERROR_WRITE_PROTECT,
       [](WinCalls& c) {
         c.createFile = [](LPCWSTR, DWORD, DWORD, DWORD, DWORD) {
           SetLastError(ERROR_WRITE_PROTECT);
           return INVALID_HANDLE_VALUE;
         };
       }},
      {"write", ERROR_DISK_FULL,
       [](WinCalls& c) {
         writesLeft = 1;
         c.writeFile = fullAfterOneWrite;
       }},
      {"flush", ERROR_IO_DEVICE,
       [](WinCalls& c) {
         c.flushFileBuffers = [](HANDLE) {
           SetLastError(ERROR_IO_DEVICE);
           return FALSE;
         };
       }},
      // Another program has the old file open without sharing its delete.
      {"rename", ERROR_SHARING_VIOLATION,
       [](WinCalls& c) {
         c.moveFileEx = [](LPCWSTR, LPCWSTR, DWORD) {
           SetLastError(ERROR_SHARING_VIOLATION);
           return FALSE;
         };
       }},
  };
  const std::string content(3 << 20, 'n');  // more than one write
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.operation);
    ASSERT_TRUE(writeFileUtf8(file, "old\r\ncontent"));
    WinCalls calls = realWinCalls();
    fault.install(calls);
    platform::OsStatus status;
    {
      const ScopedWinCallOverride failing(calls);
      status = platform::writeWholeFileAtomically(file, content);
    }
    EXPECT_EQ(status.code, windowsError(fault.error));
    EXPECT_EQ(status.operation, fault.operation);
    EXPECT_EQ(status.path, file);
    EXPECT_EQ(readFileUtf8(file), "old\r\ncontent");
    EXPECT_EQ(names(), std::vector<std::string>{"配置.ini"});
  }
}

TEST_F(WinWholeFile, TheNewFileKeepsTheOldOnesAttributes) {
  ASSERT_TRUE(writeFileUtf8(file, "old"));
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  ASSERT_TRUE(SetFileAttributesW(widen(file).c_str(), kept));
  ASSERT_TRUE(platform::writeWholeFileAtomically(file, "new").ok());
  EXPECT_EQ(readFileUtf8(file), "new");
  EXPECT_EQ(attributes(file) & kept, kept);

  // A failed replacement puts the old file's read-only back as well.
  WinCalls calls = realWinCalls();
  calls.moveFileEx = [](LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  };
  {
    const ScopedWinCallOverride failing(calls);
    EXPECT_EQ(platform::writeWholeFileAtomically(file, "newer").code, std::errc::permission_denied);
  }
  EXPECT_EQ(readFileUtf8(file), "new");
  EXPECT_EQ(attributes(file) & kept, kept);

  // A file that did not exist is not left hidden like its temporary file was.
  const std::string fresh = dir + "\\新.ini";
  ASSERT_TRUE(platform::writeWholeFileAtomically(fresh, "x").ok());
  EXPECT_EQ(attributes(fresh) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), 0u);
}

TEST_F(WinWholeFile, ASuccessfulWriteRemovesWhatCutOffWritesLeft) {
  ASSERT_TRUE(writeFileUtf8(file, "old"));
  const std::string stale = dir + "\\" + std::string(platform::kCopyTempPrefix) + "1a2b-3-4";
  const std::string fresh = dir + "\\" + std::string(platform::kCopyTempPrefix) + "1a2b-3-5";
  const std::string mine = dir + "\\" + std::string(platform::kCopyTempPrefix) + "笔记.txt";
  for (const std::string& path : {stale, fresh, mine}) ASSERT_TRUE(writeFileUtf8(path, "half"));
  makeOld(stale);
  makeOld(mine);

  // A failed write removes nothing.
  WinCalls calls = realWinCalls();
  calls.moveFileEx = [](LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  };
  {
    const ScopedWinCallOverride failing(calls);
    EXPECT_FALSE(platform::writeWholeFileAtomically(file, "new").ok());
  }
  EXPECT_TRUE(fileExists(stale));

  ASSERT_TRUE(platform::writeWholeFileAtomically(file, "new").ok());
  EXPECT_EQ(readFileUtf8(file), "new");
  EXPECT_FALSE(fileExists(stale));
  EXPECT_TRUE(fileExists(fresh)) << "another write may be filling it";
  EXPECT_EQ(readFileUtf8(mine), "half") << "only the temporary form is a leftover";
}

TEST_F(WinWholeFile, ALeftoverThatCannotBeRemovedDoesNotFailTheWrite) {
  ASSERT_TRUE(writeFileUtf8(file, "old"));
  const std::string stale = dir + "\\" + std::string(platform::kCopyTempPrefix) + "1a2b-3-4";
  ASSERT_TRUE(writeFileUtf8(stale, "half"));
  ASSERT_TRUE(SetFileAttributesW(widen(stale).c_str(), FILE_ATTRIBUTE_HIDDEN));
  makeOld(stale);
  WinCalls calls = realWinCalls();
  calls.deleteFile = [](LPCWSTR) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  };
  {
    const ScopedWinCallOverride failing(calls);
    EXPECT_TRUE(platform::writeWholeFileAtomically(file, "new").ok());
  }
  EXPECT_EQ(readFileUtf8(file), "new");
  EXPECT_EQ(readFileUtf8(stale), "half");
  EXPECT_TRUE(attributes(stale) & FILE_ATTRIBUTE_HIDDEN) << "left as hidden as it was";
  EXPECT_EQ(names().size(), 2u) << "no temporary file of its own left behind";

  // The next write, with the drive willing again, removes it.
  ASSERT_TRUE(platform::writeWholeFileAtomically(file, "newer").ok());
  EXPECT_FALSE(fileExists(stale));
}

}  // namespace
