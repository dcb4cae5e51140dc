#include "ui/program_entry.h"

#include <chrono>

#include <QApplication>

#include "config/pOstSync.h"
#include "engine/pThdSync.h"
#include "platform/exceptions.h"
#include "ui/dialogs.h"
#include "ui/folder_checks.h"
#include "ui/qt_translations.h"
#include "ui/pSync.h"
#include "ui/termination_requests.h"

int RunWindowProgram(const platform::MachinePaths& machine) {
  // Before the first box: even the refusal's button is Chinese.
  ui::installQtTranslations(*qApp, QString::fromStdString(ProgramFolder(machine)));
  SetMessageBoxHook([](const std::string& text, const std::string& caption) {
    ui::errorBox(nullptr, QString::fromStdString(caption), QString::fromStdString(text));
  });
  CreateSyncAction(machine);

  // The loop ends when the window accepts a close, not when the last window
  // disappears: a message box closed while the window sits in the tray is no
  // end of the program.
  const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
  QApplication::setQuitOnLastWindowClosed(false);
  {
    TSyncForm form;
    QObject::connect(&form, &TSyncForm::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    // Ended from outside: as "退出", so a job stops cleanly and the settings are written.
    const TerminationRequests termination([&form] { form.N5Click(); });
    form.show();
    QApplication::exec();
    // The window closes only once no job is left; its thread may still be
    // on its last steps.
    ThdSync::WaitForAllJobs(std::chrono::seconds(10));
  }
  QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);

  try {
    DestroySyncAction();
  } catch (const Exception& e) {
    ui::errorBox(nullptr, QStringLiteral("CorvelDrovan"), QString::fromStdString(e.what()));
    return 1;
  }
  return 0;
}
