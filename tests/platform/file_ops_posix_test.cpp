// The file operations where POSIX shows more: case spellings and hard links,
// symbolic links, permission bits, the running program and faults injected
// through the POSIX call table.
#include "platform/file_ops.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/syscalls.h"
#include "tests/support/file_checks.h"
#include "tests/support/program_link.h"
#include "tests/support/syscall_faults.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_snapshot.h"

using namespace platform;
using testsupport::listing;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

int refuseKeepFile(int dirFd, const char* name, int flags) {
  if (std::strcmp(name, "keep.txt") == 0) {
    errno = EIO;
    return -1;
  }
  return realSyscalls().unlinkAt(dirFd, name, flags);
}

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read;

}  // namespace

TEST(FileOps, RenameNeverReplaces) {
  TempDir dir;
  const std::string a = dir.write("a.txt", "a").string();
  const std::string b = dir.write("b.txt", "b").string();
  OsStatus r = renameFile(a, b);
  EXPECT_EQ(r.code, std::errc::file_exists);
  EXPECT_EQ(readFile(a), "a");
  EXPECT_EQ(readFile(b), "b");
  EXPECT_TRUE(renameFile(a, dir.str() + "/A.txt").ok());
  EXPECT_EQ(listing(dir.path()), "A.txt b.txt");

  // Two hard links whose names differ in case are two names, not one
  // spelling: neither is renamed over the other.
  fs::create_hard_link(b, dir.path() / "B.txt");
  r = renameFile(b, dir.str() + "/B.txt");
  EXPECT_EQ(r.code, std::errc::file_exists);
  EXPECT_EQ(listing(dir.path()), "A.txt B.txt b.txt");

  // Where renameat2 cannot refuse by itself the same holds.
  Syscalls table = syscalls();
  table.renameNoReplace = testsupport::failWith<EINVAL>;
  ScopedSyscallOverride guard(table);
  r = renameFile(dir.str() + "/A.txt", b);
  EXPECT_EQ(r.code, std::errc::file_exists);
  EXPECT_EQ(r.operation, "rename");
  EXPECT_EQ(r.path, b);
  EXPECT_EQ(renameFile(b, dir.str() + "/B.txt").code, std::errc::file_exists);
  EXPECT_TRUE(renameFile(dir.str() + "/A.txt", dir.str() + "/c.txt").ok());
  EXPECT_EQ(listing(dir.path()), "B.txt b.txt c.txt");
  EXPECT_EQ(renameFile(dir.str() + "/gone", dir.str() + "/d").code,
            std::errc::no_such_file_or_directory);
}

TEST(FileOps, DeleteTakesReadOnlyFilesAsTheyAreAndNeverReachesThroughALink) {
  TempDir dir;
  const fs::path file = dir.write("ro.txt", "x");
  fs::permissions(file, kReadOnly);
  // A second name of a read-only file: removing one name must leave the
  // file that the other still names exactly as it was.
  TempDir elsewhere;
  const fs::path shared = elsewhere.write("shared.txt", "s");
  fs::permissions(shared, kReadOnly);
  const fs::path hardLink = dir.path() / "hard-link.txt";
  fs::create_hard_link(shared, hardLink);
  EXPECT_TRUE(deleteFile(hardLink.string()).ok());
  EXPECT_FALSE(fs::exists(hardLink));
  EXPECT_EQ(fs::status(shared).permissions(), kReadOnly);
  EXPECT_EQ(readFile(shared), "s");

  const fs::path target = dir.write("target.txt", "t");
  fs::permissions(target, kReadOnly);
  const fs::path link = dir.path() / "link";
  fs::create_symlink(target, link);

  EXPECT_TRUE(deleteFile(file.string()).ok());
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(deleteFile(link.string()).ok());
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_EQ(readFile(target), "t");
  EXPECT_EQ(fs::status(target).permissions(), kReadOnly);
  const OsStatus r = deleteFile(file.string());
  EXPECT_EQ(r.code, std::errc::no_such_file_or_directory);
  EXPECT_EQ(r.path, file.string());
}

TEST(FileOps, TheRunningProgramIsNeitherDeletedNorReplaced) {
  TempDir dir;
  const fs::path program = dir.path() / "sub/program";
  fs::create_directories(program.parent_path());
  if (!testsupport::linkRunningProgram(program)) GTEST_SKIP() << "no hard link to the program here";
  const auto size = fs::file_size(program);
  const fs::path other = dir.write("sub/other.txt", "o");
  const fs::path source = dir.write("new.bin", "not a program");

  OsStatus r = deleteFile(program.string());
  EXPECT_EQ(r.code.value(), ETXTBSY);
  EXPECT_EQ(r.path, program.string());
  r = copyFileWithProgress(source.string(), program.string(), {}).status;
  EXPECT_EQ(r.code.value(), ETXTBSY);
  r = removeTree(program.string());
  EXPECT_EQ(r.code.value(), ETXTBSY);
  // A tree holding it loses everything else and keeps the program.
  r = removeTree(program.parent_path().string());
  EXPECT_EQ(r.code.value(), ETXTBSY);
  EXPECT_EQ(r.path, program.string());
  EXPECT_FALSE(fs::exists(other));
  ASSERT_TRUE(fs::exists(program));
  EXPECT_EQ(fs::file_size(program), size);
  EXPECT_EQ(testsupport::countTempFiles(dir.path()), 0u);

  // A link to the program is not the program: it goes, or gets replaced.
  const fs::path link = dir.path() / "link";
  fs::create_symlink(program, link);
  EXPECT_TRUE(copyFileWithProgress(source.string(), link.string(), {}).status.ok());
  EXPECT_EQ(readFile(link), "not a program");
  fs::remove(link);
  fs::create_symlink(program, link);
  EXPECT_TRUE(deleteFile(link.string()).ok());
  EXPECT_EQ(fs::file_size(program), size);
  // Renaming it is no harm, as where its file is locked.
  EXPECT_TRUE(renameFile(program.string(), dir.str() + "/renamed").ok());
}

