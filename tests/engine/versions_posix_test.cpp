// The keeping of old versions on a drive that fills up: a tmpfs mount,
// which needs Linux and root.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/version_store.h"
#include "platform/datetime.h"
#include "platform/temp_names.h"
#include "tests/engine/sync_folders.h"
#include "tests/support/test_mounts.h"

namespace fs = std::filesystem;
using namespace testsupport;

TEST(VersionRetention, RunsPastTheirDaysAndBeyondTheShareGoOldestFirst) {
  std::string why;
  if (!canMount(why)) GTEST_SKIP() << why;
  TmpfsMount drive(1 << 20);
  const std::string root = drive.path().string() + "/";
  const fs::path versions = drive.path() / std::string(platform::kVersionsFolderName);
  put(versions / "2026-11-01 100000", "old.txt", "past its days", kT0);
  put(versions / "2026-12-01 100000", "big.bin", std::string(200 << 10, 'b'), kT0);
  put(versions / "2026-12-08 080000 (2)", "small.txt", std::string(50 << 10, 's'), kT0);
  put(versions / "not a run", "mine.txt", "the user's", kT0);
  put(versions / "2026-13-01 000000", "odd.txt", "no date", kT0);
  platform::TDateTime now = 0;
  ASSERT_TRUE(platform::tryEncodeDateTime({2026, 12, 9, 10, 0, 0, 0}, now));

  PruneVersions(root, 30, 100, now);
  EXPECT_FALSE(fs::exists(versions / "2026-11-01 100000"));
  EXPECT_TRUE(fs::exists(versions / "2026-12-01 100000")) << "within its days and the share";
  // Over 10% of the drive: the oldest runs go, until the rest fits.
  put(versions / "2026-12-08 200000", "more.bin", std::string(40 << 10, 'm'), kT0);
  PruneVersions(root, 30, 10, now);
  EXPECT_FALSE(fs::exists(versions / "2026-12-01 100000"));
  EXPECT_TRUE(fs::exists(versions / "2026-12-08 080000 (2)/small.txt"));
  EXPECT_TRUE(fs::exists(versions / "2026-12-08 200000/more.bin"));
  EXPECT_TRUE(fs::exists(versions / "not a run/mine.txt"));
  EXPECT_TRUE(fs::exists(versions / "2026-13-01 000000/odd.txt"));

  // A day count of one keeps only the last day.
  PruneVersions(root, 1, 100, now);
  EXPECT_TRUE(fs::exists(versions / "2026-12-08 200000"));
  EXPECT_FALSE(fs::exists(versions / "2026-12-08 080000 (2)"));
}
