#include "tests/win32/win_process.h"

#include <windows.h>

#include "platform/file_ops.h"
#include "platform/whole_file.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"

namespace testsupport {

using platform::win32::Handle;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

Handle inheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return Handle(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

WinRun runWindowsProgram(const std::string& program, const std::string& arguments, const std::string& scratch) {
  WinRun run;
  const std::string outPath = scratch + "\\out.txt", errPath = scratch + "\\err.txt";
  {
    Handle out = inheritableFile(outPath), err = inheritableFile(errPath);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = out.get();
    start.hStdError = err.get();
    std::wstring line = L"\"" + widen(program) + L"\" " + widen(arguments);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(widen(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                        &info)) {
      run.exitCode = 0xFFFFFFFF;
      return run;
    }
    Handle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), 120'000);
    GetExitCodeProcess(process.get(), &run.exitCode);
  }
  run.out = readFileUtf8(outPath);
  run.err = readFileUtf8(errPath);
  return run;
}

bool writeFileUtf8(const std::string& path, const std::string& content) {
  return platform::writeWholeFileAtomically(path, content).ok();
}

std::string readFileUtf8(const std::string& path) {
  auto read = platform::readWholeFile(path);
  return read.ok() ? read.value : std::string();
}

bool copyFileUtf8(const std::string& from, const std::string& to) {
  return CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE) != 0;
}

bool makeFolders(const std::string& path) {
  for (std::size_t slash = path.find('\\', 3); ; slash = path.find('\\', slash + 1)) {
    const std::string part = path.substr(0, slash);
    CreateDirectoryW(widen(part).c_str(), nullptr);
    if (slash == std::string::npos) break;
  }
  return platform::isDirectory(path);
}

bool fileExists(const std::string& path) { return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void removeAll(const std::string& path) {
  if (fileExists(path)) platform::removeTree(path);
}

std::string tempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::string folder = narrow(std::wstring_view(buffer, length));
  if (folder.empty() || folder.back() != '\\') folder.push_back('\\');
  return folder;
}

}  // namespace testsupport
