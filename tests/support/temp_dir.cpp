#include "tests/support/temp_dir.h"

#include <fstream>
#include <vector>
#include <random>
#include <stdexcept>
#include <system_error>

namespace testsupport {
std::filesystem::path fromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("drovan-test-" + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave folders without write or search permission behind.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::write(const std::string& relative, const std::string& content) const {
  const auto file = path_ / fromUtf8(relative);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + file.string());
  return file;
}

std::filesystem::path TempDir::mkdir(const std::string& relative) const {
  const auto dir = path_ / fromUtf8(relative);
  std::filesystem::create_directories(dir);
  return dir;
}

std::string readFile(const std::filesystem::path& file) {
  // Block reads: tests read trees of many megabytes in debug builds.
  std::ifstream in(file, std::ios::binary);
  std::string content;
  std::vector<char> buffer(1 << 16);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
    content.append(buffer.data(), static_cast<std::size_t>(in.gcount()));
  return content;
}

}  // namespace testsupport
