// INI files with the semantics of the Windows profile functions: [section]
// lines and key=value lines; section and key names compared without regard
// to letter case; a value is read with surrounding blanks removed, one
// enclosing pair of quotation marks removed and at most 2047 characters kept;
// anything missing gives the caller's default. The whole file is held in
// memory, every line the program does not write is kept as it was, and it is
// written back in one atomic replacement as UTF-8 without byte-order mark.
// Files in UTF-16 or in the Chinese Windows code page are read too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_status.h"

namespace platform {

inline constexpr std::size_t kProfileValueMaxChars = 2047;
// Far above any real profile; a larger file, or anything that is not a
// regular file, is not read (see reload).
inline constexpr std::size_t kProfileFileMaxBytes = 16u << 20;

// Not thread-safe; one owner at a time.
class ProfileFile {
 public:
  // Loads fileName at once, as reload() does.
  explicit ProfileFile(std::string fileName);

  const std::string& fileName() const { return fileName_; }

  // Reads the whole file again, dropping unsaved changes. A missing file is an
  // empty profile. Any other failure, and a file that is not regular (EINVAL)
  // or is larger than kProfileFileMaxBytes (EFBIG), also leaves the profile
  // empty; it is
  // returned and kept in loadError(), and save() then refuses, so a file that
  // could not be read is never replaced by one holding only our keys.
  OsStatus reload();
  const OsStatus& loadError() const { return loadError_; }

  // The value of key in section, or defaultValue when either is missing. An
  // empty key name is a key like any other (a line starting with "=").
  std::string readString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;

  // Replaces the value of the key's first line in the section's first
  // occurrence, or adds the key at the end of the section, or adds the section
  // at the end of the file. Values are stored so that readString returns them
  // unchanged: one with blanks at either end, or enclosed in quotation marks,
  // is written inside one more pair of quotation marks. False, and nothing
  // changed, for names or values that a line cannot hold (line breaks, NUL; a
  // key holding "=", with blanks at either end, or starting with "[" or ";").
  bool writeString(std::string_view section, std::string_view key, std::string_view value);

  // The file's text as save() writes it.
  std::string text() const;

  // Writes the whole file atomically (see writeWholeFileAtomically). On
  // failure the file on the drive is as it was.
  OsStatus save() const;

 private:
  struct Range {
    std::size_t begin = 0, end = 0;  // the section's lines after its header
    bool found = false;
  };
  Range findSection(std::string_view section) const;
  std::size_t findKey(const Range& range, std::string_view key, std::size_t& valueStart) const;

  std::string fileName_;
  std::vector<std::string> lines_;
  std::string lineEnd_ = "\n";
  OsStatus loadError_;
};

}  // namespace platform
