#include "engine/file_ops.h"
#include "engine/flush_changes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/exceptions.h"
#include "platform/syscalls.h"
#include "tests/support/fuse_mount.h"
#include "tests/support/file_checks.h"
#include "tests/support/temp_dir.h"

using platform::HWND;
using platform::UINT;
using testsupport::copyTempFiles;
using testsupport::listing;
using testsupport::patternBytes;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t MiB = platform::kCopyChunkSize;

struct Msg {
  UINT msg = 0;
  std::int64_t copied = 0;
  std::int64_t total = 0;
  std::int32_t kind = -1;
  std::string src, dst;
  bool operator==(const Msg&) const = default;
};

Msg start(std::int64_t total, std::int32_t kind, std::string src, std::string dst) {
  Msg m;
  m.msg = WM_COPYSTART;
  m.total = total;
  m.kind = kind;
  m.src = std::move(src);
  m.dst = std::move(dst);
  return m;
}
Msg progress(std::int64_t copied, std::int64_t total) {
  Msg m;
  m.msg = WM_COPYPROGRESS;
  m.copied = copied;
  m.total = total;
  return m;
}
Msg stopped() {
  Msg m;
  m.msg = WM_COPYSTOPPED;
  return m;
}

// The window: keeps what each message carried (the record lives only during
// the send) and can press "stop" when a given progress message arrives.
class Window {
 public:
  Window()
      : receiver_(std::make_shared<platform::InlineReceiver>(
            [this](UINT msg, platform::WPARAM w, platform::LPARAM) { return handle(msg, w); })),
        registration_(receiver_) {}

  HWND handle() const { return registration_.handle(); }
  std::vector<Msg> got;
  int stopAtProgress = 0;

 private:
  platform::LRESULT handle(UINT msg, platform::WPARAM w) {
    if (msg == WM_COPYSTOPPED) {
      EXPECT_EQ(w, 0u);
      got.push_back(stopped());
      return 0;
    }
    const TCopyInfo& info = copyInfoFromParam(w);
    if (msg == WM_COPYSTART)
      got.push_back(start(info.TotalSize, info.CopyKind, info.SrcFile, info.DestFile));
    else
      got.push_back(progress(info.CopiedSize, info.TotalSize));
    const auto progresses = std::count_if(got.begin(), got.end(),
                                          [](const Msg& m) { return m.msg == WM_COPYPROGRESS; });
    if (msg == WM_COPYPROGRESS && progresses == stopAtProgress) StopSync = true;
    return 0;
  }

  std::shared_ptr<platform::InlineReceiver> receiver_;
  platform::ScopedMessageTarget registration_;
};

class EngineFileOps : public ::testing::Test {
 protected:
  void SetUp() override { StopSync = false; }
  void TearDown() override { StopSync = false; }
  TempDir dir;
  Window window;
};

int writesLeft = 0;
long failingCopyFileRange(int in, int out, std::size_t n) {
  if (writesLeft-- <= 0) {
    errno = ENOSPC;
    return -1;
  }
  return platform::realSyscalls().copyFileRange(in, out, n);
}

}  // namespace

TEST_F(EngineFileOps, CopyMessagesForEmptySmallAndLargeFiles) {
  const std::string e = dir.write("e").string(), e2 = dir.str() + "/e2";
  EXPECT_TRUE(CopyFileWithProgress(NewCopyInfo(e, e2, window.handle(), CopyNew)));
  EXPECT_EQ(window.got, (std::vector<Msg>{start(0, CopyNew, e, e2), progress(0, 0)}));

  window.got.clear();
  const std::string s = dir.write("s", "12345").string(), s2 = dir.str() + "/s2";
  EXPECT_TRUE(CopyFileWithProgress(NewCopyInfo(s, s2, window.handle(), CopyBack)));
  EXPECT_EQ(window.got, (std::vector<Msg>{start(5, CopyBack, s, s2), progress(5, 5)}));

  window.got.clear();
  const std::string data = patternBytes(5 * MiB);
  const std::string l = dir.write("l", data).string(), l2 = dir.write("l2", "old").string();
  EXPECT_TRUE(CopyFileWithProgress(NewCopyInfo(l, l2, window.handle(), CopyUpdate)));
  std::vector<Msg> expected{start(5 * MiB, CopyUpdate, l, l2)};
  for (int i = 1; i <= 5; ++i) expected.push_back(progress(i * MiB, 5 * MiB));
  EXPECT_EQ(window.got, expected);
  EXPECT_TRUE(readFile(l2) == data);
  EXPECT_EQ(copyTempFiles(dir.path()), 0);
}

