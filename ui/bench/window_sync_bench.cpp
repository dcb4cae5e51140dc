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
#include "ui/pSync.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class BenchMachine {
 public:
  // The computer's disk is "/", fixed; the stick is mounted at usbFolder,
  // and the program lives on it.
  explicit BenchMachine(const std::string& usbFolder) : usb_(usbFolder) {
    std::random_device random;
    root_ = fs::temp_directory_path() / ("drovan-window-bench-" + std::to_string(random()));
    for (const char* disk : {"sda", "sdz"}) {
      fs::create_directories(root_ / "sys/class/block" / disk);
      fs::create_directories(root_ / "sys/block" / disk);
    }
    fs::create_directories(root_ / "net");
    std::ofstream(root_ / "sys/block/sda/removable") << "0\n";
    std::ofstream(root_ / "sys/block/sdz/removable") << "1\n";
    std::ofstream(root_ / "mountinfo") << "100 1 8:0 / / rw,relatime shared:1 - ext4 /dev/sda rw\n"
                                       << "101 100 8:16 / " << usb_ << " rw,relatime shared:2 - ext4 /dev/sdz rw\n";
    // As /proc/self/exe reads for a program file that is not there: the
    // stick holds nothing but what the sync puts there.
    fs::create_symlink(usb_ + "/CorvelDrovan", root_ / "exe");
  }
  ~BenchMachine() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  BenchMachine(const BenchMachine&) = delete;
  BenchMachine& operator=(const BenchMachine&) = delete;

  platform::MachinePaths paths() const {
    platform::MachinePaths p;
    p.mountInfo = (root_ / "mountinfo").string();
    p.sysfsRoot = (root_ / "sys").string();
    p.programPath = (root_ / "exe").string();
    p.netRoot = (root_ / "net").string();
    p.permanentAddress = nullptr;
    p.configFile = (root_ / "config.ini").string();
    return p;
  }

 private:
  std::string usb_;
  fs::path root_;
};

}  // namespace

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
