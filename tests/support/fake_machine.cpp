#include "tests/support/fake_machine.h"

#include <fstream>
#include <stdexcept>

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

void writeFile(const fs::path& file, const std::string& content) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void relativeLink(const fs::path& target, const fs::path& link) {
  fs::create_directories(link.parent_path());
  fs::create_directory_symlink(target.lexically_relative(link.parent_path()), link);
}

}  // namespace

FakeMachine::FakeMachine() : root_(fs::canonical(dir_.path())) {
  fs::create_directories(root_ / "sys/class/net");
  fs::create_directories(root_ / "sys/class/block");
  fs::create_directories(root_ / "sys/block");
  writeFile(root_ / "mountinfo", "");
  appendMountLine("/", "ext4", "/dev/vda", "254:0");
}

platform::MachinePaths FakeMachine::paths() const {
  platform::MachinePaths paths;
  paths.mountInfo = (root_ / "mountinfo").string();
  paths.sysfsRoot = (root_ / "sys").string();
  paths.programPath = (root_ / "proc-self-exe").string();
  paths.netRoot = (root_ / "sys/class/net").string();
  paths.permanentAddress = nullptr;
  return paths;
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

std::string FakeMachine::placeProgram(const std::string& relative) {
  const fs::path file = root_ / relative;
  writeFile(file, "program");
  const fs::path link = root_ / "proc-self-exe";
  fs::remove(link);
  fs::create_symlink(file, link);
  return file.string();
}

void FakeMachine::addAdapter(const std::string& name, std::optional<std::string> address,
                             int ifindex, bool physical, const std::string& flags) {
  const fs::path folder = root_ / "sys/class/net" / name;
  fs::create_directories(folder);
  writeFile(folder / "ifindex", std::to_string(ifindex) + "\n");
  writeFile(folder / "flags", flags + "\n");
  writeFile(folder / "type", flags == "0x9" ? "772\n" : "1\n");
  if (address) writeFile(folder / "address", *address + "\n");
  else fs::create_directories(folder / "address");  // reading it fails, even for root
  if (physical) {
    const fs::path device = root_ / "sys/devices/pci0000:00/net" / name;
    fs::create_directories(device);
    relativeLink(device, folder / "device");
  }
}

}  // namespace testsupport
