// Network adapters read from folders in the layout of /sys/class/net.
#include <algorithm>
#include <charconv>
#include <string>

#include "platform/adapter_folder.h"
#include "platform/entry_state.h"
#include "platform/path_syntax.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

constexpr unsigned kLoopbackFlag = 0x8;   // IFF_LOOPBACK
constexpr int kLoopbackType = 772;        // ARPHRD_LOOPBACK

std::optional<std::string> readText(const std::string& file) {
  auto text = readWholeFile(file);
  if (!text.ok()) return std::nullopt;
  while (!text.value.empty() && (text.value.back() == '\n' || text.value.back() == ' '))
    text.value.pop_back();
  return text.value;
}

std::optional<long long> readNumber(const std::string& file, int base = 10) {
  auto text = readText(file);
  if (!text) return std::nullopt;
  std::string_view digits = *text;
  if (base == 16 && digits.starts_with("0x")) digits.remove_prefix(2);
  long long value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty())
    return std::nullopt;
  return value;
}

// "aa:bb:cc:dd:ee:ff" with exactly six bytes; anything else (InfiniBand's
// twenty bytes, a tunnel's four) is not an address we can name a computer by.
std::optional<HardwareAddress> parseAddress(std::string_view text) {
  HardwareAddress address{};
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (text.size() < 2) return std::nullopt;
    auto [end, ec] = std::from_chars(text.data(), text.data() + 2, address[i], 16);
    if (ec != std::errc() || end != text.data() + 2) return std::nullopt;
    text.remove_prefix(2);
    if (i + 1 < address.size()) {
      if (text.empty() || text.front() != ':') return std::nullopt;
      text.remove_prefix(1);
    }
  }
  if (!text.empty()) return std::nullopt;
  return address;
}

bool allZero(const HardwareAddress& address) {
  return std::all_of(address.begin(), address.end(), [](auto b) { return b == 0; });
}

std::string inFolder(const std::string& folder, const char* name) { return folder + kPathDelimiter + name; }

bool isLoopback(const std::string& folder, const std::string& name) {
  if (auto flags = readNumber(inFolder(folder, "flags"), 16)) return (*flags & kLoopbackFlag) != 0;
  if (auto type = readNumber(inFolder(folder, "type"))) return *type == kLoopbackType;
  return name == "lo";
}

}  // namespace

std::vector<AdapterInfo> listAdapterFolders(const MachinePaths& machine) {
  std::vector<AdapterInfo> adapters;
  std::vector<NamedState> entries;
  // A folder that cannot be listed describes no adapter.
  if (!listEntries(machine.netRoot, entries).ok()) return adapters;
  for (const NamedState& entry : entries) {
    const std::string folder = inFolder(machine.netRoot, entry.name.c_str());
    // The folder also holds plain files such as bonding_masters.
    if (!entry.state.isFolder || isLoopback(folder, entry.name)) continue;
    AdapterInfo adapter;
    adapter.name = entry.name;
    adapter.index = static_cast<int>(readNumber(inFolder(folder, "ifindex")).value_or(1 << 30));
    adapter.physical = examineEntry(inFolder(folder, "device")).exists;

    HardwareAddress permanent{};
    if (machine.permanentAddress && machine.permanentAddress(adapter.name, permanent) &&
        !allZero(permanent)) {
      adapter.address = permanent;
    } else if (auto text = readText(inFolder(folder, "address"))) {
      adapter.address = parseAddress(*text);
      if (!adapter.address || allZero(*adapter.address)) continue;
    }
    // An address that cannot be read keeps its place: the computer must not
    // take the next adapter's identity because of a passing read error.
    adapters.push_back(std::move(adapter));
  }
  std::stable_sort(adapters.begin(), adapters.end(), [](const auto& a, const auto& b) {
    if (a.physical != b.physical) return a.physical;
    if (a.index != b.index) return a.index < b.index;
    return a.name < b.name;
  });
  return adapters;
}

}  // namespace platform
