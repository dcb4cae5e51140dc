// The program from its entry to its end: the window's loop, the written
// configuration, a failed write, and the refusal to run from a fixed disk.
#include <csignal>
#include <filesystem>

#include <QApplication>
#include <QTimer>

#include "config/pOstSync.h"
#include "tests/ui/window_fixture.h"
#include "ui/dialogs.h"
#include "ui/program_entry.h"

namespace {

// The program's window once the loop runs.
TSyncForm* programWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<TSyncForm*>(w); form && form->isVisible()) return form;
  return nullptr;
}

struct ProcessEnded {
  int code;
};

}  // namespace

class WindowProgram : public WindowTest {
 protected:
  void TearDown() override {
    SetMessageBoxHook({});
    SetExitProcessHook({});
    WindowTest::TearDown();
  }
  // Runs the program; `inside` runs in its loop with the window, which is
  // then closed.
  int run(const platform::MachinePaths& machine, std::function<void(TSyncForm&)> inside) {
    QTimer::singleShot(0, [inside] {
      TSyncForm* form = programWindow();
      if (!form) {
        ADD_FAILURE() << "no window";
        QCoreApplication::quit();
        return;
      }
      inside(*form);
      form->close();
    });
    return RunWindowProgram(machine);
  }
};

TEST_F(WindowProgram, ClosingTheIdleWindowWritesTheConfigurationOnce) {
  const int code = run(usb.paths(), [this](TSyncForm& form) {
    folderAnswer = QString::fromStdString(usbDir);
    form.Button5Click();
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(SyncAction, nullptr);
  EXPECT_TRUE(errors.empty());
  EXPECT_NE(testsupport::readFile(usb.ini).find("同步文件夹=同步"), std::string::npos);
}

TEST_F(WindowProgram, TerminationSignalsEndItAsExitDoes) {
  for (int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    std::filesystem::remove(usb.ini);
    QTimer::singleShot(0, [this, signal] {
      TSyncForm* form = programWindow();
      ASSERT_NE(form, nullptr);
      folderAnswer = QString::fromStdString(usbDir);
      form->Button5Click();
      form->hide();  // in the tray, say
      std::raise(signal);
    });
    EXPECT_EQ(RunWindowProgram(usb.paths()), 0);
    EXPECT_EQ(SyncAction, nullptr);
    EXPECT_NE(testsupport::readFile(usb.ini).find("同步文件夹=同步"), std::string::npos);
  }
  // The handlers in place before are back.
  EXPECT_EQ(std::signal(SIGTERM, SIG_DFL), SIG_DFL);

  // Started with SIGHUP ignored (nohup): it stays ignored.
  const auto before = std::signal(SIGHUP, SIG_IGN);
  bool stillOpen = false;
  QTimer::singleShot(0, [&stillOpen] {
    std::raise(SIGHUP);
    QTimer::singleShot(600, [&stillOpen] {
      TSyncForm* form = programWindow();
      stillOpen = form != nullptr;
      if (form) form->close();
    });
  });
  EXPECT_EQ(RunWindowProgram(usb.paths()), 0);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(std::signal(SIGHUP, before), SIG_IGN);
}

TEST_F(WindowProgram, AFailedWriteIsShownAndEndsWithCodeOne) {
  const int code = run(usb.paths(), [this](TSyncForm&) {
    // The configuration's place is taken by a folder.
    std::filesystem::create_directories(usb.ini);
  });
  EXPECT_EQ(code, 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].toStdString(), "Unable to write to " + usb.ini);
}

#ifndef DROVAN_ANY_DRIVE_REMOVABLE
TEST_F(WindowProgram, RefusesToRunFromAFixedDisk) {
  testsupport::FakeMachine fixed;
  const std::string program = fixed.placeProgram("opt/drovan/Drovan");
  QString caption;
  ui::setErrorBox([&](QWidget*, const QString& c, const QString& text) {
    caption = c;
    errors.push_back(text);
  });
  SetExitProcessHook([](int code) { throw ProcessEnded{code}; });
  try {
    RunWindowProgram(fixed.paths());
    FAIL() << "the program ran";
  } catch (const ProcessEnded& ended) {
    EXPECT_EQ(ended.code, 0);
  }
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], QStringLiteral("对不起，请把本程序放至到U盘上使用!"));
  EXPECT_EQ(caption, QStringLiteral("Drovan"));
  EXPECT_EQ(programWindow(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(program).parent_path() / kConfigFileName));
}
#endif
