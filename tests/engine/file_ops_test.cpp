// The engine's copies with their window messages, and its single file and
// folder operations, as every system does them; the POSIX-only cases stand
// in file_ops_posix_test.cpp.
#include "engine/file_ops.h"
#include "engine/flush_changes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "tests/engine/copy_window.h"
#include "tests/support/file_checks.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"

using namespace copywindow;
using testsupport::copyTempFiles;
using testsupport::listing;
using testsupport::patternBytes;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;
using testsupport::nativePath;

TEST_F(EngineFileOps, CopyMessagesForEmptySmallAndLargeFiles) {
  const std::string e = dir.write("e").string(), e2 = dir.str() + nativePath("/e2");
  EXPECT_TRUE(CopyFileWithProgress(NewCopyInfo(e, e2, window.handle(), CopyNew)));
  EXPECT_EQ(window.got, (std::vector<Msg>{start(0, CopyNew, e, e2), progress(0, 0)}));

  window.got.clear();
  const std::string s = dir.write("s", "12345").string(), s2 = dir.str() + nativePath("/s2");
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
      CopyFileWithProgress(NewCopyInfo(src, dir.str() + nativePath("/new"), window.handle(), CopyNew)));
  EXPECT_EQ(window.got, std::vector<Msg>{stopped()});
  EXPECT_FALSE(fs::exists(dir.path() / "new"));
}

TEST_F(EngineFileOps, TrackedCopyReportsAndRefusesIdentities) {
  const std::string a = dir.write("a", "a").string(), b = dir.write("b", "b").string();
  const std::string target = dir.str() + nativePath("/target");
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
  const std::string made = dir.str() + nativePath("/新");
  EXPECT_NO_THROW(CreateDirChecked(made));
  EXPECT_TRUE(fs::is_directory(testsupport::fromUtf8(made)));
  EXPECT_NO_THROW(CreateDirChecked(made));
  for (const std::string& path : {dir.str() + nativePath("/none/new"), dir.write("file").string()}) {
    try {
      CreateDirChecked(path);
      ADD_FAILURE() << "no exception for " << path;
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("I/O error ", 0), 0u) << e.what();
      EXPECT_EQ(e.path(), path);
    }
  }
}

TEST_F(EngineFileOps, SingleOperations) {
  const fs::path ro = dir.write("ro.txt", "r");
  fs::permissions(ro, fs::perms::owner_read);
  EXPECT_TRUE(DeleteFileForced(ro.string()));
  EXPECT_FALSE(DeleteFileForced(ro.string()));

  const std::string a = dir.write("a", "a").string(), b = dir.write("b", "b").string();
  EXPECT_FALSE(RenameFileOp(a, b));
  EXPECT_EQ(readFile(b), "b");
  EXPECT_TRUE(RenameFileOp(a, dir.str() + nativePath("/c")));
  EXPECT_EQ(listing(dir.path()), "b c");

  const fs::path made = dir.mkdir("made");
  EXPECT_NO_THROW(CopyFolderAttributes(dir.mkdir("src").string(), made.string()));
  EXPECT_NO_THROW(CopyFolderAttributes(dir.str() + nativePath("/none"), made.string()));
  dir.write("made/x");
  EXPECT_FALSE(RemoveDirOp(made.string()));
  EXPECT_TRUE(fs::exists(made / "x"));
  fs::remove(made / "x");
  EXPECT_TRUE(RemoveDirOp(made.string()));
}

TEST_F(EngineFileOps, ShellDeleteFolderTakesTheWholeTree) {
  dir.write("beside.txt", "k");
  fs::permissions(dir.write("victim/sub/x.txt"), fs::perms::owner_read);
  dir.write("victim/y.txt");
  EXPECT_TRUE(ShellDeleteFolder(dir.str() + nativePath("/victim")));
  EXPECT_EQ(listing(dir.path()), "beside.txt");
  EXPECT_FALSE(ShellDeleteFolder(dir.str() + nativePath("/victim")));
}
