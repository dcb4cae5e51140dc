// The record of one folder or file of an inventory, and the entry string the
// walk writes for it: full path, "|", "-1" (folder) or "0" (file), "|", the
// date-time text, "|", the size in decimal. A record's texts live in the
// TFileStore that made it (file_store.h), which keeps each folder path once:
// a scan of a large tree holds hundreds of thousands of records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/folder_reader.h"
#include "platform/path_syntax.h"

using platform::TDateTime;

inline const char& PathDelim = platform::kPathDelimiter;

struct TFileInfo {
  bool Falg = false;      // true for a folder
  // What the scan saw beyond the entry string, so that a run can tell
  // whether the user changed the entry since: whether the name is a link,
  // the exact modification time and the identity. Nanoseconds are -1 for a
  // record that no scan made.
  bool IsLink = false;
  std::int32_t MTimeNanoseconds = -1;
  std::int64_t MTimeSeconds = 0;
  platform::FileIdentity Id;
  std::string_view Name;  // last component of the full path
  std::string_view Path;  // the holding folder, ending in the delimiter
  TDateTime LastModifyTime = 0;
  std::int64_t Size = 0;

  // The item's key everywhere: Path followed by Name.
  std::string Key() const;
  // The key without its first rootLength bytes (the root of its side).
  void AppendRelative(std::string& out, std::size_t rootLength) const;
  std::string Relative(std::size_t rootLength) const;
};

// Whether a's key without aRoot bytes equals b's key without bRoot bytes,
// compared exactly (letter case counts), without building either.
bool RelativeEquals(const TFileInfo& a, std::size_t aRoot, const TFileInfo& b, std::size_t bRoot);

class TFileStore;

// Appends one entry string (no line end) to out.
void AppendEntryString(std::string& out, std::string_view fullPath, bool folder,
                       TDateTime time, std::int64_t size);
std::string EntryString(std::string_view fullPath, bool folder, TDateTime time,
                        std::int64_t size);

// Parses an entry string into a new record of store. The kind, time and size
// are the last three fields, counted from the right, so a name holding "|"
// survives. Raises EConvertError with "'%s' is not a valid boolean value",
// "'%s' is not a valid date and time" or "'%s' is not a valid integer value";
// nothing is added then.
TFileInfo& StrToFileInfo(std::string_view entry, TFileStore& store);

// The class library's 64-bit integer conversion: leading blanks, then the
// form of platform/integer_text.h; hexadecimal without a sign may use the
// sign bit. False, value unchanged, for anything else or out of range.
bool TryStrToInt64(std::string_view text, std::int64_t& value);
