#include "ui/job_start.h"

#include "engine/big_change.h"
#include "engine/job_folder_locks.h"
#include "engine/pThdSync.h"
#include "platform/exceptions.h"

namespace {

bool blank(const std::string& text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) > 0x20) return false;
  return true;
}

}  // namespace

void CheckSyncFolders(const std::string& diskBox, const std::string& usbBox) {
  if (blank(diskBox) || blank(usbBox)) throw Exception("请设置好同步文件夹");
}

std::shared_ptr<TJobReport> StartWindowJob(platform::HWND window, MessageRenderer& renderer,
                                           const TJobStart& start, TJobSettings settings, std::string& refusal) {
  // A job elsewhere (another window, the command line) on either folder:
  // nothing starts.
  TJobFolderLocks locks;
  try {
    locks = LockJobFolders(settings);
  } catch (const std::exception& e) {
    refusal = e.what();
    return nullptr;
  }
  StopSync = false;
  renderer.setClickBtn(start.Button);
  try {
    // The job owns itself once started; until then the pointer releases it.
    std::unique_ptr<ThdSync, void (*)(ThdSync*)> job(new ThdSync(true, std::move(settings)), &ThdSync::Discard);
    job->SetWinHandle(window);
    job->HoldFolderLocks(std::move(locks));
    auto report = std::make_shared<TJobReport>();
    job->SetReport(report);
    job->SyncType = start.Kind;
    job->DryRun = start.DryRun;
    // Asked on the window's thread; a window gone meanwhile answers no.
    job->SetConfirm([window](const TBigChange& change) {
      return platform::SendMessage(window, WM_CONFIRMBIGCHANGE, bigChangeParam(change), 0) == 1;
    });
    job->Start();
    job.release();
    return report;
  } catch (const std::exception& e) {
    // No thread could be made (or no memory): nothing may leave a handler.
    refusal = std::string("无法开始同步：") + e.what();
    return nullptr;
  }
}
