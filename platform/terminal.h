// Whether a standard stream is a terminal, for output meant only for people.
#pragma once

namespace platform {

enum class StandardStream { Output = 1, Error = 2 };

bool isTerminal(StandardStream stream);

}  // namespace platform
