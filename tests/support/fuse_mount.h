// A real USB-stick file system for tests: a file image formatted as exFAT
// (mkfs.exfat, mounted through exfat-fuse, via a loop device where FUSE will
// not take the image file itself) or as FAT32 (mkfs.vfat, mounted through
// fusefat), unmounted and removed again by the destructor. Mounting needs
// root, /dev/fuse and the tools; tests check available() first and skip
// with its reason.
//
// fusefat has limits a real FAT32 stick does not: ASCII names only, and it
// keeps times in the daemon's standard time (the daemon's TZ, which
// remount() can change to show a stick moved to another time zone).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

namespace testsupport {

enum class FuseFs { Exfat, Fat32 };

class FuseMount {
 public:
  // True when this machine can mount one; otherwise `why` says what is missing.
  static bool available(FuseFs fs, std::string& why);

  // Creates, formats and mounts an image of `bytes`, its daemon run with the
  // time zone `tz` (empty: this process's). Throws std::runtime_error with
  // the tools' output when that fails.
  explicit FuseMount(FuseFs fs, std::uint64_t bytes = 64ull << 20, std::string tz = {});
  ~FuseMount();
  FuseMount(const FuseMount&) = delete;
  FuseMount& operator=(const FuseMount&) = delete;

  FuseFs fs() const { return fs_; }

  // The mounted file system's root folder.
  const std::filesystem::path& path() const { return mountPoint_; }
  std::string str() const { return mountPoint_.string(); }

  // Pulls the drive: kills the FUSE daemon serving the mount and returns
  // once the mount answers ENOTCONN, as every later access then does. Safe
  // to call from any thread, also from inside a file operation of the test.
  // Throws std::runtime_error when no daemon is found.
  void pull() const;
  // Unmounts (a pulled drive too) and mounts the same image again, as
  // plugging the drive back in, on a computer in time zone `tz` when given.
  // Throws std::runtime_error when that fails.
  void remount(const std::string& tz = {});

 private:
  bool mountImage();
  // The process id of the FUSE daemon serving this mount, or -1.
  int daemonPid() const;
  // Runs a shell command; its output goes to `output` or else to the log.
  bool run(const std::string& command, const std::filesystem::path& output = {}) const;
  std::string log() const;
  void unmount();

  FuseFs fs_;
  std::string tz_;
  std::filesystem::path work_;
  std::filesystem::path image_;
  std::filesystem::path mountPoint_;
  std::string loopDevice_;
  bool mounted_ = false;
};

struct ExfatMount : FuseMount {
  static bool available(std::string& why) { return FuseMount::available(FuseFs::Exfat, why); }
  explicit ExfatMount(std::uint64_t bytes = 64ull << 20, std::string tz = {})
      : FuseMount(FuseFs::Exfat, bytes, std::move(tz)) {}
};

struct FatMount : FuseMount {
  static bool available(std::string& why) { return FuseMount::available(FuseFs::Fat32, why); }
  explicit FatMount(std::uint64_t bytes = 64ull << 20, std::string tz = {})
      : FuseMount(FuseFs::Fat32, bytes, std::move(tz)) {}
};

// True when the mount table lists `mountPoint`.
bool isMountPoint(const std::filesystem::path& mountPoint);

}  // namespace testsupport
