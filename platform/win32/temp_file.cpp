#include "platform/win32/temp_file.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "platform/temp_names.h"

namespace platform::win32 {
namespace {

std::atomic<unsigned> counter{0};

unsigned salt() {
  static const unsigned value = [] {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<unsigned>(now.QuadPart ^ (now.QuadPart >> 32));
  }();
  return value;
}

}  // namespace

std::string folderPartOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string newTempPath(const std::string& folder) {
  char tail[40];
  std::snprintf(tail, sizeof tail, "%lx-%x-%x", static_cast<unsigned long>(GetCurrentProcessId()), salt(),
                counter.fetch_add(1) + 1);
  std::string path = folder;
  if (!path.empty() && path.back() != '\\' && path.back() != '/' && path.back() != ':') path.push_back('\\');
  return path.append(kCopyTempPrefix).append(tail);
}

}  // namespace platform::win32
