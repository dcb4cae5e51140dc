#include "inventory/file_info.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "inventory/file_store.h"
#include "platform/exceptions.h"
#include "platform/integer_text.h"

namespace {

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool tryStrToBool(std::string_view text, bool& value) {
  std::int64_t number = 0;
  if (TryStrToInt64(text, number)) {
    value = number != 0;
    return true;
  }
  if (equalsIgnoringAsciiCase(text, "True")) return value = true, true;
  if (equalsIgnoringAsciiCase(text, "False")) return value = false, true;
  return false;
}

}  // namespace

bool TryStrToInt64(std::string_view text, std::int64_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const auto parts = platform::splitIntegerText(text);
  if (!parts) return false;
  if (parts->hexadecimal && !parts->negative) {
    value = static_cast<std::int64_t>(parts->magnitude);  // hex may use the sign bit
    return true;
  }
  const std::uint64_t limit = std::uint64_t(INT64_MAX) + (parts->negative ? 1 : 0);
  if (parts->magnitude > limit) return false;
  value = static_cast<std::int64_t>(parts->negative ? 0 - parts->magnitude : parts->magnitude);
  return true;
}

void AppendEntryString(std::string& out, std::string_view fullPath, bool folder, TDateTime time,
                       std::int64_t size) {
  out.append(fullPath);
  out.append(folder ? "|-1|" : "|0|");
  platform::appendDateTimeStr(out, time);
  out.push_back('|');
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, size);
  (void)ec;
  out.append(digits, end);
}

std::string EntryString(std::string_view fullPath, bool folder, TDateTime time, std::int64_t size) {
  std::string out;
  out.reserve(fullPath.size() + 32);
  AppendEntryString(out, fullPath, folder, time, size);
  return out;
}

TFileInfo& StrToFileInfo(std::string_view entry, TFileStore& store) {
  // Split off the last three fields; whatever precedes them is the path.
  std::string_view fields[3];
  std::string_view rest = entry;
  int found = 0;
  for (; found < 3; ++found) {
    const std::size_t bar = rest.rfind('|');
    if (bar == std::string_view::npos) break;
    fields[2 - found] = rest.substr(bar + 1);
    rest = rest.substr(0, bar);
  }
  if (found < 3) {
    // Too few separators: what there is fills the leftmost fields.
    std::string_view present[3];
    for (int i = 0; i < found; ++i) present[i] = fields[3 - found + i];
    for (int i = 0; i < 3; ++i) fields[i] = present[i];
  }
  const std::string_view fullPath = rest;

  bool folder = false;
  if (!tryStrToBool(fields[0], folder))
    throw EConvertError(formatText("'%s' is not a valid boolean value", {fields[0]}));
  TDateTime time = 0;
  if (!platform::tryStrToDateTime(fields[1], time))
    throw EConvertError(formatText("'%s' is not a valid date and time", {fields[1]}));
  std::int64_t size = 0;
  if (!TryStrToInt64(fields[2], size))
    throw EConvertError(formatText("'%s' is not a valid integer value", {fields[2]}));

  const std::size_t slash = fullPath.rfind(PathDelim);
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  TFileInfo& info = store.Add(fullPath.substr(0, nameStart), fullPath.substr(nameStart));
  info.Falg = folder;
  info.LastModifyTime = time;
  info.Size = size;
  return info;
}

std::string TFileInfo::Key() const {
  std::string key;
  key.reserve(Path.size() + Name.size());
  key.append(Path).append(Name);
  return key;
}

void TFileInfo::AppendRelative(std::string& out, std::size_t rootLength) const {
  if (rootLength <= Path.size()) {
    out.append(Path.substr(rootLength)).append(Name);
  } else {
    out.append(Name.substr(std::min(rootLength - Path.size(), Name.size())));
  }
}

std::string TFileInfo::Relative(std::size_t rootLength) const {
  std::string out;
  AppendRelative(out, rootLength);
  return out;
}

namespace {

// The two pieces of a key after cutting rootLength bytes.
std::pair<std::string_view, std::string_view> relativePieces(const TFileInfo& info, std::size_t rootLength) {
  if (rootLength <= info.Path.size()) return {info.Path.substr(rootLength), info.Name};
  return {std::string_view(), info.Name.substr(std::min(rootLength - info.Path.size(), info.Name.size()))};
}

}  // namespace

bool RelativeEquals(const TFileInfo& a, std::size_t aRoot, const TFileInfo& b, std::size_t bRoot) {
  const auto [a1, a2] = relativePieces(a, aRoot);
  const auto [b1, b2] = relativePieces(b, bRoot);
  if (a1.size() + a2.size() != b1.size() + b2.size()) return false;
  // Usually both sides split at the same place: one folder path, one name.
  if (a1.size() == b1.size()) return a1 == b1 && a2 == b2;
  std::string left, right;
  left.append(a1).append(a2);
  right.append(b1).append(b2);
  return left == right;
}
