#include <unistd.h>

#include "platform/terminal.h"

namespace platform {

bool isTerminal(StandardStream stream) { return ::isatty(static_cast<int>(stream)) == 1; }

}  // namespace platform
