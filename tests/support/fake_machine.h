// A fake machine in a temporary folder: a mount table, a sysfs tree with
// block devices and network interfaces, and a program file, as read through
// platform::MachinePaths. The real root file system stays mounted at "/" in
// the fake table, so every path resolves to some mount. On Windows only the
// program file and the network interfaces are described: drives are told by
// their letters there.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine_paths.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

class FakeMachine {
 public:
  FakeMachine();

  // The canonical path of the fake machine's folder; mounts live under it.
  const std::filesystem::path& root() const { return root_; }
  // Paths into the fake machine; no driver is asked for permanent addresses.
  platform::MachinePaths paths() const;

  // A disk under sys/devices with its sys/block and sys/class/block links.
  void addDisk(const std::string& disk, bool removable);
  void addPartition(const std::string& disk, const std::string& partition);
  // A device built on others (device mapper: an encrypted stick), under
  // sys/devices/virtual, with its slaves links; not removable itself.
  void addStackedDisk(const std::string& disk, const std::vector<std::string>& slaves);
  // The card type a memory-card disk reports (sys/block/<disk>/device/type).
  void setCardType(const std::string& disk, const std::string& type);
  // sys/dev/block/<majorMinor> pointing at a disk or partition added before.
  void addDeviceNumber(const std::string& majorMinor, const std::string& name);

  // Mounts source (of fsType) on the folder root()/relative (created) and
  // returns that folder's full path. Blanks and backslashes are written to
  // the table escaped, as the kernel does.
  std::string addMount(const std::string& relative, const std::string& fsType,
                       const std::string& source, const std::string& device = "0:99");

  // Creates the program file at root()/relative (UTF-8, "/" between names)
  // and points programPath at it (on Linux through a link, like
  // /proc/self/exe). Returns the file's full path.
  std::string placeProgram(const std::string& relative);

  // A folder under sys/class/net. address nullopt: the address cannot be read.
  // Described this way on every system.
  void addAdapter(const std::string& name, std::optional<std::string> address, int ifindex,
                  bool physical, const std::string& flags = "0x1003");

 private:
  void appendMountLine(const std::string& mountPoint, const std::string& fsType,
                       const std::string& source, const std::string& device);
  // What differs between the systems: the mount table, how programPath
  // leads to the program, how an adapter is marked as backed by a device.
  void describeMounts();
  void pointProgramAt(const std::filesystem::path& file);
  void markPhysical(const std::filesystem::path& adapterFolder, const std::string& name);

  TempDir dir_;
  std::filesystem::path root_;
  std::filesystem::path program_;
  int nextMountId_ = 100;
};

}  // namespace testsupport
