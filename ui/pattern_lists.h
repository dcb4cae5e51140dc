// The type-pattern boxes of the options page and the lists they edit, for
// both windows: a box shows its list as the ";"-delimited text and takes
// its lines back as one ","-delimited text read as that list.
#pragma once

#include <string>
#include <vector>

#include "config/string_list.h"

void StorePatternLines(const std::vector<std::string>& lines, TStringList& list);
std::string ShownPatterns(const TStringList& list);
