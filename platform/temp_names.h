// Names of the copy's temporary files, which the walk never lists.
#pragma once
#include <string_view>
namespace platform {
inline constexpr std::string_view kCopyTempPrefix = ".~drovan-tmp-";
inline bool isCopyTempName(std::string_view name) { return name.substr(0, kCopyTempPrefix.size()) == kCopyTempPrefix; }
}  // namespace platform
