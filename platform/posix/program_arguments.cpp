// POSIX hands the arguments over as the bytes they were given in.
#include "platform/program_arguments.h"

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

}  // namespace platform
