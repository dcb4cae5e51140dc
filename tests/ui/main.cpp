// The window tests share one application object; without a display they
// run on Qt's offscreen platform (also when the test list is read at build
// time, outside ctest's environment).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Windows come and go in every test; only the program's own loop may end.
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
