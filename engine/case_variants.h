// Names that differ only in letter case, which a drive that ignores case
// takes for one: finding them in an inventory-ordered list, and the two
// steps of a run that depend on them.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/file_info.h"
#include "platform/collate.h"

// path without its first rootLength bytes.
inline std::string_view CutRoot(std::string_view path, std::size_t rootLength) {
  return path.substr(std::min(rootLength, path.size()));
}

// The entries of list (in inventory order, keys below a root of rootLength)
// whose relative path equals rel but for letter case: inventory order
// refines the order that ignores case, so they stand together.
template <typename Visit>
bool AnyCaseVariant(const std::vector<const TFileInfo*>& list, std::size_t rootLength, std::string_view rel,
                    Visit visit) {
  auto it = std::partition_point(list.begin(), list.end(), [&](const TFileInfo* p) {
    return platform::compareTextIgnoringCase(p->Relative(rootLength), rel) < 0;
  });
  for (; it != list.end() && platform::compareTextIgnoringCase((*it)->Relative(rootLength), rel) == 0; ++it)
    if (visit(**it)) return true;
  return false;
}

// A folder to create that is there already is, on a drive that ignores
// letter case, a target-only folder of another spelling. It takes the
// source's spelling, so that the next run pairs the two folders instead of
// copying everything in them again. Nothing is lost when that fails.
void RespellFolder(const std::string& folder, std::size_t rootLength,
                   const std::vector<const TFileInfo*>& targetOnlyFolders);

// Whether dest, a name that held nothing at the scan, now leads to a file
// that the plan paired with an entry of another name (paired: in inventory
// order, on dest's side): on a drive that ignores letter case the two names
// are one file, and a copy would silently replace the other entry's file.
bool TakenByPair(const std::string& dest, std::size_t rootLength, const std::vector<const TFileInfo*>& paired);
