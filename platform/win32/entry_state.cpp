#include <windows.h>

#include "platform/entry_state.h"
#include "platform/win32/file_facts.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_error.h"

namespace platform {
namespace {

// The change time of the entry itself (the link for a link); 0 when the
// file system keeps none.
void readChangeTime(const std::wstring& path, EntryState& state) {
  win32::Handle own(win32::openForQuery(path, false));
  FILE_BASIC_INFO basic{};
  if (!own.valid() || !GetFileInformationByHandleEx(own.get(), FileBasicInfo, &basic, sizeof basic)) return;
  FILETIME change;
  change.dwLowDateTime = static_cast<DWORD>(basic.ChangeTime.QuadPart);
  change.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(basic.ChangeTime.QuadPart) >> 32);
  if (basic.ChangeTime.QuadPart != 0) win32::fileTimeToUnix(change, state.ctimeSeconds, state.ctimeNanoseconds);
}

}  // namespace

EntryState examineEntry(const std::string& path) {
  EntryState state;
  const std::wstring wide = win32::widePath(path);
  const DWORD own = win32::attributesOf(wide);
  if (own == INVALID_FILE_ATTRIBUTES) return state;
  state.isLink = (own & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  readChangeTime(wide, state);
  const win32::FileFacts facts = win32::examinePath(wide, true);
  if (!facts.ok()) return state;  // a link that leads nowhere
  state.exists = true;
  state.isFolder = facts.isFolder();
  state.isListed = !(facts.attributes & FILE_ATTRIBUTE_DEVICE);
  state.size = facts.size;
  win32::fileTimeToUnix(facts.lastWrite, state.mtimeSeconds, state.mtimeNanoseconds);
  state.id = facts.id;
  return state;
}

OsStatus listEntries(const std::string& path, std::vector<NamedState>& out) {
  out.clear();
  WIN32_FIND_DATAW data{};
  std::string folder = path;
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
  win32::FindHandle find(FindFirstFileExW(win32::widePath(folder + "*").c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, 0));
  if (!find.valid()) return win32::lastFailure("opendir", path);
  std::vector<std::string> names;
  do {
    const std::wstring_view name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(win32::narrow(name));
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) return win32::lastFailure("readdir", path);
  for (auto& name : names) {
    EntryState state = examineEntry(folder + name);
    out.push_back({std::move(name), state});
  }
  return {};
}

StampTime stampTimeNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  StampTime stamp;
  win32::fileTimeToUnix(now, stamp.seconds, stamp.nanoseconds);
  return stamp;
}

}  // namespace platform
