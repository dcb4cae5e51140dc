#include "tests/support/fuse_mount.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

bool runningAsRoot() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Uid:", 0) != 0) continue;
    std::istringstream fields(line.substr(4));
    std::string real, effective;
    fields >> real >> effective;
    return effective == "0";
  }
  return false;
}

bool findTool(const std::string& name) {
  std::vector<std::string> dirs = {"/usr/sbin", "/sbin", "/usr/bin", "/bin"};
  if (const char* path = std::getenv("PATH")) {
    std::istringstream list(path);
    std::string dir;
    while (std::getline(list, dir, ':'))
      if (!dir.empty()) dirs.push_back(dir);
  }
  for (const auto& dir : dirs) {
    std::error_code ec;
    if (fs::is_regular_file(fs::path(dir) / name, ec)) return true;
  }
  return false;
}

std::string shellQuoted(const fs::path& path) { return "'" + path.string() + "'"; }

}  // namespace

bool isMountPoint(const fs::path& mountPoint) {
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, point;
    fields >> id >> parent >> device >> root >> point;
    if (point == mountPoint.string()) return true;
  }
  return false;
}

bool FuseMount::available(FuseFs kind, std::string& why) {
  const std::string name = kind == FuseFs::Exfat ? "exFAT" : "FAT32";
  if (!runningAsRoot()) {
    why = name + " tests need root to mount a file system image";
    return false;
  }
  if (!fs::exists("/dev/fuse")) {
    why = name + " tests need /dev/fuse";
    return false;
  }
  const std::vector<std::string> tools =
      kind == FuseFs::Exfat ? std::vector<std::string>{"mkfs.exfat", "mount.exfat-fuse", "losetup", "umount"}
                            : std::vector<std::string>{"mkfs.vfat", "fusefat", "umount"};
  const char* packages = kind == FuseFs::Exfat ? " (packages exfatprogs, exfat-fuse, mount)"
                                               : " (packages dosfstools, fusefat, mount)";
  for (const auto& tool : tools) {
    if (!findTool(tool)) {
      why = name + " tests need " + tool + packages;
      return false;
    }
  }
  return true;
}

FuseMount::FuseMount(FuseFs kind, std::uint64_t bytes, std::string tz) : fs_(kind), tz_(std::move(tz)) {
  std::random_device rd;
  work_ = fs::temp_directory_path() /
          ((kind == FuseFs::Exfat ? "drovan-exfat-" : "drovan-fat32-") + std::to_string(rd()));
  fs::create_directories(work_);
  image_ = work_ / "usb.img";
  mountPoint_ = work_ / "usb";
  fs::create_directory(mountPoint_);
  { std::ofstream(image_, std::ios::binary); }
  fs::resize_file(image_, bytes);

  auto fail = [this](const std::string& what) {
    const std::string output = log();
    unmount();
    std::error_code ec;
    fs::remove_all(work_, ec);
    throw std::runtime_error(what + ":\n" + output);
  };
  if (kind == FuseFs::Exfat) {
    if (!run("mkfs.exfat -L DROVAN " + shellQuoted(image_))) fail("mkfs.exfat failed");
  } else {
    // No volume label: fusefat lists it as a file. Clusters of 4 KiB, as
    // fusefat reports no free space with 512-byte ones.
    if (!run("mkfs.vfat -F 32 -s 8 " + shellQuoted(image_))) fail("mkfs.vfat failed");
  }
  if (!mountImage()) fail(kind == FuseFs::Exfat ? "mount.exfat-fuse failed" : "fusefat failed");
}

