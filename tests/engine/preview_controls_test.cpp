// The preview button among the job controls: off while any other job runs,
// the stop button while a preview runs, on again at every job's end.
#include <gtest/gtest.h>

#include "engine/log_lines.h"
#include "engine/message_renderer.h"
#include "engine/window_controls.h"

namespace {

using WC = WindowControl;

struct Rendered {
  VectorLogLines pane;
  MemoryControls controls;
  MessageRenderer renderer{pane, controls};
};

}  // namespace

TEST(PreviewControls, OffWhileASyncRunsAndOnAfter) {
  for (WC sync : {WC::BtnSync, WC::BtnSyncDiskToU, WC::BtnSyncUToDisk}) {
    Rendered r;
    r.renderer.setClickBtn(sync);
    r.renderer.handle(WM_SYNCBEGIN, 0, 0);
    EXPECT_FALSE(r.controls.enabled(WC::BtnPreview));
    EXPECT_EQ(r.controls.caption(WC::BtnPreview), "预览");
    r.renderer.handle(WM_SYNCEND, 0, 0);
    EXPECT_TRUE(r.controls.enabled(WC::BtnPreview));
  }
}

TEST(PreviewControls, APreviewMakesItTheStopButtonAndTurnsEveryStartOff) {
  Rendered r;
  EXPECT_TRUE(isSyncButton(WC::BtnPreview));
  r.renderer.setClickBtn(WC::BtnPreview);
  r.renderer.handle(WM_SYNCBEGIN, 0, 0);
  EXPECT_EQ(r.controls.caption(WC::BtnPreview), "停止");
  EXPECT_TRUE(r.controls.enabled(WC::BtnPreview));
  for (WC off : {WC::BtnSync, WC::BtnSyncDiskToU, WC::BtnSyncUToDisk, WC::N1, WC::U1, WC::U2, WC::Button1})
    EXPECT_FALSE(r.controls.enabled(off)) << static_cast<int>(off);
  // No tray item stands for the preview: none is checked.
  for (WC item : {WC::N1, WC::U1, WC::U2}) EXPECT_FALSE(r.controls.checked(item));
  r.renderer.handle(WM_SYNCEND, 0, 0);
  EXPECT_EQ(r.controls.caption(WC::BtnPreview), "预览");
  for (WC on : {WC::BtnSync, WC::BtnSyncDiskToU, WC::BtnSyncUToDisk, WC::N1, WC::U1, WC::U2, WC::BtnPreview})
    EXPECT_TRUE(r.controls.enabled(on)) << static_cast<int>(on);
}

TEST(PreviewControls, TheTimedModeTurnsItOffAndOnWithTheSyncButtons) {
  Rendered r;
  r.renderer.handle(WM_AUTOSYNCON, 0, 0);
  EXPECT_FALSE(r.controls.enabled(WC::BtnPreview));
  r.renderer.handle(WM_AUTOSYNCSTOPPED, 0, 0);
  EXPECT_TRUE(r.controls.enabled(WC::BtnPreview));
}
