// The Windows copy: chunks and progress from our own loop, refusals of
// read-only and hidden destinations, and failures injected through the
// Windows call table leaving the old destination and no temporary file.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <random>
#include <vector>

#include "platform/entry_state.h"
#include "platform/file_ops.h"
#include "platform/temp_names.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "tests/win32/win_process.h"

namespace {

using namespace testsupport;
using platform::win32::widen;

class WinCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = tempFolder() + "drovan-copy-" + std::to_string(std::random_device{}());
    ASSERT_TRUE(makeFolders(dir));
  }
  void TearDown() override { removeAll(dir); }

  std::vector<std::string> names() const {
    std::vector<platform::NamedState> entries;
    platform::listEntries(dir, entries);
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
  }
  bool anyTemp() const {
    for (const auto& name : names())
      if (platform::isCopyTempName(name)) return true;
    return false;
  }

  std::string dir;
};

TEST_F(WinCopy, ReportsEveryChunkAndCarriesTheTime) {
  const std::string data(static_cast<std::size_t>(platform::kCopyChunkSize * 5 / 2), 'x');
  ASSERT_TRUE(writeFileUtf8(dir + "\\源文件.bin", data));
  std::vector<std::pair<platform::CopyStep, std::int64_t>> calls;
  const auto result = platform::copyFileWithProgress(
      dir + "\\源文件.bin", dir + "\\目标.bin", [&](platform::CopyStep step, std::int64_t copied, std::int64_t total) {
        EXPECT_EQ(total, static_cast<std::int64_t>(data.size()));
        calls.emplace_back(step, copied);
        return platform::CopyProgressAction::Continue;
      });
  ASSERT_TRUE(result.ok()) << platform::describe(result.status);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0], std::make_pair(platform::CopyStep::Start, std::int64_t{0}));
  EXPECT_EQ(calls[1].second, platform::kCopyChunkSize);
  EXPECT_EQ(calls[3].second, static_cast<std::int64_t>(data.size()));
  EXPECT_EQ(readFileUtf8(dir + "\\目标.bin"), data);
  const auto a = platform::examineEntry(dir + "\\源文件.bin"), b = platform::examineEntry(dir + "\\目标.bin");
  EXPECT_EQ(a.mtimeSeconds, b.mtimeSeconds);
  EXPECT_EQ(a.mtimeNanoseconds / 100, b.mtimeNanoseconds / 100);
  EXPECT_EQ(b.id, result.written.value_or(platform::FileIdentity{}));
  // The new file is not left hidden like its temporary file was.
  EXPECT_FALSE(GetFileAttributesW(widen(dir + "\\目标.bin").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(anyTemp());
}

TEST_F(WinCopy, AnEmptyFileReportsOneChunkOfNothing) {
  ASSERT_TRUE(writeFileUtf8(dir + "\\空", ""));
  int chunks = 0;
  const auto result = platform::copyFileWithProgress(dir + "\\空", dir + "\\空2",
                                                     [&](platform::CopyStep step, std::int64_t copied, std::int64_t) {
                                                       if (step == platform::CopyStep::Chunk) {
                                                         ++chunks;
                                                         EXPECT_EQ(copied, 0);
                                                       }
                                                       return platform::CopyProgressAction::Continue;
                                                     });
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(chunks, 1);
  EXPECT_TRUE(fileExists(dir + "\\空2"));
}

TEST_F(WinCopy, ReadOnlyAndHiddenDestinationsAreRefusedUntouched) {
  ASSERT_TRUE(writeFileUtf8(dir + "\\新.txt", "new"));
  for (const DWORD attribute : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN}) {
    const std::string target = dir + "\\旧.txt";
    SetFileAttributesW(widen(target).c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(writeFileUtf8(target, "old"));
    ASSERT_TRUE(SetFileAttributesW(widen(target).c_str(), attribute));
    const auto result = platform::copyFileWithProgress(dir + "\\新.txt", target, {});
    EXPECT_EQ(result.status.code, std::errc::permission_denied) << attribute;
    EXPECT_EQ(result.status.operation, "copy");
    EXPECT_EQ(result.status.path, target);
    EXPECT_EQ(readFileUtf8(target), "old");
  }
  EXPECT_FALSE(anyTemp());
}

TEST_F(WinCopy, ACancelLeavesNoDestinationAndNoTemporaryFile) {
  ASSERT_TRUE(writeFileUtf8(dir + "\\a", std::string(3 << 20, 'a')));
  const auto result = platform::copyFileWithProgress(dir + "\\a", dir + "\\b",
                                                     [](platform::CopyStep step, std::int64_t, std::int64_t) {
                                                       return step == platform::CopyStep::Chunk
                                                                  ? platform::CopyProgressAction::Cancel
                                                                  : platform::CopyProgressAction::Continue;
                                                     });
  EXPECT_EQ(result.status.code, std::errc::operation_canceled);
  EXPECT_FALSE(fileExists(dir + "\\b"));
  EXPECT_FALSE(anyTemp());
}

std::atomic<int> writesLeft{0};
BOOL failingWrite(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
  if (writesLeft.fetch_sub(1) <= 0) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return platform::win32::realWinCalls().writeFile(file, buffer, size, written);
}

TEST_F(WinCopy, AFullDriveMidwayKeepsTheOldDestination) {
  ASSERT_TRUE(writeFileUtf8(dir + "\\big", std::string(3 << 20, 'n')));
  ASSERT_TRUE(writeFileUtf8(dir + "\\target", "old content"));
  platform::win32::WinCalls calls = platform::win32::realWinCalls();
  calls.writeFile = failingWrite;
  writesLeft = 1;
  platform::CopyResult result;
  {
    const platform::win32::ScopedWinCallOverride failing(calls);
    result = platform::copyFileWithProgress(dir + "\\big", dir + "\\target", {});
  }
  EXPECT_EQ(result.status.code, std::errc::no_space_on_device);
  EXPECT_EQ(result.status.operation, "write");
  EXPECT_EQ(result.status.path, dir + "\\target");
  EXPECT_EQ(readFileUtf8(dir + "\\target"), "old content");
  EXPECT_FALSE(anyTemp());
}

TEST_F(WinCopy, TreesAreRemovedWithReadOnlyFilesInThem) {
  ASSERT_TRUE(makeFolders(dir + "\\树\\枝"));
  ASSERT_TRUE(writeFileUtf8(dir + "\\树\\枝\\叶.txt", "x"));
  ASSERT_TRUE(SetFileAttributesW(widen(dir + "\\树\\枝\\叶.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(platform::removeTree(dir + "\\树").ok());
  EXPECT_FALSE(fileExists(dir + "\\树"));
}

TEST_F(WinCopy, RenameNeverReplacesAnotherFile) {
  ASSERT_TRUE(writeFileUtf8(dir + "\\一", "1"));
  ASSERT_TRUE(writeFileUtf8(dir + "\\二", "2"));
  const platform::OsStatus status = platform::renameFile(dir + "\\一", dir + "\\二");
  EXPECT_EQ(status.code, std::errc::file_exists);
  EXPECT_EQ(readFileUtf8(dir + "\\二"), "2");
  EXPECT_TRUE(platform::renameFile(dir + "\\一", dir + "\\三").ok());
  EXPECT_EQ(readFileUtf8(dir + "\\三"), "1");
}

}  // namespace
