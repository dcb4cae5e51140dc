#include "config/string_list.h"

#include <gtest/gtest.h>

namespace {

TStringList fileTypes() {
  TStringList list;
  list.Delimiter = ';';
  list.QuoteChar = '"';
  return list;
}

std::vector<std::string> read(std::string_view text) {
  TStringList list = fileTypes();
  list.Add("stale");
  list.SetDelimitedText(text);
  return list.Items();
}

std::string write(const std::vector<std::string>& items) {
  TStringList list = fileTypes();
  for (const auto& item : items) list.Add(item);
  return list.DelimitedText();
}

using Items = std::vector<std::string>;

}  // namespace

TEST(StringList, ReadingSplitsAtDelimiterAndBlanks) {
  EXPECT_EQ(read("doc;xls"), (Items{"doc", "xls"}));
  EXPECT_EQ(read("doc xls"), (Items{"doc", "xls"}));
  EXPECT_EQ(read("  doc ;\t xls  "), (Items{"doc", "xls"}));
  EXPECT_EQ(read("\"my doc\";xls"), (Items{"my doc", "xls"}));
  EXPECT_EQ(read("doc;"), (Items{"doc", ""}));
  EXPECT_EQ(read("doc; "), (Items{"doc"}));  // only a last ";" adds the empty item
  EXPECT_EQ(read("a;;b"), (Items{"a", "", "b"}));
  EXPECT_EQ(read(";a"), (Items{"", "a"}));
  EXPECT_EQ(read(""), Items{});
  EXPECT_EQ(read("   "), Items{});
  EXPECT_EQ(read("\"\""), (Items{""}));
  EXPECT_EQ(read("\"say \"\"hi\"\"\";x"), (Items{"say \"hi\"", "x"}));
  EXPECT_EQ(read("\"no end;x"), (Items{"no end;x"}));
  EXPECT_EQ(read("\"ab\"cd;e"), (Items{"ab", "cd", "e"}));
  EXPECT_EQ(read("文档;表格"), (Items{"文档", "表格"}));
}

TEST(StringList, WritingQuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(write({"doc", "xls", "txt"}), "doc;xls;txt");
  EXPECT_EQ(write({"my doc", "xls"}), "\"my doc\";xls");
  EXPECT_EQ(write({"a;b", "say \"hi\"", "tab\there"}), "\"a;b\";\"say \"\"hi\"\"\";\"tab\there\"");
  EXPECT_EQ(write({"my doc"}), "\"my doc\"");
  EXPECT_EQ(write({""}), "\"\"");
  EXPECT_EQ(write({"a", ""}), "a;");
  EXPECT_EQ(write({}), "");
  EXPECT_EQ(write({"文档"}), "文档");
}

TEST(StringList, TextSurvivesARoundTrip) {
  const std::vector<Items> lists = {{"my doc", "xls"}, {"a", ""}, {"", "a"}, {"say \"hi\"", ";"}, {""}};
  for (const auto& items : lists) EXPECT_EQ(read(write(items)), items) << write(items);
}
