// The copy with progress on Windows. The system's own copy reports no
// chunks on every system (Wine's never calls its progress routine) and
// overwrites hidden files, so the data moves in our own ReadFile/WriteFile
// loop into a hidden temporary file beside the destination, which then
// gets the source's time and attributes and is moved over the destination.
#include <windows.h>

#include <vector>

#include "platform/file_ops.h"
#include "platform/win32/file_facts.h"
#include "platform/win32/handle.h"
#include "platform/win32/temp_file.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_calls.h"
#include "platform/win32/win_error.h"

namespace platform {
namespace {

constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

CopyResult failed(OsStatus status) { return {std::move(status), std::nullopt, false}; }

bool sameFileTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// The temporary file: removed unless it was put in place.
class TempFile {
 public:
  explicit TempFile(std::wstring path) : path_(std::move(path)) {}
  ~TempFile() {
    handle.close();
    if (!placed) win32::winCalls().deleteFile(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::wstring& path() const { return path_; }
  win32::Handle handle;
  bool placed = false;

 private:
  std::wstring path_;
};

}  // namespace

CopyResult copyFileWithProgress(const std::string& source, const std::string& destination,
                                const CopyProgress& progress, const CopyOptions& options) {
  const win32::WinCalls& calls = win32::winCalls();
  const std::wstring wideSource = win32::widePath(source), wideDestination = win32::widePath(destination);

  win32::Handle in(calls.createFile(wideSource.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS));
  if (!in.valid()) return failed(win32::lastFailure("open", source));
  const win32::FileFacts before = win32::examineHandle(in.get());
  if (!before.ok()) return failed(win32::failure(before.error, "stat", source));
  if (before.isFolder()) return failed(OsStatus::fromErrno(EISDIR, "copy", source));
  if (GetFileType(in.get()) != FILE_TYPE_DISK) return failed(OsStatus::fromErrno(ENOTSUP, "copy", source));

  // The destination as it stands: never a folder, nor a file the user has
  // marked read-only or hidden.
  const DWORD existing = GetFileAttributesW(wideDestination.c_str());
  const bool exists = existing != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    if (existing & FILE_ATTRIBUTE_DIRECTORY) return failed(OsStatus::fromErrno(EISDIR, "copy", destination));
    if (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
      return failed(OsStatus::fromErrno(EACCES, "copy", destination));
    if (options.refuseExisting) {
      const win32::FileFacts there = win32::examinePath(wideDestination, true);
      if (there.ok() && options.refuseExisting(there.id)) return failed(OsStatus::fromErrno(EEXIST, "copy", destination));
    }
  }
  if (options.confirmDestination && (exists || !options.confirmAcceptsMissing)) {
    OsStatus confirmed = options.confirmDestination();
    if (!confirmed.ok()) return failed(std::move(confirmed));
  }

  std::int64_t total = before.size;
  auto report = [&](CopyStep step, std::int64_t copied) {
    return !progress || progress(step, copied, total) == CopyProgressAction::Continue;
  };
  // The temporary file first: a destination folder that is missing is a
  // refusal, before the copy is reported as started.
  TempFile temp(win32::widePath(win32::newTempPath(win32::folderPartOf(destination))));
  temp.handle = win32::Handle(calls.createFile(temp.path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW,
                                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN));
  if (!temp.handle.valid()) return failed(win32::lastFailure("create", destination));
  if (!report(CopyStep::Start, 0)) return failed(OsStatus::fromErrno(ECANCELED, "copy", destination));

  std::vector<char> buffer(static_cast<std::size_t>(kCopyChunkSize));
  std::int64_t copied = 0;
  for (bool first = true;; first = false) {
    DWORD got = 0;
    if (!calls.readFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got))
      return failed(win32::lastFailure("read", source));
    if (got == 0 && !first) break;
    for (DWORD done = 0; done < got;) {
      DWORD written = 0;
      if (!calls.writeFile(temp.handle.get(), buffer.data() + done, got - done, &written))
        return failed(win32::lastFailure("write", destination));
      done += written;
    }
    copied += got;
    if (copied > total) total = copied;
    if (!report(CopyStep::Chunk, copied)) return failed(OsStatus::fromErrno(ECANCELED, "copy", destination));
    if (got == 0) break;
  }

  const win32::FileFacts after = win32::examineHandle(in.get());
  if (!after.ok() || after.size != before.size || copied != before.size || !sameFileTime(after.lastWrite, before.lastWrite))
    return failed(OsStatus::fromErrno(EAGAIN, "copy", source));
  if (!calls.setFileTime(temp.handle.get(), &before.lastWrite)) return failed(win32::lastFailure("utimens", destination));

  CopyResult result;
  if (options.flushBeforePlacing) result.flushed = calls.flushFileBuffers(temp.handle.get()) != 0;
  const win32::FileFacts made = win32::examineHandle(temp.handle.get());
  if (!temp.handle.close()) return failed(win32::lastFailure("close", destination));
  in.close();

  if (options.confirmDestination) {
    OsStatus confirmed = options.confirmDestination();
    if (!confirmed.ok()) return failed(std::move(confirmed));
  }
  if (options.beforeReplace) {
    OsStatus kept = options.beforeReplace();
    if (!kept.ok()) return failed(std::move(kept));
  }
  if (!calls.moveFileEx(temp.path().c_str(), wideDestination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return failed(win32::lastFailure("rename", destination));
  temp.placed = true;
  const DWORD attributes = before.attributes & kKeptAttributes;
  calls.setFileAttributes(wideDestination.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
  if (made.ok()) result.written = made.id;
  return result;
}

}  // namespace platform
