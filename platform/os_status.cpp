#include "platform/os_status.h"

namespace platform {

std::string describe(const OsStatus& status) {
  if (status.ok()) return {};
  std::string text = status.operation;
  if (!status.path.empty()) {
    if (!text.empty()) text.push_back(' ');
    text.append("'").append(status.path).append("'");
  }
  if (!text.empty()) text.append(": ");
  text.append(status.code.message());
  return text;
}

}  // namespace platform
