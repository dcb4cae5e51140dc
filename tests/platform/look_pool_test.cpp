// The threads that share out a folder's looks on FUSE drives.
#include "platform/linux/look_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using platform::detail::runLooks;

TEST(LookPool, RunsEveryLookOnceAndReturnsWhenAllHaveRun) {
  for (std::size_t count : {0u, 1u, 2u, 7u, 1000u}) {
    std::vector<std::atomic<int>> runs(count);
    std::atomic<int> threads{0};
    runLooks(count, [&](std::size_t i) {
      // Slow looks, so that a return before the last has run would show.
      if (i % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      runs[i].fetch_add(1);
    });
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(runs[i].load(), 1) << "look " << i << " of " << count;
  }
}

TEST(LookPool, CallersOnSeveralThreadsEachGetTheirOwnLooks) {
  constexpr int kCallers = 4, kRounds = 50, kLooks = 64;
  std::vector<std::atomic<int>> runs(kCallers * kLooks);
  std::vector<std::thread> callers;
  std::atomic<bool> wrong{false};
  for (int c = 0; c < kCallers; ++c)
    callers.emplace_back([&, c] {
      for (int round = 0; round < kRounds; ++round) {
        std::vector<int> mine(kLooks, 0);
        runLooks(kLooks, [&](std::size_t i) {
          ++mine[i];
          runs[c * kLooks + i].fetch_add(1);
        });
        for (int n : mine)
          if (n != 1) wrong = true;
      }
    });
  for (std::thread& t : callers) t.join();
  EXPECT_FALSE(wrong);
  for (auto& r : runs) EXPECT_EQ(r.load(), kRounds);
}