TEST(FileOps, FoldersCreatedRemovedAndGivenPermissions) {
  TempDir dir;
  EXPECT_TRUE(createDirectory(dir.str() + "/new").ok());
  EXPECT_EQ(createDirectory(dir.str() + "/new").code, std::errc::file_exists);
  EXPECT_EQ(createDirectory(dir.str() + "/none/new").code, std::errc::no_such_file_or_directory);
  fs::create_directory_symlink(dir.path() / "new", dir.path() / "link");
  dir.write("file");
  EXPECT_TRUE(isDirectory(dir.str() + "/new"));
  EXPECT_TRUE(isDirectory(dir.str() + "/link"));
  EXPECT_FALSE(isDirectory(dir.str() + "/file"));
  EXPECT_FALSE(isDirectory(dir.str() + "/none"));

  const fs::path src = dir.mkdir("src");
  fs::permissions(src,
                  fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                      fs::perms::others_exec,
                  fs::perm_options::replace);
  EXPECT_TRUE(copyFolderAttributes(src.string(), dir.str() + "/new").ok());
  EXPECT_EQ(fs::status(dir.path() / "new").permissions(),
            fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec);
  EXPECT_FALSE(copyFolderAttributes(dir.str() + "/none", dir.str() + "/new").ok());

  dir.write("new/inside");
  EXPECT_EQ(removeDirectory(dir.str() + "/new").code, std::errc::directory_not_empty);
  fs::remove(dir.path() / "new/inside");
  EXPECT_TRUE(removeDirectory(dir.str() + "/new").ok());
  EXPECT_FALSE(fs::exists(dir.path() / "new"));
}

TEST(FileOps, RemoveTreeRemovesLinksNotWhatTheyPointAt) {
  TempDir dir;
  const fs::path outside = dir.mkdir("outside");
  dir.write("outside/precious.txt", "p");
  dir.write("outside/sub/deep.txt", "d");
  dir.write("tree/a.txt", "a");
  const fs::path ro = dir.write("tree/sub/ro.txt", "r");
  fs::permissions(ro, kReadOnly);
  dir.write("tree/sub/deeper/b.txt", "b");
  fs::create_directory_symlink(outside, dir.path() / "tree/sub/to-outside");
  fs::create_symlink(outside / "precious.txt", dir.path() / "tree/to-file");
  fs::permissions(dir.path() / "tree/sub/deeper", fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);

  EXPECT_TRUE(removeTree(dir.str() + "/tree").ok());
  EXPECT_FALSE(fs::exists(dir.path() / "tree"));
  EXPECT_EQ(readFile(outside / "precious.txt"), "p");
  EXPECT_EQ(readFile(outside / "sub/deep.txt"), "d");

  // The tree named through a link: only the link goes.
  fs::create_directory_symlink(outside, dir.path() / "linked");
  EXPECT_TRUE(removeTree(dir.str() + "/linked/").ok());
  EXPECT_FALSE(fs::is_symlink(dir.path() / "linked"));
  EXPECT_EQ(readFile(outside / "precious.txt"), "p");

  EXPECT_EQ(removeTree(dir.str() + "/missing").code, std::errc::no_such_file_or_directory);
  EXPECT_EQ(removeTree("/").code, std::errc::operation_not_permitted);
}

TEST(FileOps, RemoveTreeGoesOnPastWhatItCannotRemove) {
  TempDir dir;
  dir.write("tree/one.txt");
  dir.write("tree/sub/keep.txt");
  dir.write("tree/sub/two.txt");
  dir.write("tree/z/three.txt");
  Syscalls table = syscalls();
  table.unlinkAt = refuseKeepFile;
  ScopedSyscallOverride guard(table);
  const OsStatus r = removeTree(dir.str() + "/tree");
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.code, std::errc::io_error);
  EXPECT_EQ(r.operation, "unlinkat");
  EXPECT_EQ(r.path, dir.str() + "/tree/sub/keep.txt");
  EXPECT_EQ(listing(dir.path() / "tree"), "sub");
  EXPECT_EQ(listing(dir.path() / "tree/sub"), "keep.txt");
}

TEST(FileOps, IdentityThroughALinkAndTheWholeDrivesFlush) {
  TempDir dir;
  const fs::path file = dir.write("f");
  fs::create_symlink(file, dir.path() / "l");
  const auto viaLink = fileIdentity(dir.str() + "/l");
  ASSERT_TRUE(viaLink);
  EXPECT_EQ(viaLink, fileIdentity(file.string()));
  EXPECT_NE(lfileIdentity(dir.str() + "/l"), viaLink);
  // Only an administrator may flush a Windows volume: jobs there flush per file.
  EXPECT_TRUE(syncFileSystem(dir.str()).ok());
  EXPECT_FALSE(syncFileSystem(dir.str() + "/none").ok());
}
