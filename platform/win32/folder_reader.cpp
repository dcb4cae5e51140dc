// Reading a folder on Windows with FindFirstFileExW. Each listed entry is
// opened for its attributes and identity (GetFileInformationByHandle),
// through a link to what it names, so a link is described by its target.
// Windows has no opening relative to a folder handle: children open by path.
#include <windows.h>

#include <atomic>
#include <deque>

#include "platform/folder_reader.h"
#include "platform/temp_names.h"
#include "platform/win32/file_facts.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "platform/win32/win_error.h"

namespace platform {
namespace {

std::atomic<FolderFaultHook> faultHook{nullptr};

std::error_code injectedFault(FolderOp op, std::string_view name) {
  const FolderFaultHook hook = faultHook.load(std::memory_order_relaxed);
  return hook ? hook(op, name) : std::error_code{};
}

bool isPathDelimiterChar(char c) { return c == '\\' || c == '/'; }

bool vanished(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_CANT_RESOLVE_FILENAME;
}

struct Stored {
  FolderEntry entry;  // name left empty
  std::string name;
};

}  // namespace

struct FolderReader::State {
  std::string path;  // with its trailing delimiter
  FileIdentity id;
  win32::FindHandle find;
  WIN32_FIND_DATAW data{};
  bool pending = false;  // data holds a record not yet served
  std::error_code error;
  std::string name;      // the served entry's name
  bool released = false;
  std::deque<Stored> stored;

  // Opens the folder at path (no fault hook asked).
  std::error_code openPath(const std::string& folder);
};

std::error_code FolderReader::State::openPath(const std::string& folder) {
  if (folder.empty()) return win32::windowsError(ERROR_PATH_NOT_FOUND);
  path = folder;
  if (!isPathDelimiterChar(path.back())) path.push_back('\\');
  if (path.size() + 1 > MAX_PATH && !path.starts_with("\\\\?\\")) return std::make_error_code(std::errc::filename_too_long);
  const win32::FileFacts facts = win32::examinePath(win32::widePath(path), true);
  if (!facts.ok()) return win32::windowsError(facts.error);
  if (!facts.isFolder()) return win32::windowsError(ERROR_DIRECTORY);
  id = facts.id;
  find = win32::FindHandle(
      FindFirstFileExW(win32::widePath(path + "*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find.valid()) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) return win32::windowsError(error);
  } else {
    pending = true;
  }
  return {};
}

FolderReader::FolderReader() noexcept = default;
FolderReader::~FolderReader() = default;
FolderReader::FolderReader(FolderReader&&) noexcept = default;
FolderReader& FolderReader::operator=(FolderReader&&) noexcept = default;

std::error_code FolderReader::open(const std::string& path) {
  state_.reset();
  if (std::error_code fault = injectedFault(FolderOp::Open, path)) return fault;
  auto state = std::make_unique<State>();
  if (std::error_code error = state->openPath(path)) return error;
  state_ = std::move(state);
  return {};
}

std::error_code FolderReader::openChild(const FolderReader& parent, std::string_view name) {
  if (!parent.state_ || parent.state_->released) {
    state_.reset();
    return std::make_error_code(std::errc::bad_file_descriptor);
  }
  // One name of the parent's, as on POSIX: never a path below or above it.
  if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string_view("\\/:\0", 4)) != std::string_view::npos) {
    state_.reset();
    return std::make_error_code(std::errc::invalid_argument);
  }
  if (std::error_code fault = injectedFault(FolderOp::Open, name)) {
    state_.reset();
    return fault;
  }
  auto state = std::make_unique<State>();
  if (std::error_code error = state->openPath(parent.state_->path + std::string(name))) {
    state_.reset();
    return error;
  }
  state_ = std::move(state);
  return {};
}

bool FolderReader::isOpen() const noexcept { return state_ && !state_->released; }

FileIdentity FolderReader::id() const noexcept { return state_ ? state_->id : FileIdentity{}; }

void FolderReader::setRemoveCopyTemps(bool on) noexcept { removeCopyTemps_ = on; }

std::error_code FolderReader::error() const noexcept { return state_ ? state_->error : std::error_code{}; }

bool FolderReader::next(FolderEntry& entry) {
  if (!state_ || state_->error) return false;
  State& s = *state_;
  if (s.released) {
    if (s.stored.empty()) return false;
    s.name = std::move(s.stored.front().name);
    entry = s.stored.front().entry;
    entry.name = s.name;
    s.stored.pop_front();
    return true;
  }
  for (;;) {
    if (!s.pending) {
      if (!s.find.valid()) return false;
      if (!FindNextFileW(s.find.get(), &s.data)) {
        const DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES) s.error = win32::windowsError(error);
        s.find = {};
        return false;
      }
    }
    s.pending = false;
    const std::wstring_view wideName = s.data.cFileName;
    if (wideName == L"." || wideName == L"..") continue;
    s.name = win32::narrow(wideName);
    const std::wstring full = win32::widePath(s.path + s.name);
    if (isCopyTempName(s.name)) {
      // A copy at work holds its file unshared, so the delete fails for it.
      if (removeCopyTemps_) win32::winCalls().deleteFile(full.c_str());
      continue;
    }
    // The old versions are never listed, as on POSIX: else a run would sync
    // or delete them as the user's own files.
    if (s.name == kVersionsFolderName) continue;
    if (s.data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) continue;
    if (std::error_code fault = injectedFault(FolderOp::Describe, s.name)) {
      // An injected disappearance is skipped as a real one is.
      if (fault == std::errc::no_such_file_or_directory) continue;
      s.error = fault;
      return false;
    }
    const win32::FileFacts facts = win32::examinePath(full, true);
    if (!facts.ok()) {
      if (vanished(facts.error)) continue;
      s.error = win32::windowsError(facts.error);
      return false;
    }
    if (facts.attributes & FILE_ATTRIBUTE_DEVICE) continue;
    entry = {};
    entry.name = s.name;
    entry.isFolder = facts.isFolder();
    entry.isLink = (s.data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = facts.size;
    win32::fileTimeToUnix(facts.lastWrite, entry.mtimeSeconds, entry.mtimeNanoseconds);
    entry.id = facts.id;
    return true;
  }
}

void FolderReader::readAllAndRelease() {
  if (!state_ || state_->released) return;
  std::deque<Stored> all;
  FolderEntry entry;
  while (next(entry)) {
    Stored stored{entry, std::string(entry.name)};
    stored.entry.name = {};
    all.push_back(std::move(stored));
  }
  state_->find = {};
  state_->stored = std::move(all);
  state_->released = true;
}

void setFolderFaultHookForTesting(FolderFaultHook hook) noexcept { faultHook.store(hook, std::memory_order_relaxed); }

}  // namespace platform
