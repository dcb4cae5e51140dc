#include "platform/folder_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/full_path.h"
#include "platform/syscalls.h"
#include "platform/temp_names.h"
#include "tests/support/temp_dir.h"
#include "tests/support/held_file.h"
#include "tests/support/syscall_faults.h"
#include "tests/support/tree_helpers.h"
#include "tests/support/unprivileged.h"

namespace fs = std::filesystem;
using platform::FolderEntry;
using platform::FolderReader;
using testsupport::readFile;

namespace {

struct Seen {
  bool isFolder = false;
  bool isLink = false;
  std::int64_t size = 0;
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  platform::FileIdentity id;
};

std::map<std::string, Seen> readAll(FolderReader& reader) {
  std::map<std::string, Seen> seen;
  FolderEntry e;
  while (reader.next(e)) {
    EXPECT_FALSE(seen.count(std::string(e.name))) << "listed twice: " << e.name;
    seen[std::string(e.name)] = {e.isFolder, e.isLink, e.size, e.mtimeSeconds, e.mtimeNanoseconds, e.id};
  }
  EXPECT_FALSE(reader.error());
  return seen;
}

std::map<std::string, Seen> readFolder(const fs::path& folder) {
  FolderReader reader;
  EXPECT_FALSE(reader.open(folder.string()));
  return readAll(reader);
}

platform::FileIdentity idOf(const fs::path& p) {
  FolderReader r;
  EXPECT_FALSE(r.open(p.string()));
  return r.id();
}

struct HookGuard {
  explicit HookGuard(platform::FolderFaultHook hook) { platform::setFolderFaultHookForTesting(hook); }
  ~HookGuard() { platform::setFolderFaultHookForTesting(nullptr); }
};

}  // namespace

TEST(FolderReader, DescribesFilesAndFoldersOnce) {
  testsupport::TempDir dir;
  dir.write("a.txt", "12345");
  dir.write(".hidden", "x");
  dir.write("sub/inner.txt", "abc");
  testsupport::setModificationTime(dir.path() / "a.txt", 1425517622, 700'000'123);

  const auto seen = readFolder(dir.path());
  ASSERT_EQ(seen.size(), 3u);  // no "." or "..", nothing from below
  const Seen& a = seen.at("a.txt");
  EXPECT_FALSE(a.isFolder);
  EXPECT_FALSE(a.isLink);
  EXPECT_EQ(a.size, 5);
  EXPECT_EQ(a.seconds, 1425517622);
  EXPECT_EQ(a.nanoseconds, 700'000'123);
  EXPECT_EQ(seen.at(".hidden").size, 1);
  const Seen& sub = seen.at("sub");
  EXPECT_TRUE(sub.isFolder);
  EXPECT_EQ(sub.size, 0);
  EXPECT_EQ(sub.id, idOf(dir.path() / "sub"));
  EXPECT_NE(sub.id, idOf(dir.path()));
}