bool FuseMount::mountImage() {
  const std::string zone = tz_.empty() ? std::string() : "TZ='" + tz_ + "' ";
  if (fs_ == FuseFs::Fat32) {
    // Attributes are asked for each time, or a time set a moment ago may
    // read as the one before.
    if (!run(zone + "fusefat -o rw+ -o attr_timeout=0 " + shellQuoted(image_) + " " + shellQuoted(mountPoint_)) ||
        !isMountPoint(mountPoint_))
      return false;
    mounted_ = true;
    return true;
  }
  // exfat-fuse run by root wants a block device; try the image, then a loop device.
  if (loopDevice_.empty()) {
    if (run(zone + "mount.exfat-fuse " + shellQuoted(image_) + " " + shellQuoted(mountPoint_)) &&
        isMountPoint(mountPoint_)) {
      mounted_ = true;
      return true;
    }
    const fs::path deviceFile = work_ / "loop-device";
    if (!run("losetup -f --show " + shellQuoted(image_), deviceFile)) return false;
    std::ifstream(deviceFile) >> loopDevice_;
    if (loopDevice_.empty()) return false;
  }
  if (!run(zone + "mount.exfat-fuse " + shellQuoted(loopDevice_) + " " + shellQuoted(mountPoint_)) ||
      !isMountPoint(mountPoint_))
    return false;
  mounted_ = true;
  return true;
}

int FuseMount::daemonPid() const {
  for (const auto& process : fs::directory_iterator("/proc")) {
    const std::string name = process.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream cmdline(process.path() / "cmdline", std::ios::binary);
    std::vector<std::string> argv;
    for (std::string arg; std::getline(cmdline, arg, '\0');) argv.push_back(arg);
    if (argv.empty() || (argv[0].find("exfat") == std::string::npos && argv[0].find("fusefat") == std::string::npos))
      continue;
    for (const auto& arg : argv)
      if (arg == mountPoint_.string()) return std::stoi(name);
  }
  return -1;
}

void FuseMount::pull() const {
  const int pid = daemonPid();
  if (pid <= 0) throw std::runtime_error("no FUSE daemon serves " + mountPoint_.string());
  ::kill(pid, SIGKILL);
  for (int attempt = 0; attempt < 500; ++attempt) {
    std::error_code ec;
    [[maybe_unused]] const fs::file_status st = fs::status(mountPoint_, ec);
    if (ec == std::errc::not_connected) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  throw std::runtime_error("the mount of " + mountPoint_.string() + " outlived its daemon");
}

void FuseMount::remount(const std::string& tz) {
  if (!tz.empty()) tz_ = tz;
  if (mounted_) {
    for (int attempt = 0; attempt < 50 && isMountPoint(mountPoint_); ++attempt) {
      if (run("umount " + shellQuoted(mountPoint_))) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    mounted_ = false;
  }
  if (isMountPoint(mountPoint_)) throw std::runtime_error("cannot unmount " + mountPoint_.string() + ":\n" + log());
  if (!mountImage()) throw std::runtime_error("cannot mount " + mountPoint_.string() + " again:\n" + log());
}

FuseMount::~FuseMount() {
  unmount();
  if (isMountPoint(mountPoint_)) return;  // never delete through a live mount
  std::error_code ec;
  fs::remove_all(work_, ec);
}

bool FuseMount::run(const std::string& command, const std::filesystem::path& output) const {
  const fs::path log = work_ / "log";
  const std::string line = command + " >" +
                           (output.empty() ? ">" + shellQuoted(log) : shellQuoted(output)) +
                           " 2>>" + shellQuoted(log);
  return std::system(line.c_str()) == 0;
}

std::string FuseMount::log() const {
  std::ifstream in(work_ / "log");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void FuseMount::unmount() {
  if (mounted_) {
    // The FUSE daemon may still be busy with the last writes for a moment.
    for (int attempt = 0; attempt < 50 && isMountPoint(mountPoint_); ++attempt) {
      if (run("umount " + shellQuoted(mountPoint_))) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (isMountPoint(mountPoint_)) run("fusermount -u " + shellQuoted(mountPoint_));
    mounted_ = false;
  }
  if (!loopDevice_.empty()) {
    // A device still held by the exiting daemon is detached when it lets go.
    run("losetup -d " + shellQuoted(loopDevice_));
    loopDevice_.clear();
  }
}

}  // namespace testsupport
