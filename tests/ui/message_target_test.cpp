// The window's message target: sends from a job's thread wait for the GUI
// thread, posts are queued, a detached target reaches nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QThread>

#include "tests/ui/window_fixture.h"
#include "ui/form_message_target.h"

TEST(WindowTarget, SendsFromElsewhereRunOnTheGuiSideAndWait) {
  QThread* gui = QThread::currentThread();
  std::vector<platform::UINT> handled;  // GUI thread only
  bool onGuiThread = true;
  auto target = FormMessageTarget::create([&](platform::UINT msg, platform::WPARAM, platform::LPARAM) {
    onGuiThread &= QThread::currentThread() == gui;
    handled.push_back(msg);
    return static_cast<platform::LRESULT>(msg + 1);
  });
  platform::ScopedMessageTarget registration(target);

  std::atomic<int> sent{0};
  std::atomic<bool> inOrder{true};
  std::thread job([&] {
    for (platform::UINT msg = 1; msg <= 50; ++msg) {
      // Handled before the send returns, with the handler's result.
      if (platform::SendMessage(registration.handle(), msg, 0, 0) != static_cast<platform::LRESULT>(msg + 1))
        inOrder = false;
      ++sent;
    }
    platform::PostMessage(registration.handle(), 99, 0, 0);
    ++sent;
  });
  ASSERT_TRUE(WindowTest::waitUntil([&] { return sent == 51; }));
  job.join();
  EXPECT_TRUE(inOrder);
  QCoreApplication::processEvents();
  ASSERT_EQ(handled.size(), 51u);
  for (platform::UINT i = 0; i < 50; ++i) EXPECT_EQ(handled[i], i + 1);
  EXPECT_EQ(handled.back(), 99u);
  EXPECT_TRUE(onGuiThread);

  // On the GUI thread itself a send is handled at once.
  EXPECT_EQ(platform::SendMessage(registration.handle(), 7, 0, 0), 8);
  EXPECT_EQ(handled.back(), 7u);

  // Detached: queued and later messages reach nothing; sends still return.
  platform::PostMessage(registration.handle(), 98, 0, 0);
  target->detach();
  std::atomic<bool> lateDone{false};
  std::atomic<platform::LRESULT> lateResult{-1};
  std::thread late([&] {
    lateResult = platform::SendMessage(registration.handle(), 5, 0, 0);
    lateDone = true;
  });
  ASSERT_TRUE(WindowTest::waitUntil([&] { return lateDone.load(); }));
  late.join();
  EXPECT_EQ(lateResult, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(handled.back(), 7u);
}

// While messages come quickly the GUI thread keeps listening for them; posts
// and sends from other threads still keep the order in which they were made.
TEST(WindowTarget, PostsAndSendsKeepTheirOrder) {
  std::vector<platform::UINT> handled;  // GUI thread only
  auto target = FormMessageTarget::create([&](platform::UINT msg, platform::WPARAM, platform::LPARAM) {
    handled.push_back(msg);
    return static_cast<platform::LRESULT>(msg);
  });
  platform::ScopedMessageTarget registration(target);
  std::atomic<bool> done{false};
  std::thread job([&] {
    for (platform::UINT msg = 1; msg <= 3000; ++msg) {
      if (msg % 3 == 0)
        platform::PostMessage(registration.handle(), msg, 0, 0);
      else
        platform::SendMessage(registration.handle(), msg, 0, 0);
    }
    platform::SendMessage(registration.handle(), 3001, 0, 0);
    done = true;
  });
  ASSERT_TRUE(WindowTest::waitUntil([&] { return done.load(); }));
  job.join();
  ASSERT_EQ(handled.size(), 3001u);
  for (platform::UINT i = 0; i < handled.size(); ++i) ASSERT_EQ(handled[i], i + 1) << "out of order";
}

// A handler may run an event loop of its own (a question to the user); a
// message another thread sends meanwhile is handled there and does not wait
// for the question to end.
TEST(WindowTarget, AHandlersOwnEventLoopHandlesWhatArrives) {
  std::atomic<bool> otherHandled{false};
  auto target = FormMessageTarget::create([&](platform::UINT msg, platform::WPARAM, platform::LPARAM) {
    if (msg == 1) {
      // Waits, as a dialog would, until the other thread's message came.
      WindowTest::waitUntil([&] { return otherHandled.load(); });
      return static_cast<platform::LRESULT>(otherHandled ? 11 : -1);
    }
    otherHandled = true;
    return static_cast<platform::LRESULT>(22);
  });
  platform::ScopedMessageTarget registration(target);
  std::atomic<platform::LRESULT> first{0}, second{0};
  std::thread asking([&] { first = platform::SendMessage(registration.handle(), 1, 0, 0); });
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    second = platform::SendMessage(registration.handle(), 2, 0, 0);
  });
  ASSERT_TRUE(WindowTest::waitUntil([&] { return first.load() != 0 && second.load() != 0; }));
  asking.join();
  other.join();
  EXPECT_EQ(first, 11);
  EXPECT_EQ(second, 22);
}

// The finisher runs once per handled message: after a sender from another
// thread has its answer, before the next message; on the GUI thread before
// the send returns.
TEST(WindowTarget, TheFinisherRunsAfterTheAnswerAndBeforeTheNextMessage) {
  std::atomic<int> answered{0};   // sends from the job that have returned
  std::vector<std::string> steps;  // GUI thread only
  std::atomic<bool> answerSeenBeforeFinish{true};
  int handledCount = 0;
  auto target = FormMessageTarget::create(
      [&](platform::UINT msg, platform::WPARAM, platform::LPARAM) {
        ++handledCount;
        steps.push_back("handle " + std::to_string(msg));
        return static_cast<platform::LRESULT>(msg);
      },
      [&] {
        steps.push_back("finish");
        // A job's send has returned before its finisher, unless the GUI
        // thread sent it itself (message 100).
        if (answerSeenBeforeFinish && steps.size() >= 2 && steps[steps.size() - 2] != "handle 100") {
          // Without an event loop: the next message must not come in here.
          const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
          while (answered.load() < handledCount && std::chrono::steady_clock::now() < end) std::this_thread::yield();
          if (answered.load() < handledCount) answerSeenBeforeFinish = false;
        }
      });
  platform::ScopedMessageTarget registration(target);
  std::atomic<bool> done{false};
  std::thread job([&] {
    for (platform::UINT msg = 1; msg <= 20; ++msg) {
      platform::SendMessage(registration.handle(), msg, 0, 0);
      ++answered;
    }
    done = true;
  });
  ASSERT_TRUE(WindowTest::waitUntil([&] { return done.load(); }));
  job.join();
  EXPECT_TRUE(answerSeenBeforeFinish);
  ASSERT_EQ(steps.size(), 40u);
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(steps[2 * i], "handle " + std::to_string(i + 1));
    EXPECT_EQ(steps[2 * i + 1], "finish");
  }

  steps.clear();
  EXPECT_EQ(platform::SendMessage(registration.handle(), 100, 0, 0), 100);
  EXPECT_EQ(steps, (std::vector<std::string>{"handle 100", "finish"}));
}
