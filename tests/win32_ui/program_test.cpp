// CorvelDrovan.exe as people use it: copied onto the removable drive E:
// with no configuration, driven through its window by control ids from this
// process, closed, and the configuration file it writes at the end read back.
#include <gtest/gtest.h>

#include "platform/profile_file.h"
#include "platform/wide_text.h"
#include "tests/win32/win_process.h"
#include "ui/win32/form_layout.h"
#include "ui/win32/win_api.h"

using namespace testsupport;
namespace id = win32ui::id;

namespace {

const std::string kFolder = "E:\\窗口程序";
const std::string kConfigName = "Drovan配置文件(请勿删除).ini";

std::string programBuilt() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self);
  folder.resize(folder.rfind(L'\\') + 1);
  return platform::fromWide(folder) + "CorvelDrovan.exe";
}

struct FindControl {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK matchId(HWND child, LPARAM wanted) {
  auto* find = reinterpret_cast<FindControl*>(wanted);
  if (GetDlgCtrlID(child) != find->id) return TRUE;
  find->found = child;
  return FALSE;
}

HWND controlOf(HWND form, int controlId) {
  FindControl find{controlId};
  EnumChildWindows(form, &matchId, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

void click(HWND form, int controlId) {
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), reinterpret_cast<LPARAM>(controlOf(form, controlId)));
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    removeAll(kFolder);
    ASSERT_TRUE(makeFolders(kFolder));
    program = kFolder + "\\CorvelDrovan.exe";
    ASSERT_TRUE(copyFileUtf8(programBuilt(), program));
  }
  void TearDown() override {
    if (process) {
      TerminateProcess(process, 1);
      CloseHandle(process);
    }
    removeAll(kFolder);
  }

  // Starts the program and waits for its window to be shown (it is made
  // hidden, filled, then shown).
  HWND start() {
    std::wstring line = L"\"" + platform::toWide(program) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(platform::toWide(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
      return nullptr;
    CloseHandle(info.hThread);
    process = info.hProcess;
    for (int i = 0; i < 300; ++i) {
      const HWND form = FindWindowW(L"TSyncForm", L"CorvelDrovan");
      if (form && IsWindowVisible(form)) return form;
      if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
  }

  std::string program;
  HANDLE process = nullptr;
};

}  // namespace

TEST_F(ProgramTest, OptionsChangedInTheWindowAreWrittenAtTheOrderlyEnd) {
  const HWND form = start();
  ASSERT_NE(form, nullptr) << "no window shown";
  // With no configuration the USB folder is the drive's root, which holds
  // the program: the box stays empty and no refusal is shown.
  wchar_t usb[MAX_PATH] = {};
  GetWindowTextW(controlOf(form, id::Edit3), usb, MAX_PATH);
  EXPECT_STREQ(usb, L"");

  click(form, id::Button1);
  for (const int item : {id::RadioGroup1Item0, id::RadioGroup1Item1, id::RadioGroup1Item2})
    SendMessageW(controlOf(form, item), BM_SETCHECK, item == id::RadioGroup1Item1 ? BST_CHECKED : BST_UNCHECKED, 0);
  click(form, id::RadioGroup1Item1);
  SendMessageW(controlOf(form, id::CheckBox2), BM_SETCHECK, BST_UNCHECKED, 0);
  click(form, id::CheckBox2);
  EXPECT_TRUE(IsWindowEnabled(controlOf(form, id::Memo3)));
  SetWindowTextW(controlOf(form, id::Memo3), L"*.doc;*.txt");
  // WM_SETTEXT tells a multi-line box's parent nothing; the user's typing does.
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(id::Memo3, EN_CHANGE), reinterpret_cast<LPARAM>(controlOf(form, id::Memo3)));
  SetWindowTextW(controlOf(form, id::SpinConfirmFiles), L"25");
  click(form, id::Button15);

  PostMessageW(form, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process, 30'000), WAIT_OBJECT_0) << "the program did not end";
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 0u);

  const platform::ProfileFile config(kFolder + "\\" + kConfigName);
  EXPECT_EQ(config.readString("配置", "被监测文件夹存在最新文件时", ""), "1");
  EXPECT_EQ(config.readString("配置", "被监测文件夹存在同步文件夹没有的文件时", ""), "0");
  EXPECT_EQ(config.readString("配置", "全部监测", ""), "0");
  EXPECT_EQ(config.readString("配置", "监测文件类型", ""), "*.doc;*.txt");
  EXPECT_EQ(config.readString("配置", "大量删除确认文件数", ""), "25");
}

TEST_F(ProgramTest, OffTheRemovableDriveTheProgramRefusesBeforeAnyWindow) {
  // Run from where it was built (a fixed drive), it shows the refusal box
  // and nothing else; the box is answered here.
  program = programBuilt();
  std::wstring line = L"\"" + platform::toWide(program) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(platform::toWide(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  CloseHandle(info.hThread);
  process = info.hProcess;
  HWND box = nullptr;
  for (int i = 0; i < 300 && !box; ++i) {
    box = FindWindowW(L"#32770", L"Drovan");
    if (!box && WaitForSingleObject(process, 100) == WAIT_OBJECT_0) break;
  }
  ASSERT_NE(box, nullptr) << "no refusal box";
  EXPECT_EQ(FindWindowW(L"TSyncForm", nullptr), nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WaitForSingleObject(process, 30'000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(fileExists(program.substr(0, program.rfind('\\') + 1) + kConfigName)) << "nothing written";
}
