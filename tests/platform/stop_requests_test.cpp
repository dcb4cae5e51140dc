#include "platform/stop_requests.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

using platform::ScopedStopRequests;
using platform::StopRequest;
using platform::WhenIgnored;

namespace {

volatile std::sig_atomic_t seenByOwnHandler = 0;
extern "C" void ownHandler(int signal) { seenByOwnHandler = signal; }

}  // namespace

TEST(StopRequests, EachKindSetsTheFlagAndTheOldHandlerComesBack) {
  std::signal(SIGINT, ownHandler);
  std::signal(SIGTERM, ownHandler);
  std::signal(SIGHUP, ownHandler);
  std::atomic<bool> stop{false};
  {
    const ScopedStopRequests requests(stop, {{StopRequest::Interrupt, WhenIgnored::TakeUp},
                                             {StopRequest::Terminate, WhenIgnored::TakeUp},
                                             {StopRequest::HangUp, WhenIgnored::StayIgnored}});
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      stop = false;
      seenByOwnHandler = 0;
      std::raise(signal);
      EXPECT_TRUE(stop) << signal;
      EXPECT_EQ(seenByOwnHandler, 0) << signal;
    }
  }
  stop = false;
  std::raise(SIGTERM);
  EXPECT_FALSE(stop);
  EXPECT_EQ(seenByOwnHandler, SIGTERM);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
}

TEST(StopRequests, AnIgnoredRequestStaysIgnoredOnlyWhereTheRuleSaysSo) {
  std::signal(SIGHUP, SIG_IGN);  // as nohup starts a program
  std::signal(SIGINT, SIG_IGN);  // as a shell starts a background job
  std::atomic<bool> stop{false};
  {
    const ScopedStopRequests requests(stop, {{StopRequest::HangUp, WhenIgnored::StayIgnored},
                                             {StopRequest::Interrupt, WhenIgnored::TakeUp}});
    std::raise(SIGHUP);
    EXPECT_FALSE(stop);
    std::raise(SIGINT);
    EXPECT_TRUE(stop);
  }
  EXPECT_EQ(std::signal(SIGHUP, SIG_DFL), SIG_IGN);
  EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_IGN);
}

TEST(StopRequests, AWriteToAVanishedReaderFailsInsteadOfEndingTheProcess) {
  std::signal(SIGPIPE, ownHandler);
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  {
    const platform::ScopedBrokenPipeAsError asError;
    seenByOwnHandler = 0;
    errno = 0;
    EXPECT_EQ(::write(ends[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    EXPECT_EQ(seenByOwnHandler, 0);
  }
  EXPECT_EQ(::write(ends[1], "x", 1), -1);
  EXPECT_EQ(seenByOwnHandler, SIGPIPE);  // the handler before is back
  ::close(ends[1]);
  std::signal(SIGPIPE, SIG_DFL);
}