TEST_F(EngineFileOps, StopSendsOneStoppedMessageAndKeepsTheOldFile) {
  const std::string src = dir.write("src", patternBytes(3 * MiB, 1)).string();
  const std::string old = patternBytes(MiB / 2, 2);
  const std::string dst = dir.write("dst", old).string();
  window.stopAtProgress = 1;
  EXPECT_FALSE(CopyFileWithProgress(NewCopyInfo(src, dst, window.handle(), CopyUpdate)));
  EXPECT_EQ(window.got, (std::vector<Msg>{start(3 * MiB, CopyUpdate, src, dst),
                                          progress(MiB, 3 * MiB), stopped()}));
  EXPECT_TRUE(readFile(dst) == old);
  EXPECT_EQ(copyTempFiles(dir.path()), 0);

  // Stopped before it starts: the stop is the only message, no line for it.
  window.got.clear();
  EXPECT_FALSE(
      CopyFileWithProgress(NewCopyInfo(src, dir.str() + "/new", window.handle(), CopyNew)));
  EXPECT_EQ(window.got, std::vector<Msg>{stopped()});
  EXPECT_FALSE(fs::exists(dir.path() / "new"));
}

TEST_F(EngineFileOps, FailedAndRefusedCopiesReturnFalse) {
  const std::string src = dir.write("src", patternBytes(4 * MiB, 3)).string();
  const std::string dst = dir.write("dst", "old").string();
  {
    platform::Syscalls table = platform::syscalls();
    table.copyFileRange = failingCopyFileRange;
    writesLeft = 2;
    platform::ScopedSyscallOverride guard(table);
    EXPECT_FALSE(CopyFileWithProgress(NewCopyInfo(src, dst, window.handle(), CopyUpdate)));
  }
  EXPECT_EQ(window.got, (std::vector<Msg>{start(4 * MiB, CopyUpdate, src, dst),
                                          progress(MiB, 4 * MiB), progress(2 * MiB, 4 * MiB)}));
  EXPECT_EQ(readFile(dst), "old");
  EXPECT_EQ(copyTempFiles(dir.path()), 0);

  // Refusals come before the copy starts: no message at all.
  window.got.clear();
  fs::permissions(dst, fs::perms::owner_read);
  EXPECT_FALSE(CopyFileWithProgress(NewCopyInfo(src, dst, window.handle(), CopyUpdate)));
  EXPECT_FALSE(
      CopyFileWithProgress(NewCopyInfo("/dev/null", dir.str() + "/n", window.handle(), CopyNew)));
  EXPECT_FALSE(CopyFileWithProgress(
      NewCopyInfo(dir.str() + "/none", dir.str() + "/n", window.handle(), CopyNew)));
  EXPECT_TRUE(window.got.empty());
  EXPECT_EQ(readFile(dst), "old");
}

TEST_F(EngineFileOps, TrackedCopyReportsAndRefusesIdentities) {
  const std::string a = dir.write("a", "a").string(), b = dir.write("b", "b").string();
  const std::string target = dir.str() + "/target";
  TFileIdentitySet written;
  TCopyResult r = CopyFileTracked(NewCopyInfo(a, target, window.handle(), CopyNew), written);
  ASSERT_TRUE(r);
  ASSERT_TRUE(r.Written);
  EXPECT_EQ(r.Written, platform::fileIdentity(target));
  written.insert(*r.Written);

  window.got.clear();
  r = CopyFileTracked(NewCopyInfo(b, target, window.handle(), CopyNew), written);
  EXPECT_FALSE(r);
  EXPECT_EQ(r.Status.code, std::errc::file_exists);
  EXPECT_FALSE(r.Written);
  EXPECT_TRUE(window.got.empty());
  EXPECT_EQ(readFile(target), "a");
}

TEST_F(EngineFileOps, CreateDirCheckedAcceptsExistingFoldersOnly) {
  EXPECT_NO_THROW(CreateDirChecked(dir.str() + "/new"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "new"));
  EXPECT_NO_THROW(CreateDirChecked(dir.str() + "/new"));
  fs::create_directory_symlink(dir.path() / "new", dir.path() / "link");
  EXPECT_NO_THROW(CreateDirChecked(dir.str() + "/link"));

  const std::string missing = dir.str() + "/none/new";
  try {
    CreateDirChecked(missing);
    ADD_FAILURE() << "no exception for a missing parent";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 2 (No such file or directory)");
    EXPECT_EQ(e.path(), missing);
  }
  const std::string file = dir.write("file").string();
  try {
    CreateDirChecked(file);
    ADD_FAILURE() << "no exception for an existing file";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 17 (File exists)");
    EXPECT_EQ(e.path(), file);
  }
}

