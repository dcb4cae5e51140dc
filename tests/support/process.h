// Running a program of the build in tests: its output, its exit status, and
// signals sent to it while it runs.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
  int exitStatus = -1;  // the exit code, or 128 + signal when killed
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  // Starts program with args; standard output and error go to files in a
  // fresh temporary folder, standard input is /dev/null.
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void signal(int sig) const;
  int pid() const { return pid_; }
  // Whether the running process has a handler installed for sig (read from
  // /proc); false once it has ended.
  bool catchesSignal(int sig) const;
  // Polls catchesSignal until it holds; false after the timeout or when the
  // process ended first.
  bool waitUntilCatching(int sig, std::chrono::milliseconds timeout) const;
  // What the program has written to standard output so far.
  std::string outputSoFar() const;
  // Waits for the end (killing the process after the timeout) and collects
  // its output.
  ProcessResult wait(std::chrono::seconds timeout = std::chrono::seconds(120));

 private:
  int pid_ = -1;
  std::string outFile_, errFile_;
  bool reaped_ = false;
};

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::seconds timeout = std::chrono::seconds(120));

}  // namespace testsupport
