#include "inventory/inventory_scan.h"

#include "inventory/MyGetFiles.h"

namespace {

void Record(TFileInfo& info, const platform::FolderEntry& entry, TDateTime time) {
  info.Falg = entry.isFolder;
  info.LastModifyTime = platform::wholeSeconds(time);  // as an entry string keeps it
  info.Size = entry.isFolder ? 0 : entry.size;
  info.IsLink = entry.isLink;
  info.MTimeSeconds = entry.mtimeSeconds;
  info.MTimeNanoseconds = static_cast<std::int32_t>(entry.mtimeNanoseconds);
  info.Id = entry.id;
}

}  // namespace

TInventoryList ScanToInventory(const std::string& Path, TDateTime& NewestFileTime, bool AllSync,
                               const std::vector<std::string>& AllowList,
                               const std::vector<std::string>& NoAllowList, TFileStore& store,
                               const TScanExtras& Extras) {
  TInventoryList list;
  std::string folderPath;
  auto holder = [&folderPath](const std::string& folder) -> const std::string& {
    folderPath.assign(folder);
    if (folderPath.empty() || folderPath.back() != PathDelim) folderPath.push_back(PathDelim);
    return folderPath;
  };
  TMyDirectory::TFilterPredicate filter = FilterOf(AllSync, AllowList, NoAllowList);
  if (filter && Extras.Filtered) {
    filter = [&, accepts = std::move(filter)](const std::string& folder, const platform::FolderEntry& entry) {
      if (accepts(folder, entry)) return true;
      TFileInfo& info = store.Add(holder(folder), entry.name);
      Record(info, entry, platform::fileTimeToDateTime(entry.mtimeSeconds, entry.mtimeNanoseconds));
      Extras.Filtered->Add(&info);
      return false;
    };
  }
  TDateTime newestTime = 0;
  if (Extras.Newest) *Extras.Newest = nullptr;
  TMyDirectory::VisitFiles(
      Path, "*.*", true, filter, NewestFileTime,
      [&](const std::string& folder, const platform::FolderEntry& entry, TDateTime time) {
        TFileInfo& info = store.Add(holder(folder), entry.name);
        Record(info, entry, time);
        list.Add(&info);
        if (Extras.Newest && !entry.isFolder && (!*Extras.Newest || time > newestTime)) {
          *Extras.Newest = &info;
          newestTime = time;
        }
      },
      [Unread = Extras.Unread](const std::string& folder, std::error_code error) {
        if (Unread) Unread->push_back({folder, error});
      },
      Extras.Fenced, !Extras.KeepCopyTemps);
  return list;
}
