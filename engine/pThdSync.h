// The sync job: one object per synchronisation, running on its own thread.
// It is created suspended by the window, given the window's handle and the
// kind of job, and started; it reports every step to that window through the
// progress messages, and deletes itself on its own thread when done. If the
// window was closed meanwhile (CloseAfterSync), its destruction posts the
// close command back to the window.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/big_change.h"
#include "engine/drive_check.h"
#include "engine/entry_comparer.h"
#include "engine/job_folder_locks.h"
#include "engine/job_outcome.h"
#include "engine/job_settings.h"
#include "engine/sync_plan.h"
#include "engine/time_match.h"
#include "inventory/inventory_list.h"
#include "inventory/inventory_scan.h"
#include "inventory/pglobal.h"
#include "platform/entry_state.h"

class ThdSync {
 public:
  // Takes a copy of the configuration's folders, filter and strategies (see
  // job_settings.h) and sets SyncRunning. With CreateSuspended false the
  // thread starts at once. Window thread.
  ThdSync(bool CreateSuspended, TJobSettings settings);
  ThdSync(const ThdSync&) = delete;
  ThdSync& operator=(const ThdSync&) = delete;

  platform::HWND WinHandle() const { return FWinHandle; }
  void SetWinHandle(platform::HWND handle) { FWinHandle = handle; }
  TSyncType SyncType = TSyncType::AutoSync;
  // A preview: scans, decides and plans as a run does, then shows the lines
  // the run would write instead of carrying the plan out; nothing on either
  // side changes. Before Start.
  bool DryRun = false;
  // The locks on the job's folders (LockJobFolders), released when the job
  // is destroyed. Before Start.
  void HoldFolderLocks(TJobFolderLocks locks) { folderLocks_ = std::move(locks); }
  // Where the job keeps its outcome, for the caller to read while it runs
  // and after it ended (its End is set before WM_SYNCEND). Before Start; a
  // job without one keeps its outcome to itself.
  void SetReport(std::shared_ptr<TJobReport> report) { report_ = std::move(report); }

  // Asks whether a big run (big_change.h) goes ahead, on the job's thread,
  // after planning and before the first change; false ends the job with
  // nothing changed. Before Start; a job without one does not ask.
  void SetConfirm(std::function<bool(const TBigChange&)> confirm) { confirm_ = std::move(confirm); }

  // Starts the thread. From then on the object belongs to itself: the caller
  // must not touch it again. Calling Start twice does nothing.
  void Start();

  // Destroys a job that was never started (a started job deletes itself).
  static void Discard(ThdSync* job) { if (job && !job->started_) delete job; }

  // Waits until every started job has returned from its thread body and been
  // destroyed; true when none is left within the timeout. For the command
  // line and tests, which must not end the process under a running job.
  static bool WaitForAllJobs(std::chrono::milliseconds timeout);

 private:
  ~ThdSync();

  static void ThreadBody(ThdSync* job);
  void Execute();
  void NoAutoExecute();
  void AutoExecute();
  bool ScanAndDecide(TInventoryList& SourceList, TInventoryList& TargetList, std::string& SourceRoot,
                     std::string& TargetRoot);
  void ApplyChanges(TInventoryList& SourceList, TInventoryList& TargetList, const TEntryComparer& Comparer,
                    const std::string& SourceRoot, const std::string& TargetRoot);
  // A dry run's end: the plan's lines, marked, and the closing line.
  void ShowPreview(const TSyncPlan& Plan, const TPlanCheck& Check, TNewerInTarget NewerInTarget, TTargetOnly TargetOnly,
                   const std::string& SourceRoot, const std::string& TargetRoot);

  // The failure line, and the outcome that says so.
  void Fail(const std::string& line, const platform::OsStatus& why);
  // Sets the outcome's end unless one is set already.
  void End(TJobEnd how);

  // Log lines to the window (blocking sends).
  void LogLine(const std::string& text) const;
  void TimedLine(const std::string& text) const;
  void LogAppend(const std::string& text) const;
  void Send(platform::UINT msg, platform::WPARAM wParam = 0) const;

  // Whole seconds since the scan began, as the closing lines show them.
  long long ElapsedSeconds() const;

  platform::HWND FWinHandle = 0;
  TJobSettings settings_;
  // The records of the two inventories, owned by the job (one store per
  // folder, since the two scans run side by side).
  TFileStore diskRecords_;
  TFileStore usbRecords_;
  TDateTime SyncStartTime = 0;
  bool started_ = false;
  // Folders of either side whose contents the scan could not list: their
  // full paths for the error lines, and their paths below the root, in and
  // under which change application changes nothing (what it cannot see it
  // must not take for deleted).
  std::vector<TUnreadFolder> unreadFolders_;
  std::vector<std::string> unreadRelative_;
  // The target's files that the type filter left out, and the moment the
  // scan began: a folder the run removes takes along only what was there then.
  TInventoryList targetFiltered_;
  platform::StampTime scanStamp_;
  // The source holds a way into the target (a link or mount), which its
  // walk did not enter: entries only the target holds stay.
  bool sourceHoldsTarget_ = false;
  TJobFolderLocks folderLocks_;
  std::function<bool(const TBigChange&)> confirm_;
  // The file whose time decided an automatic run's direction.
  TDecidingFile decidingFile_;
  // How the two drives' times match, found when the scan begins.
  TTimeMatch timeMatch_;
  // Whether a big run may go ahead (asks confirm_); false ends the job.
  bool ConfirmBigChange(const TBigChange& change);
  std::shared_ptr<TJobReport> report_ = std::make_shared<TJobReport>();
};
