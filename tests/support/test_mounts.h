// File systems mounted for one test: a small tmpfs (a drive that fills up,
// or fast scratch space for many trials) and a read-only bind mount of a
// folder (a write-protected drive). Both need root; tests ask available()
// first and skip with its reason. The destructors unmount and clean up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace testsupport {

// True when this process may mount file systems; otherwise `why` says why not.
bool canMount(std::string& why);

class TmpfsMount {
 public:
  // Mounts a tmpfs of `bytes` on a fresh folder. Throws std::runtime_error
  // when mounting fails.
  explicit TmpfsMount(std::uint64_t bytes);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  const std::filesystem::path& path() const { return mountPoint_; }
  // Bytes still free for files.
  std::uint64_t freeBytes() const;

 private:
  std::filesystem::path work_;
  std::filesystem::path mountPoint_;
};

class ReadOnlyBindMount {
 public:
  // Makes `folder` itself a read-only view of what it holds. Throws
  // std::runtime_error when that fails.
  explicit ReadOnlyBindMount(const std::filesystem::path& folder);
  ~ReadOnlyBindMount();
  ReadOnlyBindMount(const ReadOnlyBindMount&) = delete;
  ReadOnlyBindMount& operator=(const ReadOnlyBindMount&) = delete;

 private:
  std::filesystem::path folder_;
};

// Fast scratch space for tests that write many trees: a tmpfs of `bytes`
// where mounting is allowed, else a temporary folder on the ordinary drive.
class ScratchSpace {
 public:
  explicit ScratchSpace(std::uint64_t bytes);
  ~ScratchSpace();
  ScratchSpace(const ScratchSpace&) = delete;
  ScratchSpace& operator=(const ScratchSpace&) = delete;

  const std::filesystem::path& path() const { return path_; }
  bool onTmpfs() const { return mount_ != nullptr; }

 private:
  std::unique_ptr<TmpfsMount> mount_;
  std::filesystem::path path_;
};

}  // namespace testsupport
