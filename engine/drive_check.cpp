#include "engine/drive_check.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {

bool ForbiddenChar(unsigned char c) {
  if (c >= 1 && c <= 31) return true;
  switch (c) {
    case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '\\': case '|': return true;
    default: return false;
  }
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Windows opens these as devices, whatever follows the first dot; blanks
// before the dot do not help either.
bool DeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper;
  for (char c : base) upper += Upper(c);
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view device : kPlain)
    if (upper == device) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

std::int64_t InBlocks(std::int64_t bytes, std::int64_t block) {
  if (block <= 0 || bytes <= 0) return bytes > 0 ? bytes : 0;
  return (bytes + block - 1) / block * block;
}

std::string TooLargeReason(const platform::DriveFormat& format) {
  if (format.kind == platform::FileSystemKind::Fat) return "（文件超过4GB，FAT32 U盘不能存放）";
  return "（文件太大，超过U盘文件系统的上限）";
}

class Checker {
 public:
  Checker(TPlanCheck& check, bool keepVersions, const TDriveRoom& source, const TDriveRoom& target)
      : check_(check), keepVersions_(keepVersions), source_(source), target_(target) {
    check_.Target.Free = target.Free;
    check_.Source.Free = source.Free;
    sameDrive_ = !source.Drive.empty() && source.Drive == target.Drive;
    if (sameDrive_) check_.Source.Free = -1;
  }

  // A file of size written onto a side, with a new name there (the name is
  // checked too) or over a file of replacedSize (0: nothing replaced).
  void file(const TFileInfo* entry, bool ontoTarget, std::int64_t size, const std::string* newName,
            std::int64_t replacedSize) {
    const TDriveRoom& room = ontoTarget ? target_ : source_;
    if (room.Format.maxFileSize > 0 && size > room.Format.maxFileSize) {
      check_.Refused.emplace(entry, TRefused{TRefusal::TooLarge, TooLargeReason(room.Format)});
      return;
    }
    if (newName && refusedName(entry, room, *newName)) return;
    TSpaceNeed& need = side(ontoTarget);
    need.Write += InBlocks(size, room.Block);
    if (!keepVersions_) need.Freed += InBlocks(replacedSize, room.Block);
  }
  void folder(const TFileInfo* entry, bool ontoTarget, const std::string& relative) {
    const TDriveRoom& room = ontoTarget ? target_ : source_;
    if (refusedName(entry, room, relative)) return;
    side(ontoTarget).Write += room.Block;
  }
  void rename(const TFileInfo* source, const std::string& relative) { refusedName(source, target_, relative); }
  void deleted(const TFileInfo* entry) {
    if (!keepVersions_) check_.Target.Freed += InBlocks(entry->Size, target_.Block);
  }

 private:
  TSpaceNeed& side(bool ontoTarget) { return ontoTarget || sameDrive_ ? check_.Target : check_.Source; }
  bool refusedName(const TFileInfo* entry, const TDriveRoom& room, const std::string& relative) {
    if (room.Format.kind == platform::FileSystemKind::Other || !WindowsRefusesPath(relative)) return false;
    check_.Refused.emplace(entry, TRefused{TRefusal::BadName, "（文件名含有Windows不允许的字符或形式）"});
    return true;
  }

  TPlanCheck& check_;
  bool keepVersions_;
  const TDriveRoom& source_;
  const TDriveRoom& target_;
  bool sameDrive_ = false;
};

}  // namespace

bool WindowsRefusesName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name)
    if (ForbiddenChar(static_cast<unsigned char>(c))) return true;
  if (name.back() == '.' || name.back() == ' ') return true;
  return DeviceName(name);
}

bool WindowsRefusesPath(std::string_view relative) {
  std::size_t start = 0;
  while (start <= relative.size()) {
    const std::size_t end = std::min(relative.find(PathDelim, start), relative.size());
    if (WindowsRefusesName(relative.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

TPlanCheck CheckPlan(const TSyncPlan& Plan, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly, bool KeepVersions,
                     std::size_t SourceRootLength, std::size_t TargetRootLength, const TDriveRoom& Source,
                     const TDriveRoom& Target) {
  TPlanCheck check;
  Checker c(check, KeepVersions, Source, Target);
  for (const auto& [source, target] : Plan.Renames) {
    std::string relative = target->Relative(TargetRootLength);
    relative.resize(relative.size() - target->Name.size());
    c.rename(source, relative.append(source->Name));
  }
  for (const TFileInfo* e : Plan.Updates) c.file(e, true, e->Size, nullptr, Plan.Counterpart.at(e)->Size);
  for (const TFileInfo* e : Plan.NewFolders) c.folder(e, true, e->Relative(SourceRootLength));
  for (const TFileInfo* e : Plan.NewFiles) {
    const std::string relative = e->Relative(SourceRootLength);
    c.file(e, true, e->Size, &relative, 0);
  }
  for (const TFileInfo* e : Plan.NewerInTarget) {
    const TFileInfo* other = Plan.Counterpart.at(e);
    if (NewerInTarget == TNewerInTarget::Replace) c.file(e, true, other->Size, nullptr, e->Size);
    if (NewerInTarget == TNewerInTarget::CopyBack) c.file(e, false, e->Size, nullptr, other->Size);
  }
  if (TargetOnly == TTargetOnly::Delete)
    for (const TFileInfo* e : Plan.TargetOnlyFiles) c.deleted(e);
  if (TargetOnly == TTargetOnly::CopyBack) {
    for (const TFileInfo* e : Plan.TargetOnlyFolders) c.folder(e, false, e->Relative(TargetRootLength));
    for (const TFileInfo* e : Plan.TargetOnlyFiles) {
      const std::string relative = e->Relative(TargetRootLength);
      c.file(e, false, e->Size, &relative, 0);
    }
  }
  return check;
}

std::string SizeText(std::int64_t bytes, TRounding Rounding) {
  if (bytes < 1024) return std::to_string(bytes) + "字节";
  static constexpr std::array<const char*, 4> kUnits = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < kUnits.size()) {
    value /= 1024;
    ++unit;
  }
  if (Rounding == TRounding::Up) value = std::ceil(value * 10) / 10;
  if (Rounding == TRounding::Down) value = std::floor(value * 10) / 10;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%s", value, kUnits[unit]);
  return text;
}

std::string ShortageLine(const TPlanCheck& Check) {
  for (const auto& [need, drive] : {std::pair{&Check.Target, "目标磁盘"}, std::pair{&Check.Source, "源磁盘"}}) {
    if (!need->Short()) continue;
    std::string write = SizeText(need->Write), room = SizeText(need->Available());
    if (write == room) {
      write = SizeText(need->Write, TRounding::Up);
      room = SizeText(need->Available(), TRounding::Down);
    }
    return std::string(drive) + "空间不足：需要写入" + write + "，可用" + room + "，未同步，没有改动任何文件";
  }
  return {};
}
