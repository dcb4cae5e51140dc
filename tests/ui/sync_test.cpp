// Real sync jobs started, stopped and outlived by the window.
#include <fstream>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "config/pOstSync.h"
#include "engine/job_folder_locks.h"
#include "platform/folder_lock.h"
#include "tests/support/tree_snapshot.h"
#include "tests/ui/window_fixture.h"

namespace fs = std::filesystem;
using testsupport::snapshot;

namespace {

void writeFiles(const std::string& folder, const std::string& prefix, int count) {
  for (int i = 0; i < count; ++i) std::ofstream(folder + "/" + prefix + std::to_string(i) + ".txt") << "x" << i;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The states of the job controls while a job runs.
struct RunningState {
  QString caption;
  bool button1 = true, othersEnabled = true, otherItemsEnabled = true, itemChecked = false;
  int seen = 0;
};

}  // namespace

class WindowSync : public WindowTest {
 protected:
  void onFirstCopyLine(std::function<void()> then) {
    onPaneChange([this] { return contains(memoText(), "复制文件"); }, std::move(then));
  }
};

TEST_F(WindowSync, BlankFolderBoxRefusesEveryStart) {
  open();
  pickUsb(usbDir);
  StopSync = true;
  for (const char* name : {"BtnSync", "BtnSyncDiskToU", "BtnSyncUToDisk"}) widget<QPushButton>(name).click();
  item("N1").trigger();
  ASSERT_EQ(errors.size(), 4u);
  for (const QString& e : errors) EXPECT_EQ(e, QStringLiteral("请设置好同步文件夹"));
  EXPECT_FALSE(item("N1").isChecked());
  EXPECT_FALSE(SyncRunning);
  EXPECT_TRUE(StopSync) << "a refused start leaves the stop flag alone";

  // Blanks only count as empty too.
  pickDisk("  ");
  widget<QPushButton>("BtnSyncUToDisk").click();
  EXPECT_EQ(errors.size(), 5u);
  EXPECT_FALSE(SyncRunning);
  EXPECT_EQ(memoText(), "");
}

TEST_F(WindowSync, EachButtonRunsARealSyncAndBecomesItsStopButton) {
  open();
  setBothFolders();
  struct Case {
    const char* button;
    const char* item;
    const char* caption;
    std::function<void()> prepare;
  };
  const Case cases[] = {
      {"BtnSyncDiskToU", "U1", "手动-同步本地硬盘到U盘", [&] { writeFiles(diskDir, "d", 3); }},
      {"BtnSyncUToDisk", "U2", "手动-同步U盘到本地硬盘", [&] { writeFiles(usbDir, "u", 2); }},
      {"BtnSync", "N1", "手动-自动判断同步源", [&] {
         // Newer than everything on the USB side: the hard disk is the source.
         std::ofstream(diskDir + "/new.txt") << "new";
         fs::last_write_time(diskDir + "/new.txt", fs::file_time_type::clock::now() + std::chrono::hours(1));
       }},
  };
  const char* buttons[] = {"BtnSync", "BtnSyncDiskToU", "BtnSyncUToDisk"};
  const char* items[] = {"N1", "U1", "U2"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    c.prepare();
    auto& button = widget<QPushButton>(c.button);
    RunningState running;
    const auto connection = onPaneChange([] { return true; }, [&] {
      ++running.seen;
      running.caption = button.text();
      running.button1 = widget<QPushButton>("Button1").isEnabled();
      for (const char* other : buttons)
        if (std::string(other) != c.button) running.othersEnabled &= widget<QPushButton>(other).isEnabled();
      for (const char* other : items)
        if (std::string(other) != c.item) running.otherItemsEnabled &= item(other).isEnabled();
      running.itemChecked = item(c.item).isChecked();
    });
    const auto linesBefore = memoText().size();
    button.click();
    ASSERT_TRUE(waitForNoJob());
    QObject::disconnect(connection);

    EXPECT_EQ(running.seen, 1);
    EXPECT_EQ(running.caption, QStringLiteral("停止"));
    EXPECT_FALSE(running.button1);
    EXPECT_FALSE(running.othersEnabled);
    EXPECT_FALSE(running.otherItemsEnabled);
    EXPECT_TRUE(running.itemChecked);

    EXPECT_EQ(button.text(), QString::fromUtf8(c.caption));
    EXPECT_EQ(form_->Renderer().BtnCaption(), c.caption);
    EXPECT_TRUE(widget<QPushButton>("Button1").isEnabled());
    for (const char* name : buttons) EXPECT_TRUE(widget<QPushButton>(name).isEnabled());
    for (const char* name : items) {
      EXPECT_TRUE(item(name).isEnabled());
      EXPECT_FALSE(item(name).isChecked());
    }
    EXPECT_TRUE(contains(memoText().substr(linesBefore), "手动同步结束，用时")) << memoText();
    EXPECT_EQ(snapshot(diskDir), snapshot(usbDir));
    // The window holds the job's outcome: what it did, without the words.
    ASSERT_NE(form_->LastJob(), nullptr);
    const TJobOutcome outcome = form_->LastJob()->Outcome();
    EXPECT_EQ(outcome.End, TJobEnd::Done);
    EXPECT_TRUE(outcome.Errors.empty());
    EXPECT_GT(outcome.Done.Copies(), 0);
    EXPECT_EQ(outcome.Done.Copies(), outcome.Planned.Copies());
  }
  EXPECT_TRUE(fs::exists(usbDir + "/d0.txt"));
  EXPECT_TRUE(fs::exists(diskDir + "/u1.txt"));
  EXPECT_TRUE(fs::exists(usbDir + "/new.txt"));
}

TEST_F(WindowSync, FoldersInUseByAnotherSyncShowABoxAndStartNothing) {
  open();
  setBothFolders();
  writeFiles(diskDir, "d", 3);
  const fs::path link = disk.path() / "to-usb";
  fs::create_directory_symlink(usbDir, link);
  const std::string usbAsJobSeesIt = JobSettingsFrom(*SyncAction).UFolderAbsPath;
  {
    // Another program's job on the USB folder, reached by another path.
    const platform::FolderLock other(link.string());
    ASSERT_TRUE(other.held());
    for (const char* name : {"BtnSync", "BtnSyncDiskToU", "BtnSyncUToDisk"}) widget<QPushButton>(name).click();
    item("U1").trigger();
    ASSERT_EQ(errors.size(), 4u);
    for (const QString& e : errors) EXPECT_EQ(e.toStdString(), kFolderInUseText + usbAsJobSeesIt);
    EXPECT_FALSE(SyncRunning);
    EXPECT_EQ(memoText(), "");
    EXPECT_FALSE(fs::exists(usbDir + "/d0.txt"));
    EXPECT_EQ(widget<QPushButton>("BtnSyncDiskToU").text(), QStringLiteral("手动-同步本地硬盘到U盘"));
    EXPECT_FALSE(item("U1").isChecked());
  }
  // Free again: the same button runs, and its job holds both folders.
  bool diskHeld = false, usbHeld = false;
  onFirstCopyLine([&] {
    diskHeld = platform::FolderLock(diskDir).heldElsewhere();
    usbHeld = platform::FolderLock(link.string()).heldElsewhere();
  });
  widget<QPushButton>("BtnSyncDiskToU").click();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_EQ(errors.size(), 4u);
  EXPECT_TRUE(diskHeld);
  EXPECT_TRUE(usbHeld);
  EXPECT_TRUE(fs::exists(usbDir + "/d0.txt"));
  EXPECT_TRUE(platform::FolderLock(diskDir).held()) << "released with the job";
}

TEST_F(WindowSync, StopButtonStopsARunningSync) {
  open();
  setBothFolders();
  writeFiles(diskDir, "f", 200);
  auto& button = widget<QPushButton>("BtnSyncDiskToU");
  onFirstCopyLine([&] {
    EXPECT_EQ(button.text(), QStringLiteral("停止"));
    pastStopGuard();
    button.click();
    EXPECT_TRUE(StopSync);
  });
  button.click();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(contains(memoText(), "手动同步被停止！！！")) << memoText();
  EXPECT_FALSE(contains(memoText(), "手动同步结束"));
  EXPECT_LT(snapshot(usbDir).size(), 200u);
  EXPECT_EQ(button.text(), QStringLiteral("手动-同步本地硬盘到U盘"));
  EXPECT_TRUE(widget<QPushButton>("BtnSync").isEnabled());
}

TEST_F(WindowSync, TrayItemOfTheRunningSyncStopsIt) {
  open();
  setBothFolders();
  writeFiles(diskDir, "f", 5);
  bool checkedWhileRunning = false, othersDisabled = false;
  onPaneChange([] { return true; }, [&] {
    checkedWhileRunning = item("U1").isChecked();
    othersDisabled = !item("N1").isEnabled() && !item("U2").isEnabled() && item("U1").isEnabled();
    pastStopGuard();
    item("U1").trigger();  // the checked item is the stop command
  });
  item("U1").trigger();
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(checkedWhileRunning);
  EXPECT_TRUE(othersDisabled);
  EXPECT_TRUE(StopSync);
  EXPECT_TRUE(contains(memoText(), "手动同步被停止！！！")) << memoText();
  for (const char* name : {"N1", "U1", "U2"}) {
    EXPECT_TRUE(item(name).isEnabled());
    EXPECT_FALSE(item(name).isChecked());
  }
}

TEST_F(WindowSync, CloseDuringASyncWaitsForItsEndAndWritesTheConfiguration) {
  open();
  setBothFolders();
  widget<QPushButton>("Button1").click();
  widget<QCheckBox>("CheckBox2").click();  // an option changed since the start
  widget<QPushButton>("Button9").click();
  writeFiles(diskDir, "f", 200);
  int closedCount = 0;
  QObject::connect(form_.get(), &TSyncForm::closed, [&] { ++closedCount; });
  bool stayedOpen = false;
  onFirstCopyLine([&] {
    // The close box twice, then "退出" from the tray: each is refused while
    // the job stops.
    form_->close();
    form_->close();
    item("N5").trigger();
    stayedOpen = form_->isVisible() && closedCount == 0;
  });
  widget<QPushButton>("BtnSync").click();
  ASSERT_TRUE(waitUntil([&] { return closedCount > 0; }));
  ASSERT_TRUE(waitForNoJob());
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(closedCount, 1);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(contains(memoText(), "手动同步被停止！！！")) << memoText();
  EXPECT_EQ(widget<QPushButton>("BtnSync").text(), QStringLiteral("手动-自动判断同步源"));

  form_.reset();
  DestroySyncAction();
  const std::string file = testsupport::readFile(usb.ini);
  EXPECT_TRUE(contains(file, "全部监测=0")) << file;
  EXPECT_TRUE(contains(file, "同步文件夹=同步")) << file;
  EXPECT_TRUE(contains(file, "00-1A-2B-3C-4D-5E=" + diskDir)) << file;
}

TEST_F(WindowSync, ClosingTheIdleWindowGoesAheadAtOnce) {
  open();
  int closedCount = 0;
  QObject::connect(form_.get(), &TSyncForm::closed, [&] { ++closedCount; });
  item("N5").trigger();
  EXPECT_EQ(closedCount, 1);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_FALSE(CloseAfterSync);
}

TEST_F(WindowSync, ASecondClickBeforeTheSyncHasBegunStartsNothing) {
  open();
  setBothFolders();
  writeFiles(diskDir, "f", 3);
  // The second click comes before the window has heard of the first sync.
  widget<QPushButton>("BtnSyncDiskToU").click();
  widget<QPushButton>("BtnSyncUToDisk").click();
  ASSERT_TRUE(waitForNoJob());
  // Every sync begins its log with a rule of "~".
  const std::string rule(50, '~');
  std::size_t runs = 0;
  for (std::size_t at = memoText().find(rule); at != std::string::npos; at = memoText().find(rule, at + 1)) ++runs;
  EXPECT_EQ(runs, 1u) << memoText();
  EXPECT_TRUE(errors.empty());
}
