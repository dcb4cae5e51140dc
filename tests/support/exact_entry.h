// One entry of an exact snapshot (tree_snapshot.h) as this system reports
// it, the link itself for a link.
#pragma once

#include <filesystem>

#include "tests/support/tree_snapshot.h"

namespace testsupport {

ExactEntry exactEntry(const std::filesystem::path& path);

}  // namespace testsupport
