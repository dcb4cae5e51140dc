#include "engine/case_variants.h"

#include <optional>

#include "engine/file_ops.h"
#include "platform/file_ops.h"

void RespellFolder(const std::string& folder, std::size_t rootLength,
                   const std::vector<const TFileInfo*>& targetOnlyFolders) {
  // The folder is looked at only when the target has one of another
  // spelling: on FUSE each look-up is a round trip to the drive process.
  bool looked = false;
  std::optional<platform::FileIdentity> existing;
  AnyCaseVariant(targetOnlyFolders, rootLength, CutRoot(folder, rootLength), [&](const TFileInfo& t) {
    const std::string key = t.Key();
    if (key == folder) return false;
    if (!looked) {
      looked = true;
      if (platform::isDirectory(folder)) existing = platform::lfileIdentity(folder);
    }
    if (!existing || platform::lfileIdentity(key) != existing) return false;
    RenameFileOp(key, folder);
    return true;
  });
}

bool TakenByPair(const std::string& dest, std::size_t rootLength, const std::vector<const TFileInfo*>& paired) {
  // Looked up only when a paired entry has a name of another spelling.
  bool looked = false;
  std::optional<platform::FileIdentity> existing;
  return AnyCaseVariant(paired, rootLength, CutRoot(dest, rootLength), [&](const TFileInfo& p) {
    if (!looked) {
      looked = true;
      existing = platform::fileIdentity(dest);
    }
    return existing && platform::fileIdentity(p.Key()) == existing;
  });
}

