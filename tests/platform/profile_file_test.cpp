#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

using platform::ProfileFile;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

std::string repeat(const std::string& unit, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

std::string utf16(const std::u16string& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out.push_back(bigEndian ? hi : lo);
    out.push_back(bigEndian ? lo : hi);
  }
  return out;
}

}  // namespace

TEST(ProfileFile, ReadsWithProfileSemantics) {
  TempDir dir;
  const auto file = dir.write("p.ini",
                              "; comment = not a key\n"
                              "top=outside any section\n"
                              "[U盘]\n"
                              "  同步文件夹 =   \"  spaced  \"   \n"
                              "Quoted=\"a\" and \"b\"\n"
                              "half=\"open\n"
                              "=empty key\n"
                              "[ Options ]\n"
                              "Mixed=Case\n"
                              "dup=first\n"
                              "dup=second\n"
                              "[options]\n"
                              "other=hidden by the first section\n");
  ProfileFile profile(file.string());
  EXPECT_EQ(profile.readString("U盘", "同步文件夹", "d"), "  spaced  ");
  EXPECT_EQ(profile.readString("u盘", "同步文件夹", "d"), "  spaced  ");
  EXPECT_EQ(profile.readString("U盘", "quoted", "d"), "a\" and \"b");
  EXPECT_EQ(profile.readString("U盘", "half", "d"), "\"open");
  EXPECT_EQ(profile.readString("U盘", "", "d"), "empty key");
  EXPECT_EQ(profile.readString("OPTIONS", "MIXED", "d"), "Case");
  EXPECT_EQ(profile.readString("options", "dup", "d"), "first");
  EXPECT_EQ(profile.readString("options", "other", "d"), "d");
  EXPECT_EQ(profile.readString("U盘", "top", "d"), "d");
  EXPECT_EQ(profile.readString("U盘", "; comment", "d"), "d");
  EXPECT_EQ(profile.readString("missing", "x", "default"), "default");
  EXPECT_EQ(profile.readString("U盘", "missing", ""), "");
  // Letter case beyond ASCII.
  const auto greek = dir.write("g.ini", "[ΣΕΚΤΙΟΝ]\nÄpfel=1\n");
  EXPECT_EQ(ProfileFile(greek.string()).readString("σεκτιον", "äPFEL", "d"), "1");
}

TEST(ProfileFile, ValuesAreCutAt2047Characters) {
  TempDir dir;
  const std::string cjk = repeat("资", 2100), ascii(3000, 'a');
  const auto file = dir.write("p.ini", "[s]\ncjk=" + cjk + "\nascii=" + ascii + "\n");
  ProfileFile profile(file.string());
  EXPECT_EQ(profile.readString("s", "cjk", ""), repeat("资", 2047));
  EXPECT_EQ(profile.readString("s", "ascii", ""), std::string(2047, 'a'));
}

TEST(ProfileFile, WritingKeepsEveryOtherLine) {
  TempDir dir;
  const auto file = dir.write("p.ini",
                              "; written by hand\r\n"
                              "[硬盘]\r\n"
                              "00-1A-2B-3C-4D-5E = D:\\工作\r\n"
                              "\r\n"
                              "[Unknown]\r\n"
                              "keep=me\r\n");
  ProfileFile profile(file.string());
  EXPECT_TRUE(profile.writeString("硬盘", "0A-00-27-00-00-0C", "/home/u/资料"));
  EXPECT_TRUE(profile.writeString("硬盘", "00-1a-2b-3c-4d-5e", "E:\\新"));
  EXPECT_TRUE(profile.writeString("配置", "全部监测", "0"));
  EXPECT_TRUE(profile.writeString("配置", "", "no address"));
  EXPECT_TRUE(profile.save().ok());
  EXPECT_EQ(readFile(file),
            "; written by hand\r\n"
            "[硬盘]\r\n"
            "00-1A-2B-3C-4D-5E =E:\\新\r\n"
            "0A-00-27-00-00-0C=/home/u/资料\r\n"
            "\r\n"
            "[Unknown]\r\n"
            "keep=me\r\n"
            "[配置]\r\n"
            "全部监测=0\r\n"
            "=no address\r\n");
  ProfileFile again(file.string());
  EXPECT_EQ(again.readString("配置", "", "d"), "no address");
  EXPECT_EQ(again.readString("硬盘", "00-1A-2B-3C-4D-5E", "d"), "E:\\新");
}

TEST(ProfileFile, ValuesComeBackAsWritten) {
  TempDir dir;
  const std::string name = (dir.path() / "new folder" / "p.ini").string();
  std::filesystem::create_directory(dir.path() / "new folder");
  ProfileFile profile(name);
  EXPECT_TRUE(profile.loadError().ok());
  const std::vector<std::string> values = {
      "", "plain", " leading", "trailing ", "\"quoted\"", "\"", "\"\"", "a\"b", "=x=", "[not]", ";x"};
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_TRUE(profile.writeString("s", "k" + std::to_string(i), values[i]));
  EXPECT_TRUE(profile.save().ok());
  EXPECT_EQ(readFile(name).substr(0, 4), "[s]\n");  // UTF-8 without mark, "\n" line ends
  ProfileFile again(name);
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(again.readString("s", "k" + std::to_string(i), "default"), values[i]) << i;
}

