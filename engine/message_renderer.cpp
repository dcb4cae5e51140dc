#include "engine/message_renderer.h"

#include <cstdio>

#include "platform/datetime.h"
#include "platform/exceptions.h"
#include "platform/utf8.h"

namespace {

constexpr std::string_view StopCaption = "停止";

// Holds painting back for one change of the pane; ends the update also when
// the change throws.
class ScopedUpdate {
 public:
  explicit ScopedUpdate(LogLines& log) : log_(log) { log_.beginUpdate(); }
  ~ScopedUpdate() { log_.endUpdate(); }
  ScopedUpdate(const ScopedUpdate&) = delete;
  ScopedUpdate& operator=(const ScopedUpdate&) = delete;

 private:
  LogLines& log_;
};

void addText(LogLines& log, std::string_view text) {
  forEachLogLine(text, [&](std::string_view line) { log.add(line); });
}

// Each sync button with the tray item that starts the same kind of job; the
// preview has none.
struct SyncPair {
  WindowControl button;
  std::optional<WindowControl> trayItem;
};
constexpr SyncPair SyncPairs[] = {
    {WindowControl::BtnSync, WindowControl::N1},
    {WindowControl::BtnSyncDiskToU, WindowControl::U1},
    {WindowControl::BtnSyncUToDisk, WindowControl::U2},
    {WindowControl::BtnPreview, std::nullopt},
};

}  // namespace

