#include "tests/support/sync_pair.h"

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/file_times.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

// splitmix64: tiny, and its output is the same everywhere.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }
};

// Name stems a user's folders hold; the first group is what exFAT refuses.
const std::vector<std::string> kUnsafeStems = {"a|b", "say \"hi\"", "what?", "star*", "<tag>", "back\\slash",
                                               "col:on"};
const std::vector<std::string> kStems = {"报告",   "年度 报告", "notes",  " lead",   "trail ", ".hidden",
                                         "Mixed Case", "many.dots.v1.2", "it's",   "café",   "😀 smile",
                                         "a;b",    "tab\there", "x"};
const std::vector<std::string> kExtensions = {".txt", ".doc", ".jpg", ".tar.gz", "", ".DAT"};

class Builder {
 public:
  Builder(const fs::path& disk, const fs::path& usb, std::uint64_t seed, const PairShape& shape)
      : disk_(disk), usb_(usb), random_{seed}, shape_(shape) {}

  PairFigures build() {
    // Folder mtimes are not compared by the tests, so folders get no time.
    std::vector<std::string> shared = {""};
    for (int i = 0; i < shape_.sharedFolders; ++i) {
      std::string parent = shared[random_.below(shared.size())];
      // Numbers of their own: a file may not take a folder's name.
      std::string folder = parent + name(900000 + i, false) + "/";
      makeFolder(disk_, folder);
      makeFolder(usb_, folder);
      shared.push_back(folder);
    }
    auto anyFolder = [&] { return shared[random_.below(shared.size())]; };
    int n = 0;
    for (int i = 0; i < shape_.commonFiles; ++i) {
      const std::string rel = anyFolder() + name(n++, true);
      const std::string data = content(small());
      const std::int64_t t = time();
      file(disk_, rel, data, t);
      file(usb_, rel, data, t);
    }
    for (int i = 0; i < shape_.diskNewer; ++i) {
      const std::string rel = anyFolder() + name(n++, true);
      const std::int64_t t = time();
      file(usb_, rel, content(small()), t);
      file(disk_, rel, content(small()), t + 2 + 2 * static_cast<std::int64_t>(random_.below(1000)));
    }
    for (int i = 0; i < shape_.usbNewer; ++i) {
      const std::string rel = anyFolder() + name(n++, true);
      const std::int64_t t = time();
      file(disk_, rel, content(small()), t);
      file(usb_, rel, content(small()), t + 2 + 2 * static_cast<std::int64_t>(random_.below(1000)));
    }
    for (int i = 0; i < shape_.diskOnly; ++i) file(disk_, anyFolder() + name(n++, true), content(small()), time());
    for (int i = 0; i < shape_.usbOnly; ++i) file(usb_, anyFolder() + name(n++, true), content(small()), time());
    for (int i = 0; i < shape_.renamed; ++i) {
      const std::string folder = anyFolder();
      const std::string data = content(small());
      const std::int64_t t = time();
      file(disk_, folder + name(n++, true), data, t);
      file(usb_, folder + name(n++, true), data, t);
    }
    for (const auto& [side, count] : {std::pair{&disk_, shape_.diskOnlyFolders}, std::pair{&usb_, shape_.usbOnlyFolders}}) {
      for (int i = 0; i < count; ++i) {
        const std::string folder = anyFolder() + name(n++, false) + "/";
        makeFolder(*side, folder);
        const std::size_t files = 1 + random_.below(4);
        for (std::size_t k = 0; k < files; ++k) file(*side, folder + name(n++, true), content(small()), time());
        makeFolder(*side, folder + name(n++, false) + "/");  // an empty one inside
      }
    }
    for (int i = 0; i < shape_.largeFiles; ++i) {
      const std::string rel = anyFolder() + name(n++, true);
      const std::int64_t t = time();
      if (i % 2 == 1) file(usb_, rel, content(shape_.largeBytes / 3), t);
      file(disk_, rel, content(shape_.largeBytes), t + 4);
    }
    return figures_;
  }

 private:
  std::string name(int index, bool isFile) {
    std::string stem;
    if (!shape_.fatSafeNames && random_.below(4) == 0) {
      stem = kUnsafeStems[random_.below(kUnsafeStems.size())];
    } else {
      stem = kStems[random_.below(kStems.size())];
      if (shape_.fatSafeNames && stem.find('\t') != std::string::npos) stem = "tab";
      if (shape_.fatSafeNames && stem.back() == ' ') stem.pop_back();
    }
    // The number keeps names unique whatever their letter case; a stem with
    // blanks at an end keeps them there.
    std::string numbered = stem.front() == ' ' ? stem + "-" + std::to_string(index)
                                               : std::to_string(index) + "-" + stem;
    if (isFile && stem.back() != ' ') numbered += kExtensions[random_.below(kExtensions.size())];
    return numbered;
  }
  std::size_t small() { return random_.below(shape_.maxSmallBytes + 1); }
  std::string content(std::size_t size) { return seededBytes(random_.next(), size); }
  std::int64_t time() { return 1'500'000'000 + 2 * static_cast<std::int64_t>(random_.below(50'000'000)); }

  void makeFolder(const fs::path& side, const std::string& rel) {
    fs::create_directories(side / rel);
    ++figures_.folders;
  }
  void file(const fs::path& side, const std::string& rel, const std::string& data, std::int64_t t) {
    const fs::path path = side / rel;
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << data;
      if (!out) throw std::runtime_error("cannot write " + path.string());
    }
    setMTime(path, t);
    ++figures_.files;
    figures_.bytes += data.size();
  }

  fs::path disk_, usb_;
  Random random_;
  PairShape shape_;
  PairFigures figures_;
};

}  // namespace

std::string seededBytes(std::uint64_t seed, std::size_t size) {
  Random random{seed};
  std::string out(size, '\0');
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const std::uint64_t v = random.next();
    std::memcpy(out.data() + i, &v, 8);
  }
  const std::uint64_t v = random.next();
  for (int b = 0; i < size; ++i, ++b) out[i] = static_cast<char>(v >> (8 * b));
  return out;
}

PairFigures makeSyncPair(const fs::path& disk, const fs::path& usb, std::uint64_t seed, const PairShape& shape) {
  return Builder(disk, usb, seed, shape).build();
}

}  // namespace testsupport
