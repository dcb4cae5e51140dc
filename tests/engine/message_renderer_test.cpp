#include "engine/message_renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/exceptions.h"

using platform::WPARAM;
using WC = WindowControl;

namespace {

platform::TDateTime fixedTime() {
  platform::TDateTime value = 0;
  platform::tryEncodeDateTime({2026, 12, 9, 8, 5, 3, 999}, value);
  return value;
}
const std::string Stamp = "2026/12/9 8:05:03";

// Records the order of update, scroll and change calls.
class RecordingLines : public VectorLogLines {
 public:
  std::vector<std::string> calls;
  void add(std::string_view line) override {
    calls.push_back("add");
    VectorLogLines::add(line);
  }
  void replaceLast(std::string_view line) override {
    calls.push_back("replace");
    VectorLogLines::replaceLast(line);
  }
  void deleteLast() override {
    calls.push_back("delete");
    VectorLogLines::deleteLast();
  }
  void beginUpdate() override { calls.push_back("begin"); }
  void endUpdate() override { calls.push_back("end"); }
  void scrollToEnd() override { calls.push_back("scroll"); }
};

class MessageRendererTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::setClockForTesting(&fixedTime); }
  void TearDown() override { platform::setClockForTesting(nullptr); }

  bool line(const std::string& text) { return renderer.handle(WM_LOGLINE, textParam(text), 0); }
  bool append(const std::string& text) { return renderer.handle(WM_LOGAPPEND, textParam(text), 0); }
  void start(std::int32_t kind, const std::string& src, const std::string& dest, std::int64_t total = 200) {
    info = {src, dest, 0, total, 0, kind};
    EXPECT_TRUE(renderer.handle(WM_COPYSTART, copyInfoParam(info), 0));
  }
  void progress(std::int64_t copied, std::int64_t total) {
    info.CopiedSize = copied;
    info.TotalSize = total;
    EXPECT_TRUE(renderer.handle(WM_COPYPROGRESS, copyInfoParam(info), 0));
  }
  const std::vector<std::string>& lines() const { return pane.lines(); }

  RecordingLines pane;
  MemoryControls controls;
  MessageRenderer renderer{pane, controls};
  TCopyInfo info;
};

TEST_F(MessageRendererTest, CopyLineAndInPlacePercentage) {
  line(Stamp + "  开始");
  start(CopyNew, "D:\\a\\x.txt", "E:\\b\\x.txt");
  const std::string copyLine = Stamp + "  复制文件D:\\a\\x.txt到E:\\b\\x.txt";
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines().back(), copyLine);
  EXPECT_EQ(renderer.LastCopyLine(), copyLine);
  progress(50, 200);
  EXPECT_EQ(lines().back(), copyLine + " 25%");
  progress(200, 200);
  EXPECT_EQ(lines().back(), copyLine + " 100%");
  EXPECT_EQ(lines().size(), 2u);
  // Stopping during a copy leaves the copy line with its last percentage.
  EXPECT_TRUE(renderer.handle(WM_COPYSTOPPED, 0, 0));
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  开始", copyLine + " 100%", Stamp + "  停止同步"}));
}

TEST_F(MessageRendererTest, CopyLineWordingByKind) {
  start(CopyUpdate, "/d/a", "/u/a");
  EXPECT_EQ(lines().back(), Stamp + "  更新文件/d/a到/u/a");
  start(CopyNewSame, "/u/b", "/d/b");
  EXPECT_EQ(lines().back(), Stamp + "  更新文件/u/b到/d/b");
  start(CopyBack, "/u/c", "/d/c");
  EXPECT_EQ(lines().back(), Stamp + "复制文件/u/c到/d/c");
  // Only the low byte of the kind counts.
  start(0x100 + CopyNew, "/d/e", "/u/e");
  EXPECT_EQ(lines().back(), Stamp + "  复制文件/d/e到/u/e");
  start(0x7F03, "/u/f", "/d/f");
  EXPECT_EQ(lines().back(), Stamp + "复制文件/u/f到/d/f");
  EXPECT_EQ(lines().size(), 5u);
}

