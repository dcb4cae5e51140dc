#include "engine/entry_comparer.h"

#include <cmath>
#include <cstdlib>

#include "platform/collate.h"

int SecondsOfTimeDiff(TDateTime A, TDateTime B) {
  const std::int64_t ms = platform::millisecondsBetween(A, B);
  const auto whole = static_cast<long long>(std::llabs(ms) % platform::MSecsPerDay);
  return static_cast<int>(whole / 1000);
}

namespace {

// The order of two relative paths, built in buffers of this thread so the
// many comparisons of a planning pass allocate nothing.
int compareRelative(const TFileInfo& S, std::size_t sRoot, const TFileInfo& T, std::size_t tRoot) {
  thread_local std::string relS, relT;
  relS.clear();
  relT.clear();
  S.AppendRelative(relS, sRoot);
  T.AppendRelative(relT, tRoot);
  return platform::compareText(relS, relT);
}

}  // namespace

int TEntryComparer::operator()(const TFileInfo& S, const TFileInfo& T) const {
  const std::size_t sRoot = aFirstDir_.size(), tRoot = aSecondDir_.size();
  const bool exact = RelativeEquals(S, sRoot, T, tRoot);
  auto order = [&] { return compareRelative(S, sRoot, T, tRoot); };

  if (S.Falg != T.Falg) {
    const int cmp = order();
    if (S.Falg) return cmp > 0 ? TargetOnlyFile : SourceOnlyDir;
    return cmp > 0 ? TargetOnlyDir : SourceOnlyFile;
  }
  if (S.Falg) {
    if (exact) return Same;
    return order() > 0 ? TargetOnlyDir : SourceOnlyDir;
  }
  if (!exact) return order() > 0 ? TargetOnlyFile : SourceOnlyFile;

  if (S.Size == T.Size) {
    if (S.LastModifyTime == T.LastModifyTime) return Same;
    // FAT keeps times in 2-second steps; equal sizes within 3 s count as one file.
    if (std::llabs(platform::millisecondsBetween(S.LastModifyTime, T.LastModifyTime)) / 1000 <= 3) return Same;
    // A FAT stick moved to another time zone.
    if (times_.Same(S.LastModifyTime, T.LastModifyTime, true)) return Same;
  }
  // Different sizes always mean a change; at one time (as the coarser drive
  // keeps it) the source, the reference of the run, wins.
  return times_.Order(S.LastModifyTime, T.LastModifyTime) >= 0 ? SourceNewer : TargetNewer;
}
