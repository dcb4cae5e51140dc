#include "tests/support/held_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/file_ops.h"
#include "platform/folder_reader.h"
#include "platform/temp_names.h"
#include "tests/support/file_checks.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

HeldFile::HeldFile(const std::filesystem::path& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + path.string());
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    throw std::runtime_error("cannot lock " + path.string());
  }
}

HeldFile::~HeldFile() { ::close(fd_); }

bool isHeld(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

}  // namespace testsupport

namespace testsupport {

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path.string());
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

std::string checkCopyTempSurvivesAWalk(const fs::path& sourceFolder, const fs::path& destinationFolder) {
  std::string problems;
  auto fail = [&](const std::string& what) { problems += what + "\n"; };
  const std::string data = patternBytes(3 * platform::kCopyChunkSize + 5, 9);
  writeFile(sourceFolder / "big.bin", data);
  const std::string leftover = std::string(platform::kCopyTempPrefix) + "1f-2e-3d";
  const std::string userFile = std::string(platform::kCopyTempPrefix) + "notes.txt";
  writeFile(destinationFolder / leftover, "a crash's leftover");
  writeFile(destinationFolder / userFile, "the user's own");

  bool walked = false;
  const platform::CopyProgress duringCopy = [&](platform::CopyStep step, std::int64_t, std::int64_t) {
    if (step != platform::CopyStep::Chunk || walked) return platform::CopyProgressAction::Continue;
    walked = true;
    std::vector<fs::path> temps;
    for (const auto& e : fs::directory_iterator(destinationFolder)) {
      const std::string name = e.path().filename().string();
      if (name != leftover && name != userFile && name.rfind(platform::kCopyTempPrefix, 0) == 0)
        temps.push_back(e.path());
    }
    if (temps.size() != 1) {
      fail("expected the copy's one temporary file, found " + std::to_string(temps.size()));
      return platform::CopyProgressAction::Continue;
    }
    const fs::path temp = temps.front();
    if (!platform::isCopyTempName(temp.filename().string()))
      fail("the copy's name is not of the recognised form: " + temp.filename().string());
    if (!isHeld(temp)) fail("the copy does not hold its temporary file");
    platform::FolderReader walk;
    walk.setRemoveCopyTemps(true);
    if (walk.open(destinationFolder.string())) {
      fail("cannot open the destination folder");
      return platform::CopyProgressAction::Continue;
    }
    bool userListed = false;
    platform::FolderEntry entry;
    while (walk.next(entry)) {
      if (entry.name == userFile) userListed = true;
      if (entry.name == temp.filename().string() || entry.name == leftover) fail("a temporary file was listed");
    }
    if (!userListed) fail("the user's file was not listed");
    if (!fs::exists(temp)) fail("the walk removed the running copy's file");
    if (fs::exists(destinationFolder / leftover)) fail("the walk left an unheld leftover");
    return platform::CopyProgressAction::Continue;
  };
  const platform::CopyResult r = platform::copyFileWithProgress(
      (sourceFolder / "big.bin").string(), (destinationFolder / "big.bin").string(), duringCopy);
  if (!walked) fail("no progress call during the copy");
  if (!r.ok()) fail("the copy failed: " + r.status.code.message());
  if (readFile(destinationFolder / "big.bin") != data) fail("the copy's content differs");
  if (!fs::exists(destinationFolder / userFile) || readFile(destinationFolder / userFile) != "the user's own")
    fail("the user's file is gone or changed");
  if (copyTempFiles(destinationFolder) != 0) fail("a temporary file is left after the copy");
  return problems;
}

}  // namespace testsupport
