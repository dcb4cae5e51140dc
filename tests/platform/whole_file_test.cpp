#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/file_checks.h"
#include "tests/support/native_path.h"
#include "tests/support/temp_dir.h"

using testsupport::fromUtf8;
using testsupport::listing;
using testsupport::nativePath;
using testsupport::readFile;
using testsupport::TempDir;

namespace fs = std::filesystem;

TEST(WholeFile, ReplacesAtomicallyLeavingNothingBeside) {
  TempDir dir;
  const std::string file = dir.str() + nativePath("/配置.ini");
  EXPECT_EQ(platform::readWholeFile(file).status.code, std::errc::no_such_file_or_directory);

  ASSERT_TRUE(platform::writeWholeFileAtomically(file, "first").ok());
  EXPECT_EQ(platform::readWholeFile(file).value, "first");
  // Larger than one write, then shorter than the file it replaces.
  const std::string big(3 << 20, 'x');
  ASSERT_TRUE(platform::writeWholeFileAtomically(file, big).ok());
  EXPECT_TRUE(readFile(fromUtf8(file)) == big);
  ASSERT_TRUE(platform::writeWholeFileAtomically(file, "[U盘]\r\n").ok());
  EXPECT_EQ(platform::readWholeFile(file).value, "[U盘]\r\n");
  EXPECT_EQ(listing(dir.path()), "配置.ini");
}

TEST(WholeFile, OnlyARegularFileWithinTheLimitIsRead) {
  TempDir dir;
  const auto folder = platform::readRegularFile(dir.str(), 1 << 20);
  EXPECT_EQ(folder.status.code, std::errc::invalid_argument);
  EXPECT_EQ(folder.status.path, dir.str());

  // A file beyond the limit is refused unread; one at the limit is read.
  const fs::path file = dir.write("big.ini", "[a]\n");
  fs::resize_file(file, (20u << 20) + 1);
  const auto big = platform::readRegularFile(file.string(), 16u << 20);
  EXPECT_EQ(big.status.code, std::errc::file_too_large);
  EXPECT_EQ(big.status.operation, "read");
  EXPECT_EQ(big.value, "");
  fs::resize_file(file, 16u << 20);
  const auto atLimit = platform::readRegularFile(file.string(), 16u << 20);
  ASSERT_TRUE(atLimit.ok());
  EXPECT_EQ(atLimit.value.size(), 16u << 20);
  EXPECT_EQ(atLimit.value.substr(0, 4), "[a]\n");
  EXPECT_EQ(platform::readRegularFile(dir.str() + nativePath("/gone"), 10).status.code,
            std::errc::no_such_file_or_directory);
}

TEST(WholeFile, AFolderIsNeverReplaced) {
  TempDir dir;
  dir.write("设置/inside.txt", "kept");
  const std::string folder = dir.str() + nativePath("/设置");
  const auto status = platform::writeWholeFileAtomically(folder, "[U盘]\n");
  EXPECT_EQ(status.code, std::errc::invalid_argument);
  EXPECT_EQ(status.operation, "rename");
  EXPECT_EQ(readFile(fromUtf8(folder) / "inside.txt"), "kept");
  EXPECT_EQ(listing(dir.path()), "设置") << "no temporary file left";
}
