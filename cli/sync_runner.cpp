#include "cli/sync_runner.h"

#include <chrono>
#include <memory>
#include <optional>

#include "cli/progress_meter.h"
#include "cli/stream_log_lines.h"
#include "config/pIniReg.h"
#include "config/pOstSync.h"
#include "config/string_list.h"
#include "engine/big_change.h"
#include "engine/job_folder_locks.h"
#include "engine/job_outcome.h"
#include "engine/message_renderer.h"
#include "engine/pThdSync.h"
#include "platform/exceptions.h"
#include "platform/full_path.h"
#include "platform/stop_requests.h"

namespace {

void applyOverrides(const CliOptions& o, TJobSettings& s) {
  auto items = [](const std::string& text) {
    TStringList list;
    list.Delimiter = ';';
    list.SetDelimitedText(text);
    return list.Items();
  };
  if (o.types) s.SyncFilesList = items(*o.types);
  if (o.skipTypes) s.NoSyncFilesList = items(*o.skipTypes);
  if (o.types || o.skipTypes) s.AllSync = false;
  if (o.sameNewer) s.WhenSyncedFolderHasNewSameFile = *o.sameNewer;
  if (o.targetOnly) s.WhenSyncedFolderHasNewFile = *o.targetOnly;
  if (o.noVersions) s.KeepVersions = false;
  if (o.fatHours) s.FatHours = *o.fatHours;
}

// Empty, or blanks and control characters only, as the window judges its
// folder boxes.
bool blank(const std::string& text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) > 0x20) return false;
  return true;
}

std::string absolute(const std::string& path) {
  if (path.empty()) return path;
  const platform::FullPathResult full = platform::expandFullPath(path);
  return full.error ? path : full.path;
}

// The window takes the defaults for a configuration file it cannot read
// without a word; the command line says why, in one line.
void reportUnreadConfig(const TOstiniFileAction& ini, std::ostream& err) {
  const platform::OsStatus& status = ini.LoadError();
  if (status.ok()) return;
  err << "drovan-sync: ";
  if (status.code == std::errc::invalid_argument)
    err << "the configuration file " << status.path << " is not a regular file";
  else if (status.code == std::errc::file_too_large)
    err << "the configuration file " << status.path << " is larger than "
        << (platform::kProfileFileMaxBytes >> 20) << " MiB";
  else
    err << "cannot read the configuration file: " << platform::describe(status);
  err << "; the defaults apply\n";
}

// Settings of this run; false (with the refusal on err) when the program may
// not run from where it lies.
bool buildSettings(const CliOptions& o, const platform::MachinePaths& machine, std::ostream& err,
                   TJobSettings& s) {
  platform::MachinePaths paths = machine;
  if (o.config) paths.configFile = *o.config;
  if (o.disk && o.usb) {
    // Full paths, as the window's folder boxes hold them, so every log line
    // names a file unambiguously.
    s.DFolderPath = absolute(*o.disk);
    s.UFolderAbsPath = absolute(*o.usb);
    if (o.config) {
      const TOstiniFileAction ini(paths);
      reportUnreadConfig(ini, err);
      TakeConfigOptions(ini, s);
    }
  } else {
    // The window's refusal, as a failure of this run.
    const std::optional<std::string> root = RemovableProgramDriveRoot(paths);
    if (!root) {
      err << "对不起，请把本程序放至到U盘上使用!\n";
      return false;
    }
    const TOstSyncAction action(paths, *root);
    reportUnreadConfig(action.Ostini(), err);
    s = JobSettingsFrom(action);
  }
  applyOverrides(o, s);
  return true;
}

// The system's own account of each failure, for --verbose: the error
// lines' number, then what the call said.
void reportCauses(const TJobOutcome& outcome, std::ostream& err) {
  for (const TJobError& error : outcome.Errors) {
    if (error.Status.ok()) continue;
    const std::size_t number = error.Line.find("、");
    err << "drovan-sync: " << error.Line.substr(0, number) << ": " << platform::describe(error.Status) << '\n';
  }
  if (outcome.End == TJobEnd::Failed && !outcome.FailureStatus.ok())
    err << "drovan-sync: failed: " << platform::describe(outcome.FailureStatus) << '\n';
}

}  // namespace

