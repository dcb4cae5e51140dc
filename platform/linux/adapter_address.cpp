// Network adapters from /sys/class/net.
// Linux-only: /sys/class/net.
#include <algorithm>
#include <charconv>
#include <filesystem>

#include "platform/adapter_address.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kLoopbackFlag = 0x8;   // IFF_LOOPBACK
constexpr int kLoopbackType = 772;        // ARPHRD_LOOPBACK

std::optional<std::string> readText(const fs::path& file) {
  auto text = readWholeFile(file.string());
  if (!text.ok()) return std::nullopt;
  while (!text.value.empty() && (text.value.back() == '\n' || text.value.back() == ' '))
    text.value.pop_back();
  return text.value;
}

std::optional<long long> readNumber(const fs::path& file, int base = 10) {
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

bool isLoopback(const fs::path& folder) {
  if (auto flags = readNumber(folder / "flags", 16)) return (*flags & kLoopbackFlag) != 0;
  if (auto type = readNumber(folder / "type")) return *type == kLoopbackType;
  return folder.filename() == "lo";
}

}  // namespace

std::vector<AdapterInfo> listAdapters(const MachinePaths& machine) {
  std::vector<AdapterInfo> adapters;
  std::error_code ec;
  for (fs::directory_iterator it(machine.netRoot, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path folder = it->path();
    std::error_code typeError;
    // The folder also holds plain files such as bonding_masters.
    if (!it->is_directory(typeError) || isLoopback(folder)) continue;
    AdapterInfo adapter;
    adapter.name = folder.filename().string();
    adapter.index = static_cast<int>(readNumber(folder / "ifindex").value_or(1 << 30));
    std::error_code linkError;
    adapter.physical = fs::exists(folder / "device", linkError);

    HardwareAddress permanent{};
    if (machine.permanentAddress && machine.permanentAddress(adapter.name, permanent) &&
        !allZero(permanent)) {
      adapter.address = permanent;
    } else if (auto text = readText(folder / "address")) {
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
