// Reading folders on a FUSE drive, where the reader looks at a folder's
// entries several at a time: what it serves, in which order, and where a
// failure ends a listing must be what reading one entry after another gives.
#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_ops.h"
#include "platform/folder_reader.h"
#include "platform/posix/folder_listings.h"
#include "platform/temp_names.h"
#include "tests/platform/folder_reading.h"
#include "tests/support/fuse_mount.h"

namespace fs = std::filesystem;
using folderreading::HookGuard;
using platform::FolderEntry;
using platform::FolderReader;
using testsupport::ExfatMount;

namespace {

struct Seen {
  std::string name;
  bool isFolder = false;
  std::int64_t size = 0;
  std::int64_t seconds = 0;
  friend bool operator==(const Seen&, const Seen&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << s.name << (s.isFolder ? "/" : "") << " " << s.size << " @" << s.seconds;
  }
};

// The folder as readdir lists it and stat describes it, in the drive's
// order, without what the reader never lists.
std::vector<Seen> oneByOne(const fs::path& folder) {
  std::vector<Seen> out;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return out;
  while (const dirent* e = readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name == "." || name == ".." || platform::isCopyTempName(name) || name == platform::kVersionsFolderName)
      continue;
    struct stat st {};
    if (stat((folder / name).c_str(), &st) != 0) continue;
    const bool isFolder = S_ISDIR(st.st_mode);
    out.push_back({name, isFolder, isFolder ? 0 : static_cast<std::int64_t>(st.st_size), st.st_mtim.tv_sec});
  }
  return out;
}

std::vector<Seen> served(FolderReader& reader, std::size_t most = std::numeric_limits<std::size_t>::max()) {
  std::vector<Seen> out;
  FolderEntry e;
  while (out.size() < most && reader.next(e)) out.push_back({std::string(e.name), e.isFolder, e.size, e.mtimeSeconds});
  return out;
}

// Files of many sizes and names, folders among them, and what the reader
// never lists: more entries than are looked at in one go.
fs::path manyEntries(const ExfatMount& usb) {
  const fs::path root = usb.path() / "many";
  fs::create_directories(root / platform::kVersionsFolderName);
  for (int i = 0; i < 300; ++i) {
    const std::string name = (i % 7 == 0 ? "报告 " : "f") + std::to_string(i) + ".txt";
    std::ofstream(root / name) << std::string(static_cast<std::size_t>(i * 37), 'x');
    if (i % 20 == 0) {
      const fs::path folder = root / ("d" + std::to_string(i));
      fs::create_directory(folder);
      std::ofstream(folder / "inner.txt") << i;
    }
  }
  std::ofstream(root / ".~drovan-tmp-1-2-3") << "left over";
  return root;
}

#define SKIP_WITHOUT_EXFAT()                              \
  do {                                                    \
    std::string why;                                      \
    if (!ExfatMount::available(why)) GTEST_SKIP() << why; \
  } while (false)

}  // namespace

TEST(FolderReaderOnFuse, ServesEveryEntryInTheDrivesOrder) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  const fs::path root = manyEntries(usb);
  const std::vector<Seen> expected = oneByOne(root);
  ASSERT_EQ(expected.size(), 300u + 15u);

  FolderReader reader;
  ASSERT_FALSE(reader.open(root.string()));
  EXPECT_EQ(served(reader), expected);
  EXPECT_FALSE(reader.error());

  // Part served, the rest read ahead and the handle given back: the rest follows.
  FolderReader partly;
  ASSERT_FALSE(partly.open(root.string()));
  std::vector<Seen> both = served(partly, 100);
  partly.readAllAndRelease();
  EXPECT_FALSE(partly.isOpen());
  for (const Seen& s : served(partly)) both.push_back(s);
  EXPECT_EQ(both, expected);

  // A subfolder opened through its parent is read the same way.
  FolderReader parent, child;
  ASSERT_FALSE(parent.open(root.string()));
  ASSERT_FALSE(child.openChild(parent, "d40"));
  EXPECT_EQ(served(child), oneByOne(root / "d40"));
}