int RunSync(const CliOptions& options, std::ostream& out, std::ostream& err, bool showProgress,
            const platform::MachinePaths& machine) {
  TJobSettings settings;
  if (!buildSettings(options, machine, err, settings)) return ExitJobFailed;
  // The window's own refusal for a folder box left empty.
  const bool givenBlank = (options.disk && blank(*options.disk)) || (options.usb && blank(*options.usb));
  if (givenBlank || blank(settings.DFolderPath) || blank(settings.UFolderAbsPath)) {
    err << "请设置好同步文件夹\n";
    return ExitUsage;
  }
  // Another job on either folder: this run starts nothing.
  TJobFolderLocks locks;
  try {
    locks = LockJobFolders(settings);
  } catch (const Exception& e) {
    err << e.what() << '\n';
    return ExitJobFailed;
  }

  StreamLogLines pane(out);
  MemoryControls controls;
  MessageRenderer renderer(pane, controls);
  const auto report = std::make_shared<TJobReport>();
  ProgressMeter progress(err, *report);

  auto receiver = std::make_shared<platform::InlineReceiver>(
      [&](platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) -> platform::LRESULT {
        // The progress line gives way to every log line and is drawn again
        // below it.
        const bool addsLine = msg >= WM_COPYSTOPPED && msg <= WM_LOGLINE && msg != WM_COPYPROGRESS;
        if (showProgress && addsLine) progress.clear();
        renderer.handle(msg, wParam, lParam);
        if (showProgress) {
          if (addsLine) out.flush();
          progress.observe(msg, wParam);
        }
        // Nobody reads the log any more (the reader of a pipe has gone, as
        // after "| head"): the run stops the way a signal stops it, so no
        // copy is left half done and no line claims more than happened.
        if (!out.good()) StopSync = true;
        return 0;
      });
  platform::ScopedMessageTarget window(receiver);

  StopSync = false;
  // Ctrl+C, a termination request and a closed terminal stop the run; the
  // last not when the run was started to outlive it (nohup). The handlers
  // before come back when the run returns.
  using platform::StopRequest;
  using platform::WhenIgnored;
  const platform::ScopedStopRequests stopRequests(StopSync, {{StopRequest::Interrupt, WhenIgnored::TakeUp},
                                                             {StopRequest::Terminate, WhenIgnored::TakeUp},
                                                             {StopRequest::HangUp, WhenIgnored::StayIgnored}});
  // A write to a closed pipe then fails with EPIPE, seen above, instead of
  // ending the process in the middle of a copy.
  const platform::ScopedBrokenPipeAsError brokenPipe;

  auto* job = new ThdSync(true, settings);  // owns itself once started
  job->SetWinHandle(window.handle());
  job->HoldFolderLocks(std::move(locks));
  job->SetReport(report);
  job->SyncType = options.mode;
  job->DryRun = options.dryRun;
  // A big run goes ahead only with --yes; without, its counts go to err.
  job->SetConfirm([&](const TBigChange& change) {
    if (options.yes) return true;
    if (showProgress) progress.clear();
    err << "drovan-sync: 这次同步将删除或覆盖大量文件，未同步（加上 --yes 即可同步）\n";
    for (const std::string& line : BigChangeLines(change)) err << "  " << line << '\n';
    return false;
  });
  job->Start();
  ThdSync::WaitForAllJobs(std::chrono::hours(24 * 365));

  // The log is complete on the stream before a second signal may end the
  // process the default way.
  if (showProgress) progress.clear();
  pane.finish();

  const TJobOutcome outcome = report->Outcome();
  if (options.verbose) reportCauses(outcome, err);
  // A signal that came after the job's last stop check changed nothing: the
  // run finished, and its status says how.
  switch (outcome.End) {
    case TJobEnd::Stopped: return ExitStopped;
    case TJobEnd::Failed: return ExitJobFailed;
    case TJobEnd::NotConfirmed: return ExitNotConfirmed;
    default: return outcome.Errors.empty() ? ExitDone : ExitDoneWithErrors;
  }
}
