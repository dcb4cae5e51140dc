// CorvelDrovan: the window program.
#include <QApplication>

#include "platform/machine_paths.h"
#include "ui/program_entry.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("CorvelDrovan"));
  return RunWindowProgram(platform::programMachine());
}
