#include "engine/pThdSync.h"

#include <cstdlib>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "engine/failure_reason.h"
#include "platform/datetime.h"
#include "platform/exceptions.h"
#include "platform/file_ops.h"

namespace {

// Started jobs whose thread body has not finished yet.
struct LiveJobs {
  std::mutex mutex;
  std::condition_variable changed;
  int count = 0;
};

LiveJobs& liveJobs() {
  static LiveJobs jobs;
  return jobs;
}

}  // namespace

ThdSync::ThdSync(bool CreateSuspended, TJobSettings settings) : settings_(std::move(settings)) {
  SyncRunning = true;
  if (!CreateSuspended) Start();
}

ThdSync::~ThdSync() {
  SyncRunning = false;
  if (CloseAfterSync) platform::PostMessage(FWinHandle, platform::WM_SYSCOMMAND, platform::SC_CLOSE, 0);
}

void ThdSync::Start() {
  if (started_) return;
  started_ = true;  // before the thread exists: from then on it may delete this
  {
    std::lock_guard lock(liveJobs().mutex);
    ++liveJobs().count;
  }
  try {
    std::thread(&ThdSync::ThreadBody, this).detach();
  } catch (...) {
    // No thread: the job is still the caller's, to discard.
    started_ = false;
    std::lock_guard lock(liveJobs().mutex);
    --liveJobs().count;
    liveJobs().changed.notify_all();
    throw;
  }
}

void ThdSync::ThreadBody(ThdSync* job) {
  job->Execute();
  delete job;  // the job owns itself
  LiveJobs& live = liveJobs();
  // Notified under the lock: a waiter may end the process as soon as it
  // wakes, so nothing may touch the condition after the unlock.
  std::lock_guard lock(live.mutex);
  --live.count;
  live.changed.notify_all();
}

bool ThdSync::WaitForAllJobs(std::chrono::milliseconds timeout) {
  LiveJobs& live = liveJobs();
  std::unique_lock lock(live.mutex);
  return live.changed.wait_for(lock, timeout, [&] { return live.count == 0; });
}

void ThdSync::Send(platform::UINT msg, platform::WPARAM wParam) const {
  platform::SendMessage(FWinHandle, msg, wParam, 0);
}

void ThdSync::LogLine(const std::string& text) const { Send(WM_LOGLINE, textParam(text)); }

void ThdSync::TimedLine(const std::string& text) const { LogLine(platform::logStamp() + "  " + text); }

void ThdSync::LogAppend(const std::string& text) const { Send(WM_LOGAPPEND, textParam(text)); }

long long ThdSync::ElapsedSeconds() const {
  return static_cast<long long>(std::llabs(platform::millisecondsBetween(platform::now(), SyncStartTime)) / 1000);
}

void ThdSync::Execute() {
  if (SyncType == TSyncType::AutoSyncBySecond) {
    // The timed automatic mode has no work of its own yet.
    if (!StopSync) AutoExecute();
    if (StopSync) Send(WM_AUTOSYNCSTOPPED);
    End(StopSync ? TJobEnd::Stopped : TJobEnd::Done);
    return;
  }

  Send(WM_SYNCBEGIN);
  // A failure ends the work, never the job's protocol: the window still gets
  // its closing WM_SYNCEND and the object is still freed.
  try {
    NoAutoExecute();
  } catch (const Exception& e) {
    std::string line = std::string("同步失败：") + e.what();
    if (!e.path().empty()) line += "：" + e.path();
    // The system's account only where a call into it failed.
    const platform::OsStatus why = e.code() ? platform::OsStatus{e.code(), {}, e.path()} : platform::OsStatus{};
    line += FailureReason(why);
    Fail(line, why);
  } catch (const std::bad_alloc&) {
    Fail("同步失败：Out of memory", platform::OsStatus::fromErrno(ENOMEM, {}, {}));
  } catch (const std::exception& e) {
    Fail(std::string("同步失败：") + e.what(), {});
  }
  Send(WM_SYNCEND);
}

void ThdSync::Fail(const std::string& line, const platform::OsStatus& why) {
  TimedLine(line);
  report_->Update([&](TJobOutcome& o) {
    o.End = TJobEnd::Failed;
    o.Failure = line;
    o.FailureStatus = why;
  });
}

void ThdSync::End(TJobEnd how) {
  report_->Update([how](TJobOutcome& o) {
    if (o.End == TJobEnd::Running) o.End = how;
  });
}

void ThdSync::NoAutoExecute() {
  std::string aFirstDir, aSecondDir;
  const TEntryComparer comparer(aFirstDir, aSecondDir, timeMatch_);
  TInventoryList sourceList, targetList;
  // The scan's readings of FUSE folders serve the changes after it.
  const platform::ListingCacheScope listings;
  if (ScanAndDecide(sourceList, targetList, aFirstDir, aSecondDir))
    ApplyChanges(sourceList, targetList, comparer, aFirstDir, aSecondDir);
  if (StopSync) {
    LogLine("手动同步被停止！！！");
    End(TJobEnd::Stopped);
  }
  End(TJobEnd::Done);
}

void ThdSync::AutoExecute() {
  std::string aFirstDir, aSecondDir;
  const TEntryComparer comparer(aFirstDir, aSecondDir);
  (void)comparer;
  if (StopSync) LogLine("自动同步被停止！！！");
}

bool ThdSync::ConfirmBigChange(const TBigChange& change) {
  if (!confirm_) return true;
  const bool yes = confirm_(change);
  // A stop during the question: the stop line ends the job, nothing changed.
  if (StopSync) return false;
  if (yes) return true;
  TimedLine("用户未确认大量删除或覆盖，未同步，没有改动任何文件");
  End(TJobEnd::NotConfirmed);
  return false;
}
