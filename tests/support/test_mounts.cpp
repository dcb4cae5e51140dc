#include "tests/support/test_mounts.h"

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>
#include <thread>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

fs::path freshFolder(const std::string& stem) {
  std::random_device rd;
  fs::path folder = fs::temp_directory_path() / (stem + std::to_string(rd()));
  fs::create_directories(folder);
  return folder;
}

std::string lastError(const std::string& what) { return what + ": " + std::strerror(errno); }

void unmountPatiently(const fs::path& point) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (::umount2(point.c_str(), 0) == 0 || errno == EINVAL || errno == ENOENT) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ::umount2(point.c_str(), MNT_DETACH);
}

}  // namespace

bool canMount(std::string& why) {
  if (::geteuid() != 0) {
    why = "mounting a file system needs root";
    return false;
  }
  // Containers may hold root without the right to mount.
  const fs::path probe = freshFolder("drovan-mount-probe-");
  const bool ok = ::mount("tmpfs", probe.c_str(), "tmpfs", 0, "size=64k") == 0;
  if (ok) {
    ::umount2(probe.c_str(), 0);
  } else {
    why = lastError("this machine refuses mounts (mount tmpfs)");
  }
  std::error_code ec;
  fs::remove(probe, ec);
  return ok;
}

TmpfsMount::TmpfsMount(std::uint64_t bytes)
    : work_(freshFolder("drovan-tmpfs-")), mountPoint_(work_ / "drive") {
  fs::create_directory(mountPoint_);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    const std::string error = lastError("mount tmpfs on " + mountPoint_.string());
    std::error_code ec;
    fs::remove_all(work_, ec);
    throw std::runtime_error(error);
  }
}

TmpfsMount::~TmpfsMount() {
  unmountPatiently(mountPoint_);
  std::error_code ec;
  fs::remove(mountPoint_, ec);  // never remove_all: the mount may still be there
  fs::remove(work_, ec);
}

std::uint64_t TmpfsMount::freeBytes() const {
  struct statvfs st {};
  if (::statvfs(mountPoint_.c_str(), &st) != 0) return 0;
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

ReadOnlyBindMount::ReadOnlyBindMount(const fs::path& folder) : folder_(folder) {
  if (::mount(folder_.c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) != 0)
    throw std::runtime_error(lastError("bind mount " + folder_.string()));
  if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    const std::string error = lastError("read-only remount of " + folder_.string());
    unmountPatiently(folder_);
    throw std::runtime_error(error);
  }
}

ReadOnlyBindMount::~ReadOnlyBindMount() { unmountPatiently(folder_); }

ScratchSpace::ScratchSpace(std::uint64_t bytes) {
  std::string why;
  if (canMount(why)) {
    mount_ = std::make_unique<TmpfsMount>(bytes);
    path_ = mount_->path();
  } else {
    path_ = freshFolder("drovan-scratch-");
  }
}

ScratchSpace::~ScratchSpace() {
  std::error_code ec;
  if (mount_) {
    // Emptied before the unmount, so a mount that will not go leaves nothing.
    for (const auto& entry : fs::directory_iterator(path_, ec)) fs::remove_all(entry.path(), ec);
  } else {
    fs::remove_all(path_, ec);
  }
}

}  // namespace testsupport
