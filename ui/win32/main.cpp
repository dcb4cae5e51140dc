// CorvelDrovan.exe: the window program on Windows.
#include "ui/win32/win_api.h"

#include <chrono>

#include "config/pOstSync.h"
#include "engine/pThdSync.h"
#include "platform/exceptions.h"
#include "platform/wide_text.h"
#include "ui/win32/sync_form.h"

namespace {

void errorBox(const std::string& text, const std::string& caption) {
  MessageBoxW(nullptr, platform::toWide(text).c_str(), platform::toWide(caption).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SetMessageBoxHook(&errorBox);
  // Refuses (a box, then the end) before any window when the program is not
  // on a removable drive.
  CreateSyncAction();
  {
    TSyncForm form;
    bool closed = false;
    form.onClosed = [&closed] {
      closed = true;
      PostQuitMessage(0);
    };
    form.show();
    MSG msg;
    while (!closed && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (IsDialogMessageW(form.Window(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    // The window closes only once no job is left; its thread may still be
    // on its last steps.
    ThdSync::WaitForAllJobs(std::chrono::seconds(10));
  }
  try {
    DestroySyncAction();
  } catch (const Exception& e) {
    errorBox(e.what(), "CorvelDrovan");
    return 1;
  }
  return 0;
}
