#include "tests/win32_ui/job_fixture.h"

#include "config/pOstSync.h"
#include "platform/wide_text.h"
#include "ui/win32/win_api.h"

namespace {

// The program as if it ran from the stick, away from the USB folder.
const std::string kProgramFolder = "E:\\窗口程序文件夹";

void setBox(const TSyncForm& form, int box, const std::string& text) {
  // The box's change handler checks and stores it, as after a pick.
  SetWindowTextW(form.Control(box), platform::toWide(text).c_str());
}

}  // namespace

void FormActionTest::SetUp() {
  FormJobTest::SetUp();
  if (HasFatalFailure()) return;
  testsupport::removeAll(kProgramFolder);
  ASSERT_TRUE(testsupport::makeFolders(kProgramFolder));
  ASSERT_TRUE(testsupport::writeFileUtf8(kProgramFolder + "\\CorvelDrovan.exe", "program"));
  platform::MachinePaths machine;
  machine.programPath = kProgramFolder + "\\CorvelDrovan.exe";
  machine.configFile = testsupport::tempFolder() + "窗口测试配置.ini";
  testsupport::removeAll(machine.configFile);
  SyncAction = std::make_unique<TOstSyncAction>(machine, "E:\\");
  setBox(*form_, win32ui::id::Edit1, disk);
  setBox(*form_, win32ui::id::Edit3, usb);
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_EQ(SyncAction->DFolderPath(), disk);
  ASSERT_EQ(SyncAction->UFolderAbsPath(), usb);
}

void FormActionTest::TearDown() {
  FormJobTest::TearDown();
  // Released without writing: the configuration is the test's own.
  SyncAction.reset();
  testsupport::removeAll(kProgramFolder);
}
