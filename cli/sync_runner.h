// One synchronisation from the command line: the settings from the options
// and, where asked for, the configuration file; the job with a log pane that
// writes to standard output; the live progress line; the exit status.
#pragma once

#include <ostream>

#include "cli/options.h"
#include "platform/machine_paths.h"

enum ExitStatus : int {
  ExitDone = 0,
  ExitDoneWithErrors = 1,
  ExitJobFailed = 2,
  ExitNotConfirmed = 3,
  ExitUsage = 64,
  ExitStopped = 130,
};

// Runs the job and returns the exit status. Log lines go to out, the
// configuration's refusals and the progress line to err (the progress line
// only when showProgress). SIGINT, SIGTERM and SIGHUP stop the job, and so
// does a failed write to out (a closed pipe: SIGPIPE is ignored meanwhile).
// ExitStopped means the job did stop (its stop line is the log's last, when
// out still takes it), while a stop that came too late to stop anything
// leaves the run's own status. A folder that another job holds (see
// job_folder_locks.h) is ExitJobFailed with the reason on err; an empty
// folder is ExitUsage with "请设置好同步文件夹". With dryRun the log is the
// preview and nothing changes: ExitDone, or how the job failed or stopped.
int RunSync(const CliOptions& options, std::ostream& out, std::ostream& err, bool showProgress,
            const platform::MachinePaths& machine = {});
