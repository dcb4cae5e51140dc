// The file-type filter the walk applies: every folder passes; a file passes
// when the list of monitored types is empty or one of its masks matches the
// file's extension, and no mask of the list of types not monitored matches
// it (that list wins). List entries are extension patterns with or without
// their leading dot ("txt", ".txt", "do?", "[ab]*"); see file_mask.h.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/MyGetFiles.h"
#include "inventory/file_mask.h"

// The part of name from its last "." on, ASCII upper case ("." alone for a
// trailing dot); empty when name has no ".".
std::string FileExtension(std::string_view name);

// The mask text of a list entry: ASCII upper case, "." in front unless the
// entry begins with one.
std::string TypeMaskText(std::string_view entry);

// One walk's filter. It keeps references to the two lists, which must
// outlive it. Each entry's mask is read the first time a file reaches that
// entry and kept while the entry's text stays the same. Not thread-safe: one
// walk, one thread, and the lists must not change during a call.
class TFileTypeFilter {
 public:
  TFileTypeFilter(const std::vector<std::string>& AllowList,
                  const std::vector<std::string>& NoAllowList);

  // Raises EMaskException "'%s' is an invalid mask at (%d)" when a file
  // reaches an entry whose mask is invalid (entries before it that match end
  // the pass first, so they never reach it).
  bool Accepts(std::string_view name, bool isFolder);

 private:
  struct CachedMask {
    std::string source;  // the list entry the mask was read from
    std::optional<TMask> mask;
  };
  using MaskCache = std::vector<CachedMask>;
  bool anyMatches(const std::vector<std::string>& list, MaskCache& cache,
                  std::string_view extension);

  const std::vector<std::string>& allowList_;
  const std::vector<std::string>& noAllowList_;
  MaskCache allowMasks_;
  MaskCache noAllowMasks_;
};

// The filter as the walk's predicate; it holds the lists by reference.
TMyDirectory::TFilterPredicate MakeFileTypeFilter(const std::vector<std::string>& AllowList,
                                                  const std::vector<std::string>& NoAllowList);
