// The one letter-case folding of the program: Unicode case folding, as
// drives that ignore letter case and the configuration file's names compare.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// text under Unicode case folding into out. Bytes that are not UTF-8 stay
// as they are, the letters around them are folded. False only when the
// folding itself is not available (out then undefined).
bool foldCase(std::string_view text, std::string& out);

// text folded, or text itself when it cannot be.
std::string foldedCase(std::string_view text);

// Texts equal under Unicode case folding (byte equality when it cannot be done).
bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform
