// The real window on a fake machine: the program lies on a removable USB
// partition (a folder of a temporary fake machine), the hard-disk folders in
// temporary folders of the real, fixed root file system. Dialogs and error
// boxes are answered through the window's hooks and recorded.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QString>

#include "tests/support/usb_machine.h"
#include "tests/support/temp_dir.h"
#include "ui/pSync.h"

class WindowTest : public ::testing::Test {
 public:
  // Runs the event loop until pred holds; false on timeout.
  static bool waitUntil(const std::function<bool()>& pred,
                        std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Waits until no job is left and every message it sent or posted has been
  // handled.
  static bool waitForNoJob();
  // Lets the half second pass in which a click on "停止" counts as the
  // second click of a double click on the start.
  static void pastStopGuard();

 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates SyncAction from the fake machine (its configuration file as it
  // is now) and the window, shown.
  TSyncForm& open();
  // Destroys the window and releases SyncAction without writing.
  void closeProgram();

  template <class Widget>
  Widget& widget(const char* name) {
    auto* found = form_->findChild<Widget*>(QLatin1String(name));
    if (!found) throw std::runtime_error(std::string("no control ") + name);
    return *found;
  }
  QAction& item(const char* name) { return widget<QAction>(name); }

  // Picks a folder with a folder box's ".." button.
  void pickDisk(const std::string& folder);
  void pickUsb(const std::string& folder);
  // Both folders set to fresh, valid ones: diskDir and usbDir.
  void setBothFolders();


  std::string memoText() const;
  // Calls `then` once, on the GUI thread, at the first change of the pane
  // that satisfies `when` (the job's first line comes after its WM_SYNCBEGIN).
  QMetaObject::Connection onPaneChange(std::function<bool()> when, std::function<void()> then);
  // Sends a message on the GUI thread as a job would (texts by address).
  void sendLine(const std::string& text) const;

  UsbMachine usb;
  testsupport::TempDir disk;
  std::string diskDir;  // a hard-disk folder (fixed drive)
  std::string usbDir;   // a folder beside the program's folder on the USB drive
  std::unique_ptr<TSyncForm> form_;

  std::vector<QString> errors;            // error boxes shown
  std::optional<QString> folderAnswer;    // the folder chooser's answer; none = cancel
  QString folderStart;                    // where the chooser started
  std::optional<QString> saveAnswer;      // the save dialog's answer; none = cancel
  QString saveProposal;                   // the file the save dialog proposed
  bool trayAvailable = false;
};
