// Times the engine's scan of one folder: walk_bench DIR [RUNS]. Prints the
// entry count and the seconds of each run (no filter, as with everything
// monitored), then the fastest run.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/MyGetFiles.h"
#include "platform/exceptions.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: walk_bench DIR [RUNS]\n");
    return 2;
  }
  const std::string root = argv[1];
  int runs = 1;
  if (argc == 3) {
    const std::string_view text = argv[2];
    if (std::from_chars(text.data(), text.data() + text.size(), runs).ec != std::errc() || runs < 1) {
      std::fprintf(stderr, "walk_bench: RUNS must be a positive number\n");
      return 2;
    }
  }
  const std::vector<std::string> noTypes;
  double best = 0;
  try {
    for (int run = 0; run < runs; ++run) {
      TDateTime newest = 0;
      const auto start = std::chrono::steady_clock::now();
      const std::vector<std::string> entries = GetFileAry(root, newest, true, noTypes, noTypes);
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      std::printf("entries %zu seconds %.4f\n", entries.size(), took.count());
      if (run == 0 || took.count() < best) best = took.count();
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "walk_bench: %s\n", e.what());
    return 1;
  }
  std::printf("best %.4f\n", best);
  return 0;
}
