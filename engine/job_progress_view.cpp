#include "engine/job_progress_view.h"

#include <algorithm>
#include <cmath>

#include "engine/drive_check.h"

namespace {

// Steps done or failed: a failed copy is behind the job as much as a done one.
std::int64_t Settled(const TJobProgress& progress) {
  return progress.Done.Items() + static_cast<std::int64_t>(progress.Errors);
}

std::int64_t SettledCopies(const TJobProgress& progress) {
  return progress.Done.Copies() + static_cast<std::int64_t>(progress.Errors);
}

}  // namespace

void TJobProgressView::Start(Clock::time_point now) {
  active_ = true;
  start_ = now;
  settledAtCopyStart_ = -1;
  currentCopied_ = 0;
  samples_.clear();
}

void TJobProgressView::Stop() {
  active_ = false;
  settledAtCopyStart_ = -1;
  currentCopied_ = 0;
  samples_.clear();
}

void TJobProgressView::CopyStarted(const TJobProgress& progress) {
  settledAtCopyStart_ = SettledCopies(progress);
  currentCopied_ = 0;
}

void TJobProgressView::CopyProgress(std::int64_t copied) {
  if (settledAtCopyStart_ >= 0) currentCopied_ = std::max<std::int64_t>(copied, 0);
}

TProgressFigures TJobProgressView::Update(const TJobProgress& progress, Clock::time_point now) {
  TProgressFigures f;
  f.Active = active_;
  if (!active_) return f;
  const TJobWork& planned = progress.Planned;
  f.Planned = planned.Items() > 0 || progress.End != TJobEnd::Running;
  if (!f.Planned) return f;
  f.ItemsPlanned = planned.Items();
  f.ItemsDone = std::min(Settled(progress), f.ItemsPlanned);
  f.BytesPlanned = planned.CopyBytes;
  // The open copy's bytes count until the report has it settled.
  const bool copyOpen = settledAtCopyStart_ >= 0 && SettledCopies(progress) == settledAtCopyStart_;
  f.BytesDone = std::min(progress.Done.CopyBytes + (copyOpen ? currentCopied_ : 0), f.BytesPlanned);
  const bool byBytes = f.BytesPlanned > 0;
  const double done = byBytes ? static_cast<double>(f.BytesDone) : static_cast<double>(f.ItemsDone);
  const double total = byBytes ? static_cast<double>(f.BytesPlanned) : static_cast<double>(f.ItemsPlanned);
  f.Permille = total > 0 ? static_cast<int>(std::clamp(done * 1000 / total, 0.0, 1000.0)) : 1000;

  samples_.push_back({now, done});
  while (samples_.size() > 2 && now - samples_[1].at >= kSpeedWindow) samples_.pop_front();
  const Sample& oldest = samples_.front();
  const double seconds = std::chrono::duration<double>(now - oldest.at).count();
  if (seconds > 0 && done > oldest.done) {
    const double rate = (done - oldest.done) / seconds;
    if (byBytes) f.BytesPerSecond = rate;
    if (now - start_ >= kFirstEstimate && seconds >= 0.5)
      f.SecondsLeft = static_cast<std::int64_t>(std::ceil((total - done) / rate));
  }
  return f;
}

std::string DurationText(std::int64_t seconds) {
  if (seconds < 60) return std::to_string(std::max<std::int64_t>(seconds, 0)) + "秒";
  if (seconds < 3600) return std::to_string(seconds / 60) + "分" + std::to_string(seconds % 60) + "秒";
  return std::to_string(seconds / 3600) + "小时" + std::to_string(seconds % 3600 / 60) + "分";
}

std::string ProgressCountText(const TProgressFigures& f) {
  if (!f.Active) return {};
  if (!f.Planned) return "正在比较文件夹…";
  std::string text = "已完成 " + std::to_string(f.ItemsDone) + "/" + std::to_string(f.ItemsPlanned) + " 项";
  if (f.BytesPlanned > 0) text += "，" + SizeText(f.BytesDone) + "/" + SizeText(f.BytesPlanned);
  return text;
}

std::string ProgressSpeedText(const TProgressFigures& f) {
  if (!f.Active || !f.Planned) return {};
  std::string text;
  if (f.BytesPerSecond > 0) text = SizeText(static_cast<std::int64_t>(f.BytesPerSecond)) + "/秒";
  if (f.SecondsLeft >= 0) text += (text.empty() ? "" : "，") + std::string("剩余约 ") + DurationText(f.SecondsLeft);
  return text;
}
