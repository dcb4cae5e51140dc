// The CI check of the one door to the OS and the one door to Qt
// (scripts/check_layers.sh): it passes on this tree and names each kind of
// breach in a tree built to hold one of each.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

std::string script() {
  const char* source = std::getenv("DROVAN_SOURCE_DIR");
  return source ? std::string(source) + "/scripts/check_layers.sh" : std::string();
}

std::set<std::string> lines(const std::string& text) {
  std::set<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.insert(line);
  return out;
}

}  // namespace

TEST(LayerCheck, ThisTreeKeepsTheOsAndQtBehindTheirDoors) {
  if (script().empty()) GTEST_SKIP() << "DROVAN_SOURCE_DIR not set";
  testsupport::ChildProcess check("/bin/bash", {script()});
  const auto result = check.wait();
  EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
}

TEST(LayerCheck, NamesEachBreachAndOnlyThose) {
  if (script().empty()) GTEST_SKIP() << "DROVAN_SOURCE_DIR not set";
  testsupport::TempDir tree;
  // Breaches.
  tree.write("engine/a.cpp", "#include <unistd.h>\n#include <sys/stat.h>\n");
  tree.write("engine/b.cpp", "void f() {\n  ::unlink(\"x\");\n}\n");
  tree.write("cli/c.cpp", "void g() { std::signal(SIGHUP, h); }\n");
  tree.write("platform/d.cpp", "#include <fcntl.h>\n");
  tree.write("platform/e.h", "#pragma once\n#ifdef _WIN32\n#endif\n");
  tree.write("config/g.cpp", "#include \"platform/linux/mount_table.h\"\n");
  tree.write("engine/q.h", "#include <QString>\n");
  tree.write("config/CMakeLists.txt", "target_link_libraries(config PRIVATE Qt6::Core)\n");
  tree.write("tests/engine/qt.cpp", "#include <QString>\n");  // only the window's tests drive Qt
  // Allowed: the OS folder, tests, the window, text and comments.
  tree.write("platform/posix/f.cpp", "#include <fcntl.h>\nvoid f() { ::unlink(\"x\"); std::signal(SIGPIPE, h); }\n");
  tree.write("platform/h.cpp", "#include \"platform/linux/mount_table.h\"\n");
  tree.write("tests/engine/t.cpp", "#include <unistd.h>\nvoid t() { ::rmdir(\"x\"); }\n");
  tree.write("tests/ui/u.cpp", "#include <QLineEdit>\n");
  tree.write("ui/w.cpp", "#include <QString>\n");
  tree.write("ui/CMakeLists.txt", "target_link_libraries(ui PUBLIC Qt6::Widgets)\n");
  tree.write("cli/help.cpp",
             "// ::open( and SIGHUP in a comment\n"
             "const char* help = \"stopped by SIGINT, SIGTERM or SIGHUP\";\n"
             "/* ::rename(\n   SIGPIPE */ int mine = obj.close() + ::std::abs(1);\n");

  testsupport::ChildProcess check("/bin/bash", {script(), tree.str()});
  const auto result = check.wait();
  EXPECT_EQ(result.exitStatus, 1);
  const std::set<std::string> expected = {
      "cli/c.cpp:1: signal SIGHUP, which standard C does not have, outside an OS folder of platform/",
      "config/CMakeLists.txt:1: links Qt outside ui/",
      "config/g.cpp:1: \"platform/linux/mount_table.h\" is internal to platform/",
      "engine/a.cpp:1: system header <unistd.h> outside an OS folder of platform/",
      "engine/a.cpp:2: system header <sys/stat.h> outside an OS folder of platform/",
      "engine/b.cpp:2: system call ::unlink( outside an OS folder of platform/",
      "engine/q.h:1: Qt header <QString> outside ui/",
      "platform/d.cpp:1: system header <fcntl.h> outside an OS folder of platform/",
      "platform/e.h:2: preprocessor test of the OS (_WIN32) outside an OS folder of platform/",
      "tests/engine/qt.cpp:1: Qt header <QString> outside ui/",
  };
  EXPECT_EQ(lines(result.out), expected) << result.out;
}
