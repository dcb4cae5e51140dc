// TStringList: an ordered list of strings with the class library's delimited
// text form, used for the two file-type lists of the configuration. The
// delimiter and the quote character are fields; the reading is never strict
// about the delimiter (characters at or below the blank also separate items).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Not thread-safe for writers; concurrent readers are fine.
class TStringList {
 public:
  char Delimiter = ',';
  char QuoteChar = '"';

  std::size_t Count() const { return items_.size(); }
  const std::string& operator[](std::size_t index) const { return items_[index]; }
  const std::vector<std::string>& Items() const { return items_; }
  void Add(std::string item) { items_.push_back(std::move(item)); }
  void Clear() { items_.clear(); }

  // The items joined by Delimiter. An item holding the delimiter, the quote
  // character or a character at or below the blank is quoted, inner quote
  // characters doubled; a list of one empty item is two quote characters.
  std::string DelimitedText() const;

  // Empties the list and fills it from text: characters at or below the
  // blank are skipped; a quoted item runs to its closing quote (doubled
  // quotes stand for one; without a closing quote it takes the rest); any
  // other item runs to the next delimiter or character at or below the
  // blank; a delimiter that is the text's last character adds an empty item.
  void SetDelimitedText(std::string_view text);

 private:
  std::vector<std::string> items_;
};
