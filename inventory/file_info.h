// The record of one folder or file of an inventory, and the entry string the
// walk writes for it: full path, "|", "-1" (folder) or "0" (file), "|", the
// date-time text, "|", the size in decimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/datetime.h"

using platform::TDateTime;

inline constexpr char PathDelim = '/';

struct TFileInfo {
  bool Falg = false;  // true for a folder
  std::string Name;   // last component of the full path
  std::string Path;   // the holding folder, ending in the delimiter
  TDateTime LastModifyTime = 0;
  std::int64_t Size = 0;
};

// Appends one entry string (no line end) to out.
void AppendEntryString(std::string& out, std::string_view fullPath, bool folder,
                       TDateTime time, std::int64_t size);
std::string EntryString(std::string_view fullPath, bool folder, TDateTime time,
                        std::int64_t size);

// Parses an entry string. The kind, time and size are the last three fields,
// counted from the right, so a name holding "|" survives. Raises EConvertError
// with "'%s' is not a valid boolean value", "'%s' is not a valid date and time"
// or "'%s' is not a valid integer value".
TFileInfo StrToFileInfo(std::string_view entry);
void StrToFileInfo(std::string_view entry, TFileInfo& into);

// The class library's 64-bit integer conversion: leading blanks, then the
// form of platform/integer_text.h; hexadecimal without a sign may use the
// sign bit. False, value unchanged, for anything else or out of range.
bool TryStrToInt64(std::string_view text, std::int64_t& value);
