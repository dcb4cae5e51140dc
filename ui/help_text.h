// The text of the help page (Memo4).
#pragma once

#include <string>
#include <vector>

// The help page's lines, in order, without line breaks.
const std::vector<std::string>& HelpLines();
