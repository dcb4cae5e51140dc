// Which file or folder a name leads to: device and inode number. Two paths
// name the same file when their identities are equal.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

struct FileIdentityHash {
  std::size_t operator()(const FileIdentity& id) const noexcept {
    return std::hash<std::uint64_t>{}(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
  }
};

}  // namespace platform
