// Whether a planned run deletes or overwrites so much that the user is asked
// first: what the plan would destroy on each side, by kind, set against the
// files each side held at the scan. A value, decided without a drive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/sync_plan.h"
#include "platform/messages.h"

// What a run would delete or overwrite, by kind. Target side: target-only
// files deleted (those in deleted folders included), older files updated,
// newer same-named files replaced; source side: source files overwritten by
// newer same-named target files copied back.
struct TLossCounts {
  std::int64_t Deleted = 0;
  std::int64_t Updated = 0;
  std::int64_t NewerReplaced = 0;
  std::int64_t CopiedBackOver = 0;

  std::int64_t InTarget() const { return Deleted + Updated + NewerReplaced; }
  std::int64_t InSource() const { return CopiedBackOver; }
  std::int64_t Total() const { return InTarget() + InSource(); }
};

// The file whose time decided the direction, when the automatic mode
// decided by newest file time.
struct TDecidingFile {
  bool Decided = false;       // the direction came from a newest file time
  bool InFuture = false;      // that time lies more than a day ahead
  std::string Relative;       // below the roots
};

struct TBigChange {
  TLossCounts Loss;
  std::int64_t SourceFiles = 0, TargetFiles = 0;  // files of each side at the scan
  std::string SourceRoot, TargetRoot;
  // Why the run is big; none: it is not.
  bool ManyFiles = false;      // at the threshold and more than half a side
  bool EmptySource = false;    // the source holds no file, the target some
  bool FutureTime = false;     // decided by a file time more than a day ahead
  std::string DecidingFile;    // that file, below the roots

  bool Big() const { return ManyFiles || EmptySource || FutureTime; }
};

// What the plan would delete or overwrite under the two strategies.
TLossCounts LossOf(const TSyncPlan& Plan, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly);

// Files (not folders) of an inventory.
std::int64_t FileCount(const TInventoryList& List);

// Judges a run. ConfirmFiles 0 never asks; nothing lost is never big.
TBigChange JudgeChange(const TLossCounts& Loss, std::int64_t SourceFiles, std::int64_t TargetFiles,
                       std::int32_t ConfirmFiles, const TDecidingFile& Decision);

// The question's lines: the two folders, each kind's count that is not 0,
// and the reasons.
std::vector<std::string> BigChangeLines(const TBigChange& Change);

// The window's question, sent from the job's thread beyond the nine
// progress messages: wParam the change's address (valid during the send);
// the answer 1 goes ahead, anything else does not.
inline constexpr platform::UINT WM_CONFIRMBIGCHANGE = platform::WM_USER + 10;  // 1034
inline platform::WPARAM bigChangeParam(const TBigChange& change) {
  return reinterpret_cast<platform::WPARAM>(&change);
}
inline const TBigChange& bigChangeFromParam(platform::WPARAM wParam) {
  return *reinterpret_cast<const TBigChange*>(wParam);
}
