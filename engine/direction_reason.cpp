#include "engine/direction_reason.h"

#include "platform/datetime.h"

std::string DirectionReasonLine(const TFileInfo& newest, std::size_t newestRoot, const TInventoryList& other,
                                std::size_t otherRoot, bool diskDecided, TDateTime now, TDecidingFile& decision) {
  decision.Decided = true;
  decision.Relative = newest.Relative(newestRoot);
  // A day is 1.0; a clock a few hours off is common between computers.
  decision.InFuture = newest.LastModifyTime > now + 1.0;
  const TFileInfo* same = nullptr;
  for (std::size_t i = 0; i < other.Count() && !same; ++i) {
    const TFileInfo* f = other.Objects(i);
    if (!f->Falg && RelativeEquals(newest, newestRoot, *f, otherRoot)) same = f;
  }
  const char* here = diskDecided ? "硬盘监测文件夹" : "U盘监测文件夹";
  const char* there = diskDecided ? "U盘监测文件夹" : "硬盘监测文件夹";
  std::string line = "决定同步源的文件：" + decision.Relative + "，" + here + "中为" +
                     platform::dateTimeToStr(newest.LastModifyTime);
  if (decision.InFuture) line += "（晚于现在一天以上）";
  line += std::string("，") + there;
  line += same ? "中为" + platform::dateTimeToStr(same->LastModifyTime) : std::string("中没有（仅此一处）");
  return line;
}
