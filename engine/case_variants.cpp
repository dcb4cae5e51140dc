#include "engine/case_variants.h"

#include "engine/file_ops.h"
#include "platform/file_ops.h"

void RespellFolder(const std::string& folder, std::size_t rootLength,
                   const std::vector<const TFileInfo*>& targetOnlyFolders) {
  if (!platform::isDirectory(folder)) return;
  const auto existing = platform::lfileIdentity(folder);
  AnyCaseVariant(targetOnlyFolders, rootLength, CutRoot(folder, rootLength), [&](const TFileInfo& t) {
    const std::string key = t.Key();
    if (key == folder || platform::lfileIdentity(key) != existing) return false;
    RenameFileOp(key, folder);
    return true;
  });
}

bool TakenByPair(const std::string& dest, std::size_t rootLength, const std::vector<const TFileInfo*>& paired) {
  const auto existing = platform::fileIdentity(dest);
  if (!existing) return false;
  return AnyCaseVariant(paired, rootLength, CutRoot(dest, rootLength), [&](const TFileInfo& p) {
    return platform::fileIdentity(p.Key()) == existing;
  });
}