TEST(ProfileFile, RefusesWhatALineCannotHold) {
  TempDir dir;
  ProfileFile profile((dir.path() / "p.ini").string());
  EXPECT_FALSE(profile.writeString("s", "k", "two\nlines"));
  EXPECT_FALSE(profile.writeString("s", "k", std::string("nul\0x", 5)));
  EXPECT_FALSE(profile.writeString("s\r", "k", "v"));
  EXPECT_FALSE(profile.writeString("s", "a=b", "v"));
  EXPECT_FALSE(profile.writeString("s", " k", "v"));
  EXPECT_FALSE(profile.writeString("s", "[k", "v"));
  EXPECT_EQ(profile.text(), "");
}

TEST(ProfileFile, ReadsLegacyAndUtf16Encodings) {
  TempDir dir;
  // GBK: [U盘] 同步文件夹=同步\资料, [硬盘] X=D:\工作
  const auto gbk = dir.write("gbk.ini",
                             "[U\xC5\xCC]\r\n\xCD\xAC\xB2\xBD\xCE\xC4\xBC\xFE\xBC\xD0=\xCD\xAC\xB2\xBD\\"
                             "\xD7\xCA\xC1\xCF\r\n[\xD3\xB2\xC5\xCC]\r\nX=D:\\\xB9\xA4\xD7\xF7\r\n");
  ProfileFile legacy(gbk.string());
  EXPECT_EQ(legacy.readString("U盘", "同步文件夹", ""), "同步\\资料");
  EXPECT_EQ(legacy.readString("硬盘", "x", ""), "D:\\工作");
  // Saving writes UTF-8.
  EXPECT_TRUE(legacy.writeString("配置", "全部监测", "1"));
  EXPECT_TRUE(legacy.save().ok());
  EXPECT_EQ(readFile(gbk), "[U盘]\r\n同步文件夹=同步\\资料\r\n[硬盘]\r\nX=D:\\工作\r\n[配置]\r\n全部监测=1\r\n");

  const std::u16string text = u"[配置]\r\n监测文件类型=doc;xls\r\n[U盘]\r\n同步文件夹=资料\r\n";
  for (bool bigEndian : {false, true}) {
    const auto file = dir.write("utf16.ini", utf16(text, bigEndian));
    ProfileFile profile(file.string());
    EXPECT_EQ(profile.readString("配置", "监测文件类型", ""), "doc;xls") << bigEndian;
    EXPECT_EQ(profile.readString("U盘", "同步文件夹", ""), "资料") << bigEndian;
  }
  const auto marked = dir.write("bom.ini", "\xEF\xBB\xBF[U盘]\n同步文件夹=资料\n");
  EXPECT_EQ(ProfileFile(marked.string()).readString("U盘", "同步文件夹", ""), "资料");
  EXPECT_EQ(readFile(marked).substr(0, 3), "\xEF\xBB\xBF");
}

TEST(ProfileFile, ADoubledByteOrderMarkReadsTheSameBeforeAndAfterASave) {
  // Found by fuzzing: the second mark hid the first section, and once saved
  // as UTF-8 it became the mark, so the section appeared.
  TempDir dir;
  for (const std::string& bytes :
       {std::string("\xEF\xBB\xBF\xEF\xBB\xBF[U盘]\n同步文件夹=资料\n"),
        utf16(u"\uFEFF[U盘]\n同步文件夹=资料\n", false), utf16(u"\uFEFF\uFEFF[U盘]\n同步文件夹=资料\n", true)}) {
    const auto file = dir.write("marks.ini", bytes);
    ProfileFile profile(file.string());
    EXPECT_EQ(profile.readString("U盘", "同步文件夹", ""), "资料");
    EXPECT_TRUE(profile.writeString("U盘", "同步文件夹", "新"));
    EXPECT_TRUE(profile.save().ok());
    EXPECT_EQ(readFile(file), "[U盘]\n同步文件夹=新\n");
    EXPECT_EQ(ProfileFile(file.string()).readString("U盘", "同步文件夹", ""), "新");
  }
}

TEST(ProfileFile, UnreadableFileIsNeverReplaced) {
  TempDir dir;
  const auto folder = dir.mkdir("p.ini");  // a folder where the file should be
  ProfileFile profile(folder.string());
  EXPECT_FALSE(profile.loadError().ok());
  EXPECT_TRUE(profile.writeString("s", "k", "v"));
  EXPECT_FALSE(profile.save().ok());
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}