TEST_F(MessageRendererTest, UnknownKindAddsNoLineButTakesTheLastLine) {
  start(CopyNew, "/d/a", "/u/a");
  progress(100, 200);
  for (std::int32_t kind : {4, 255, -1, 0x1FF}) {
    start(kind, "/d/z", "/u/z");
    EXPECT_EQ(lines().size(), 1u) << kind;
    EXPECT_EQ(renderer.LastCopyLine(), Stamp + "  复制文件/d/a到/u/a 50%");
  }
  // The progress text now builds on the line as it stood, percentage included.
  progress(1, 4);
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  复制文件/d/a到/u/a 50% 25%"}));

  // With an empty pane the unknown kind leaves LastCopyLine empty.
  pane.clear();
  start(9, "/d/z", "/u/z");
  EXPECT_EQ(renderer.LastCopyLine(), "");
  progress(3, 4);
  EXPECT_EQ(lines(), (std::vector<std::string>{" 75%"}));
}

TEST_F(MessageRendererTest, PercentageFormatting) {
  EXPECT_EQ(copyPercentText(1, 8), "12");     // 12.5 rounds to even
  EXPECT_EQ(copyPercentText(3, 8), "38");     // 37.5 rounds to even
  EXPECT_EQ(copyPercentText(5, 1000), "0");   // 0.5 rounds to even
  EXPECT_EQ(copyPercentText(1, 40), "2");     // 2.5
  EXPECT_EQ(copyPercentText(7, 1000), "1");
  EXPECT_EQ(copyPercentText(0, 200), "0");
  EXPECT_EQ(copyPercentText(0, 0), "100");    // empty file
  EXPECT_EQ(copyPercentText(1999, 2000), "100");
  EXPECT_EQ(copyPercentText(6'000'000'000LL, 12'000'000'000LL), "50");
  EXPECT_EQ(copyPercentText(300, 200), "150");

  start(CopyNew, "/d/empty", "/u/empty", 0);
  progress(0, 0);
  EXPECT_EQ(lines().back(), Stamp + "  复制文件/d/empty到/u/empty 100%");
}