TEST(FolderReader, ListsOddNamesByteForByte) {
  testsupport::TempDir dir;
  const std::string names[] = {"back\\slash", "co:lon", "pi|pe", "quo\"te", "<angle>", "star*",
                               "what?", "new\nline", "tab\tbell\a", "bad\xff\xfeutf8", "年度 报告.final.doc",
                               " lead and trail "};
  for (const auto& n : names) dir.write(n, n);
  const auto seen = readFolder(dir.path());
  ASSERT_EQ(seen.size(), std::size(names));
  for (const auto& n : names) {
    ASSERT_TRUE(seen.count(n)) << n;
    EXPECT_EQ(seen.at(n).size, static_cast<std::int64_t>(n.size()));
  }
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

TEST(FolderReader, ReadAheadServesTheSameEntriesWithoutAHandle) {
  testsupport::TempDir dir;
  for (int i = 0; i < 300; ++i) dir.write("file-with-a-longer-name-" + std::to_string(i), std::to_string(i));
  dir.mkdir("sub");
  const auto direct = readFolder(dir.path());

  FolderReader reader;
  ASSERT_FALSE(reader.open(dir.str()));
  FolderEntry first;
  ASSERT_TRUE(reader.next(first));
  const std::string firstName(first.name);
  reader.readAllAndRelease();
  EXPECT_FALSE(reader.isOpen());
  FolderReader child;
  EXPECT_EQ(child.openChild(reader, "sub"), std::errc::bad_file_descriptor);
  auto rest = readAll(reader);
  EXPECT_EQ(rest.size() + 1, direct.size());
  EXPECT_FALSE(rest.count(firstName));
  for (const auto& [name, s] : rest) {
    ASSERT_TRUE(direct.count(name)) << name;
    EXPECT_EQ(direct.at(name).size, s.size);
    EXPECT_EQ(direct.at(name).id, s.id);
  }
}

TEST(FolderReader, FaultHookStandsInForTheOs) {
  testsupport::TempDir dir;
  dir.write("locked/x.txt");
  dir.write("gone.txt");
  dir.write("kept.txt");
  HookGuard guard([](platform::FolderOp op, std::string_view name) -> std::error_code {
    if (op == platform::FolderOp::Open && name == "locked") return std::make_error_code(std::errc::permission_denied);
    if (op == platform::FolderOp::Describe && name == "gone.txt")
      return std::make_error_code(std::errc::no_such_file_or_directory);
    return {};
  });
  FolderReader parent;
  ASSERT_FALSE(parent.open(dir.str()));
  FolderReader child;
  EXPECT_EQ(child.openChild(parent, "locked"), std::errc::permission_denied);
  const auto seen = readAll(parent);
  EXPECT_TRUE(seen.count("kept.txt"));
  EXPECT_TRUE(seen.count("locked"));
  EXPECT_FALSE(seen.count("gone.txt"));
}

// Only an entry that is gone (or a link that leads nowhere) may be left out
// silently; any other failure to examine one makes the folder unread, or its
// missing entries would pass for deleted ones.
TEST(FolderReader, AnEntryThatCannotBeExaminedFailsTheFolder) {
  testsupport::TempDir dir;
  dir.write("a.txt");
  dir.write("secret.txt");
  dir.write("z.txt");
  HookGuard guard([](platform::FolderOp op, std::string_view name) -> std::error_code {
    if (op == platform::FolderOp::Describe && name == "secret.txt")
      return std::make_error_code(std::errc::permission_denied);
    return {};
  });
  FolderReader reader;
  ASSERT_FALSE(reader.open(dir.str()));
  FolderEntry e;
  while (reader.next(e)) EXPECT_NE(e.name, "secret.txt");
  EXPECT_EQ(reader.error(), std::errc::permission_denied);

  FolderReader ahead;
  ASSERT_FALSE(ahead.open(dir.str()));
  ahead.readAllAndRelease();
  while (ahead.next(e)) EXPECT_NE(e.name, "secret.txt");
  EXPECT_EQ(ahead.error(), std::errc::permission_denied);
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

TEST(TempNames, RecognisesOnlyTheFormTheCopyMakes) {
  EXPECT_TRUE(platform::isCopyTempName(".~drovan-tmp-0-0-0"));
  EXPECT_TRUE(platform::isCopyTempName(".~drovan-tmp-1a2b-ffffffff-10"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-report.doc.77"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-dead-1"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-1-2-3-4"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-1-2-"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-1--3"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-1-2-3.txt"));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-1-2-3 "));
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-1A-2-3"));  // %x writes lower case
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp-123456789-2-3"));  // wider than 32 bits
  EXPECT_FALSE(platform::isCopyTempName(".~drovan-tmp1-2-3"));
  EXPECT_FALSE(platform::isCopyTempName("x.~drovan-tmp-1-2-3"));
  EXPECT_FALSE(platform::isCopyTempName(".~DROVAN-TMP-1-2-3"));
  EXPECT_FALSE(platform::isCopyTempName(""));
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
