#include "cli/progress_meter.h"

#include <cstdio>

#include "engine/message_renderer.h"

void ProgressMeter::observe(platform::UINT msg, platform::WPARAM wParam) {
  switch (msg) {
    case WM_COPYSTART: {
      const TCopyInfo& info = copyInfoFromParam(wParam);
      bytes_ += currentBytes_;
      currentBytes_ = 0;
      ++done_;
      file_ = info.DestFile;
      percent_ = copyPercentText(info.CopiedSize, info.TotalSize);
      draw(false);
      break;
    }
    case WM_COPYPROGRESS: {
      const TCopyInfo& info = copyInfoFromParam(wParam);
      currentBytes_ = info.CopiedSize;
      percent_ = copyPercentText(info.CopiedSize, info.TotalSize);
      draw(false);
      break;
    }
    default:
      break;
  }
}

void ProgressMeter::draw(bool force) {
  const auto now = Clock::now();
  if (!force && drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(bytes_ + currentBytes_) / seconds : 0;
  const std::int64_t planned = report_.Progress().Planned.Copies();
  char figures[96];
  std::snprintf(figures, sizeof figures, "  %s%%  %lld/%lld  %.1f MB/s", percent_.c_str(),
                static_cast<long long>(done_), static_cast<long long>(planned > done_ ? planned : done_),
                rate / 1e6);
  // Keep the line short enough for one terminal row: the file's tail only.
  std::string name = file_;
  constexpr std::size_t kMaxName = 48;
  if (name.size() > kMaxName) {
    std::size_t cut = name.size() - kMaxName;
    while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
    name = "..." + name.substr(cut);
  }
  out_ << "\r\033[K" << name << figures << std::flush;
  drawn_ = true;
}

void ProgressMeter::clear() {
  if (drawn_) out_ << "\r\033[K" << std::flush;
  drawn_ = false;
}
