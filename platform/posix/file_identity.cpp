// File identities, and the path helpers they need.
//
// The FUSE library assigns inode numbers per name looked up unless the file
// system supplies its own, and exfat-fuse does not: on such a drive
// `Report.txt` and `REPORT.txt` are one file with two inode numbers. The
// identity is therefore taken through the spelling that the folder lists.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/drives.h"
#include "platform/posix/file_ops_internal.h"
#include "platform/posix/folder_listings.h"

namespace platform {
namespace detail {
namespace {

std::string_view withoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

std::optional<FileIdentity> identityOf(const std::string& path, bool followLinks) {
  const auto examine = [followLinks](const std::string& p) -> std::optional<FileIdentity> {
    struct stat st {};
    if ((followLinks ? ::stat(p.c_str(), &st) : ::lstat(p.c_str(), &st)) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
  };
  auto identity = examine(path);
  if (!identity || !isOnFuse(parentOf(path))) return identity;
  const std::string spelled = onDiskSpelling(path);
  if (spelled == path) return identity;
  auto respelled = examine(spelled);
  return respelled ? respelled : identity;
}

}  // namespace

std::string parentOf(std::string_view path) {
  path = withoutTrailingSlashes(path);
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(withoutTrailingSlashes(path.substr(0, slash)));
}

std::string baseName(std::string_view path) {
  path = withoutTrailingSlashes(path);
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.ends_with('/')) path.push_back('/');
  return path.append(name);
}

bool isListed(const std::string& dir, std::string_view name) {
  std::unique_ptr<DIR, DirCloser> handle(opendir(dir.c_str()));
  if (!handle) return false;
  while (const dirent* entry = readdir(handle.get()))
    if (name == entry->d_name) return true;
  return false;
}

std::string onDiskSpelling(const std::string& path) {
  std::string out = path.starts_with('/') ? "/" : "";
  std::size_t pos = 0;
  while (pos < path.size()) {
    std::size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(pos, end - pos);
    pos = end + 1;
    if (name.empty()) continue;
    if (name != "." && name != "..") {
      const std::string dir = out.empty() ? "." : out;
      if (isOnFuse(dir)) name = listedSpelling(dir, name);
    }
    if (!out.empty() && out.back() != '/') out += '/';
    out += name;
  }
  return out.empty() ? path : out;
}

}  // namespace detail

std::optional<FileIdentity> fileIdentity(const std::string& path) {
  return detail::identityOf(path, true);
}

std::optional<FileIdentity> lfileIdentity(const std::string& path) {
  return detail::identityOf(path, false);
}

bool folderWithin(const std::string& inner, const std::string& outer) {
  const auto target = fileIdentity(outer);
  if (!target || inner.empty()) return false;
  for (std::string folder = canonicalPath(inner);; folder = detail::parentOf(folder)) {
    if (fileIdentity(folder) == target) return true;
    if (folder == "/" || folder == ".") return false;
  }
}

}  // namespace platform
