#include "tests/ui/window_fixture.h"

#include <thread>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "config/pOstSync.h"
#include "engine/pThdSync.h"
#include "ui/dialogs.h"

void WindowTest::SetUp() {
  StopSync = false;
  CloseAfterSync = false;
  BrowseInitDir.clear();
  diskDir = (disk.path() / "资料").string();
  std::filesystem::create_directories(diskDir);
  usbDir = usb.usb + "/同步";
  std::filesystem::create_directories(usbDir);
  ui::setErrorBox([this](QWidget*, const QString&, const QString& text) { errors.push_back(text); });
  ui::setFolderDialog([this](QWidget*, const QString&, const QString& start, QString& folder) {
    folderStart = start;
    if (!folderAnswer) return false;
    folder = *folderAnswer;
    return true;
  });
  ui::setSaveFileDialog([this](QWidget*, const QString& proposed, QString& file) {
    saveProposal = proposed;
    if (!saveAnswer) return false;
    file = *saveAnswer;
    return true;
  });
  ui::setTrayAvailable([this] { return trayAvailable; });
}

void WindowTest::TearDown() {
  if (SyncRunning) StopSync = true;
  EXPECT_TRUE(waitForNoJob());
  closeProgram();
  ui::setErrorBox({});
  ui::setFolderDialog({});
  ui::setSaveFileDialog({});
  ui::setTrayAvailable({});
  StopSync = false;
  CloseAfterSync = false;
}

TSyncForm& WindowTest::open() {
  CreateSyncAction(usb.paths());
  form_ = std::make_unique<TSyncForm>();
  form_->show();
  return *form_;
}

void WindowTest::closeProgram() {
  form_.reset();
  SyncAction.reset();
}

void WindowTest::pickDisk(const std::string& folder) {
  folderAnswer = QString::fromStdString(folder);
  widget<QPushButton>("Button2").click();
}

void WindowTest::pickUsb(const std::string& folder) {
  folderAnswer = QString::fromStdString(folder);
  widget<QPushButton>("Button5").click();
}

void WindowTest::setBothFolders() {
  pickDisk(diskDir);
  pickUsb(usbDir);
  ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
}

bool WindowTest::waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

QMetaObject::Connection WindowTest::onPaneChange(std::function<bool()> when, std::function<void()> then) {
  return QObject::connect(&widget<QPlainTextEdit>("Memo2"), &QPlainTextEdit::textChanged, form_.get(),
                          [when, then, done = std::make_shared<bool>(false)] {
                            if (*done || !when()) return;
                            *done = true;
                            then();
                          });
}

void WindowTest::pastStopGuard() {
  std::this_thread::sleep_for(TSyncForm::kStopGuard + std::chrono::milliseconds(20));
}

bool WindowTest::waitForNoJob() {
  if (!waitUntil([] { return ThdSync::WaitForAllJobs(std::chrono::milliseconds(0)); })) return false;
  // The job's last posted command (a close) is handled too.
  QCoreApplication::processEvents();
  return true;
}

std::string WindowTest::memoText() const {
  return form_->findChild<QPlainTextEdit*>(QStringLiteral("Memo2"))->toPlainText().toStdString();
}

void WindowTest::sendLine(const std::string& text) const {
  platform::SendMessage(form_->Handle(), WM_LOGLINE, textParam(text), 0);
}
