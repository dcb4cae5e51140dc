// Deletes and tree removal on Windows: failures injected through the
// Windows call table leave what stays as read-only as it was, and a whole
// drive is never emptied.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <random>
#include <string>

#include "platform/file_ops.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "tests/support/file_checks.h"
#include "tests/support/temp_dir.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;
using platform::win32::realWinCalls;
using platform::win32::ScopedWinCallOverride;
using platform::win32::WinCalls;
using platform::win32::widen;

BOOL refuseKeepFile(LPCWSTR name) {
  const std::size_t length = std::wcslen(name);
  if (length >= 8 && std::wcscmp(name + length - 8, L"keep.txt") == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return realWinCalls().deleteFile(name);
}

class WinFileOps : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = tempFolder() + "drovan-ops-" + std::to_string(std::random_device{}());
    ASSERT_TRUE(makeFolders(dir));
  }
  void TearDown() override {
    for (const std::string& path : {dir + "\\树\\枝\\keep.txt", dir + "\\keep.txt"})
      SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    removeAll(dir);
  }
  bool readOnly(const std::string& path) const {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  }
  std::string dir;
};

TEST_F(WinFileOps, RemoveTreeGoesOnPastWhatItCannotRemove) {
  ASSERT_TRUE(makeFolders(dir + "\\树\\枝") && makeFolders(dir + "\\树\\z"));
  for (const char* name : {"\\树\\one.txt", "\\树\\枝\\keep.txt", "\\树\\枝\\two.txt", "\\树\\z\\three.txt"})
    ASSERT_TRUE(writeFileUtf8(dir + name, name));
  const std::string keep = dir + "\\树\\枝\\keep.txt";
  ASSERT_TRUE(SetFileAttributesW(widen(keep).c_str(), FILE_ATTRIBUTE_READONLY));
  WinCalls calls = realWinCalls();
  calls.deleteFile = refuseKeepFile;
  platform::OsStatus r;
  {
    const ScopedWinCallOverride failing(calls);
    r = platform::removeTree(dir + "\\树");
  }
  EXPECT_EQ(r.code, std::errc::permission_denied);
  EXPECT_EQ(r.operation, "unlink");
  EXPECT_EQ(r.path, keep);
  EXPECT_EQ(listing(fromUtf8(dir + "\\树")), "枝");
  EXPECT_EQ(listing(fromUtf8(dir + "\\树\\枝")), "keep.txt");
  EXPECT_TRUE(readOnly(keep)) << "what stays keeps its protection";
}

TEST_F(WinFileOps, AFailedDeleteLeavesAReadOnlyFileReadOnly) {
  const std::string keep = dir + "\\keep.txt";
  ASSERT_TRUE(writeFileUtf8(keep, "k"));
  ASSERT_TRUE(SetFileAttributesW(widen(keep).c_str(), FILE_ATTRIBUTE_READONLY));
  WinCalls calls = realWinCalls();
  calls.deleteFile = refuseKeepFile;
  {
    const ScopedWinCallOverride failing(calls);
    EXPECT_EQ(platform::deleteFile(keep).code, std::errc::permission_denied);
  }
  EXPECT_EQ(readFileUtf8(keep), "k");
  EXPECT_TRUE(readOnly(keep));
  EXPECT_TRUE(platform::deleteFile(keep).ok());
  EXPECT_FALSE(fileExists(keep));
}

// Drive Q: is not mapped: without the refusal these would fail to find it,
// as another code.
TEST_F(WinFileOps, AWholeDriveIsNeverEmptied) {
  for (const std::string root : {"Q:\\", "q:", "Q:/", "Q:\\\\", "\\\\?\\Q:\\"}) {
    const platform::OsStatus r = platform::removeTree(root);
    EXPECT_EQ(r.code, std::errc::operation_not_permitted) << root;
    EXPECT_EQ(r.operation, "rmdir") << root;
  }
  EXPECT_NE(platform::removeTree("Q:\\folder").code, std::errc::operation_not_permitted);
}

}  // namespace
