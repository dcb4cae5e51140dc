// A real exFAT file system for tests: a file image formatted with
// mkfs.exfat and mounted through exfat-fuse (via a loop device where FUSE
// will not take the image file itself), unmounted and removed again by the
// destructor. Mounting needs root, /dev/fuse and the exfat tools; tests
// check available() first and skip with its reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport {

class ExfatMount {
 public:
  // True when this machine can mount one; otherwise `why` says what is missing.
  static bool available(std::string& why);

  // Creates, formats and mounts an image of `bytes`. Throws
  // std::runtime_error with the tools' output when that fails.
  explicit ExfatMount(std::uint64_t bytes = 64ull << 20);
  ~ExfatMount();
  ExfatMount(const ExfatMount&) = delete;
  ExfatMount& operator=(const ExfatMount&) = delete;

  // The mounted file system's root folder.
  const std::filesystem::path& path() const { return mountPoint_; }
  std::string str() const { return mountPoint_.string(); }

  // Pulls the drive: kills the FUSE daemon serving the mount and returns
  // once the mount answers ENOTCONN, as every later access then does. Safe
  // to call from any thread, also from inside a file operation of the test.
  // Throws std::runtime_error when no daemon is found.
  void pull() const;
  // Unmounts (a pulled drive too) and mounts the same image again, as
  // plugging the drive back in. Throws std::runtime_error when that fails.
  void remount();

 private:
  bool mountImage();
  // The process id of the FUSE daemon serving this mount, or -1.
  int daemonPid() const;
  // Runs a shell command; its output goes to `output` or else to the log.
  bool run(const std::string& command, const std::filesystem::path& output = {}) const;
  std::string log() const;
  void unmount();

  std::filesystem::path work_;
  std::filesystem::path image_;
  std::filesystem::path mountPoint_;
  std::string loopDevice_;
  bool mounted_ = false;
};

// True when the mount table lists `mountPoint`.
bool isMountPoint(const std::filesystem::path& mountPoint);

}  // namespace testsupport
