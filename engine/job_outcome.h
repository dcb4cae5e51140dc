// How a job ended and what it did, as values: the window, the command line
// and the tests read this, never the wording of the log. The job fills a
// TJobReport as it goes; others read it at any time (a live progress
// display) or once the job has ended.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os_status.h"

// Counts of the steps of a change application. Planned: what the plan
// holds for the strategies in force; done: the steps that succeeded.
struct TJobWork {
  std::int64_t Renamed = 0;
  std::int64_t Updated = 0;          // target files replaced by the source's
  std::int64_t FoldersCreated = 0;   // in the target
  std::int64_t Copied = 0;           // source-only files copied over
  std::int64_t NewerInTarget = 0;    // same-named files newer in the target, replaced or copied back
  std::int64_t Deleted = 0;          // target-only files
  std::int64_t FoldersDeleted = 0;   // target-only folders
  std::int64_t FoldersCopiedBack = 0;
  std::int64_t CopiedBack = 0;       // target-only files copied to the source
  std::int64_t CopyBytes = 0;        // the data of every copy

  // Every step, of whichever kind.
  std::int64_t Items() const {
    return Renamed + Updated + FoldersCreated + Copied + NewerInTarget + Deleted + FoldersDeleted +
           FoldersCopiedBack + CopiedBack;
  }
  // The steps that copy a file.
  std::int64_t Copies() const { return Updated + Copied + NewerInTarget + CopiedBack; }
};

enum class TJobEnd {
  Running,  // not ended yet
  Done,     // ended on its closing line (errors may have been reported)
  InStep,   // the folders were found in step: nothing to do
  Stopped,  // the stop line ended it
  Failed,   // the failure line ended it
  Previewed,     // a dry run: planned and shown, nothing changed
  NotConfirmed,  // a big deletion the user did not confirm: nothing changed
};

// One numbered error line and, where the system gave one, its cause.
struct TJobError {
  std::string Line;  // as the log shows it, number and reason included
  platform::OsStatus Status;
};

struct TJobOutcome {
  TJobEnd End = TJobEnd::Running;
  // The failure line's words after its time, and the system's own account
  // where the failure came from a call into it.
  std::string Failure;
  platform::OsStatus FailureStatus;
  std::vector<TJobError> Errors;
  // The two roots, source first, once the source is decided.
  std::string SourceRoot, TargetRoot;
  TJobWork Planned;
  TJobWork Done;
};

// What a live display needs, without the texts.
struct TJobProgress {
  TJobEnd End = TJobEnd::Running;
  std::size_t Errors = 0;
  TJobWork Planned;
  TJobWork Done;
};

// The outcome of one job, shared between the job's thread and its readers.
class TJobReport {
 public:
  TJobOutcome Outcome() const {
    std::lock_guard lock(mutex_);
    return outcome_;
  }
  TJobProgress Progress() const {
    std::lock_guard lock(mutex_);
    return {outcome_.End, outcome_.Errors.size(), outcome_.Planned, outcome_.Done};
  }
  // Changes the outcome under the lock (the job's thread).
  template <class Change>
  void Update(Change&& change) {
    std::lock_guard lock(mutex_);
    change(outcome_);
  }

 private:
  mutable std::mutex mutex_;
  TJobOutcome outcome_;
};
