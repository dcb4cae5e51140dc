// How a window starts a sync job, shared by the Qt and the Win32 window: the
// folder boxes checked, both folders locked against jobs elsewhere, the job
// made, bound to the window's handle and its big-change question, started.
// Qt-free and free of the Windows headers.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "engine/job_outcome.h"
#include "engine/job_settings.h"
#include "engine/message_renderer.h"
#include "engine/window_controls.h"
#include "inventory/pglobal.h"
#include "platform/messages.h"

// Raises Exception "请设置好同步文件夹" when a folder box is blank (nothing
// but blanks and control characters).
void CheckSyncFolders(const std::string& diskBox, const std::string& usbBox);

// A click on "停止" this soon after the start is the second click of a
// double click on the start, and is ignored.
inline constexpr std::chrono::milliseconds kStopGuard{500};

struct TJobStart {
  WindowControl Button = WindowControl::BtnSync;  // reads "停止" while the job runs
  TSyncType Kind = TSyncType::AutoSync;
  bool DryRun = false;
};

// Starts the job on the window thread. The job sends its messages to
// `window` and asks its big-change question there with WM_CONFIRMBIGCHANGE.
// Returns the job's report; on a refusal (a job elsewhere on either folder,
// no thread to be had) none, and `refusal` holds what to show.
std::shared_ptr<TJobReport> StartWindowJob(platform::HWND window, MessageRenderer& renderer,
                                           const TJobStart& start, TJobSettings settings, std::string& refusal);
