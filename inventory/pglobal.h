// State and vocabulary shared by the window, the sync job and the file
// operations: the job kinds, the three job flags, the nine progress message
// numbers, and the record of one file copy that travels with the copy
// messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/messages.h"

enum class TSyncType : std::uint8_t { AutoSync = 0, DiskSync = 1, USync = 2, AutoSyncBySecond = 3 };

// Written by the window thread, read by the job at its poll points.
extern std::atomic<bool> StopSync;
// True while a job object exists (constructor to destructor).
extern std::atomic<bool> SyncRunning;
// Set when the window was closed during a job; never reset.
extern std::atomic<bool> CloseAfterSync;

// The folder a folder picker preselects (window thread only).
extern std::string BrowseInitDir;

inline constexpr platform::UINT WM_COPYSTOPPED = platform::WM_USER + 1;      // 1025
inline constexpr platform::UINT WM_COPYPROGRESS = platform::WM_USER + 2;     // 1026
inline constexpr platform::UINT WM_COPYSTART = platform::WM_USER + 3;        // 1027
inline constexpr platform::UINT WM_LOGAPPEND = platform::WM_USER + 4;        // 1028
inline constexpr platform::UINT WM_LOGLINE = platform::WM_USER + 5;          // 1029
inline constexpr platform::UINT WM_SYNCEND = platform::WM_USER + 6;          // 1030
inline constexpr platform::UINT WM_SYNCBEGIN = platform::WM_USER + 7;        // 1031
inline constexpr platform::UINT WM_AUTOSYNCSTOPPED = platform::WM_USER + 8;  // 1032
inline constexpr platform::UINT WM_AUTOSYNCON = platform::WM_USER + 9;       // 1033

enum TCopyKind : std::int32_t { CopyUpdate = 0, CopyNew = 1, CopyNewSame = 2, CopyBack = 3 };

// One file copy. Passed by address in WM_COPYSTART and WM_COPYPROGRESS; valid
// only during the (blocking) send. Paths are full UTF-8 paths: the record
// never leaves the process, so it needs no fixed byte layout.
struct TCopyInfo {
  std::string SrcFile;
  std::string DestFile;
  platform::HWND NotifyWnd = 0;
  std::int64_t TotalSize = 0;
  std::int64_t CopiedSize = 0;
  std::int32_t CopyKind = CopyUpdate;
};

// wParam of a text message: the address of a std::string that lives during
// the send.
inline platform::WPARAM textParam(const std::string& text) {
  return reinterpret_cast<platform::WPARAM>(&text);
}
inline const std::string& textFromParam(platform::WPARAM wParam) {
  return *reinterpret_cast<const std::string*>(wParam);
}
inline platform::WPARAM copyInfoParam(const TCopyInfo& info) {
  return reinterpret_cast<platform::WPARAM>(&info);
}
inline const TCopyInfo& copyInfoFromParam(platform::WPARAM wParam) {
  return *reinterpret_cast<const TCopyInfo*>(wParam);
}
