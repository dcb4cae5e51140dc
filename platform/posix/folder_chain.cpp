#include <sys/stat.h>

#include "platform/folder_chain.h"

namespace platform {

std::vector<FileIdentity> folderChain(const std::string& folder) {
  std::vector<FileIdentity> chain;
  std::string path = folder;
  // Each ".." of the path names the parent of what the link before it leads
  // to, as the kernel resolves it; stop where ".." comes back to the same folder.
  for (int depth = 0; depth < 4096; ++depth) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) break;
    const FileIdentity id{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    if (!chain.empty() && chain.back() == id) break;
    chain.push_back(id);
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append("..");
  }
  return chain;
}

}  // namespace platform
