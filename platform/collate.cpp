// Sort keys on every system: the system's collation key, then the text
// itself, so that two different names never sort as equal.
#include "platform/collate.h"

namespace platform {

void appendSortKey(std::string& out, std::string_view text) {
  appendCollationKey(out, text);
  out.append(text);
}

std::string sortKey(std::string_view text) {
  std::string key;
  appendSortKey(key, text);
  return key;
}

}  // namespace platform
