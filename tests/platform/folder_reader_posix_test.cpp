// Reading folders where POSIX shows more: links and FIFOs, any byte in a
// name, flocked temporary files, permission bits, faults injected through
// the POSIX call table and POSIX paths.
#include "platform/folder_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/full_path.h"
#include "platform/syscalls.h"
#include "platform/temp_names.h"
#include "tests/platform/folder_reading.h"
#include "tests/support/temp_dir.h"
#include "tests/support/held_file.h"
#include "tests/support/syscall_faults.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/unprivileged.h"

namespace fs = std::filesystem;
using folderreading::HookGuard;
using folderreading::idOf;
using folderreading::readAll;
using folderreading::readFolder;
using folderreading::Seen;
using platform::FolderEntry;
using platform::FolderReader;
using testsupport::readFile;

TEST(FolderReader, KeepsEveryNanosecondOfATime) {
  testsupport::TempDir dir;
  dir.write("a.txt", "12345");
  testsupport::setModificationTime(dir.path() / "a.txt", 1425517622, 700'000'123);
  const auto seen = readFolder(dir.path());
  EXPECT_EQ(seen.at("a.txt").seconds, 1425517622);
  EXPECT_EQ(seen.at("a.txt").nanoseconds, 700'000'123);
}

TEST(FolderReader, ListsOddNamesByteForByte) {
  testsupport::TempDir dir;
  folderreading::expectNamesListedAsWritten(
      dir, {"back\\slash", "co:lon", "pi|pe", "quo\"te", "<angle>", "star*", "what?", "new\nline", "tab\tbell\a",
            "bad\xff\xfeutf8", "年度 报告.final.doc", " lead and trail "});
}

TEST(FolderReader, FollowsLinksAndSkipsWhatCannotBeListed) {
  testsupport::TempDir dir;
  dir.write("target.bin", "0123456789");
  dir.mkdir("folder");
  fs::create_symlink("target.bin", dir.path() / "file-link");
  fs::create_directory_symlink("folder", dir.path() / "folder-link");
  fs::create_symlink("nowhere", dir.path() / "broken");
  fs::create_symlink("self", dir.path() / "self");  // resolves to itself: ELOOP
  fs::create_symlink("target.bin/inside", dir.path() / "through-a-file");  // ENOTDIR
  testsupport::makeFifo(dir.path() / "pipe");
  fs::create_symlink("pipe", dir.path() / "pipe-link");

  const auto seen = readFolder(dir.path());
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_FALSE(seen.count("broken"));
  EXPECT_FALSE(seen.count("self"));
  EXPECT_FALSE(seen.count("through-a-file"));
  EXPECT_FALSE(seen.count("pipe"));
  EXPECT_FALSE(seen.count("pipe-link"));

  const Seen& fileLink = seen.at("file-link");
  EXPECT_TRUE(fileLink.isLink);
  EXPECT_FALSE(fileLink.isFolder);
  EXPECT_EQ(fileLink.size, 10);
  EXPECT_EQ(fileLink.id, seen.at("target.bin").id);

  const Seen& folderLink = seen.at("folder-link");
  EXPECT_TRUE(folderLink.isLink);
  EXPECT_TRUE(folderLink.isFolder);
  EXPECT_EQ(folderLink.id, seen.at("folder").id);
  EXPECT_FALSE(seen.at("folder").isLink);
}

