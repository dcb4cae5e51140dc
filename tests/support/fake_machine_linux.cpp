// The Linux side of the fake machine: block devices in sysfs, the mount
// table, the program behind a link.
#include "tests/support/fake_machine.h"

#include <fstream>
#include <stdexcept>

#include "tests/support/fake_machine_files.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

std::string escapeField(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ' ') out += "\\040";
    else if (c == '\t') out += "\\011";
    else if (c == '\n') out += "\\012";
    else if (c == '\\') out += "\\134";
    else out.push_back(c);
  }
  return out;
}

void relativeLink(const fs::path& target, const fs::path& link) {
  fs::create_directories(link.parent_path());
  fs::create_directory_symlink(target.lexically_relative(link.parent_path()), link);
}

}  // namespace

void FakeMachine::describeMounts() {
  writeFile(root_ / "mountinfo", "");
  appendMountLine("/", "ext4", "/dev/vda", "254:0");
}

void FakeMachine::pointProgramAt(const fs::path& file) {
  fs::remove(program_);
  fs::create_symlink(file, program_);
}

void FakeMachine::markPhysical(const fs::path& adapterFolder, const std::string& name) {
  const fs::path device = root_ / "sys/devices/pci0000:00/net" / name;
  fs::create_directories(device);
  relativeLink(device, adapterFolder / "device");
}

void FakeMachine::addDisk(const std::string& disk, bool removable) {
  const fs::path folder = root_ / "sys/devices/pci0000:00/host" / "block" / disk;
  writeFile(folder / "removable", removable ? "1\n" : "0\n");
  relativeLink(folder, root_ / "sys/block" / disk);
  relativeLink(folder, root_ / "sys/class/block" / disk);
}

void FakeMachine::addPartition(const std::string& disk, const std::string& partition) {
  const fs::path folder = root_ / "sys/devices/pci0000:00/host" / "block" / disk / partition;
  writeFile(folder / "partition", "1\n");
  relativeLink(folder, root_ / "sys/class/block" / partition);
}

void FakeMachine::addStackedDisk(const std::string& disk, const std::vector<std::string>& slaves) {
  const fs::path folder = root_ / "sys/devices/virtual/block" / disk;
  writeFile(folder / "removable", "0\n");
  fs::create_directories(folder / "slaves");
  for (const std::string& slave : slaves)
    relativeLink(fs::canonical(root_ / "sys/class/block" / slave), folder / "slaves" / slave);
  relativeLink(folder, root_ / "sys/block" / disk);
  relativeLink(folder, root_ / "sys/class/block" / disk);
}

void FakeMachine::setCardType(const std::string& disk, const std::string& type) {
  writeFile(fs::canonical(root_ / "sys/block" / disk) / "device/type", type + "\n");
}

void FakeMachine::addDeviceNumber(const std::string& majorMinor, const std::string& name) {
  relativeLink(fs::canonical(root_ / "sys/class/block" / name), root_ / "sys/dev/block" / majorMinor);
}

std::string FakeMachine::addMount(const std::string& relative, const std::string& fsType,
                                  const std::string& source, const std::string& device) {
  const fs::path folder = root_ / relative;
  fs::create_directories(folder);
  appendMountLine(folder.string(), fsType, source, device);
  return folder.string();
}

void FakeMachine::appendMountLine(const std::string& mountPoint, const std::string& fsType,
                                  const std::string& source, const std::string& device) {
  std::ofstream out(root_ / "mountinfo", std::ios::app);
  const int id = nextMountId_++;
  out << id << ' ' << (id == 100 ? 1 : 100) << ' ' << device << " / " << escapeField(mountPoint)
      << " rw,relatime shared:" << id << " - " << fsType << ' ' << escapeField(source)
      << " rw\n";
}

}  // namespace testsupport
