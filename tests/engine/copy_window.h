// What the engine's copy tests share: a window that keeps what each copy
// message carried and can press "stop" at a given progress message.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_ops.h"
#include "platform/exceptions.h"
#include "tests/support/temp_dir.h"

namespace copywindow {

using platform::HWND;
using platform::UINT;

inline constexpr std::int64_t MiB = platform::kCopyChunkSize;

struct Msg {
  UINT msg = 0;
  std::int64_t copied = 0;
  std::int64_t total = 0;
  std::int32_t kind = -1;
  std::string src, dst;
  bool operator==(const Msg&) const = default;
};

inline Msg start(std::int64_t total, std::int32_t kind, std::string src, std::string dst) {
  Msg m;
  m.msg = WM_COPYSTART;
  m.total = total;
  m.kind = kind;
  m.src = std::move(src);
  m.dst = std::move(dst);
  return m;
}
inline Msg progress(std::int64_t copied, std::int64_t total) {
  Msg m;
  m.msg = WM_COPYPROGRESS;
  m.copied = copied;
  m.total = total;
  return m;
}
inline Msg stopped() {
  Msg m;
  m.msg = WM_COPYSTOPPED;
  return m;
}

// The window: keeps what each message carried (the record lives only during
// the send) and can press "stop" when a given progress message arrives.
class Window {
 public:
  Window()
      : receiver_(std::make_shared<platform::InlineReceiver>(
            [this](UINT msg, platform::WPARAM w, platform::LPARAM) { return handle(msg, w); })),
        registration_(receiver_) {}

  HWND handle() const { return registration_.handle(); }
  std::vector<Msg> got;
  int stopAtProgress = 0;

 private:
  platform::LRESULT handle(UINT msg, platform::WPARAM w) {
    if (msg == WM_COPYSTOPPED) {
      EXPECT_EQ(w, 0u);
      got.push_back(stopped());
      return 0;
    }
    const TCopyInfo& info = copyInfoFromParam(w);
    if (msg == WM_COPYSTART)
      got.push_back(start(info.TotalSize, info.CopyKind, info.SrcFile, info.DestFile));
    else
      got.push_back(progress(info.CopiedSize, info.TotalSize));
    const auto progresses = std::count_if(got.begin(), got.end(),
                                          [](const Msg& m) { return m.msg == WM_COPYPROGRESS; });
    if (msg == WM_COPYPROGRESS && progresses == stopAtProgress) StopSync = true;
    return 0;
  }

  std::shared_ptr<platform::InlineReceiver> receiver_;
  platform::ScopedMessageTarget registration_;
};

// One fixture for the copy tests of every file, so gtest sees one class.
class EngineFileOps : public ::testing::Test {
 protected:
  void SetUp() override { StopSync = false; }
  void TearDown() override { StopSync = false; }
  testsupport::TempDir dir;
  Window window;
};

}  // namespace copywindow
