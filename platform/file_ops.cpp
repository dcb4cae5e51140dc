#include "platform/file_ops.h"

namespace platform {

std::string describe(const OpResult& result) {
  if (result) return {};
  return result.operation + " '" + result.path + "': " + result.error.message();
}

}  // namespace platform
