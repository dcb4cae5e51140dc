// Carrying out a plan on disk, one phase at a time, in the order of the
// log: renames, updates, new folders, new files, files newer in the target,
// then what only the target holds. Every phase writes its own lines and
// numbered error lines; a phase that finds StopSync set at one of its stop
// checks returns true and the rest is not done. What the run wrote is
// flushed by Flush, or on destruction, whichever way the run ends. Every
// step that succeeds and every error line is counted in the report.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/drive_check.h"
#include "engine/flush_changes.h"
#include "engine/job_outcome.h"
#include "engine/sync_plan.h"
#include "engine/version_store.h"
#include "inventory/inventory_scan.h"
#include "platform/entry_state.h"
#include "platform/messages.h"

class TPlanActions {
 public:
  using TLineSink = std::function<void(const std::string&)>;
  TPlanActions(TSyncPlan& Plan, const std::string& SourceRoot, const std::string& TargetRoot,
               platform::HWND Window, TLineSink TimedLine, TJobReport& Report);
  ~TPlanActions();
  TPlanActions(const TPlanActions&) = delete;
  TPlanActions& operator=(const TPlanActions&) = delete;

  // Where the old versions of what the run deletes or overwrites go, on the
  // target and on the source side; none (the default) deletes and
  // overwrites outright. Before the first phase.
  void KeepVersions(TVersionStore* Target, TVersionStore* Source);
  // One line per side that kept old versions: how many files, and where.
  void ReportVersions();

  // What the drives cannot hold: those steps are not attempted, each is an
  // error line with its reason. Before the first phase; Check must outlive
  // the phases.
  void Refuse(const TPlanCheck& Check);

  void ReportUnread(const std::vector<TUnreadFolder>& Unread);
  // Folders that differ from the source's only in letter case take its
  // spelling; where the drive refuses, an error line, and the two spellings
  // stay paired as one folder.
  void RespellFolders();
  void Renames();
  bool Updates();
  bool NewFolders();
  bool NewFiles();
  bool NewerInTarget(TNewerInTarget Strategy);
  // Filtered: the target's files that the type filter left out; ScanStart:
  // when the scan began; Unread: folders the scan could not read.
  bool DeleteTargetOnly(const TInventoryList& Filtered, platform::StampTime ScanStart,
                        const std::vector<TUnreadFolder>& Unread);
  bool CopyBackTargetOnly();
  // Flushes what the run changed; a drive that refuses is an error line.
  void Flush();

  // The numbered error lines so far.
  const std::vector<std::string>& Errors() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
