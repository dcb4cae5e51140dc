#include "config/string_list.h"

namespace {

bool atOrBelowBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string TStringList::DelimitedText() const {
  if (items_.size() == 1 && items_[0].empty()) return std::string(2, QuoteChar);
  std::string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const std::string& item = items_[i];
    bool quote = false;
    for (char c : item) quote = quote || atOrBelowBlank(c) || c == QuoteChar || c == Delimiter;
    if (i > 0) out.push_back(Delimiter);
    if (!quote) {
      out.append(item);
      continue;
    }
    out.push_back(QuoteChar);
    for (char c : item) {
      out.push_back(c);
      if (c == QuoteChar) out.push_back(c);
    }
    out.push_back(QuoteChar);
  }
  return out;
}

void TStringList::SetDelimitedText(std::string_view text) {
  items_.clear();
  std::size_t p = 0;
  const auto skipBlanks = [&] {
    while (p < text.size() && atOrBelowBlank(text[p])) ++p;
  };
  skipBlanks();
  while (p < text.size()) {
    std::string item;
    if (text[p] == QuoteChar) {
      for (++p; p < text.size(); ++p) {
        if (text[p] != QuoteChar) {
          item.push_back(text[p]);
        } else if (p + 1 < text.size() && text[p + 1] == QuoteChar) {
          item.push_back(QuoteChar);
          ++p;
        } else {
          ++p;  // the closing quote
          break;
        }
      }
    } else {
      const std::size_t start = p;
      while (p < text.size() && !atOrBelowBlank(text[p]) && text[p] != Delimiter) ++p;
      item.assign(text.substr(start, p - start));
    }
    items_.push_back(std::move(item));
    skipBlanks();
    if (p < text.size() && text[p] == Delimiter) {
      if (p + 1 == text.size()) items_.emplace_back();
      ++p;
      skipBlanks();
    }
  }
}
