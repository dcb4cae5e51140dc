// What one handle tells about a file: attributes, size, last-write time and
// identity (volume serial number and file index), read with
// GetFileInformationByHandle, and the conversions of file times.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/file_identity.h"

namespace platform::win32 {

struct FileFacts {
  DWORD error = ERROR_SUCCESS;  // why it could not be examined
  DWORD attributes = 0;
  std::int64_t size = 0;
  FILETIME lastWrite{};
  FileIdentity id;
  bool ok() const { return error == ERROR_SUCCESS; }
  bool isFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The file or folder at path; follow: through a reparse point (a link) to
// what it names, else the link itself.
FileFacts examinePath(const std::wstring& path, bool follow);
FileFacts examineHandle(HANDLE handle);

// Opens path only to read its attributes (folders too), sharing everything.
HANDLE openForQuery(const std::wstring& path, bool follow);

// FILETIME (100 ns since 1601, UTC) and seconds/nanoseconds since 1970.
void fileTimeToUnix(const FILETIME& time, std::int64_t& seconds, std::int64_t& nanoseconds);
FILETIME unixToFileTime(std::int64_t seconds, std::int64_t nanoseconds);

// The attributes of path (the link itself for a link); INVALID_FILE_ATTRIBUTES
// when it cannot be examined.
DWORD attributesOf(const std::wstring& path);

}  // namespace platform::win32