TEST_F(MessageRendererTest, ProgressDeletesAShortLastLine) {
  start(CopyNew, "/d/a", "/u/a");
  // Lines the user typed into the pane below the copy line.
  for (const char* typed : {"", "   ", "\t\r", "abcd", " 中文字符 ", "\x01x\x1f", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"}) {
    pane.add(typed);
    progress(1, 2);
    EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  复制文件/d/a到/u/a 50%"})) << typed;
  }
  // Five characters, or five bytes that are not UTF-8, survive and are
  // overwritten instead.
  for (const char* typed : {"abcde", " 五个中文字 ", "\x80\x80\x80\x80\x80"}) {
    pane.add(Stamp + "  复制文件/d/a到/u/a");
    pane.add(typed);
    progress(1, 2);
    ASSERT_GE(lines().size(), 2u);
    EXPECT_EQ(lines()[lines().size() - 2], Stamp + "  复制文件/d/a到/u/a") << typed;
    EXPECT_EQ(lines().back(), Stamp + "  复制文件/d/a到/u/a 50%") << typed;
  }
  EXPECT_FALSE(isShortLogLine("\x7f\x7f\x7f\x7f\x7f"));  // DEL is not trimmed
  EXPECT_TRUE(isShortLogLine("\xE4\xB8"));              // cut sequence: two characters
  // An encoded surrogate and an overlong form are not UTF-8: a byte each.
  EXPECT_FALSE(isShortLogLine("ab\xED\xA0\x80"));
  EXPECT_FALSE(isShortLogLine("ab\xE0\x80\xAF"));
}

TEST_F(MessageRendererTest, ProgressIntoAClearedPane) {
  line("a");
  start(CopyUpdate, "/d/大文件.iso", "/u/大文件.iso");
  pane.clear();
  progress(1, 4);
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  更新文件/d/大文件.iso到/u/大文件.iso 25%"}));
  progress(2, 4);
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  更新文件/d/大文件.iso到/u/大文件.iso 50%"}));
  // A pane that holds only one short line behaves the same.
  pane.clear();
  pane.add(" ");
  progress(4, 4);
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  更新文件/d/大文件.iso到/u/大文件.iso 100%"}));
}

TEST_F(MessageRendererTest, LongAndCjkPathsAreNotCut) {
  std::string src = "/home/用户/资料";
  while (src.size() < 1500) src += "/很长的文件夹名称 with blanks";
  src += "/年度报告.final.doc";
  std::string dest = "/media/U盘" + src.substr(5);
  start(CopyNewSame, src, dest, 3'000'000'000LL);
  progress(1'500'000'000LL, 3'000'000'000LL);
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  更新文件" + src + "到" + dest + " 50%"}));
}

TEST_F(MessageRendererTest, PathWithLineBreakKeepsLinesClean) {
  start(CopyNew, "/d/new\nline", "/u/new\nline");
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  复制文件/d/new", "line到/u/new", "line"}));
  EXPECT_EQ(renderer.LastCopyLine(), "line");
  progress(1, 2);
  EXPECT_EQ(lines().back(), "line 50%");
}

TEST_F(MessageRendererTest, LogLineSplitsAtLineBreaks) {
  EXPECT_TRUE(line("a\r\nb\r\nc\r\n"));
  EXPECT_EQ(lines(), (std::vector<std::string>{"a", "b", "c"}));
  line("d");
  EXPECT_EQ(lines().size(), 4u);
  pane.clear();
  line("");
  line("x\r\n\r\ny");
  line("\r\n");
  line("lf\nonly\n");
  line("cr\ronly");
  line("x\n\ry");
  EXPECT_EQ(lines(), (std::vector<std::string>{"", "x", "", "y", "", "lf", "only", "cr", "only", "x", "", "y"}));
  // The text itself is kept unchanged: stamp, blanks and all.
  line(Stamp + "  正在扫描  ");
  EXPECT_EQ(lines().back(), Stamp + "  正在扫描  ");
}

TEST_F(MessageRendererTest, LogAppend) {
  line(Stamp + "  正在扫描U盘监测文件夹");
  EXPECT_TRUE(append("(12个文件夹和文件)"));
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  正在扫描U盘监测文件夹(12个文件夹和文件)"}));
  append("+a\r\nb\r\n");
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  正在扫描U盘监测文件夹(12个文件夹和文件)+a", "b"}));
  pane.clear();
  append("(3个文件夹和文件)");
  EXPECT_EQ(lines(), (std::vector<std::string>{"(3个文件夹和文件)"}));
}

TEST_F(MessageRendererTest, LogMessagesUseTheFrameControlMessagesDoNot) {
  const std::vector<std::string> frame = {"begin", "add", "scroll", "end"};
  line("x");
  EXPECT_EQ(pane.calls, frame);
  pane.calls.clear();
  renderer.handle(WM_COPYSTOPPED, 0, 0);
  EXPECT_EQ(pane.calls, frame);
  pane.calls.clear();
  append("y");
  EXPECT_EQ(pane.calls, (std::vector<std::string>{"begin", "replace", "scroll", "end"}));
  pane.calls.clear();
  start(42, "/a", "/b");
  EXPECT_EQ(pane.calls, (std::vector<std::string>{"begin", "scroll", "end"}));
  pane.calls.clear();
  progress(1, 2);
  EXPECT_EQ(pane.calls, (std::vector<std::string>{"begin", "replace", "scroll", "end"}));
  pane.calls.clear();
  renderer.setClickBtn(WC::BtnSync);
  renderer.handle(WM_SYNCBEGIN, 0, 0);
  renderer.handle(WM_SYNCEND, 0, 0);
  renderer.handle(WM_AUTOSYNCON, 0, 0);
  EXPECT_TRUE(pane.calls.empty());
  renderer.handle(WM_AUTOSYNCSTOPPED, 0, 0);
  EXPECT_EQ(pane.calls, (std::vector<std::string>{"begin", "add", "end"}));
  EXPECT_EQ(lines().back(), "自动更新被停止！！！");
}

TEST_F(MessageRendererTest, OnlyTheNineMessagesAreHandled) {
  for (platform::UINT msg : {1024u, 1034u, 0u, platform::WM_SYSCOMMAND})
    EXPECT_FALSE(renderer.handle(msg, 0, 0)) << msg;
  // A text or copy message without its pointer changes nothing.
  for (platform::UINT msg : {WM_LOGLINE, WM_LOGAPPEND, WM_COPYSTART, WM_COPYPROGRESS})
    EXPECT_TRUE(renderer.handle(msg, 0, 0)) << msg;
  EXPECT_TRUE(lines().empty());
  EXPECT_TRUE(pane.calls.empty());
}

struct ClickCase {
  WC button, trayItem, otherButtons[2], otherItems[2];
};

TEST_F(MessageRendererTest, SyncBeginAndEndForEachButton) {
  const ClickCase cases[] = {
      {WC::BtnSync, WC::N1, {WC::BtnSyncDiskToU, WC::BtnSyncUToDisk}, {WC::U1, WC::U2}},
      {WC::BtnSyncDiskToU, WC::U1, {WC::BtnSync, WC::BtnSyncUToDisk}, {WC::N1, WC::U2}},
      {WC::BtnSyncUToDisk, WC::U2, {WC::BtnSync, WC::BtnSyncDiskToU}, {WC::N1, WC::U1}},
  };
  const WC all[] = {WC::Button1, WC::BtnSync, WC::BtnSyncDiskToU, WC::BtnSyncUToDisk, WC::N1,
                    WC::U1,      WC::U2,      WC::N3,             WC::CheckBox1};
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.button));
    renderer.setClickBtn(c.button);
    EXPECT_EQ(renderer.ClickBtn(), c.button);
    EXPECT_TRUE(renderer.handle(WM_SYNCBEGIN, 0, 0));
    EXPECT_EQ(controls.caption(c.button), "停止");
    EXPECT_EQ(renderer.BtnCaption(), initialCaption(c.button));
    EXPECT_TRUE(controls.enabled(c.button));
    EXPECT_TRUE(controls.enabled(c.trayItem));
    EXPECT_TRUE(controls.checked(c.trayItem));
    for (WC other : c.otherButtons) EXPECT_FALSE(controls.enabled(other));
    for (WC other : c.otherItems) {
      EXPECT_FALSE(controls.enabled(other));
      EXPECT_FALSE(controls.checked(other));
    }
    EXPECT_FALSE(controls.enabled(WC::Button1));
    EXPECT_FALSE(controls.enabled(WC::N3));
    EXPECT_FALSE(controls.enabled(WC::CheckBox1));

    EXPECT_TRUE(renderer.handle(WM_SYNCEND, 0, 0));
    for (WC control : all) {
      EXPECT_TRUE(controls.enabled(control)) << static_cast<int>(control);
      EXPECT_FALSE(controls.checked(control)) << static_cast<int>(control);
      EXPECT_EQ(controls.caption(control), initialCaption(control)) << static_cast<int>(control);
    }
    EXPECT_EQ(renderer.ClickBtn(), c.button);  // kept after the job
  }
  EXPECT_TRUE(lines().empty());
}