TEST(FolderReader, OpensChildrenRelativeToTheParent) {
  testsupport::TempDir dir;
  dir.write("sub/x.txt", "x");
  fs::create_directory_symlink("sub", dir.path() / "link");
  FolderReader parent;
  ASSERT_FALSE(parent.open(dir.str()));
  EXPECT_TRUE(parent.isOpen());

  FolderReader child;
  ASSERT_FALSE(child.openChild(parent, "link"));
  EXPECT_EQ(child.id(), idOf(dir.path() / "sub"));
  EXPECT_EQ(readAll(child).count("x.txt"), 1u);

  FolderReader bad;
  EXPECT_EQ(bad.openChild(parent, "missing"), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(bad.isOpen());
  EXPECT_EQ(bad.openChild(parent, "sub/x.txt"), std::errc::invalid_argument);
  EXPECT_EQ(bad.openChild(parent, std::string(300, 'n')), std::errc::filename_too_long);
  EXPECT_EQ(bad.open((dir.path() / "sub" / "x.txt").string()), std::errc::not_a_directory);
  EXPECT_EQ(bad.open(dir.str() + std::string(1, '\0') + "x"), std::errc::invalid_argument);
  FolderEntry e;
  EXPECT_FALSE(bad.next(e));
  FolderReader closed;
  EXPECT_EQ(bad.openChild(closed, "sub"), std::errc::bad_file_descriptor);
}

TEST(FolderReader, HidesCopyTemporariesAndRemovesOnlyUnheldOnes) {
  testsupport::TempDir dir;
  const std::string temp = std::string(platform::kCopyTempPrefix) + "4d2-9f00aa-0";
  const std::string held = std::string(platform::kCopyTempPrefix) + "4d3-9f00aa-7";
  const std::string tempFolder = std::string(platform::kCopyTempPrefix) + "1-2-3";
  const std::string userFile = std::string(platform::kCopyTempPrefix) + "a.txt.1234";
  dir.write("a.txt", "a");
  dir.write(temp, "partial");
  dir.write(held, "being copied");
  dir.write(userFile, "mine");
  dir.mkdir(tempFolder);
  fs::create_symlink("a.txt", dir.path() / (std::string(platform::kCopyTempPrefix) + "5-6-7"));

  {
    FolderReader keep;  // removal off: hidden but left alone
    ASSERT_FALSE(keep.open(dir.str()));
    EXPECT_EQ(readAll(keep).size(), 2u);
    EXPECT_TRUE(fs::exists(dir.path() / temp));
  }
  testsupport::HeldFile copying(dir.path() / held);
  FolderReader clean;
  clean.setRemoveCopyTemps(true);
  ASSERT_FALSE(clean.open(dir.str()));
  const auto seen = readAll(clean);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen.count("a.txt"));
  EXPECT_TRUE(seen.count(userFile));  // only the copy's exact form is a temporary name
  EXPECT_FALSE(fs::exists(dir.path() / temp));
  EXPECT_EQ(readFile(dir.path() / held), "being copied");  // a running copy holds it
  EXPECT_EQ(readFile(dir.path() / userFile), "mine");
  EXPECT_TRUE(fs::exists(dir.path() / tempFolder));  // only files are removed
  EXPECT_TRUE(fs::is_symlink(dir.path() / (std::string(platform::kCopyTempPrefix) + "5-6-7")));  // nor links
}

// The leftover's delete goes through the system-call table like every other
// delete: when it fails the file stays, hidden, and the listing is unharmed.
TEST(FolderReader, ALeftoverThatCannotBeRemovedStaysHidden) {
  testsupport::TempDir dir;
  const std::string temp = std::string(platform::kCopyTempPrefix) + "4d2-9f00aa-0";
  dir.write("a.txt", "a");
  dir.write(temp, "partial");
  platform::Syscalls table = platform::realSyscalls();
  table.unlinkAt = testsupport::failWith<EACCES>;
  {
    platform::ScopedSyscallOverride guard(table);
    FolderReader clean;
    clean.setRemoveCopyTemps(true);
    ASSERT_FALSE(clean.open(dir.str()));
    const auto seen = readAll(clean);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen.count("a.txt"));
  }
  EXPECT_EQ(readFile(dir.path() / temp), "partial");

  // The next walk, with the drive willing again, removes it.
  FolderReader later;
  later.setRemoveCopyTemps(true);
  ASSERT_FALSE(later.open(dir.str()));
  EXPECT_EQ(readAll(later).size(), 1u);
  EXPECT_FALSE(fs::exists(dir.path() / temp));
}

TEST(FolderReader, AFolderListableButNotSearchableIsNotEmpty) {
  testsupport::TempDir dir;
  dir.write("ro/a.txt", "a");
  dir.write("ro/b.txt", "b");
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  // r-- for everyone: its names can be read, none of them examined.
  fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string folder = (dir.path() / "ro").string();
  std::string why;
  const int outcome = testsupport::runAsNobody(
      [&] {
        FolderReader reader;
        if (reader.open(folder)) return 10;
        FolderEntry e;
        int listed = 0;
        while (reader.next(e)) ++listed;
        if (listed != 0) return 11;
        if (!reader.error()) return 12;  // looked like an empty folder
        return reader.error() == std::errc::permission_denied ? 0 : 13;
      },
      why);
  if (outcome < 0) GTEST_SKIP() << why;
  EXPECT_EQ(outcome, 0) << "10: not opened, 11: entries listed, 12: taken for empty, 13: another error";
}

TEST(FullPath, ExpandsAndNormalises) {
  EXPECT_EQ(platform::expandFullPath("/a//b/./c/../d").path, "/a/b/d");
  EXPECT_EQ(platform::expandFullPath("/a/b/").path, "/a/b/");
  EXPECT_EQ(platform::expandFullPath("/../..").path, "/");
  EXPECT_EQ(platform::expandFullPath("/").path, "/");
  const auto relative = platform::expandFullPath("x/../y");
  EXPECT_FALSE(relative.error);
  EXPECT_EQ(relative.path, (fs::current_path() / "y").string());
  EXPECT_EQ(platform::maxPathLength(), 4096u);

  testsupport::TempDir dir;
  dir.write("f");
  fs::create_directory_symlink(dir.path(), dir.path() / "link");
  EXPECT_TRUE(platform::isExistingFolder(dir.str()));
  EXPECT_TRUE(platform::isExistingFolder((dir.path() / "link").string()));
  EXPECT_FALSE(platform::isExistingFolder((dir.path() / "f").string()));
  EXPECT_FALSE(platform::isExistingFolder((dir.path() / "none").string()));
}
