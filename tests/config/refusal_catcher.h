// Catching the program's refusal to run from a drive that is not removable:
// the message box is recorded and the end of the process becomes an
// exception.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "config/pOstSync.h"

struct ProcessEnded {
  int code;
};

class RefusalCatcher {
 public:
  RefusalCatcher() {
    SetMessageBoxHook([this](const std::string& text, const std::string& caption) {
      this->text = text;
      this->caption = caption;
    });
    SetExitProcessHook([](int code) { throw ProcessEnded{code}; });
  }
  ~RefusalCatcher() {
    SetMessageBoxHook(nullptr);
    SetExitProcessHook(nullptr);
    SyncAction.reset();
  }
  RefusalCatcher(const RefusalCatcher&) = delete;
  RefusalCatcher& operator=(const RefusalCatcher&) = delete;

  std::string text, caption;
};

inline bool refusesToRun(const platform::MachinePaths& paths, RefusalCatcher& catcher) {
  try {
    CreateSyncAction(paths);
  } catch (const ProcessEnded& ended) {
    EXPECT_EQ(ended.code, 0);
    EXPECT_EQ(catcher.text, "对不起，请把本程序放至到U盘上使用!");
    EXPECT_EQ(catcher.caption, "Drovan");
    EXPECT_EQ(SyncAction, nullptr);
    return true;
  }
  return false;
}

