#include "inventory/file_info.h"

#include <gtest/gtest.h>

#include "inventory/inventory_list.h"
#include "platform/exceptions.h"
#include "tests/support/native_path.h"

namespace {

using testsupport::nativePath;

TDateTime encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  TDateTime v = 0;
  EXPECT_TRUE(platform::tryEncodeDateTime({y, mo, d, h, mi, s, ms}, v));
  return v;
}

}  // namespace

TEST(EntryString, WritesTheFourFields) {
  EXPECT_EQ(EntryString(nativePath("/media/u/资料/报告/a.doc"), false, encode(2015, 3, 5, 9, 7, 2, 700), 24576),
            nativePath("/media/u/资料/报告/a.doc") + "|0|2015/3/5 9:07:02|24576");
  EXPECT_EQ(EntryString(nativePath("/media/u/资料/报告"), true, 0, 0),
            nativePath("/media/u/资料/报告") + "|-1|1899/12/30|0");
  EXPECT_EQ(EntryString(nativePath("/d/x"), false, encode(2015, 3, 5), 3'000'000'000LL),
            nativePath("/d/x") + "|0|2015/3/5|3000000000");
}

TEST(EntryString, RoundTripsOddNames) {
  TFileStore store;
  const std::string names[] = {nativePath("/d/a|b.txt"),       nativePath("/d/年度 报告.final.doc"),
                                nativePath("/d/ lead and trail "), nativePath("/d/x.v1.2.3.tar.gz"),
                                nativePath("/d/|"),                nativePath("/d/a||b|"),
                                nativePath("/d/new\nline"),        nativePath("/d/\xff\xfe")};
  for (const std::string& full : names) {
    const TDateTime t = encode(2020, 12, 31, 23, 59, 58);
    const TFileInfo& info = StrToFileInfo(EntryString(full, false, t, 7), store);
    EXPECT_EQ(info.Key(), full);
    EXPECT_EQ(info.Path, nativePath("/d/"));
    EXPECT_FALSE(info.Falg);
    EXPECT_EQ(info.LastModifyTime, t);
    EXPECT_EQ(info.Size, 7);
  }
}

TEST(EntryString, ParsesFoldersSizesAndMidnight) {
  TFileStore store;
  const TFileInfo& folder = StrToFileInfo(nativePath("/a/b") + "|-1|1899/12/30|0", store);
  EXPECT_TRUE(folder.Falg);
  EXPECT_EQ(folder.Path, nativePath("/a/"));
  EXPECT_EQ(folder.Name, "b");
  EXPECT_EQ(folder.Size, 0);

  const TFileInfo& big = StrToFileInfo(nativePath("/x.txt") + "|0|2015/3/5|3000000000", store);
  EXPECT_EQ(big.Path, nativePath("/"));
  EXPECT_EQ(big.Name, "x.txt");
  EXPECT_EQ(big.Size, 3'000'000'000LL);
  EXPECT_EQ(big.LastModifyTime, encode(2015, 3, 5));

  // Milliseconds are dropped by the text, so a read-back time is whole seconds.
  const TFileInfo& ms =
      StrToFileInfo(EntryString(nativePath("/m"), false, encode(2015, 3, 5, 9, 7, 2, 700), 1), store);
  EXPECT_EQ(ms.LastModifyTime, encode(2015, 3, 5, 9, 7, 2));

  // Midnight plus milliseconds keeps its time in the text and reads back as
  // bare midnight, written without it: the same moment both ways.
  const std::string justAfter = EntryString(nativePath("/n"), false, encode(89, 12, 3, 0, 0, 0, 100), 0);
  EXPECT_EQ(justAfter, nativePath("/n") + "|0|0089/12/3 0:00:00|0");
  const TFileInfo& midnight = StrToFileInfo(justAfter, store);
  EXPECT_EQ(midnight.LastModifyTime, encode(89, 12, 3));
  EXPECT_EQ(EntryString(nativePath("/n"), false, midnight.LastModifyTime, 0), nativePath("/n") + "|0|0089/12/3|0");

  const TFileInfo& noFolder = StrToFileInfo("name|0|2015/3/5|1", store);
  EXPECT_EQ(noFolder.Path, "");
  EXPECT_EQ(noFolder.Name, "name");
}

TEST(EntryString, ConversionErrorsCarryTheirTexts) {
  TFileStore store;
  auto message = [&](const std::string& entry) {
    try {
      StrToFileInfo(entry, store);
    } catch (const EConvertError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message(nativePath("/a") + "|x|2015/3/5|1"), "'x' is not a valid boolean value");
  EXPECT_EQ(message(nativePath("/a") + "|0|2015/13/5|1"), "'2015/13/5' is not a valid date and time");
  EXPECT_EQ(message(nativePath("/a") + "|0|2015/3/5|12ab"), "'12ab' is not a valid integer value");
  EXPECT_EQ(message(nativePath("/a") + "|0|2015/3/5|"), "'' is not a valid integer value");
  EXPECT_EQ(message("garbage"), "'' is not a valid boolean value");
  EXPECT_EQ(store.Count(), 0u);  // a failed conversion makes no record
}

TEST(TryStrToInt64, DecimalAndHexadecimalForms) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"  42", true, 42},  // leading blanks only
      {"42 ", false, 0},
      {"\t5", false, 0},
      {" -5", true, -5},
      {"- 5", false, 0},
      {"+7", true, 7},
      {"--1", false, 0},
      {"", false, 0},
      {"   ", false, 0},
      {"-", false, 0},
      {"$FF", true, 255},
      {"0xff", true, 255},
      {"0XFF", true, 255},
      {"-$10", true, -16},
      {"$", false, 0},
      {"0x", false, 0},
      {"$-1", false, 0},
      {"$0x1", false, 0},
      {"9223372036854775807", true, INT64_MAX},
      {"9223372036854775808", false, 0},
      {"-9223372036854775808", true, INT64_MIN},
      {"-9223372036854775809", false, 0},
      {"18446744073709551616", false, 0},
      {"$FFFFFFFFFFFFFFFF", true, -1},  // hexadecimal may use the sign bit
      {"$10000000000000000", false, 0},
      {"-$8000000000000000", true, INT64_MIN},
      {"-$8000000000000001", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::int64_t value = 12345;
    EXPECT_EQ(TryStrToInt64(c.text, value), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(InventoryList, BuildsKeysInWalkOrder) {
  TFileStore store;
  TInventoryList empty = FileAryToList({}, store);
  EXPECT_EQ(empty.Count(), 0u);

  TInventoryList list = FileAryToList({nativePath("/r/b.txt") + "|0|2015/3/5|1", nativePath("/r/A") + "|-1|2015/3/5|0",
                                       nativePath("/r/A/x") + "|0|2015/3/5|2"},
                                      store);
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Strings(0), nativePath("/r/b.txt"));
  EXPECT_EQ(list.Strings(1), nativePath("/r/A"));
  EXPECT_EQ(list.Objects(2)->Size, 2);
  EXPECT_EQ(store.Count(), 3u);
}

TEST(InventoryList, SortsCaseVariantsTogetherInATotalOrder) {
  TFileStore store;
  TInventoryList list = FileAryToList(
      {nativePath("/r/b") + "|0|2015/3/5|1", nativePath("/r/a.txt") + "|0|2015/3/5|1",
       nativePath("/r/C") + "|0|2015/3/5|1", nativePath("/r/A.txt") + "|0|2015/3/5|1",
       nativePath("/r/a.txt/x") + "|0|2015/3/5|1"},
                                      store);
  list.Sort(3);
  std::vector<std::string> keys;
  for (const TFileInfo* item : list) keys.push_back(item->Key());
  ASSERT_EQ(keys.size(), 5u);
  // The two case variants are neighbours and their order does not depend on input order.
  EXPECT_TRUE((keys[0] == nativePath("/r/A.txt") && keys[1] == nativePath("/r/a.txt")) ||
              (keys[0] == nativePath("/r/a.txt") && keys[1] == nativePath("/r/A.txt")));
  EXPECT_EQ(keys[2], nativePath("/r/a.txt/x"));
  EXPECT_EQ(keys[3], nativePath("/r/b"));
  EXPECT_EQ(keys[4], nativePath("/r/C"));

  TInventoryList reversed =
      FileAryToList({nativePath("/r/A.txt") + "|0|2015/3/5|1", nativePath("/r/a.txt") + "|0|2015/3/5|1"}, store);
  reversed.Sort(3);
  EXPECT_EQ(reversed.Strings(0), keys[0]);
}

TEST(FileStore, SharesFolderPathsAndKeepsRecordsInPlace) {
  TFileStore store;
  TFileInfo& first = store.Add(nativePath("/r/sub/"), "a.txt");
  std::vector<TFileInfo*> made;
  for (int i = 0; i < 20000; ++i)
    made.push_back(&store.Add(i % 2 ? nativePath("/r/sub/") : nativePath("/r/other/"), "n" + std::to_string(i)));
  EXPECT_EQ(first.Key(), nativePath("/r/sub/a.txt"));
  EXPECT_EQ(made[19999]->Key(), nativePath("/r/sub/n19999"));
  // One copy of each folder path, whichever order the items come in.
  EXPECT_EQ(made[1]->Path.data(), first.Path.data());
  EXPECT_EQ(made[0]->Path.data(), made[2]->Path.data());
  EXPECT_EQ(made[0]->Relative(3), nativePath("other/n0"));
  EXPECT_TRUE(RelativeEquals(*made[1], 3, store.Add(nativePath("/x/yy/sub/"), "n1"), 6));
  EXPECT_FALSE(RelativeEquals(*made[1], 3, store.Add(nativePath("/x/yy/sub/"), "N1"), 6));
  EXPECT_TRUE(RelativeEquals(store.Add(nativePath("/r/"), "ab"), 3, store.Add(nativePath("/q/a"), "b"), 3));
}
