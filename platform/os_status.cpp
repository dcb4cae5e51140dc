#include "platform/os_status.h"

namespace platform {

int errnoOf(const std::error_code& code) {
  if (!code) return 0;
  if (code.category() == std::generic_category()) return code.value();
  if (code.category() == std::system_category())
    if (const int nearest = nearestErrnoOfSystemError(code.value())) return nearest;
  const std::error_condition condition = code.default_error_condition();
  return condition.category() == std::generic_category() ? condition.value() : 0;
}

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
