// The texts of the window's two questions, shared by the Qt and the Win32
// window: after a preview, whether to start the sync it showed; before a big
// run, whether it goes ahead. Qt-free.
#pragma once

#include <optional>
#include <string>

#include "engine/big_change.h"
#include "engine/job_outcome.h"

inline constexpr char kPreviewQuestionCaption[] = "CorvelDrovan";
inline constexpr char kBigChangeCaption[] = "确认同步";

struct TPreviewOffer {
  // The direction the preview took: the sync to start is the forced one in
  // it, so that a file changed since cannot turn the sync round.
  bool DiskIsSource = false;
  std::string Text;
};

// The question after a preview whose outcome is given, `diskFolder` the disk
// folder box; none when it did not end as a preview or found nothing to do.
std::optional<TPreviewOffer> PreviewOffer(const TJobOutcome& outcome, const std::string& diskFolder);

// The question's text: the counts per kind, the folders and the reasons.
std::string BigChangeQuestionText(const TBigChange& change);
