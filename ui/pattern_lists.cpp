#include "ui/pattern_lists.h"

void StorePatternLines(const std::vector<std::string>& lines, TStringList& list) {
  TStringList joined;
  joined.Delimiter = ',';
  joined.QuoteChar = '"';
  for (const std::string& line : lines) joined.Add(line);
  list.Delimiter = ';';
  list.QuoteChar = '"';
  list.SetDelimitedText(joined.DelimitedText());
}

std::string ShownPatterns(const TStringList& list) {
  TStringList shown = list;
  shown.Delimiter = ';';
  shown.QuoteChar = '"';
  return shown.DelimitedText();
}
