#include "engine/window_controls.h"

bool isSyncButton(WindowControl control) {
  return control == WindowControl::BtnSync || control == WindowControl::BtnSyncDiskToU ||
         control == WindowControl::BtnSyncUToDisk || control == WindowControl::BtnPreview;
}

std::string_view initialCaption(WindowControl control) {
  switch (control) {
    case WindowControl::Button1: return "选  项";
    case WindowControl::BtnSync: return "手动-自动判断同步源";
    case WindowControl::BtnSyncDiskToU: return "手动-同步本地硬盘到U盘";
    case WindowControl::BtnSyncUToDisk: return "手动-同步U盘到本地硬盘";
    case WindowControl::N1: return "手动-自动选择同步源";
    case WindowControl::U1: return "手动-同步本地硬盘到U盘";
    // The tray item's caption really ends in "到".
    case WindowControl::U2: return "手动-同步U盘到本地硬盘到";
    case WindowControl::N3: return "自动同步";
    case WindowControl::CheckBox1: return "自动同步";
    case WindowControl::BtnPreview: return "预览";
  }
  return {};
}

MemoryControls::MemoryControls() {
  for (std::size_t i = 0; i < WindowControlCount; ++i)
    states_[i].caption = initialCaption(static_cast<WindowControl>(i));
}
