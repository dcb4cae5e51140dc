#include "tests/support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "tests/support/process.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

void giveOne(const fs::path& path, unsigned uid, unsigned gid) {
  if (::lchown(path.c_str(), uid, gid) != 0) throw std::runtime_error("lchown failed: " + path.string());
}

}  // namespace

std::string setprivPath() {
  for (const char* candidate : {"/usr/bin/setpriv", "/bin/setpriv"})
    if (fs::exists(candidate)) return candidate;
  return {};
}

std::vector<std::string> asNobody(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> all = {"--reuid=" + std::to_string(kNobody), "--regid=" + std::to_string(kNobody),
                                  "--clear-groups", program};
  all.insert(all.end(), args.begin(), args.end());
  return all;
}

bool canRunAsNobody(const std::string& program, std::string& why) {
  if (::geteuid() != 0) {
    why = "switching to another user needs root (and as another user the checks below would run anyway)";
    return false;
  }
  if (setprivPath().empty()) {
    why = "setpriv (util-linux) is not installed";
    return false;
  }
  const ProcessResult probe = runProcess(setprivPath(), asNobody(program, {"--version"}));
  if (probe.exitStatus != 0) {
    why = "user " + std::to_string(kNobody) + " cannot run " + program + " (" + probe.err + ")";
    return false;
  }
  return true;
}

int runAsNobody(const std::function<int()>& body, std::string& why) {
  if (::geteuid() != 0) {
    why = "switching to another user needs root";
    return -1;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    why = "fork failed";
    return -1;
  }
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
        ::setresuid(kNobody, kNobody, kNobody) != 0)
      ::_exit(255);
    int result = 254;
    try {
      result = body();
    } catch (...) {
    }
    ::_exit(result & 0xff);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      why = "waitpid failed";
      return -1;
    }
  }
  if (!WIFEXITED(status)) {
    why = "the child ended by a signal";
    return -1;
  }
  if (WEXITSTATUS(status) == 255) {
    why = "the child could not become user " + std::to_string(kNobody);
    return -1;
  }
  return WEXITSTATUS(status);
}

void giveTree(const fs::path& root, unsigned uid, unsigned gid) {
  giveOne(root, uid, gid);
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
    giveOne(it->path(), uid, gid);
}

}  // namespace testsupport
