#include "inventory/file_type_filter.h"

namespace {

void upperAscii(std::string& text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
}

}  // namespace

std::string FileExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot));
  upperAscii(extension);
  return extension;
}

std::string TypeMaskText(std::string_view entry) {
  std::string mask;
  mask.reserve(entry.size() + 1);
  if (entry.empty() || entry.front() != '.') mask.push_back('.');
  mask.append(entry);
  upperAscii(mask);
  return mask;
}

TFileTypeFilter::TFileTypeFilter(const std::vector<std::string>& AllowList,
                                 const std::vector<std::string>& NoAllowList)
    : allowList_(AllowList), noAllowList_(NoAllowList) {}

bool TFileTypeFilter::anyMatches(const std::vector<std::string>& list, MaskCache& cache,
                                 std::string_view extension) {
  if (cache.size() != list.size()) cache.resize(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    CachedMask& cached = cache[i];
    if (!cached.mask || cached.source != list[i]) {
      cached.mask.reset();
      cached.mask.emplace(TypeMaskText(list[i]));
      cached.source = list[i];
    }
    if (cached.mask->Matches(extension)) return true;
  }
  return false;
}

bool TFileTypeFilter::Accepts(std::string_view name, bool isFolder) {
  // Folders pass both lists without a mask being read.
  if (isFolder) return true;
  if (allowList_.empty() && noAllowList_.empty()) return true;
  const std::string extension = FileExtension(name);
  bool result = allowList_.empty() || anyMatches(allowList_, allowMasks_, extension);
  if (!noAllowList_.empty() && anyMatches(noAllowList_, noAllowMasks_, extension)) result = false;
  return result;
}

TMyDirectory::TFilterPredicate MakeFileTypeFilter(const std::vector<std::string>& AllowList,
                                                  const std::vector<std::string>& NoAllowList) {
  auto filter = std::make_shared<TFileTypeFilter>(AllowList, NoAllowList);
  return [filter](const std::string&, const platform::FolderEntry& entry) {
    return filter->Accepts(entry.name, entry.isFolder);
  };
}