TEST_F(MessageRendererTest, SyncEndRestoresACustomCaptionAndEnablesADisabledButton) {
  controls.setCaption(WC::BtnSyncUToDisk, "自定义");
  controls.setEnabled(WC::BtnSyncUToDisk, false);
  renderer.setClickBtn(WC::BtnSyncUToDisk);
  renderer.handle(WM_SYNCBEGIN, 0, 0);
  EXPECT_TRUE(controls.enabled(WC::BtnSyncUToDisk));
  EXPECT_EQ(renderer.BtnCaption(), "自定义");
  renderer.handle(WM_SYNCEND, 0, 0);
  EXPECT_EQ(controls.caption(WC::BtnSyncUToDisk), "自定义");
}

TEST_F(MessageRendererTest, SyncWithoutClickBtn) {
  EXPECT_FALSE(renderer.ClickBtn().has_value());
  renderer.handle(WM_SYNCBEGIN, 0, 0);
  EXPECT_FALSE(controls.enabled(WC::Button1));
  EXPECT_FALSE(controls.enabled(WC::N3));
  EXPECT_FALSE(controls.enabled(WC::CheckBox1));
  for (WC button : {WC::BtnSync, WC::BtnSyncDiskToU, WC::BtnSyncUToDisk}) {
    EXPECT_TRUE(controls.enabled(button));
    EXPECT_EQ(controls.caption(button), initialCaption(button));
  }
  renderer.handle(WM_SYNCEND, 0, 0);
  EXPECT_TRUE(controls.enabled(WC::Button1));
  EXPECT_TRUE(controls.enabled(WC::N3));
  EXPECT_TRUE(controls.enabled(WC::CheckBox1));

  for (WC notASyncButton : {WC::Button1, WC::N1, WC::U1, WC::U2, WC::N3, WC::CheckBox1})
    EXPECT_THROW(renderer.setClickBtn(notASyncButton), EArgumentException);
  EXPECT_FALSE(renderer.ClickBtn().has_value());
}

