// What a run has written on one side, by identity.
#pragma once

#include <optional>
#include <string>
#include <unordered_set>

#include "engine/file_ops.h"
#include "inventory/file_info.h"
#include "platform/file_ops.h"

// Everything this run has written: the files it copied or renamed, the
// folders it created, and every folder on their way down from the root. A
// later step never deletes one of them, and a second copy onto a file that
// this run already wrote is refused: on a drive that ignores letter case two
// different names can be one file.
class TWrittenEntries {
 public:
  explicit TWrittenEntries(std::string root) : root_(std::move(root)) {}

  // Records path (whose identity is known when given) and its folders.
  void Add(const std::string& path, std::optional<platform::FileIdentity> id = std::nullopt) {
    if (!id) id = platform::fileIdentity(path);
    if (id) ids_.insert(*id);
    std::size_t slash = path.rfind(PathDelim);
    while (slash != std::string::npos && slash > root_.size()) {
      std::string folder = path.substr(0, slash);
      if (!folders_.insert(folder).second) break;  // its own parents are in already
      if (auto folderId = platform::fileIdentity(folder)) ids_.insert(*folderId);
      slash = folder.rfind(PathDelim);
    }
  }
  // Whether the entry at path (not following a final link) is one of them.
  bool Contains(const std::string& path) const {
    if (ids_.empty()) return false;
    auto id = platform::lfileIdentity(path);
    return id && ids_.count(*id) != 0;
  }
  const TFileIdentitySet& Ids() const { return ids_; }
  bool Any() const { return !ids_.empty(); }

 private:
  std::string root_;
  TFileIdentitySet ids_;
  std::unordered_set<std::string> folders_;
};

