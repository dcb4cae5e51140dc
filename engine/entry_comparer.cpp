#include "engine/entry_comparer.h"

#include <cmath>
#include <cstdlib>

#include "platform/collate.h"

int SecondsOfTimeDiff(TDateTime A, TDateTime B) {
  const double ms = std::nearbyint((A - B) * static_cast<double>(platform::MSecsPerDay));
  const auto whole = static_cast<long long>(std::llabs(static_cast<long long>(ms)) % platform::MSecsPerDay);
  return static_cast<int>(whole / 1000);
}

std::string_view RelativeKey(std::string_view key, std::size_t rootLength) {
  return key.substr(std::min(rootLength, key.size()));
}

namespace {

// The relative path of an entry without building a joined key when the
// record's Path already covers the root.
std::string relativePath(const TFileInfo& info, std::size_t rootLength) {
  std::string key;
  key.reserve(info.Path.size() + info.Name.size());
  key.append(info.Path).append(info.Name);
  return std::string(RelativeKey(key, rootLength));
}

}  // namespace

int TEntryComparer::operator()(const TFileInfo& S, const TFileInfo& T) const {
  const std::string relS = relativePath(S, aFirstDir_.size());
  const std::string relT = relativePath(T, aSecondDir_.size());
  const bool exact = relS == relT;

  if (S.Falg != T.Falg) {
    const int cmp = platform::compareText(relS, relT);
    if (S.Falg) return cmp > 0 ? TargetOnlyFile : SourceOnlyDir;
    return cmp > 0 ? TargetOnlyDir : SourceOnlyFile;
  }
  if (S.Falg) {
    if (exact) return Same;
    return platform::compareText(relS, relT) > 0 ? TargetOnlyDir : SourceOnlyDir;
  }
  if (!exact) return platform::compareText(relS, relT) > 0 ? TargetOnlyFile : SourceOnlyFile;

  if (S.Size == T.Size) {
    if (S.LastModifyTime == T.LastModifyTime) return Same;
    // FAT keeps times in 2-second steps; equal sizes within 3 s count as one file.
    const double seconds =
        std::fabs(S.LastModifyTime - T.LastModifyTime) * static_cast<double>(platform::MSecsPerDay) / 1000.0;
    if (std::trunc(seconds) <= 3) return Same;
  }
  // Different sizes always mean a change; at an identical time the source,
  // the reference of the run, wins.
  return S.LastModifyTime >= T.LastModifyTime ? SourceNewer : TargetNewer;
}
