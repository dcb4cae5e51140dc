#include "ui/job_progress_display.h"

#include "inventory/pglobal.h"

JobProgressDisplay::Change JobProgressDisplay::Message(platform::UINT msg, platform::WPARAM wParam,
                                                       const TJobReport* job, Clock::time_point now) {
  switch (msg) {
    case WM_SYNCBEGIN:
      view_.Start(now);
      tipShownAt_ = {};
      return Change::Began;
    case WM_COPYSTART:
      if (job) view_.CopyStarted(job->Progress());
      return Change::None;
    case WM_COPYPROGRESS:
      if (wParam != 0) view_.CopyProgress(copyInfoFromParam(wParam).CopiedSize);
      return Change::None;
    case WM_SYNCEND:
    case WM_AUTOSYNCSTOPPED:
      view_.Stop();
      return Change::Ended;
    default:
      return Change::None;
  }
}

JobProgressDisplay::Shown JobProgressDisplay::Read(const TJobReport* job, Clock::time_point now) {
  Shown shown;
  const TProgressFigures figures = view_.Update(job ? job->Progress() : TJobProgress{}, now);
  shown.Active = figures.Active;
  if (!shown.Active) return shown;
  shown.Permille = figures.Permille;
  const std::string speed = ProgressSpeedText(figures);
  shown.Label = ProgressCountText(figures) + (speed.empty() ? "" : "\n" + speed);
  if (now - tipShownAt_ >= kTipInterval) {
    tipShownAt_ = now;
    shown.TipDue = true;
    shown.Tip = std::string(kTrayTip) + "\n" + shown.Label;
  }
  return shown;
}
