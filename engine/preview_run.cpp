// The end of a dry run: instead of carrying the plan out, the job sends the
// lines the run would write, marked, and says that nothing was changed.
#include <algorithm>

#include "engine/pThdSync.h"
#include "engine/plan_preview.h"
#include "platform/datetime.h"
#include "platform/entry_state.h"
#include "platform/file_ops.h"

void ThdSync::ShowPreview(const TSyncPlan& Plan, const TPlanCheck& Check, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly,
                          const std::string& SourceRoot, const std::string& TargetRoot) {
  TPreviewSettings settings;
  settings.SourceRoot = SourceRoot;
  settings.TargetRoot = TargetRoot;
  settings.NewerInTarget = NewerInTarget;
  settings.TargetOnly = TargetOnly;
  settings.Unread = unreadFolders_;
  settings.Stamp = platform::logStamp();
  settings.Check = &Check;
  TPreviewProbes probes;
  probes.IsLinkedFolder = [](const std::string& path) { return platform::isSymbolicLink(path); };
  // By identity, as the run tells what it wrote: another spelling of a
  // name on a drive that ignores letter case is the same entry. A name
  // that leads nowhere yet stands for itself.
  probes.EntryKey = [](const std::string& path) {
    if (const auto id = platform::lfileIdentity(path))
      return std::to_string(id->device) + ":" + std::to_string(id->inode);
    return "/" + path;
  };
  probes.Exists = [](const std::string& path) { return platform::examineEntry(path).exists; };
  // Sent in blocks: the pane splits them into the same lines, with a
  // fraction of the messages a large plan would take one by one.
  constexpr std::size_t kBlockLines = 256;
  const std::vector<std::string> lines = PreviewLines(Plan, settings, probes);
  for (std::size_t first = 0; first < lines.size(); first += kBlockLines) {
    if (StopSync) return;
    std::string block;
    for (std::size_t k = first; k < std::min(lines.size(), first + kBlockLines); ++k) {
      if (k != first) block += "\r\n";
      block += lines[k];
    }
    LogLine(block);
  }
  if (StopSync) return;
  TimedLine(std::string(kPreviewMark) + "预览结束，未做任何更改，用时" + std::to_string(ElapsedSeconds()) + "秒");
  End(TJobEnd::Previewed);
}
