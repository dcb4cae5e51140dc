#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace testsupport {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           Output output) {
  char tmpl[] = "/tmp/drovan-proc-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  outFile_ = std::string(tmpl) + "/out";
  errFile_ = std::string(tmpl) + "/err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  int pipeFds[2] = {-1, -1};
  if (output == Output::Pipe) {
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&actions, 2, errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeFds[1] >= 0) close(pipeFds[1]);
  outPipe_ = pipeFds[0];
  piped_ = output == Output::Pipe;
  if (rc != 0) {
    closeOutput();
    throw std::runtime_error("cannot start " + program);
  }
}

std::optional<std::string> ChildProcess::readLine() {
  for (;;) {
    if (const auto end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    if (outPipe_ < 0) return std::nullopt;
    char buffer[4096];
    const ssize_t got = read(outPipe_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
}

void ChildProcess::closeOutput() {
  if (outPipe_ >= 0) close(outPipe_);
  outPipe_ = -1;
}

ChildProcess::~ChildProcess() {
  closeOutput();
  if (!reaped_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  const auto dir = outFile_.substr(0, outFile_.rfind('/'));
  unlink(outFile_.c_str());
  unlink(errFile_.c_str());
  rmdir(dir.c_str());
}

void ChildProcess::signal(int sig) const { ::kill(pid_, sig); }

bool ChildProcess::catchesSignal(int sig) const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("State:", 0) == 0 && line.find('Z') != std::string::npos) return false;
    if (line.rfind("SigCgt:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    return (mask >> (sig - 1)) & 1u;
  }
  return false;
}

bool ChildProcess::waitUntilCatching(int sig, std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!catchesSignal(sig)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

ProcessResult ChildProcess::wait(std::chrono::seconds timeout) {
  ProcessResult r;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  reaped_ = true;
  r.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = piped_ ? std::string() : readFile(outFile_);
  r.err = readFile(errFile_);
  return r;
}

std::string ChildProcess::outputSoFar() const { return readFile(outFile_); }

ForkedChild::ForkedChild(const std::function<bool()>& body) {
  int toParent[2], toChild[2];
  if (pipe(toParent) != 0) throw std::runtime_error("pipe failed");
  if (pipe(toChild) != 0) {
    close(toParent[0]);
    close(toParent[1]);
    throw std::runtime_error("pipe failed");
  }
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(toParent[0]);
    close(toChild[1]);
    const char answer = body() ? 'y' : 'n';
    if (write(toParent[1], &answer, 1) != 1) _exit(3);
    char command = 0;
    if (read(toChild[0], &command, 1) != 1) _exit(4);
    _exit(0);
  }
  close(toParent[1]);
  close(toChild[0]);
  toChild_ = toChild[1];
  char answer = 0;
  if (read(toParent[0], &answer, 1) != 1) answer = 0;
  close(toParent[0]);
  result_ = answer == 'y';
}

ForkedChild::~ForkedChild() {
  if (pid_ > 0) kill(SIGKILL);
  if (toChild_ >= 0) close(toChild_);
}

void ForkedChild::exitNormally() {
  const char go = 'x';
  if (write(toChild_, &go, 1) != 1) ::kill(pid_, SIGKILL);
  reap();
}

void ForkedChild::kill(int sig) {
  ::kill(pid_, sig);
  reap();
}

void ForkedChild::reap() {
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::seconds timeout) {
  ChildProcess child(program, args);
  return child.wait(timeout);
}

}  // namespace testsupport
