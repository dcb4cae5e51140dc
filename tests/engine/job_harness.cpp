#include "tests/engine/job_harness.h"

#include <gtest/gtest.h>

#include "engine/message_renderer.h"
#include "engine/pThdSync.h"
#include "platform/datetime.h"

namespace testsupport {
namespace {

TDateTime fixedNow() {
  TDateTime v = 0;
  platform::tryEncodeDateTime({2026, 12, 9, 10, 0, 0, 0}, v);
  return v;
}

}  // namespace

JobHarness::JobHarness()
    : receiver_(std::make_shared<platform::InlineReceiver>([this](platform::UINT msg, platform::WPARAM w,
                                                                  platform::LPARAM) -> platform::LRESULT {
        Recorded r;
        r.msg = msg;
        r.wParam = w;
        if (msg == WM_LOGLINE || msg == WM_LOGAPPEND) r.text = textFromParam(w);
        if (msg == WM_COPYSTART || msg == WM_COPYPROGRESS) r.copy = copyInfoFromParam(w);
        messages_.push_back(r);
        if (onMessage) onMessage(messages_.back());
        return 0;
      })),
      registration_(receiver_) {
  platform::setClockForTesting(&fixedNow);
  StopSync = false;
  CloseAfterSync = false;
}

JobHarness::~JobHarness() {
  platform::setClockForTesting(nullptr);
  StopSync = false;
  CloseAfterSync = false;
}

void JobHarness::run(TSyncType kind, const TJobSettings& settings) {
  auto* job = new ThdSync(true, settings);  // owns itself once started
  job->SetWinHandle(handle());
  const auto report = std::make_shared<TJobReport>();
  job->SetReport(report);
  job->SyncType = kind;
  job->DryRun = dryRun;
  if (confirm) job->SetConfirm(confirm);
  job->Start();
  ASSERT_TRUE(ThdSync::WaitForAllJobs(std::chrono::seconds(120))) << "the job did not end";
  outcome_ = report->Outcome();
}

std::vector<platform::UINT> JobHarness::numbers() const {
  std::vector<platform::UINT> out;
  for (const auto& m : messages_) out.push_back(m.msg);
  return out;
}

std::vector<std::string> JobHarness::lines() const {
  VectorLogLines pane;
  MemoryControls controls;
  MessageRenderer renderer(pane, controls);
  for (const auto& m : messages_) {
    switch (m.msg) {
      case WM_LOGLINE:
      case WM_LOGAPPEND:
        renderer.handle(m.msg, textParam(m.text), 0);
        break;
      case WM_COPYSTART:
      case WM_COPYPROGRESS:
        renderer.handle(m.msg, copyInfoParam(m.copy), 0);
        break;
      default:
        renderer.handle(m.msg, 0, 0);
        break;
    }
  }
  return pane.lines();
}

}  // namespace testsupport
