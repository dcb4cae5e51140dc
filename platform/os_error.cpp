#include "platform/os_error.h"

namespace platform {

std::string OsError::describe() const {
  if (!code) return {};
  std::string text = operation;
  if (!path.empty()) {
    if (!text.empty()) text.push_back(' ');
    text.append(path);
  }
  if (!text.empty()) text.append(": ");
  text.append(code.message());
  return text;
}

}  // namespace platform
