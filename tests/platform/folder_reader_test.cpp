// Reading folders as every system does; links, FIFOs, flocked temporary
// files, permission bits, odd bytes in names and POSIX paths stand in
// folder_reader_posix_test.cpp.
#include "platform/folder_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/temp_names.h"
#include "tests/platform/folder_reading.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tree_helpers.h"

namespace fs = std::filesystem;
using folderreading::HookGuard;
using folderreading::idOf;
using folderreading::readAll;
using folderreading::readFolder;
using folderreading::Seen;
using platform::FolderEntry;
using platform::FolderReader;
using testsupport::readFile;

TEST(FolderReader, DescribesFilesAndFoldersOnce) {
  testsupport::TempDir dir;
  dir.write("a.txt", "12345");
  dir.write(".hidden", "x");
  dir.write("sub/inner.txt", "abc");
  // In steps of 100 ns, which every drive here keeps.
  testsupport::setModificationTime(dir.path() / "a.txt", 1425517622, 700'000'100);

  const auto seen = readFolder(dir.path());
  ASSERT_EQ(seen.size(), 3u);  // no "." or "..", nothing from below
  const Seen& a = seen.at("a.txt");
  EXPECT_FALSE(a.isFolder);
  EXPECT_FALSE(a.isLink);
  EXPECT_EQ(a.size, 5);
  EXPECT_EQ(a.seconds, 1425517622);
  EXPECT_EQ(a.nanoseconds, 700'000'100);
  EXPECT_EQ(seen.at(".hidden").size, 1);
  const Seen& sub = seen.at("sub");
  EXPECT_TRUE(sub.isFolder);
  EXPECT_EQ(sub.size, 0);
  EXPECT_EQ(sub.id, idOf(dir.path() / "sub"));
  EXPECT_NE(sub.id, idOf(dir.path()));
  EXPECT_NE(seen.at("a.txt").id, seen.at(".hidden").id);
}

TEST(FolderReader, ListsNamesInAnyScriptAsUtf8) {
  testsupport::TempDir dir;
  // Beyond the basic plane too: two UTF-16 units on Windows.
  folderreading::expectNamesListedAsWritten(
      dir, {"年度 报告.final.doc", "Ärger-ñ.txt", "smile 😀.txt", "ελληνικά", "a.b.c.d"});
}

TEST(FolderReader, OpensChildrenByOneNameOfTheParent) {
  testsupport::TempDir dir;
  dir.write("sub/x.txt", "x");
  dir.mkdir("sub/deeper");
  FolderReader parent;
  ASSERT_FALSE(parent.open(dir.str()));
  EXPECT_TRUE(parent.isOpen());

  FolderReader child;
  ASSERT_FALSE(child.openChild(parent, "sub"));
  EXPECT_EQ(child.id(), idOf(dir.path() / "sub"));
  EXPECT_EQ(readAll(child).count("x.txt"), 1u);

  FolderReader bad;
  EXPECT_EQ(bad.openChild(parent, "missing"), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(bad.isOpen());
  // A path is not a name: neither a folder below nor one above is opened.
  for (const std::string& path : {testsupport::nativePath("sub/deeper"), std::string("sub/deeper"), std::string("..")})
    EXPECT_EQ(bad.openChild(parent, path), std::errc::invalid_argument) << path;
  EXPECT_FALSE(bad.isOpen());
  EXPECT_EQ(bad.openChild(parent, std::string(300, 'n')), std::errc::filename_too_long);
  EXPECT_TRUE(bad.open((dir.path() / "sub" / "x.txt").string())) << "a file is no folder";
  FolderEntry e;
  EXPECT_FALSE(bad.next(e));
  FolderReader closed;
  EXPECT_EQ(bad.openChild(closed, "sub"), std::errc::bad_file_descriptor);
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
