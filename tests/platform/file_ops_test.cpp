// Renames, deletes, folders and trees as every system does them; the
// POSIX-only cases (links, hard links, permission bits, the running
// program, the POSIX call table) stand in file_ops_posix_test.cpp.
#include "platform/file_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/file_checks.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"

using namespace platform;
using testsupport::fromUtf8;
using testsupport::listing;
using testsupport::nativePath;
using testsupport::readFile;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read;

}  // namespace

TEST(FileOps, RenameNeverReplacesAnotherFile) {
  TempDir dir;
  const std::string a = dir.str() + nativePath("/甲.txt"), b = dir.str() + nativePath("/乙.txt");
  dir.write("甲.txt", "a");
  dir.write("乙.txt", "b");
  const OsStatus r = renameFile(a, b);
  EXPECT_EQ(r.code, std::errc::file_exists);
  EXPECT_EQ(r.operation, "rename");
  EXPECT_EQ(r.path, b);
  EXPECT_EQ(readFile(fromUtf8(b)), "b");
  EXPECT_TRUE(renameFile(a, dir.str() + nativePath("/丙.txt")).ok());
  EXPECT_EQ(listing(dir.path()), "丙.txt 乙.txt");
  EXPECT_EQ(renameFile(dir.str() + nativePath("/gone"), dir.str() + nativePath("/d")).code,
            std::errc::no_such_file_or_directory);
}

TEST(FileOps, DeleteTakesReadOnlyFilesAsTheyAre) {
  TempDir dir;
  const fs::path file = dir.write("ro.txt", "x");
  fs::permissions(file, kReadOnly);
  const fs::path other = dir.write("other.txt", "o");
  EXPECT_TRUE(deleteFile(file.string()).ok());
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(readFile(other), "o");
  const OsStatus r = deleteFile(file.string());
  EXPECT_EQ(r.code, std::errc::no_such_file_or_directory);
  EXPECT_EQ(r.path, file.string());
  EXPECT_FALSE(deleteFile(dir.mkdir("folder").string()).ok()) << "a folder is no file";
  EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
}

TEST(FileOps, FoldersCreatedAndRemoved) {
  TempDir dir;
  const std::string made = dir.str() + nativePath("/新");
  EXPECT_TRUE(createDirectory(made).ok());
  EXPECT_EQ(createDirectory(made).code, std::errc::file_exists);
  EXPECT_EQ(createDirectory(dir.str() + nativePath("/none/new")).code, std::errc::no_such_file_or_directory);
  dir.write("file");
  EXPECT_TRUE(isDirectory(made));
  EXPECT_FALSE(isDirectory(dir.str() + nativePath("/file")));
  EXPECT_FALSE(isDirectory(dir.str() + nativePath("/none")));
  EXPECT_TRUE(copyFolderAttributes(dir.mkdir("src").string(), made).ok());
  EXPECT_FALSE(copyFolderAttributes(dir.str() + nativePath("/none"), made).ok());

  dir.write("新/inside");
  EXPECT_EQ(removeDirectory(made).code, std::errc::directory_not_empty);
  EXPECT_TRUE(fs::exists(fromUtf8(made) / "inside"));
  fs::remove(fromUtf8(made) / "inside");
  EXPECT_TRUE(removeDirectory(made).ok());
  EXPECT_FALSE(fs::exists(fromUtf8(made)));
}

TEST(FileOps, RemoveTreeTakesReadOnlyFilesAndStopsAtTheTree) {
  TempDir dir;
  dir.write("beside.txt", "kept");
  dir.write("树/a.txt", "a");
  fs::permissions(dir.write("树/枝/ro.txt", "r"), kReadOnly);
  dir.write("树/枝/更深/b.txt", "b");
  dir.mkdir("树/空");
  // The trailing delimiter names the same tree.
  EXPECT_TRUE(removeTree(dir.str() + nativePath("/树/")).ok());
  EXPECT_EQ(listing(dir.path()), "beside.txt");
  EXPECT_EQ(removeTree(dir.str() + nativePath("/missing")).code, std::errc::no_such_file_or_directory);
  // A file given as the tree is removed alone.
  EXPECT_TRUE(removeTree((dir.path() / "beside.txt").string()).ok());
  EXPECT_EQ(listing(dir.path()), "");
}

TEST(FileOps, AFileKeepsItsIdentityWhenRenamed) {
  TempDir dir;
  const fs::path file = dir.write("f");
  const fs::path second = dir.write("g");
  const auto id = fileIdentity(file.string());
  ASSERT_TRUE(id);
  EXPECT_EQ(id, fileIdentity(file.string()));
  EXPECT_NE(id, fileIdentity(second.string()));
  EXPECT_FALSE(fileIdentity(dir.str() + nativePath("/none")));
  // Renamed, the file keeps its identity.
  ASSERT_TRUE(renameFile(file.string(), dir.str() + nativePath("/h")).ok());
  EXPECT_EQ(fileIdentity(dir.str() + nativePath("/h")), id);
}
