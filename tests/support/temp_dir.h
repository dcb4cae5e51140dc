// A fresh folder per test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // Writes a file (creating parent folders) and returns its path.
  std::filesystem::path write(const std::string& relative, const std::string& content = {}) const;
  std::filesystem::path mkdir(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& file);
// The same for a path in UTF-8 text, as the program names its files.
std::string readFile(const std::string& file);

// Test names are UTF-8 on every system; a narrow path is not read as
// UTF-8 everywhere (Windows takes its code page).
std::filesystem::path fromUtf8(const std::string& text);
// And back: a path's text in UTF-8, whatever the code page.
std::string toUtf8(const std::filesystem::path& path);

}  // namespace testsupport
