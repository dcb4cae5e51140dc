#include "inventory/inventory_scan.h"

#include "inventory/MyGetFiles.h"

namespace {

// An entry string keeps whole seconds: the fraction is dropped, not rounded.
TDateTime WholeSeconds(TDateTime value) {
  platform::DateTimeParts parts = platform::decodeDateTime(value);
  if (parts.millisecond == 0) return value;
  parts.millisecond = 0;
  TDateTime truncated = value;
  return platform::tryEncodeDateTime(parts, truncated) ? truncated : value;
}

}  // namespace

TInventoryList ScanToInventory(const std::string& Path, TDateTime& NewestFileTime, bool AllSync,
                               const std::vector<std::string>& AllowList,
                               const std::vector<std::string>& NoAllowList, TFileStore& store,
                               std::vector<TUnreadFolder>* Unread) {
  TInventoryList list;
  std::string folderPath;
  TMyDirectory::VisitFiles(
      Path, "*.*", true, FilterOf(AllSync, AllowList, NoAllowList), NewestFileTime,
      [&](const std::string& folder, const platform::FolderEntry& entry, TDateTime time) {
        folderPath.assign(folder);
        if (folderPath.empty() || folderPath.back() != PathDelim) folderPath.push_back(PathDelim);
        TFileInfo& info = store.Add(folderPath, entry.name);
        info.Falg = entry.isFolder;
        info.LastModifyTime = WholeSeconds(time);
        info.Size = entry.isFolder ? 0 : entry.size;
        list.Add(&info);
      },
      [Unread](const std::string& folder, std::error_code error) {
        if (Unread) Unread->push_back({folder, error});
      });
  return list;
}
