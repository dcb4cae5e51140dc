#include "config/pIniReg.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/exceptions.h"
#include "tests/support/usb_machine.h"
#include "tests/support/native_path.h"
#include "tests/support/tree_helpers.h"

using testsupport::nativePath;
using testsupport::readFile;
using Items = std::vector<std::string>;

namespace {

const char kFreshFile[] =
    "[U盘]\n"
    "同步文件夹=\n"
    "[硬盘]\n"
    "00-1A-2B-3C-4D-5E=\n"
    "[配置]\n"
    "全部监测=1\n"
    "监测文件类型=\n"
    "不监测文件类型=\n"
    "被监测文件夹存在最新文件时=2\n"
    "被监测文件夹存在同步文件夹没有的文件时=0\n"
    "保留旧版本=1\n"
    "旧版本保留天数=30\n"
    "大量删除确认文件数=10\n"
    "FAT时差小时数=1\n";

std::string options(const std::string& lines) { return "[配置]\n" + lines; }

}  // namespace

TEST(OstiniFileAction, WithoutAFileDefaultsThenAllElevenKeys) {
  UsbMachine usb;
  {
    TOstiniFileAction ini(usb.paths());
    EXPECT_EQ(ini.Mac(), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(ini.UFolderPath(), "");
    EXPECT_EQ(ini.DFolderPath(), "");
    EXPECT_TRUE(ini.AllSync());
    EXPECT_EQ(ini.SyncFilesList().Count(), 0u);
    EXPECT_EQ(ini.NoSyncFilesList().Count(), 0u);
    EXPECT_EQ(ini.WhenSyncedFolderHasNewSameFile(), 2);
    EXPECT_EQ(ini.WhenSyncedFolderHasNewFile(), 0);
    EXPECT_EQ(ini.SyncFilesList().Delimiter, ';');
    EXPECT_TRUE(ini.KeepVersions());
    EXPECT_EQ(ini.VersionDays(), 30);
    EXPECT_EQ(ini.ConfirmFiles(), 10);
    EXPECT_EQ(ini.FatHours(), 1);
    EXPECT_FALSE(std::filesystem::exists(testsupport::fromUtf8(usb.ini)));
    ini.SaveConfig();
  }
  EXPECT_EQ(readFile(usb.ini), kFreshFile);
}

TEST(OstiniFileAction, SettingsSurviveASaveAndNothingIsWrittenWithoutOne) {
  UsbMachine usb;
  {
    TOstiniFileAction ini(usb.paths());
    ini.SetUFolderPath("同步/资料");
    ini.SetDFolderPath("/home/用户/资料 2 ");
    ini.SetAllSync(false);
    ini.SyncFilesList().SetDelimitedText("doc;\"my doc\";xls");
    ini.NoSyncFilesList().SetDelimitedText("tmp");
    ini.SetWhenSyncedFolderHasNewSameFile(1);
    ini.SetWhenSyncedFolderHasNewFile(-2);
    ini.SetKeepVersions(false);
    ini.SetVersionDays(7);
    ini.SetConfirmFiles(0);
    ini.SetFatHours(26);
    ini.SaveConfig();
  }
  EXPECT_EQ(readFile(usb.ini),
            "[U盘]\n同步文件夹=同步/资料\n[硬盘]\n00-1A-2B-3C-4D-5E=\"/home/用户/资料 2 \"\n"
            "[配置]\n全部监测=0\n监测文件类型=doc;\"my doc\";xls\n不监测文件类型=tmp\n"
            "被监测文件夹存在最新文件时=1\n被监测文件夹存在同步文件夹没有的文件时=-2\n"
            "保留旧版本=0\n旧版本保留天数=7\n大量删除确认文件数=0\nFAT时差小时数=26\n");
  {
    TOstiniFileAction ini(usb.paths());
    EXPECT_EQ(ini.UFolderPath(), nativePath("同步/资料"));
    EXPECT_EQ(ini.DFolderPath(), "/home/用户/资料 2 ");
    EXPECT_FALSE(ini.AllSync());
    EXPECT_EQ(ini.SyncFilesList().Items(), (Items{"doc", "my doc", "xls"}));
    EXPECT_EQ(ini.NoSyncFilesList().Items(), (Items{"tmp"}));
    EXPECT_EQ(ini.WhenSyncedFolderHasNewSameFile(), 1);
    EXPECT_EQ(ini.WhenSyncedFolderHasNewFile(), -2);
    EXPECT_FALSE(ini.KeepVersions());
    EXPECT_EQ(ini.VersionDays(), 7);
    EXPECT_EQ(ini.ConfirmFiles(), 0);
    EXPECT_EQ(ini.FatHours(), 26);
    // Like the tray menu's exit: changes without SaveConfig never reach the file.
    ini.SetUFolderPath("other");
    ini.SetAllSync(true);
  }
  EXPECT_EQ(TOstiniFileAction(usb.paths()).UFolderPath(), nativePath("同步/资料"));
}

TEST(OstiniFileAction, SafetyNetValuesOutOfRangeMeanTheDefaults) {
  UsbMachine usb;
  const struct {
    const char* days;
    std::int32_t expectedDays;
    const char* confirm;
    std::int32_t expectedConfirm;
  } cases[] = {{"0", 30, "-1", 10}, {"-5", 30, "x", 10}, {"3651", 30, "0", 0},
               {"1", 1, "500", 500}, {"$E", 14, "", 10}, {"3650", 3650, "10", 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.days);
    usb.writeIni(std::string("[配置]\n保留旧版本=0\n旧版本保留天数=") + c.days + "\n大量删除确认文件数=" + c.confirm + "\n");
    const TOstiniFileAction ini(usb.paths());
    EXPECT_FALSE(ini.KeepVersions());
    EXPECT_EQ(ini.VersionDays(), c.expectedDays);
    EXPECT_EQ(ini.ConfirmFiles(), c.expectedConfirm);
  }
}

TEST(OstiniFileAction, FatHoursOutOfRangeMeanTheDefault) {
  UsbMachine usb;
  const struct {
    const char* stored;
    std::int32_t expected;
  } cases[] = {{"0", 0}, {"26", 26}, {"3", 3}, {"27", 1}, {"-1", 1}, {"x", 1}, {"", 1}, {"$A", 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    usb.writeIni(std::string("[配置]\nFAT时差小时数=") + c.stored + "\n");
    EXPECT_EQ(TOstiniFileAction(usb.paths()).FatHours(), c.expected);
  }
}

TEST(OstiniFileAction, BooleanAndIntegerForms) {
  struct Case {
    const char* allSync;
    bool expectedAllSync;
    const char* strategy;
    std::int16_t expectedFirst, expectedSecond;  // defaults 2 and 0
  };
  const Case cases[] = {
      {"0", false, "0x1", 1, 1},       {"yes", true, "abc", 2, 0},
      {"2", true, "$2", 2, 2},         {"-1", true, "0X10", 16, 16},
      {"0x0", false, "0x", 2, 0},      {"$0", false, "65537", 1, 1},
      {"", true, "-1", -1, -1},        {" 0 ", false, "0xFFFF", -1, -1},
      {"1.0", true, "-32769", 32767, 32767}, {"0xG", true, "2147483648", 2, 0},
      {"00", false, "0xFFFFFFFF", -1, -1},   {"+0", false, "1 2", 2, 0},
      {"-0x0", false, "-$10", -16, -16},     {"$1", true, "$-1", 2, 0},
      {"-$FFFFFFFF", true, "--1", 2, 0},     {"$", true, "-2147483648", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.allSync) + " / " + c.strategy);
    UsbMachine usb;
    usb.writeIni(options(std::string("全部监测=") + c.allSync + "\n被监测文件夹存在最新文件时=" +
                         c.strategy + "\n被监测文件夹存在同步文件夹没有的文件时=" + c.strategy + "\n"));
    TOstiniFileAction ini(usb.paths());
    EXPECT_EQ(ini.AllSync(), c.expectedAllSync);
    EXPECT_EQ(ini.WhenSyncedFolderHasNewSameFile(), c.expectedFirst);
    EXPECT_EQ(ini.WhenSyncedFolderHasNewFile(), c.expectedSecond);
  }
}

TEST(OstiniFileAction, ListTexts) {
  UsbMachine usb;
  usb.writeIni(options("监测文件类型=doc xls\n不监测文件类型=tmp;\n"));
  {
    TOstiniFileAction ini(usb.paths());
    EXPECT_EQ(ini.SyncFilesList().Items(), (Items{"doc", "xls"}));
    EXPECT_EQ(ini.NoSyncFilesList().Items(), (Items{"tmp", ""}));
    // One item holding a blank, and one empty item, come back as they were.
    ini.SyncFilesList().SetDelimitedText("\"my doc\"");
    ini.NoSyncFilesList().Clear();
    ini.NoSyncFilesList().Add("");
    ini.SaveConfig();
  }
  TOstiniFileAction ini(usb.paths());
  EXPECT_EQ(ini.SyncFilesList().Items(), (Items{"my doc"}));
  EXPECT_EQ(ini.NoSyncFilesList().Items(), (Items{""}));
}

TEST(OstiniFileAction, TwoComputersKeepTheirOwnFolders) {
  UsbMachine first("00:1a:2b:3c:4d:5e");
  UsbMachine second("0a:00:27:00:00:0c");
  // Both computers see the same drive: point the second at the first's file.
  auto secondPaths = second.paths();
  secondPaths.programPath = first.paths().programPath;
  {
    TOstiniFileAction a(first.paths());
    TOstiniFileAction b(secondPaths);
    a.SetDFolderPath("D:/甲");
    b.SetDFolderPath("/home/乙");
    a.SaveConfig();
    b.SaveConfig();  // started before a's save, and still keeps a's entry
  }
  EXPECT_EQ(TOstiniFileAction(first.paths()).DFolderPath(), "D:/甲");
  EXPECT_EQ(TOstiniFileAction(secondPaths).DFolderPath(), "/home/乙");
  {
    TOstiniFileAction a(first.paths());
    a.SetDFolderPath("D:/丙");
    a.SaveConfig();
  }
  EXPECT_EQ(TOstiniFileAction(secondPaths).DFolderPath(), "/home/乙");
  const std::string text = readFile(first.ini);
  EXPECT_NE(text.find("[硬盘]\n00-1A-2B-3C-4D-5E=D:/丙\n0A-00-27-00-00-0C=/home/乙\n"), std::string::npos)
      << text;
}

TEST(OstiniFileAction, WithoutAnAddressTheEmptyKeyIsUsed) {
  UsbMachine usb("");
  {
    TOstiniFileAction ini(usb.paths());
    EXPECT_EQ(ini.Mac(), "");
    ini.SetDFolderPath("/srv/共享");
    ini.SaveConfig();
  }
  EXPECT_NE(readFile(usb.ini).find("[硬盘]\n=/srv/共享\n"), std::string::npos);
  EXPECT_EQ(TOstiniFileAction(usb.paths()).DFolderPath(), "/srv/共享");
}

TEST(OstiniFileAction, HandWrittenGbkAndUtf16FilesRead) {
  // Written by hand on Windows: odd spacing and case, a comment, an unknown
  // section, another computer's entry, "\" separators.
  UsbMachine usb;
  usb.writeIni("; 请勿删除\r\n[u盘]\r\n 同步文件夹 = 同步\\资料 \r\n[硬盘]\r\n"
               "11-22-33-44-55-66=E:\\别人\r\n00-1a-2b-3c-4d-5e = \"D:\\工作\"\r\n"
               "[其他]\r\nx=1\r\n[配置]\r\n监测文件类型 = \"my doc\";xls\r\n");
  {
    TOstiniFileAction ini(usb.paths());
    EXPECT_EQ(ini.UFolderPath(), nativePath("同步/资料"));
    EXPECT_EQ(ini.DFolderPath(), "D:\\工作");
    EXPECT_EQ(ini.SyncFilesList().Items(), (Items{"my doc", "xls"}));
    ini.SaveConfig();
  }
  const std::string saved = readFile(usb.ini);
  // The folder is written in this system's delimiters; either system reads both.
  for (const std::string& kept : std::vector<std::string>{"; 请勿删除\r\n", "11-22-33-44-55-66=E:\\别人\r\n", "[其他]\r\nx=1\r\n",
                                 " 同步文件夹 =" + nativePath("同步/资料") + "\r\n", "监测文件类型 =\"my doc\";xls\r\n"})
    EXPECT_NE(saved.find(kept), std::string::npos) << kept << "\n" << saved;

  UsbMachine gbk;
  gbk.writeIni("[U\xC5\xCC]\r\n\xCD\xAC\xB2\xBD\xCE\xC4\xBC\xFE\xBC\xD0=\xCD\xAC\xB2\xBD\\\xD7\xCA\xC1\xCF\r\n"
               "[\xD3\xB2\xC5\xCC]\r\n00-1A-2B-3C-4D-5E=D:\\\xB9\xA4\xD7\xF7\r\n"
               "[\xC5\xE4\xD6\xC3]\r\n\xC8\xAB\xB2\xBF\xBC\xE0\xB2\xE2=0\r\n");
  TOstiniFileAction fromGbk(gbk.paths());
  EXPECT_EQ(fromGbk.UFolderPath(), nativePath("同步/资料"));
  EXPECT_EQ(fromGbk.DFolderPath(), "D:\\工作");
  EXPECT_FALSE(fromGbk.AllSync());

  UsbMachine utf16;
  const std::u16string text = u"[U盘]\r\n同步文件夹=资料\r\n[配置]\r\n被监测文件夹存在最新文件时=1\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  utf16.writeIni(bytes);
  TOstiniFileAction fromUtf16(utf16.paths());
  EXPECT_EQ(fromUtf16.UFolderPath(), "资料");
  EXPECT_EQ(fromUtf16.WhenSyncedFolderHasNewSameFile(), 1);
}

TEST(OstiniFileAction, ValueThatNoLineCanHoldRaisesBeforeWriting) {
  UsbMachine usb;
  usb.writeIni("[U盘]\n同步文件夹=旧\n");
  TOstiniFileAction ini(usb.paths());
  ini.SetDFolderPath("/home/a\nb");
  EXPECT_THROW(ini.SaveConfig(), EIniFileException);
  EXPECT_EQ(readFile(usb.ini), "[U盘]\n同步文件夹=旧\n");
}

