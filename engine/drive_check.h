// What the drives can take of a plan, worked out before the first change:
// files a drive cannot hold (too large, or a name Windows cannot open) are
// refused one by one and never attempted, and a run whose data does not fit
// in the free space does not start. Pure: what it knows of the drives comes
// in as TDriveRoom values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/sync_plan.h"
#include "platform/drives.h"

// Whether a drive of a Windows file system refuses the name (one component)
// or Windows cannot open it: one of "*/:<>?\|, a control character, a
// trailing dot or blank, or a device name (CON, PRN, AUX, NUL, COM1-COM9,
// LPT1-LPT9), with or without an extension, in any letter case.
bool WindowsRefusesName(std::string_view name);
// The same for every component of a path below a root.
bool WindowsRefusesPath(std::string_view relative);

// One drive as the check sees it.
struct TDriveRoom {
  platform::DriveFormat Format;
  std::int64_t Free = -1;  // bytes an ordinary user may write; below 0 unknown
  std::int64_t Block = 0;  // every file takes whole blocks; 0 unknown
  // Equal for two roots on one drive; empty when unknown.
  std::string Drive;
};

// The root's drive, asked of the system.
TDriveRoom DriveRoomOf(const std::string& root);

enum class TRefusal { TooLarge, BadName };

struct TRefused {
  TRefusal Kind;
  // In full-width parentheses, as error lines carry their reason.
  std::string Reason;
};

// The data a run writes on one drive, in whole blocks, and what it gives
// back there by deleting or replacing files when no old versions are kept.
struct TSpaceNeed {
  std::int64_t Write = 0;
  std::int64_t Freed = 0;
  std::int64_t Free = -1;  // below 0: unknown, never short
  std::int64_t Available() const { return Free + Freed; }
  bool Short() const { return Free >= 0 && Write > Available(); }
};

struct TPlanCheck {
  // By the plan's entry: source entries of updates, new files, new folders
  // and renames; target entries of files newer in the target and of what is
  // copied back.
  std::unordered_map<const TFileInfo*, TRefused> Refused;
  // Both sides on one drive are counted on the target's.
  TSpaceNeed Target, Source;

  const TRefused* RefusalOf(const TFileInfo* entry) const {
    const auto found = Refused.find(entry);
    return found == Refused.end() ? nullptr : &found->second;
  }
};

// Checks every step of the plan that writes a file or a name onto a drive
// against that drive, under the strategies in force. KeepVersions: the
// run's deletions and replacements stay on the drive as old versions.
TPlanCheck CheckPlan(const TSyncPlan& Plan, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly, bool KeepVersions,
                     std::size_t SourceRootLength, std::size_t TargetRootLength, const TDriveRoom& Source,
                     const TDriveRoom& Target);

// A size for people: "512字节", "1.5KB", "12.0MB", "3.9GB"; the last
// digit rounded as asked.
enum class TRounding { Nearest, Up, Down };
std::string SizeText(std::int64_t bytes, TRounding Rounding = TRounding::Nearest);

// The line that ends a run whose data does not fit (the target's drive
// first); where the two sizes would read alike, the need is rounded up and
// the room down. Empty when both have room.
std::string ShortageLine(const TPlanCheck& Check);
