#include "tests/support/fake_machine.h"

#include "tests/support/fake_machine_files.h"

namespace testsupport {

namespace fs = std::filesystem;

FakeMachine::FakeMachine() : root_(fs::canonical(dir_.path())), program_(root_ / "proc-self-exe") {
  fs::create_directories(root_ / "sys/class/net");
  fs::create_directories(root_ / "sys/class/block");
  fs::create_directories(root_ / "sys/block");
  describeMounts();
}

platform::MachinePaths FakeMachine::paths() const {
  platform::MachinePaths paths;
  paths.mountInfo = toUtf8(root_ / "mountinfo");
  paths.sysfsRoot = toUtf8(root_ / "sys");
  paths.programPath = toUtf8(program_);
  paths.netRoot = toUtf8(root_ / "sys/class/net");
  paths.permanentAddress = nullptr;
  return paths;
}

std::string FakeMachine::placeProgram(const std::string& relative) {
  const fs::path file = (root_ / fromUtf8(relative)).make_preferred();
  writeFile(file, "program");
  pointProgramAt(file);
  return toUtf8(file);
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
  if (physical) markPhysical(folder, name);
}

}  // namespace testsupport
