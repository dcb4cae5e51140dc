// Folders renamed only in letter case on the source side (photos to
// Photos). A drive that ignores case keeps the old spelling; paired by name,
// every file in the folder would be copied again and the old spelling's
// files removed, on every run where the drive will not take the new
// spelling. Such a folder is paired with the source's as one folder, and the
// run gives it the source's spelling.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "inventory/file_store.h"
#include "inventory/inventory_list.h"

// A target folder (full paths) to be given the source's spelling.
struct TFolderRespell {
  std::string From, To;
};

// Whether two paths lead to one entry: on a drive that ignores case, two
// spellings do.
using TSameEntry = std::function<bool(const std::string& A, const std::string& B)>;

// Finds the target folders (Target sorted, keys below TargetRoot) whose path
// differs from exactly one source folder's only in letter case, where
// neither side also has the other spelling and SameEntry says the drive
// takes the two spellings for one. Those folders and everything below them
// get records of the source's spelling (made in Store), Target is sorted
// again, and the respells come back outermost first, each in the spelling
// its parent has once the ones before it are done.
std::vector<TFolderRespell> PairRespelledFolders(const TInventoryList& Source, std::size_t SourceRootLength,
                                                 TInventoryList& Target, const std::string& TargetRoot,
                                                 TFileStore& Store, const TSameEntry& SameEntry);