std::string copyPercentText(std::int64_t copied, std::int64_t total) {
  if (total == 0 || copied == total) return "100";  // most messages: a small file in one step
  const double percent = static_cast<double>(copied) / static_cast<double>(total) * 100.0;
  // "%.0f" prints no radix character and no grouping, so the locale cannot
  // change it; it rounds half to even like the original formatting.
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.0f", percent);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

bool isShortLogLine(std::string_view line) {
  // Bytes up to 0x20 never occur inside a multi-byte UTF-8 sequence, so
  // trimming by byte trims exactly the characters up to U+0020.
  std::size_t begin = 0, end = line.size();
  while (begin < end && static_cast<unsigned char>(line[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(line[end - 1]) <= 0x20) --end;
  const std::string_view trimmed = line.substr(begin, end - begin);
  std::size_t characters = 0;
  for (std::size_t i = 0; i < trimmed.size(); ++characters) {
    if (characters == 4) return false;
    const std::size_t length = platform::decodeUtf8(trimmed.substr(i)).length;
    i += length == 0 ? 1 : length;
  }
  return true;
}

MessageRenderer::MessageRenderer(LogLines& log, WindowControls& controls) : log_(log), controls_(controls) {}

void MessageRenderer::setClickBtn(WindowControl button) {
  if (!isSyncButton(button)) throw EArgumentException("ClickBtn must be one of the sync buttons");
  clickBtn_ = button;
}

bool MessageRenderer::handle(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM) {
  switch (msg) {
    case WM_COPYSTOPPED:
      copyStopped();
      return true;
    case WM_COPYPROGRESS:
      if (wParam != 0) copyProgress(copyInfoFromParam(wParam));
      return true;
    case WM_COPYSTART:
      if (wParam != 0) copyStart(copyInfoFromParam(wParam));
      return true;
    case WM_LOGAPPEND:
      if (wParam != 0) logAppend(textFromParam(wParam));
      return true;
    case WM_LOGLINE:
      if (wParam != 0) logLine(textFromParam(wParam));
      return true;
    case WM_SYNCEND:
      syncEnd();
      return true;
    case WM_SYNCBEGIN:
      syncBegin();
      return true;
    case WM_AUTOSYNCSTOPPED:
      autoSyncStopped();
      return true;
    case WM_AUTOSYNCON:
      autoSyncOn();
      return true;
    default:
      return false;
  }
}

void MessageRenderer::copyStopped() {
  ScopedUpdate update(log_);
  log_.add(platform::logStamp() + "  停止同步");
  log_.scrollToEnd();
}

void MessageRenderer::logLine(std::string_view text) {
  ScopedUpdate update(log_);
  addText(log_, text);
  log_.scrollToEnd();
}

void MessageRenderer::logAppend(std::string_view text) {
  ScopedUpdate update(log_);
  bool first = true;
  forEachLogLine(text, [&](std::string_view line) {
    // Only the text's first line joins the last line of the pane; should the
    // text hold line breaks, the rest become lines of their own.
    if (first && log_.count() != 0)
      log_.replaceLast(log_.last().append(line));
    else
      log_.add(line);
    first = false;
  });
  log_.scrollToEnd();
}

void MessageRenderer::copyStart(const TCopyInfo& info) {
  {
    ScopedUpdate update(log_);
    const char* prefix = nullptr;
    switch (static_cast<std::uint8_t>(info.CopyKind)) {
      case CopyUpdate: prefix = "  更新文件"; break;
      case CopyNew: prefix = "  复制文件"; break;
      case CopyNewSame: prefix = "  更新文件"; break;
      case CopyBack: prefix = "复制文件"; break;
      default: break;
    }
    if (prefix != nullptr) {
      std::string line = platform::logStamp();
      line.append(prefix).append(info.SrcFile).append("到").append(info.DestFile);
      // A path may hold a line break on Linux; splitting keeps the pane's
      // lines free of them, and the copy's last line becomes LastCopyLine.
      addText(log_, line);
    }
    log_.scrollToEnd();
  }
  lastCopyLine_ = log_.last();
}

void MessageRenderer::copyProgress(const TCopyInfo& info) {
  ScopedUpdate update(log_);
  if (log_.count() != 0 && isShortLogLine(log_.last())) log_.deleteLast();
  std::string line = lastCopyLine_;
  line.append(" ").append(copyPercentText(info.CopiedSize, info.TotalSize)).append("%");
  if (log_.count() == 0)
    log_.add(line);
  else
    log_.replaceLast(line);
  log_.scrollToEnd();
}

void MessageRenderer::syncBegin() {
  controls_.setEnabled(WindowControl::Button1, false);
  if (clickBtn_) {
    const WindowControl clicked = *clickBtn_;
    controls_.setEnabled(clicked, true);
    btnCaption_ = controls_.caption(clicked);
    controls_.setCaption(clicked, StopCaption);
    for (const SyncPair& pair : SyncPairs) {
      if (pair.button == clicked) {
        if (pair.trayItem) controls_.setChecked(*pair.trayItem, true);
      } else {
        controls_.setEnabled(pair.button, false);
        if (pair.trayItem) controls_.setEnabled(*pair.trayItem, false);
      }
    }
  }
  controls_.setEnabled(WindowControl::CheckBox1, false);
  controls_.setEnabled(WindowControl::N3, false);
}

void MessageRenderer::syncEnd() {
  controls_.setEnabled(WindowControl::Button1, true);
  if (clickBtn_) {
    controls_.setEnabled(*clickBtn_, true);
    controls_.setCaption(*clickBtn_, btnCaption_);
  }
  controls_.setEnabled(WindowControl::BtnSync, true);
  controls_.setEnabled(WindowControl::BtnSyncDiskToU, true);
  controls_.setEnabled(WindowControl::BtnSyncUToDisk, true);
  controls_.setEnabled(WindowControl::BtnPreview, true);
  controls_.setEnabled(WindowControl::U2, true);
  controls_.setEnabled(WindowControl::U1, true);
  controls_.setEnabled(WindowControl::N1, true);
  controls_.setChecked(WindowControl::N1, false);
  controls_.setChecked(WindowControl::U1, false);
  controls_.setChecked(WindowControl::U2, false);
  controls_.setEnabled(WindowControl::CheckBox1, true);
  controls_.setEnabled(WindowControl::N3, true);
}

void MessageRenderer::setSyncControlsEnabled(bool enabled) {
  controls_.setEnabled(WindowControl::Button1, enabled);
  controls_.setEnabled(WindowControl::BtnSync, enabled);
  controls_.setEnabled(WindowControl::BtnSyncDiskToU, enabled);
  controls_.setEnabled(WindowControl::BtnSyncUToDisk, enabled);
  controls_.setEnabled(WindowControl::BtnPreview, enabled);
  controls_.setEnabled(WindowControl::U2, enabled);
  controls_.setEnabled(WindowControl::U1, enabled);
  controls_.setEnabled(WindowControl::N1, enabled);
}

void MessageRenderer::autoSyncStopped() {
  setSyncControlsEnabled(true);
  {
    // A line of its own, but the pane is not scrolled to it.
    ScopedUpdate update(log_);
    log_.add("自动更新被停止！！！");
  }
  controls_.setChecked(WindowControl::N3, false);
}

void MessageRenderer::autoSyncOn() {
  setSyncControlsEnabled(false);
  controls_.setChecked(WindowControl::N3, true);
}

platform::InlineReceiver::Handler makeRendererHandler(MessageRenderer& renderer,
                                                      platform::InlineReceiver::Handler others) {
  return [&renderer, others = std::move(others)](platform::UINT msg, platform::WPARAM wParam,
                                                 platform::LPARAM lParam) -> platform::LRESULT {
    if (renderer.handle(msg, wParam, lParam)) return 0;
    return others ? others(msg, wParam, lParam) : 0;
  };
}
