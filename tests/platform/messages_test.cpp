#include "platform/messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace platform;

TEST(Messages, SendReachesTargetAndReturnsItsResult) {
  std::vector<UINT> seen;
  auto target = std::make_shared<InlineReceiver>([&](UINT msg, WPARAM w, LPARAM) {
    seen.push_back(msg);
    return static_cast<LRESULT>(w * 2);
  });
  ScopedMessageTarget reg(target);
  EXPECT_NE(reg.handle(), 0u);
  EXPECT_EQ(SendMessage(reg.handle(), 1029, 21, 0), 42);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], 1029u);
}

TEST(Messages, UnknownHandleIsIgnored) {
  EXPECT_EQ(SendMessage(0, 1, 2, 3), 0);
  EXPECT_FALSE(PostMessage(987654321, 1, 2, 3));
  HWND stale;
  {
    ScopedMessageTarget reg(std::make_shared<InlineReceiver>([](UINT, WPARAM, LPARAM) { return 7; }));
    stale = reg.handle();
  }
  EXPECT_EQ(SendMessage(stale, 1, 0, 0), 0);
  // A new registration never takes over an old handle.
  ScopedMessageTarget fresh(std::make_shared<InlineReceiver>([](UINT, WPARAM, LPARAM) { return 1; }));
  EXPECT_NE(fresh.handle(), stale);
}

TEST(Messages, PostQueuesUntilDispatched) {
  std::vector<WPARAM> got;
  auto target = std::make_shared<InlineReceiver>([&](UINT, WPARAM w, LPARAM) {
    got.push_back(w);
    return 0;
  });
  ScopedMessageTarget reg(target);
  EXPECT_TRUE(PostMessage(reg.handle(), WM_SYSCOMMAND, SC_CLOSE, 0));
  EXPECT_TRUE(got.empty());
  EXPECT_TRUE(target->waitForPosted(WM_SYSCOMMAND, std::chrono::milliseconds(0)));
  EXPECT_EQ(target->dispatchPosted(), 1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], SC_CLOSE);
}

TEST(MessagesThread, SendsFromManyThreadsAreSerialised) {
  int counter = 0;  // unguarded on purpose: the receiver must serialise
  auto target = std::make_shared<InlineReceiver>([&](UINT, WPARAM, LPARAM) { return ++counter; });
  ScopedMessageTarget reg(target);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) SendMessage(reg.handle(), 1, 0, 0);
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter, 4000);
}

TEST(MessagesThread, PostWakesAWaiter) {
  auto target = std::make_shared<InlineReceiver>([](UINT, WPARAM, LPARAM) { return 0; });
  ScopedMessageTarget reg(target);
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(reg.handle(), 5, 0, 0);
  });
  EXPECT_TRUE(target->waitForPosted(5, std::chrono::seconds(5)));
  poster.join();
}