TEST_F(MessageRendererTest, AutomaticModeMessages) {
  const WC jobControls[] = {WC::Button1, WC::BtnSync, WC::BtnSyncDiskToU, WC::BtnSyncUToDisk,
                            WC::N1,      WC::U1,      WC::U2};
  EXPECT_TRUE(renderer.handle(WM_AUTOSYNCON, 0, 0));
  for (WC control : jobControls) EXPECT_FALSE(controls.enabled(control));
  EXPECT_TRUE(controls.checked(WC::N3));
  EXPECT_TRUE(controls.enabled(WC::N3));
  EXPECT_TRUE(lines().empty());

  line(Stamp + "  x");
  EXPECT_TRUE(renderer.handle(WM_AUTOSYNCSTOPPED, 0, 0));
  for (WC control : jobControls) EXPECT_TRUE(controls.enabled(control));
  EXPECT_FALSE(controls.checked(WC::N3));
  EXPECT_EQ(lines(), (std::vector<std::string>{Stamp + "  x", "自动更新被停止！！！"}));
}

TEST(MessageRendererHandler, ServesAnInlineReceiver) {
  VectorLogLines pane;
  MemoryControls controls;
  MessageRenderer renderer(pane, controls);
  std::vector<platform::UINT> others;
  auto receiver = std::make_shared<platform::InlineReceiver>(
      makeRendererHandler(renderer, [&](platform::UINT msg, WPARAM, platform::LPARAM) -> platform::LRESULT {
        others.push_back(msg);
        return 5;
      }));
  platform::ScopedMessageTarget target(receiver);
  const std::string text = "第一行\r\n第二行\r\n";
  EXPECT_EQ(platform::SendMessage(target.handle(), WM_LOGLINE, textParam(text), 0), 0);
  EXPECT_EQ(platform::SendMessage(target.handle(), platform::WM_SYSCOMMAND, platform::SC_CLOSE, 0), 5);
  EXPECT_EQ(pane.text(), "第一行\n第二行");
  EXPECT_EQ(others, std::vector<platform::UINT>{platform::WM_SYSCOMMAND});

  auto plain = std::make_shared<platform::InlineReceiver>(makeRendererHandler(renderer));
  platform::ScopedMessageTarget plainTarget(plain);
  EXPECT_EQ(platform::SendMessage(plainTarget.handle(), 4711, 0, 0), 0);
}

TEST(VectorLogLines, EditsAtTheEnd) {
  VectorLogLines pane;
  EXPECT_EQ(pane.last(), "");
  EXPECT_EQ(pane.text(), "");
  pane.deleteLast();
  EXPECT_EQ(pane.count(), 0u);
  pane.replaceLast("a");
  pane.add("b");
  pane.add("");
  EXPECT_EQ(pane.text(), "a\nb\n");
  pane.deleteLast();
  pane.replaceLast("c");
  EXPECT_EQ(pane.text(), "a\nc");
  EXPECT_EQ(pane.last(), "c");
  pane.clear();
  EXPECT_EQ(pane.count(), 0u);
}

}  // namespace
