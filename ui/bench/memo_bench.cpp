// How long the window takes for one copy progress message when its log pane
// already holds 100 000 lines. The real window runs headless on a tiny fake
// machine (one removable drive holding everything), so its configuration and
// drive checks work without a USB stick.
//
//   memo_bench [lines] [messages]
//
// Prints the average handling time of WM_COPYPROGRESS on the window thread
// (the goal is under 20 microseconds) with the window painted between two
// messages as in the program, the time including that paint, and the round
// trip of a blocking send from a job thread.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>

#include "config/pOstSync.h"
#include "inventory/pglobal.h"
#include "ui/bench/bench_machine.h"
#include "ui/pSync.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {


double microsecondsPer(Clock::duration elapsed, long count) {
  return std::chrono::duration<double, std::micro>(elapsed).count() / static_cast<double>(count);
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 100000;
  const long messages = argc > 2 ? std::atol(argv[2]) : 20000;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  BenchMachine machine;
  CreateSyncAction(machine.paths());
  {
    TSyncForm form;
    form.show();
    QApplication::processEvents();
    const platform::HWND window = form.Handle();

    auto start = Clock::now();
    for (long i = 0; i < lines; ++i) {
      const std::string line = "2026/12/9 10:00:00  复制文件/home/user/资料/项目/文件" + std::to_string(i) +
                               ".txt到/media/user/U盘/同步/项目/文件" + std::to_string(i) + ".txt 100%";
      platform::SendMessage(window, WM_LOGLINE, textParam(line), 0);
    }
    QApplication::processEvents();
    const auto fill = Clock::now() - start;

    TCopyInfo info;
    info.SrcFile = "/home/user/资料/项目/大文件.iso";
    info.DestFile = "/media/user/U盘/同步/项目/大文件.iso";
    info.CopyKind = CopyNew;
    info.TotalSize = 4'000'000'000;
    platform::SendMessage(window, WM_COPYSTART, copyInfoParam(info), 0);
    QApplication::processEvents();

    // As in the program: the window paints between two messages. Only the
    // handling is timed, then the total with the paint. Every message
    // changes the percentage (the worst case: in a large file's copy most
    // chunks leave it as it was, and such a message changes nothing).
    std::vector<double> handled;
    handled.reserve(static_cast<std::size_t>(messages));
    Clock::duration painting{};
    // Processor time as well: on a busy machine the wall clock also counts
    // the time other programs held the processor.
    std::clock_t processor = 0;
    for (long i = 0; i < messages; ++i) {
      info.CopiedSize = info.TotalSize / 100 * (i % 101);
      const std::clock_t cpuBegin = std::clock();
      const auto begin = Clock::now();
      platform::SendMessage(window, WM_COPYPROGRESS, copyInfoParam(info), 0);
      const auto end = Clock::now();
      processor += std::clock() - cpuBegin;
      handled.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
      QApplication::processEvents();
      painting += Clock::now() - end;
    }
    double sum = 0;
    for (double h : handled) sum += h;
    const double handling = sum / static_cast<double>(messages);
    std::sort(handled.begin(), handled.end());
    const double median = handled[handled.size() / 2];
    const double withPaint = handling + microsecondsPer(painting, messages);

    // From a job thread: a blocking queued call per message.
    std::atomic<bool> done{false};
    start = Clock::now();
    std::thread job([&] {
      TCopyInfo jobInfo = info;
      for (long i = 0; i < messages; ++i) {
        jobInfo.CopiedSize = jobInfo.TotalSize / 100 * (i % 101);
        platform::SendMessage(window, WM_COPYPROGRESS, copyInfoParam(jobInfo), 0);
      }
      done = true;
    });
    while (!done) QApplication::processEvents(QEventLoop::AllEvents, 5);
    job.join();
    const double roundTrip = microsecondsPer(Clock::now() - start, messages);

    const int blocks = form.Memo2->document()->blockCount();
    std::printf("pane: %ld lines filled in %.2f s (%d blocks after the progress)\n", lines,
                std::chrono::duration<double>(fill).count(), blocks);
    std::printf("WM_COPYPROGRESS handling: %.2f us average, %.2f us median over %ld messages (goal < 20 us)\n",
                handling, median, messages);
    std::printf("  processor time: %.2f us average\n",
                static_cast<double>(processor) * 1e6 / CLOCKS_PER_SEC / static_cast<double>(messages));
    std::printf("  with the repaint that follows it: %.2f us\n", withPaint);
    std::printf("  blocking send from a job thread: %.2f us round trip\n", roundTrip);
    std::printf("last line: %s\n", form.Memo2->document()->lastBlock().previous().text().toStdString().c_str());
  }
  SyncAction.reset();
  return 0;
}
