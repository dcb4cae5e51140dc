// Writing the fake machine's files.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace testsupport {

inline void writeFile(const std::filesystem::path& file, const std::string& content) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace testsupport
