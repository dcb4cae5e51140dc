#include "platform/profile_file.h"

#include <cerrno>

#include "platform/case_fold.h"
#include "platform/text_encoding.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool sameName(std::string_view a, std::string_view b) { return a == b || foldedCase(a) == foldedCase(b); }

// "[name]" with blanks allowed around the name and after the bracket.
bool parseSection(std::string_view line, std::string_view& name) {
  line = trimBlanks(line);
  if (line.empty() || line.front() != '[') return false;
  const auto close = line.rfind(']');
  if (close == std::string_view::npos) return false;
  name = trimBlanks(line.substr(1, close - 1));
  return true;
}

bool parseKey(std::string_view line, std::string_view& key, std::size_t& valueStart) {
  const std::string_view trimmed = trimBlanks(line);
  if (trimmed.empty() || trimmed.front() == '[' || trimmed.front() == ';') return false;
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = trimBlanks(line.substr(0, eq));
  valueStart = eq + 1;
  return true;
}

std::string cleanValue(std::string_view raw) {
  std::string_view value = trimBlanks(raw);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  // Count characters, not bytes: stop before the lead byte of character 2048.
  std::size_t chars = 0, end = 0;
  for (; end < value.size(); ++end) {
    if ((static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) continue;
    if (chars == kProfileValueMaxChars) break;
    ++chars;
  }
  return std::string(value.substr(0, end));
}

std::string storedValue(std::string_view value) {
  const bool wrap = !value.empty() &&
                    (isBlank(value.front()) || isBlank(value.back()) ||
                     (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
  return wrap ? "\"" + std::string(value) + "\"" : std::string(value);
}

bool fitsOnLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace

ProfileFile::ProfileFile(std::string fileName) : fileName_(std::move(fileName)) { reload(); }

OsStatus ProfileFile::reload() {
  lines_.clear();
  lineEnd_ = "\n";
  loadError_ = {};
  auto bytes = readRegularFile(fileName_, kProfileFileMaxBytes);
  if (!bytes.ok()) {
    if (bytes.status.code != std::errc::no_such_file_or_directory) loadError_ = bytes.status;
    return loadError_;
  }
  const std::string text = decodeText(bytes.value);
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      if (lines_.empty()) lineEnd_ = "\r\n";  // keep the file's own line ends
    }
    lines_.push_back(std::move(line));
    start = end + 1;
  }
  return {};
}

ProfileFile::Range ProfileFile::findSection(std::string_view section) const {
  Range range;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (!parseSection(lines_[i], name)) continue;
    if (range.found) {
      range.end = i;
      return range;
    }
    if (sameName(name, section)) {
      range.found = true;
      range.begin = i + 1;
    }
  }
  range.end = lines_.size();
  return range;
}

std::size_t ProfileFile::findKey(const Range& range, std::string_view key,
                                 std::size_t& valueStart) const {
  for (std::size_t i = range.begin; range.found && i < range.end; ++i) {
    std::string_view name;
    if (parseKey(lines_[i], name, valueStart) && sameName(name, key)) return i;
  }
  return std::string::npos;
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  std::size_t valueStart = 0;
  const std::size_t line = findKey(findSection(section), key, valueStart);
  if (line == std::string::npos) return std::string(defaultValue);
  return cleanValue(std::string_view(lines_[line]).substr(valueStart));
}

bool ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
  if (!fitsOnLine(section) || !fitsOnLine(key) || !fitsOnLine(value)) return false;
  if (key.find('=') != std::string_view::npos || trimBlanks(key) != key ||
      key.starts_with('[') || key.starts_with(';'))
    return false;

  const std::string stored = storedValue(value);
  const Range range = findSection(section);
  if (!range.found) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::string(key) + "=" + stored);
    return true;
  }
  std::size_t valueStart = 0;
  const std::size_t line = findKey(range, key, valueStart);
  if (line != std::string::npos) {
    lines_[line].replace(valueStart, std::string::npos, stored);
    return true;
  }
  // After the section's last non-blank line, so blank lines that separate it
  // from the next section stay where they are.
  std::size_t at = range.end;
  while (at > range.begin && trimBlanks(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(key) + "=" + stored);
  return true;
}

std::string ProfileFile::text() const {
  std::string out;
  for (const auto& line : lines_) {
    out.append(line);
    out.append(lineEnd_);
  }
  return out;
}

OsStatus ProfileFile::save() const {
  if (!loadError_.ok()) return loadError_;
  return writeWholeFileAtomically(fileName_, text());
}

}  // namespace platform
