#include "inventory/file_type_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/exceptions.h"

namespace {

using List = std::vector<std::string>;

bool passes(const List& allow, const List& deny, const std::string& name, bool folder = false) {
  TFileTypeFilter filter(allow, deny);
  return filter.Accepts(name, folder);
}

}  // namespace

TEST(FileTypeFilter, ExtensionAndMaskText) {
  EXPECT_EQ(FileExtension("archive.tar.gz"), ".GZ");
  EXPECT_EQ(FileExtension(".project"), ".PROJECT");
  EXPECT_EQ(FileExtension("notes."), ".");
  EXPECT_EQ(FileExtension("Makefile"), "");
  EXPECT_EQ(FileExtension("a.Txt"), ".TXT");
  EXPECT_EQ(FileExtension("x.док"), ".док");
  EXPECT_EQ(TypeMaskText("txt"), ".TXT");
  EXPECT_EQ(TypeMaskText(".txt"), ".TXT");
  EXPECT_EQ(TypeMaskText(""), ".");
  EXPECT_EQ(TypeMaskText("tar.gz"), ".TAR.GZ");
  EXPECT_EQ(TypeMaskText("[abc"), ".[ABC");
  EXPECT_EQ(TypeMaskText("док"), ".док");
}

TEST(FileTypeFilter, MonitoredAndUnmonitoredTypes) {
  // Folders always pass, whatever the lists say.
  EXPECT_TRUE(passes({"txt"}, {"*"}, "sub", true));
  EXPECT_TRUE(passes({"txt"}, {"*"}, "folder.txt", true));
  EXPECT_FALSE(passes({"txt"}, {"*"}, "a.txt"));
  EXPECT_FALSE(passes({"txt"}, {"*"}, "Makefile"));

  EXPECT_TRUE(passes({"txt", "doc"}, {}, "a.TXT"));
  EXPECT_TRUE(passes({"txt", "doc"}, {}, "b.Doc"));
  EXPECT_FALSE(passes({"txt", "doc"}, {}, "c.docx"));
  EXPECT_TRUE(passes({".txt"}, {}, "a.txt"));

  EXPECT_TRUE(passes({"*"}, {}, "x.y"));
  EXPECT_TRUE(passes({"*"}, {}, "notes."));
  EXPECT_FALSE(passes({"*"}, {}, "Makefile"));

  EXPECT_TRUE(passes({"do?"}, {}, "a.DOC"));
  EXPECT_TRUE(passes({"do?"}, {}, "a.dot"));
  EXPECT_FALSE(passes({"do?"}, {}, "a.docx"));

  EXPECT_FALSE(passes({"txt"}, {"txt"}, "a.txt"));  // the unmonitored list wins
  EXPECT_FALSE(passes({}, {".tmp"}, "x.tmp"));
  EXPECT_FALSE(passes({}, {"tmp"}, "x.TMP"));
  EXPECT_TRUE(passes({}, {"tmp"}, "x.tmp.txt"));
  EXPECT_TRUE(passes({}, {"*"}, "Makefile"));  // no extension: never removed

  EXPECT_FALSE(passes({"tar.gz"}, {}, "archive.tar.gz"));
  EXPECT_TRUE(passes({"gz"}, {}, "archive.tar.gz"));

  EXPECT_TRUE(passes({""}, {}, "notes."));  // an empty entry is the mask "."
  EXPECT_FALSE(passes({""}, {}, "notes.txt"));
  EXPECT_FALSE(passes({""}, {}, "notes"));

  EXPECT_TRUE(passes({"док"}, {}, "a.док"));
  EXPECT_FALSE(passes({"док"}, {}, "a.ДОК"));

  EXPECT_TRUE(passes({}, {}, "anything"));
  EXPECT_TRUE(passes({"[a-c]*"}, {}, "x.Bmp"));
  EXPECT_FALSE(passes({"[a-c]*"}, {}, "x.png"));
}

TEST(FileTypeFilter, InvalidMaskRaisesWhenAFileReachesIt) {
  const List allow = {"txt", "[abc"};
  const List none;
  TFileTypeFilter filter(allow, none);
  EXPECT_TRUE(filter.Accepts("sub", true));    // folders read no mask
  EXPECT_TRUE(filter.Accepts("a.txt", false));  // matched before the bad entry
  try {
    filter.Accepts("b.doc", false);
    FAIL() << "no error";
  } catch (const EMaskException& e) {
    EXPECT_STREQ(e.what(), "'.[ABC' is an invalid mask at (6)");
  }
  EXPECT_THROW(filter.Accepts("Makefile", false), EMaskException);  // no extension still reaches it
  EXPECT_TRUE(filter.Accepts("c.txt", false));

  // The unmonitored list is read even for a file the first list left out.
  const List txt = {"txt"};
  const List badDeny = {"x", "[!"};
  TFileTypeFilter deny(txt, badDeny);
  EXPECT_FALSE(deny.Accepts("a.x", false));
  EXPECT_THROW(deny.Accepts("a.doc", false), EMaskException);
}

TEST(FileTypeFilter, ReadsTheListsItWasGiven) {
  List allow;
  const List deny = {"bak"};
  auto predicate = MakeFileTypeFilter(allow, deny);
  platform::FolderEntry file;
  file.name = "a.doc";
  EXPECT_TRUE(predicate("/x", file));
  allow.push_back("txt");  // captured by reference, not copied
  EXPECT_FALSE(predicate("/x", file));
  allow.back() = "doc";
  EXPECT_TRUE(predicate("/x", file));
  allow.back() = "[";
  EXPECT_THROW(predicate("/x", file), EMaskException);
  allow.back() = "DOC";
  file.name = "a.bak";
  EXPECT_FALSE(predicate("/x", file));
  file.isFolder = true;
  EXPECT_TRUE(predicate("/x", file));
}
