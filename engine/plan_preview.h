// The lines a change application would write for a plan, worked out without
// carrying out a step: what a dry run shows in place of the run. Pure: what
// it needs to know of the drives comes through the probes, so it can be
// tested on inventories built in memory.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/drive_check.h"
#include "engine/sync_plan.h"
#include "inventory/inventory_scan.h"

// Every line of a preview carries it, right after its time (or first, on a
// line without one), so that no one takes the preview for a done run.
inline constexpr char kPreviewMark[] = "（预览）";

// What the preview asks of the drives, all by reading.
struct TPreviewProbes {
  // Whether the target's folder at path is a link (its entries stay where
  // they are: the run removes the link alone). None: no folder is.
  std::function<bool(const std::string& path)> IsLinkedFolder;
  // What names the entry at path: two paths with equal keys lead to one
  // entry (another spelling on a drive that ignores letter case). None: the
  // path itself.
  std::function<std::string(const std::string& path)> EntryKey;
  // Whether something is at path now (links followed). None: nothing is
  // but what the inventories hold.
  std::function<bool(const std::string& path)> Exists;
};

struct TPreviewSettings {
  std::string SourceRoot, TargetRoot;  // with their trailing delimiter
  TNewerInTarget NewerInTarget = TNewerInTarget::Keep;
  TTargetOnly TargetOnly = TTargetOnly::Keep;
  // The folders the scan could not read: the run reports them as errors.
  std::vector<TUnreadFolder> Unread;
  // The time the run's lines start with.
  std::string Stamp;
  // What the drives cannot take (drive_check.h); none: they take everything.
  const TPlanCheck* Check = nullptr;
};

// The run's lines for the plan, from the renames to the error summary (the
// closing line is the caller's), in the run's order, with the run's paths,
// each marked with kPreviewMark. A copy's line is as it shows when the copy
// begins, without its percentage. Every step is taken to succeed; what the
// run could only find out by acting (a copy that fails, a file changed
// meanwhile) is not foreseen; what the check refuses is. A run that would
// not fit on a drive shows its one line instead.
std::vector<std::string> PreviewLines(const TSyncPlan& Plan, const TPreviewSettings& Settings,
                                      const TPreviewProbes& Probes = {});

// A line of a preview without its mark, as the run would write it.
std::string WithoutPreviewMark(const std::string& line);
