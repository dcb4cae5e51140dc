// The copy as every system does it: progress, cancels, a source saved
// during its copy, refusals; the POSIX-only cases stand in
// file_copy_posix_test.cpp, the Windows call table's in
// win32/file_copy_win_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/file_ops.h"
#include "tests/platform/copy_recorder.h"
#include "tests/support/file_checks.h"
#include "tests/support/file_times.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using copytests::Call;
using copytests::MiB;
using copytests::Recorder;
using testsupport::copyTempFiles;
using testsupport::nativePath;
using testsupport::patternBytes;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;

TEST(FileCopy, ReportsStartThenOneCallPerChunk) {
  TempDir dir;
  Recorder empty, small, large;
  ASSERT_TRUE(
      copyFileWithProgress(dir.write("e").string(), dir.str() + nativePath("/e2"), empty.callback()).ok());
  EXPECT_EQ(empty.calls, (std::vector<Call>{{CopyStep::Start, 0, 0}, {CopyStep::Chunk, 0, 0}}));
  EXPECT_EQ(readFile(dir.path() / "e2"), "");

  ASSERT_TRUE(copyFileWithProgress(dir.write("s", "hello").string(), dir.str() + nativePath("/s2"),
                                   small.callback())
                  .ok());
  EXPECT_EQ(small.calls, (std::vector<Call>{{CopyStep::Start, 0, 5}, {CopyStep::Chunk, 5, 5}}));

  const std::string data = patternBytes(5 * MiB + 123);
  const std::int64_t size = static_cast<std::int64_t>(data.size());
  ASSERT_TRUE(
      copyFileWithProgress(dir.write("l", data).string(), dir.str() + nativePath("/l2"), large.callback())
          .ok());
  std::vector<Call> expected{{CopyStep::Start, 0, size}};
  for (int i = 1; i <= 5; ++i) expected.push_back({CopyStep::Chunk, i * MiB, size});
  expected.push_back({CopyStep::Chunk, size, size});
  EXPECT_EQ(large.calls, expected);
  EXPECT_TRUE(readFile(dir.path() / "l2") == data);

  // An exact multiple of the chunk adds no empty call at the end.
  Recorder exact;
  ASSERT_TRUE(copyFileWithProgress(dir.write("x", patternBytes(2 * MiB)).string(),
                                   dir.str() + nativePath("/x2"), exact.callback()).ok());
  EXPECT_EQ(exact.calls.size(), 3u);
  EXPECT_EQ(copyTempFiles(dir.path()), 0);
}

TEST(FileCopy, CancelKeepsExistingDestinationAndLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path src = dir.write("big", patternBytes(3 * MiB, 1));
  const std::string old = patternBytes(2 * MiB + 5, 2);
  const fs::path dst = dir.write("dst", old);
  const auto oldTime = fs::last_write_time(dst);
  for (int cancelAt : {1, 2, 4}) {
    Recorder rec;
    rec.cancelAt = cancelAt;
    const CopyResult result = copyFileWithProgress(src.string(), dst.string(), rec.callback());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.status.code, std::errc::operation_canceled);
    EXPECT_EQ(result.status.path, dst.string());
    EXPECT_EQ(static_cast<int>(rec.calls.size()), cancelAt) << "called again after cancel";
    EXPECT_TRUE(readFile(dst) == old);
    EXPECT_EQ(fs::last_write_time(dst), oldTime);
    EXPECT_EQ(copyTempFiles(dir.path()), 0);
  }
  // A cancelled copy to a new name leaves no file at all.
  Recorder rec;
  rec.cancelAt = 2;
  EXPECT_FALSE(copyFileWithProgress(src.string(), dir.str() + nativePath("/fresh"), rec.callback()).ok());
  EXPECT_FALSE(fs::exists(dir.path() / "fresh"));
}

TEST(FileCopy, ASourceWrittenDuringItsCopyFailsTheCopy) {
  // Saved in place half way: what was read mixes two versions.
  TempDir dir;
  const std::string old = "the old version";
  for (const bool overwrite : {true, false}) {
    SCOPED_TRACE(overwrite);
    const fs::path src = dir.write("src", patternBytes(3 * MiB, 1));
    testsupport::setMTime(src, 1'600'000'000);  // any save moves it
    const fs::path dst = dir.write("dst", old);
    int calls = 0;
    const CopyProgress saveHalfWay = [&](CopyStep, std::int64_t, std::int64_t) {
      if (++calls == 2) {
        std::fstream out(src, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(0);
        out << "saved meanwhile";
        if (!overwrite) out.seekp(0, std::ios::end), out << "and grown";
      }
      return CopyProgressAction::Continue;
    };
    const CopyResult result = copyFileWithProgress(src.string(), dst.string(), saveHalfWay);
    EXPECT_EQ(result.status.code, std::errc::resource_unavailable_try_again);
    EXPECT_EQ(readFile(dst), old);
    EXPECT_EQ(copyTempFiles(dir.path()), 0);
  }
}

TEST(FileCopy, RefusesAnExistingDestinationTheCallerNames) {
  TempDir dir;
  const fs::path first = dir.write("first", "first");
  const fs::path second = dir.write("second", "second");
  const std::string target = dir.str() + nativePath("/target");

  std::vector<FileIdentity> written;
  CopyOptions options;
  options.refuseExisting = [&](const FileIdentity& id) {
    return std::find(written.begin(), written.end(), id) != written.end();
  };
  CopyResult r = copyFileWithProgress(first.string(), target, {}, options);
  ASSERT_TRUE(r.ok());
  written.push_back(*r.written);
  r = copyFileWithProgress(second.string(), target, {}, options);
  EXPECT_EQ(r.status.code, std::errc::file_exists);
  EXPECT_EQ(r.status.operation, "copy");
  EXPECT_EQ(readFile(target), "first");
  // Not one of ours: replaced as usual.
  written.clear();
  EXPECT_TRUE(copyFileWithProgress(second.string(), target, {}, options).ok());
  EXPECT_EQ(readFile(target), "second");
}

TEST(FileCopy, RefusesWithoutTouchingAnything) {
  TempDir dir;
  const fs::path src = dir.write("src", "data");
  const fs::path readOnly = dir.write("ro", "keep");
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
  dir.mkdir("folder");

  Recorder rec;
  CopyResult r = copyFileWithProgress(src.string(), readOnly.string(), rec.callback());
  EXPECT_EQ(r.status.code, std::errc::permission_denied);
  EXPECT_EQ(readFile(readOnly), "keep");

  r = copyFileWithProgress(src.string(), dir.str() + nativePath("/folder"), rec.callback());
  EXPECT_EQ(r.status.code, std::errc::is_a_directory);

  r = copyFileWithProgress(dir.str() + nativePath("/folder"), dir.str() + nativePath("/out"), rec.callback());
  EXPECT_EQ(r.status.code, std::errc::is_a_directory);

  r = copyFileWithProgress(dir.str() + nativePath("/missing"), dir.str() + nativePath("/out"), rec.callback());
  EXPECT_EQ(r.status.code, std::errc::no_such_file_or_directory);
  EXPECT_EQ(r.status.operation, "open");

  r = copyFileWithProgress(src.string(), dir.str() + nativePath("/no/such/folder/out"), rec.callback());
  EXPECT_EQ(r.status.code, std::errc::no_such_file_or_directory);

  EXPECT_TRUE(rec.calls.empty());
  EXPECT_FALSE(fs::exists(dir.path() / "out"));
  EXPECT_EQ(copyTempFiles(dir.path()), 0);
  EXPECT_EQ(describe(OsStatus{}), "");
}
