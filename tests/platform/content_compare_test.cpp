#include "platform/content_compare.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

TEST(SameContent, SmallFilesAreComparedWhole) {
  testsupport::TempDir dir;
  std::string a(3 << 20, 'a'), b = a;
  b[(3 << 20) - 1000] = 'b';  // past the first mebibyte
  const auto pa = dir.write("a", a), pb = dir.write("b", b), pc = dir.write("c", a);
  EXPECT_TRUE(platform::sameContent(pa.string(), pc.string()));
  EXPECT_FALSE(platform::sameContent(pa.string(), pb.string()));
  EXPECT_FALSE(platform::sameContent(pa.string(), dir.write("short", "a").string()));
  EXPECT_TRUE(platform::sameContent(dir.write("e1", "").string(), dir.write("e2", "").string()));
  // What cannot be read is never taken for the same.
  EXPECT_FALSE(platform::sameContent(pa.string(), (dir.path() / "missing").string()));
  EXPECT_FALSE(platform::sameContent(dir.path().string(), dir.path().string()));
}

TEST(SameContent, LargeFilesDifferingAtEitherEndOrInASampleDiffer) {
  testsupport::TempDir dir;
  const std::size_t size = (40u << 20) + 12345;
  const std::string base(size, 'z');
  const auto pa = dir.write("a", base);
  EXPECT_TRUE(platform::sameContent(pa.string(), dir.write("same", base).string()));
  const auto span = size - static_cast<std::size_t>(platform::kSampleBlock);
  const std::size_t inASample = span * (platform::kSampleCount / 2) / (platform::kSampleCount - 1) + 10;
  for (const std::size_t at : {std::size_t{0}, size - 1, inASample}) {
    std::string other = base;
    other[at] = 'q';
    EXPECT_FALSE(platform::sameContent(pa.string(), dir.write("other", other).string())) << at;
  }
}

}  // namespace
