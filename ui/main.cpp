// CorvelDrovan: the window program.
#include <QApplication>

#include "ui/program_entry.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("CorvelDrovan"));
  return RunWindowProgram();
}
