// The command line of a program entry as UTF-8 texts, whatever code page
// the system hands narrow arguments in. Also sets the console, where there
// is one, to show UTF-8 output as such.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments after the program name. argc and argv are main's.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace platform
