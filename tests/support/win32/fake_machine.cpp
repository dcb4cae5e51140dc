// The Windows side of the fake machine: the program file named directly
// (Windows programs find themselves without a link), adapters marked by a
// folder, as Wine makes no folder links.
#include "tests/support/fake_machine.h"

namespace testsupport {

namespace fs = std::filesystem;

// Windows has no mount table: a path's drive is its letter.
void FakeMachine::describeMounts() {}

void FakeMachine::pointProgramAt(const fs::path& file) { program_ = file; }

void FakeMachine::markPhysical(const fs::path& adapterFolder, const std::string&) {
  fs::create_directories(adapterFolder / "device");
}

}  // namespace testsupport
