// One sync from the real window, timed from the click to the job's end, on
// whatever display Qt is given (the benchmark script runs it under Xvfb
// with the xcb platform). The window runs on a tiny fake machine on which
// the USB folder is a removable drive of its own that holds the program.
//
//   window_sync_bench DISK_FOLDER USB_FOLDER [lines already in the pane]
//
// Prints the seconds from the click on BtnSyncDiskToU to the end of the job,
// and the pane's line count after it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "config/pOstSync.h"
#include "inventory/pglobal.h"
#include "ui/dialogs.h"
#include "ui/bench/bench_machine.h"
#include "ui/pSync.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_sync_bench DISK_FOLDER USB_FOLDER [pane lines]\n");
    return 64;
  }
  const std::string disk = fs::absolute(argv[1]).string(), usb = fs::absolute(argv[2]).string();
  const long lines = argc > 3 ? std::atol(argv[3]) : 0;
  QApplication app(argc, argv);
  // A refusal ends the benchmark with its text instead of waiting for a click.
  ui::setErrorBox([](QWidget*, const QString&, const QString& text) {
    std::fprintf(stderr, "refused: %s\n", text.toStdString().c_str());
    std::exit(2);
  });
  BenchMachine machine(usb);
  CreateSyncAction(machine.paths());
  SyncAction->SetDFolderPath(disk);
  SyncAction->SetUFolderAbsPath(usb);
  double seconds = 0;
  int paneLines = 0;
  {
    TSyncForm form;
    form.show();
    for (long i = 0; i < lines; ++i) {
      const std::string line = "2026/12/9 10:00:00  复制文件/home/user/资料/项目/文件" + std::to_string(i) +
                               ".txt到/media/user/U盘/同步/项目/文件" + std::to_string(i) + ".txt 100%";
      platform::SendMessage(form.Handle(), WM_LOGLINE, textParam(line), 0);
    }
    // Shown and painted before the click, as a user would see it.
    const auto shown = Clock::now();
    while (Clock::now() - shown < std::chrono::milliseconds(500)) QApplication::processEvents();

    Clock::time_point start;
    QTimer::singleShot(0, [&] {
      start = Clock::now();
      form.BtnSyncDiskToU->click();
    });
    // The job's end: its report says how it ended and the job has let go.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      const auto job = form.LastJob();
      if (job && job->Progress().End != TJobEnd::Running && !SyncRunning &&
          form.BtnSyncDiskToU->text() != QStringLiteral("停止")) {
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        app.quit();
      }
    });
    // Often enough for the figure, rarely enough to leave the processor to
    // the job (a timer of a millisecond keeps the event loop spinning).
    poll.start(10);
    app.exec();
    paneLines = form.Memo2->document()->blockCount();
  }
  SyncAction.reset();
  std::printf("%.3f\n", seconds);
  std::fprintf(stderr, "pane: %d blocks\n", paneLines);
  return 0;
}