TEST_F(EngineFileOps, SingleOperations) {
  const fs::path ro = dir.write("ro.txt", "r");
  fs::permissions(ro, fs::perms::owner_read);
  EXPECT_TRUE(DeleteFileForced(ro.string()));
  EXPECT_FALSE(DeleteFileForced(ro.string()));

  const std::string a = dir.write("a", "a").string(), b = dir.write("b", "b").string();
  EXPECT_FALSE(RenameFileOp(a, b));
  EXPECT_TRUE(RenameFileOp(a, dir.str() + "/c"));
  EXPECT_EQ(listing(dir.path()), "b c");

  const fs::path src = dir.mkdir("src");
  fs::permissions(src, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read,
                  fs::perm_options::replace);
  const fs::path made = dir.mkdir("made");
  CopyFolderAttributes(src.string(), made.string());
  EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all | fs::perms::group_read);
  EXPECT_NO_THROW(CopyFolderAttributes(dir.str() + "/none", made.string()));

  dir.write("made/x");
  EXPECT_FALSE(RemoveDirOp(made.string()));
  TChangedSide one(dir.str()), other(made.string()), idle(dir.str()), gone(dir.str() + "/none");
  one.Wrote(dir.str() + "/x");
  other.Changed(made.string() + "/x");
  gone.Changed(dir.str() + "/none/y");
  const auto failures = FlushChangedSides({&one, &other, &idle, &gone});
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].Root, dir.str() + "/none");
}

TEST_F(EngineFileOps, ShellDeleteFolderKeepsWhatLinksPointAt) {
  dir.write("outside/keep.txt", "k");
  dir.write("victim/sub/x.txt");
  dir.write("victim/y.txt");
  fs::create_directory_symlink(dir.path() / "outside", dir.path() / "victim/sub/link");
  EXPECT_TRUE(ShellDeleteFolder(dir.str() + "/victim"));
  EXPECT_FALSE(fs::exists(dir.path() / "victim"));
  EXPECT_EQ(readFile(dir.path() / "outside/keep.txt"), "k");
  EXPECT_FALSE(ShellDeleteFolder(dir.str() + "/victim"));
}

TEST_F(EngineFileOps, CaseVariantsOnExfat) {
  std::string why;
  if (!testsupport::ExfatMount::available(why)) GTEST_SKIP() << why;
  testsupport::ExfatMount usb;
  const std::string root = usb.str();

  EXPECT_NO_THROW(CreateDirChecked(root + "/Docs"));
  EXPECT_NO_THROW(CreateDirChecked(root + "/docs"));
  EXPECT_EQ(listing(usb.path()), "Docs");

  const std::string lower = dir.write("report.txt", "lower").string();
  const std::string upper = dir.write("REPORT.txt", "upper").string();
  TFileIdentitySet written;
  TCopyResult r = CopyFileTracked(
      NewCopyInfo(lower, root + "/docs/report.txt", window.handle(), CopyNew), written);
  ASSERT_TRUE(r) << platform::describe(r.Status);
  written.insert(*r.Written);
  window.got.clear();
  r = CopyFileTracked(NewCopyInfo(upper, root + "/docs/REPORT.txt", window.handle(), CopyNew),
                      written);
  EXPECT_EQ(r.Status.code, std::errc::file_exists);
  EXPECT_TRUE(window.got.empty());
  EXPECT_EQ(readFile(root + "/Docs/report.txt"), "lower");
  // The target-only spelling is recognised as the file just written.
  EXPECT_TRUE(written.contains(*platform::lfileIdentity(root + "/Docs/Report.TXT")));

  window.stopAtProgress = 1;
  const std::string big = dir.write("big", patternBytes(3 * MiB, 9)).string();
  EXPECT_FALSE(CopyFileWithProgress(
      NewCopyInfo(big, root + "/docs/report.txt", window.handle(), CopyUpdate)));
  EXPECT_EQ(window.got.back(), stopped());
  EXPECT_EQ(readFile(root + "/Docs/report.txt"), "lower");
  EXPECT_EQ(copyTempFiles(usb.path() / "Docs"), 0);
}
