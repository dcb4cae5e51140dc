// The hidden temporary files that the copy and the whole-file write fill
// before they put them in place under the real name.
#pragma once

#include <string>

namespace platform::win32 {

// The folder part of path, with its trailing delimiter ("" for a bare name).
std::string folderPartOf(const std::string& path);

// A fresh name of the copy's temporary form (temp_names.h) in folder.
std::string newTempPath(const std::string& folder);

}  // namespace platform::win32
