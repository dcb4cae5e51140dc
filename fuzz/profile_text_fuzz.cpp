// Fuzzes the configuration file as the program reads it (any bytes: UTF-8,
// UTF-16, GBK, broken lines, huge values) and the list text of the two type
// lists. Beyond not crashing: what was read, saved and read again is what
// was read, and a list's text reads back to the same items.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "config/pIniReg.h"
#include "config/string_list.h"
#include "platform/exceptions.h"

namespace fs = std::filesystem;

namespace {

// One folder per fuzzing process: the configuration file and an empty
// network-interface folder (no adapter address).
struct Workspace {
  fs::path folder;
  platform::MachinePaths paths;
  Workspace() {
    // Memory-backed where there is such a folder: every save flushes the file.
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    folder = base / ("drovan-fuzz-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder / "net");
    paths.netRoot = (folder / "net").string();
    paths.permanentAddress = nullptr;
    paths.configFile = (folder / kConfigFileName).string();
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

void check(bool condition) {
  if (!condition) std::abort();
}

struct Settings {
  std::string u, d;
  bool all;
  std::vector<std::string> types, skip;
  std::int16_t sameNewer, targetOnly;
  bool operator==(const Settings&) const = default;
};

Settings settingsOf(const TOstiniFileAction& ini) {
  return {ini.UFolderPath(),
          ini.DFolderPath(),
          ini.AllSync(),
          ini.SyncFilesList().Items(),
          ini.NoSyncFilesList().Items(),
          ini.WhenSyncedFolderHasNewSameFile(),
          ini.WhenSyncedFolderHasNewFile()};
}

// Values longer than a value may be are cut when read back: no round trip.
bool fitsAValue(const Settings& s) {
  auto list = [](const std::vector<std::string>& items) {
    TStringList l;
    l.Delimiter = ';';
    for (const auto& item : items) l.Add(item);
    return l.DelimitedText().size();
  };
  constexpr std::size_t room = 2000;
  return s.u.size() < room && s.d.size() < room && list(s.types) < room && list(s.skip) < room;
}

void listRoundTrip(std::string_view text) {
  TStringList list;
  list.Delimiter = ';';
  list.SetDelimitedText(text);
  TStringList again;
  again.Delimiter = ';';
  again.SetDelimitedText(list.DelimitedText());
  check(again.Items() == list.Items());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Workspace workspace;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  listRoundTrip(bytes);

  {
    std::ofstream out(workspace.paths.configFile, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  Settings read;
  {
    TOstiniFileAction ini(workspace.paths);
    read = settingsOf(ini);
    try {
      ini.SaveConfig();
    } catch (const EIniFileException&) {
      // A value no line can hold (a NUL read from a damaged file) is
      // refused, and the file is left as it was.
      std::ifstream in(workspace.paths.configFile, std::ios::binary);
      check(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) == bytes);
      return 0;
    }
  }
  const TOstiniFileAction again(workspace.paths);
  if (fitsAValue(read)) check(settingsOf(again) == read);
  return 0;
}
