#include "platform/machine_paths.h"

#include <cstdlib>

namespace platform {

MachinePaths programMachine() {
  MachinePaths machine;
  if (const char* mountInfo = std::getenv("DROVAN_TEST_MOUNTINFO"); mountInfo && *mountInfo)
    machine.mountInfo = mountInfo;
  if (const char* sysfs = std::getenv("DROVAN_TEST_SYSFS"); sysfs && *sysfs) machine.sysfsRoot = sysfs;
  return machine;
}

}  // namespace platform
