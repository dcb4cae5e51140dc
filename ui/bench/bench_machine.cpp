#include "ui/bench/bench_machine.h"

#include <fstream>
#include <random>

namespace fs = std::filesystem;

BenchMachine::BenchMachine(const std::string& stick) {
  std::random_device random;
  root_ = fs::temp_directory_path() / ("drovan-bench-" + std::to_string(random()));
  for (const char* disk : {"sda", "sdz"}) {
    fs::create_directories(root_ / "sys/class/block" / disk);
    fs::create_directories(root_ / "sys/block" / disk);
  }
  fs::create_directories(root_ / "net");
  std::ofstream(root_ / "sys/block/sda/removable") << "0\n";
  std::ofstream(root_ / "sys/block/sdz/removable") << "1\n";
  std::ofstream mounts(root_ / "mountinfo");
  if (stick.empty()) {
    mounts << "100 1 8:16 / / rw,relatime shared:1 - vfat /dev/sdz rw\n";
    std::ofstream(root_ / "Drovan") << "program";
    fs::create_symlink(root_ / "Drovan", root_ / "exe");
  } else {
    mounts << "100 1 8:0 / / rw,relatime shared:1 - ext4 /dev/sda rw\n"
           << "101 100 8:16 / " << stick << " rw,relatime shared:2 - ext4 /dev/sdz rw\n";
    fs::create_symlink(stick + "/CorvelDrovan", root_ / "exe");
  }
}

BenchMachine::~BenchMachine() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

platform::MachinePaths BenchMachine::paths() const {
  platform::MachinePaths p;
  p.mountInfo = (root_ / "mountinfo").string();
  p.sysfsRoot = (root_ / "sys").string();
  p.programPath = (root_ / "exe").string();
  p.netRoot = (root_ / "net").string();
  p.permanentAddress = nullptr;
  p.configFile = (root_ / "config.ini").string();
  return p;
}
