// Running a program of the build in tests: its output, its exit status, and
// signals sent to it while it runs.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
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
  enum class Output { File, Pipe };
  // Starts program with args; standard output and error go to files in a
  // fresh temporary folder, standard input is /dev/null. With Output::Pipe
  // standard output is a pipe that the test reads with readLine() and may
  // close early, as "| head" does; wait() then collects no output.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               Output output = Output::File);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void signal(int sig) const;
  // The next line from the output pipe, without its line end; nullopt at
  // its end.
  std::optional<std::string> readLine();
  // Closes the test's end of the output pipe: the program's later writes
  // fail with EPIPE (or raise SIGPIPE).
  void closeOutput();
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
  int outPipe_ = -1;
  bool piped_ = false;
  std::string pending_;
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