// Names the hook below refuses: one as gone since the listing, one as not
// to be examined.
std::string vanished, refused;

TEST(FolderReaderOnFuse, AFailedLookEndsTheListingWhereItFails) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  const fs::path root = manyEntries(usb);
  const std::vector<Seen> order = oneByOne(root);
  // The very first, one within the first few hundred, and one after them.
  for (std::size_t at : {0u, 150u, 280u}) {
    vanished = at > 20 ? order[20].name : "";
    refused = order[at].name;
    std::vector<Seen> expected(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(at));
    if (at > 20) expected.erase(expected.begin() + 20);
    HookGuard guard([](platform::FolderOp op, std::string_view name) -> std::error_code {
      if (op != platform::FolderOp::Describe) return {};
      if (name == refused) return std::make_error_code(std::errc::permission_denied);
      if (name == vanished) return std::make_error_code(std::errc::no_such_file_or_directory);
      return {};
    });
    FolderReader reader;
    ASSERT_FALSE(reader.open(root.string()));
    EXPECT_EQ(served(reader), expected) << "refused at " << at;
    EXPECT_EQ(reader.error(), std::errc::permission_denied);
  }
}

// A drive pulled while a folder is read: what was looked at before is
// served, and the first look after ends the listing with the drive's error.
TEST(FolderReaderOnFuse, ALookThatFailsEndsTheListingThere) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  const fs::path root = manyEntries(usb);
  const std::vector<Seen> order = oneByOne(root);
  // Past the kernel's keeping of what those looks saw (a second by default),
  // so that the reader's own looks go to the drive.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  FolderReader reader;
  ASSERT_FALSE(reader.open(root.string()));
  std::vector<Seen> before = served(reader, 1);
  usb.pull();
  for (const Seen& s : served(reader)) before.push_back(s);
  ASSERT_GT(before.size(), 1u);
  ASSERT_LT(before.size(), order.size()) << "the first looks went no further than a few hundred";
  EXPECT_EQ(before, std::vector<Seen>(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(before.size())));
  EXPECT_TRUE(reader.error());
}

// Read whole while a job's listing scope lives, a FUSE folder's listing is
// kept for the look-ups after the scan: it tells what the folder does not
// hold without asking the drive again. A listing that ended early is not
// kept, and nothing is once the scope has closed.
TEST(FolderReaderOnFuse, AWholeReadingIsKeptForTheJob) {
  SKIP_WITHOUT_EXFAT();
  ExfatMount usb;
  const fs::path root = manyEntries(usb);
  const std::string folder = root.string();
  {
    const platform::ListingCacheScope scope;
    FolderReader reader;
    ASSERT_FALSE(reader.open(folder));
    served(reader);
    EXPECT_TRUE(platform::detail::knownAbsent(folder, "not there.txt"));
    EXPECT_FALSE(platform::detail::knownAbsent(folder, "f1.txt"));
    EXPECT_FALSE(platform::detail::knownAbsent(folder, "F1.TXT")) << "the drive ignores case";
    EXPECT_FALSE(platform::detail::knownAbsent(folder, std::string(platform::kVersionsFolderName)))
        << "what the reader does not list is still there";
    FolderReader child;
    ASSERT_FALSE(child.openChild(reader, "d40"));
    served(child);
    EXPECT_TRUE(platform::detail::knownAbsent(folder + "/d40", "f1.txt"));
    EXPECT_FALSE(platform::detail::knownAbsent(folder + "/d40", "inner.txt"));
  }
  EXPECT_FALSE(platform::detail::knownAbsent(folder, "not there.txt"));
  {
    const platform::ListingCacheScope scope;
    HookGuard guard([](platform::FolderOp op, std::string_view name) -> std::error_code {
      if (op == platform::FolderOp::Describe && name == "f290.txt") return std::make_error_code(std::errc::io_error);
      return {};
    });
    FolderReader reader;
    ASSERT_FALSE(reader.open(folder));
    served(reader);
    EXPECT_FALSE(platform::detail::knownAbsent(folder, "not there.txt"));
  }
}
