// Running a Windows program from a test: its wide command line, its
// standard output and error gathered in files, and its exit code.
#pragma once

#include <string>

namespace testsupport {

struct WinRun {
  unsigned long exitCode = 0;
  std::string out, err;  // as the program wrote them (UTF-8)
};

// Runs program (a full path, UTF-8) with arguments already quoted as one
// command-line tail; scratch names a folder for the captured output.
WinRun runWindowsProgram(const std::string& program, const std::string& arguments, const std::string& scratch);

// The wide-call helpers a test needs without std::filesystem's narrow paths.
bool writeFileUtf8(const std::string& path, const std::string& content);
std::string readFileUtf8(const std::string& path);
bool copyFileUtf8(const std::string& from, const std::string& to);
bool makeFolders(const std::string& path);
bool fileExists(const std::string& path);
void removeAll(const std::string& path);
// The process's temporary folder, with its trailing "\".
std::string tempFolder();

}  // namespace testsupport
