// The drive of a path on Linux: the longest matching mount point of
// /proc/self/mountinfo.
// Linux-only: the file /proc/self/mountinfo and its line format.
#include <cerrno>
#include <filesystem>
#include <sstream>

#include "platform/linux/mount_table.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

// The kernel writes blanks, tabs, newlines and backslashes of names as \ooo.
std::string decodeField(std::string_view field) {
  const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
        isOctal(field[i + 2]) && isOctal(field[i + 3])) {
      out.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                      (field[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(field[i]);
  }
  return out;
}

// One line: id parent major:minor root mountpoint options [optional...] - fstype source superoptions
bool parseLine(const std::string& line, detail::MountEntry& entry) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string field; in >> field;) fields.push_back(std::move(field));
  std::size_t dash = 6;
  while (dash < fields.size() && fields[dash] != "-") ++dash;
  if (fields.size() < 5 || dash + 2 >= fields.size()) return false;
  entry.device = fields[2];
  entry.mountPoint = decodeField(fields[4]);
  entry.fsType = decodeField(fields[dash + 1]);
  entry.source = decodeField(fields[dash + 2]);
  return !entry.mountPoint.empty() && entry.mountPoint.front() == '/';
}

bool coversPath(const std::string& mountPoint, const std::string& path) {
  if (mountPoint == "/") return true;
  if (path.compare(0, mountPoint.size(), mountPoint) != 0) return false;
  return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

}  // namespace

namespace detail {

OsResult<std::vector<MountEntry>> readMountTable(const MachinePaths& machine) {
  auto text = readWholeFile(machine.mountInfo);
  if (!text.ok()) return {{}, text.status};
  OsResult<std::vector<MountEntry>> result;
  std::istringstream in(text.value);
  for (std::string line; std::getline(in, line);) {
    MountEntry entry;
    if (parseLine(line, entry)) result.value.push_back(std::move(entry));
  }
  return result;
}

}  // namespace detail

std::string canonicalPath(std::string_view path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(path), ec).lexically_normal();
  if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();  // drop a trailing "/"
  fs::path rest;
  for (;;) {
    const fs::path resolved = fs::canonical(p, ec);
    if (!ec) return (rest.empty() ? resolved : (resolved / rest).lexically_normal()).string();
    if (!p.has_relative_path()) return (p / rest).lexically_normal().string();
    rest = rest.empty() ? p.filename() : p.filename() / rest;
    p = p.parent_path();
  }
}

namespace detail {

OsResult<MountEntry> mountOf(std::string_view path, const MachinePaths& machine) {
  auto table = readMountTable(machine);
  if (!table.ok()) return {{}, table.status};
  const std::string canonical = canonicalPath(path);
  const MountEntry* best = nullptr;
  for (const auto& entry : table.value) {
    // ">=" so that a later mount over the same point wins.
    if (coversPath(entry.mountPoint, canonical) &&
        (!best || entry.mountPoint.size() >= best->mountPoint.size()))
      best = &entry;
  }
  if (!best) return {{}, OsStatus::fromErrno(ENOENT, "find mount of", canonical)};
  return {*best, {}};
}

}  // namespace detail

OsResult<std::string> driveRootOf(std::string_view path, const MachinePaths& machine) {
  auto mount = detail::mountOf(path, machine);
  if (!mount.ok()) return {{}, mount.status};
  std::string root = mount.value.mountPoint;
  if (root.back() != '/') root.push_back('/');
  return {root, {}};
}

}  // namespace platform
