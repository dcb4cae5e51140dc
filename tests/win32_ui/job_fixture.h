// A form with real jobs: the hard-disk folder in the temporary folder, the
// USB folder on the removable drive E:. The job's thread sends its messages
// to the form's window while the test's thread handles them.
#pragma once

#include <memory>
#include <string>

#include "engine/job_settings.h"
#include "platform/drives.h"
#include "tests/win32/win_process.h"
#include "tests/win32_ui/form_fixture.h"

class FormJobTest : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(platform::driveTypeOf("E:\\"), platform::DriveType::Removable)
        << "the test prefix maps E: as a removable drive";
    FormTest::SetUp();
    disk = testsupport::tempFolder() + "窗口同步";
    usb = "E:\\窗口同步\\资料";
    testsupport::removeAll(disk);
    testsupport::removeAll("E:\\窗口同步");
    ASSERT_TRUE(testsupport::makeFolders(disk + "\\子目录"));
    ASSERT_TRUE(testsupport::makeFolders(usb));
    ASSERT_TRUE(testsupport::writeFileUtf8(disk + "\\a.doc", "文档内容"));
    ASSERT_TRUE(testsupport::writeFileUtf8(disk + "\\子目录\\笔记.txt", "第二个文件"));
    settings.DFolderPath = disk;
    settings.UFolderAbsPath = usb;
  }
  void TearDown() override {
    FormTest::TearDown();
    testsupport::removeAll(disk);
    testsupport::removeAll("E:\\窗口同步");
  }

  bool jobEnded() const {
    return form_->LastJob() && form_->LastJob()->Outcome().End != TJobEnd::Running && !SyncRunning;
  }

  std::string disk, usb;
  TJobSettings settings;
};

// The same with the program's action object, as the program has it: the
// folder boxes filled, so that the form's buttons start the jobs themselves.
class FormActionTest : public FormJobTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};
