// Running a program of the build as an unprivileged user, so permission bits
// apply to it although the tests run as root: the command line goes through
// setpriv(1) (util-linux), and the trees it works on are handed to that user.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The user and group "nobody" on Debian.
inline constexpr unsigned kNobody = 65534;

// True when `program` can be run as kNobody here: we are root, setpriv is
// installed, and that user may reach and run the program. Otherwise `why`
// says what is missing.
bool canRunAsNobody(const std::string& program, std::string& why);

// The program and arguments that run `program` with `args` as kNobody (user,
// group, no supplementary groups).
std::string setprivPath();
std::vector<std::string> asNobody(const std::string& program, const std::vector<std::string>& args);

// Runs body in a forked child that has become kNobody (user, group, no
// supplementary groups) and gives back what body returned (0..255), or -1
// when that cannot be done here (then `why` says why). The child never
// returns into the test: use it for checks of the calling process's own code
// under permission bits that root would ignore. Call it while the process
// runs no other threads.
int runAsNobody(const std::function<int()>& body, std::string& why);

// Gives root and everything below it (links themselves, not their targets)
// to uid and gid.
void giveTree(const std::filesystem::path& root, unsigned uid, unsigned gid);

}  // namespace testsupport
