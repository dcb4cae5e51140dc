// Running a program of the build in tests: its output, its exit status, and
// signals sent to it while it runs.
#pragma once

#include <chrono>
#include <functional>
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
  // Waits for the end (killing the process after the timeout) and collects
  // its output.
  ProcessResult wait(std::chrono::seconds timeout = std::chrono::seconds(120));

 private:
  int pid_ = -1;
  std::string outFile_, errFile_;
  bool reaped_ = false;
};

// A forked copy of this process that runs `body` once, tells the parent
// its result, and then stays alive, holding whatever body took, until it is
// told to exit (without running destructors) or is killed. For tests of what
// the kernel releases when a process ends. Fork only from a test without
// threads of its own.
class ForkedChild {
 public:
  explicit ForkedChild(const std::function<bool()>& body);
  ~ForkedChild();  // kills the child if it still lives
  ForkedChild(const ForkedChild&) = delete;
  ForkedChild& operator=(const ForkedChild&) = delete;

  bool result() const { return result_; }
  // Ends the child with _exit(0) and waits for it.
  void exitNormally();
  // Sends sig and waits for the child's end.
  void kill(int sig);

 private:
  void reap();
  int pid_ = -1;
  int toChild_ = -1;
  bool result_ = false;
};

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::seconds timeout = std::chrono::seconds(120));

}  // namespace testsupport
