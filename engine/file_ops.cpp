#include "engine/file_ops.h"

#include "platform/drives.h"
#include "platform/exceptions.h"
#include "platform/flush.h"
#include "platform/path_syntax.h"

namespace {

// Whether status is a success; the failure goes to why, when given.
bool Succeeded(platform::OsStatus status, platform::OsStatus* why) {
  const bool ok = status.ok();
  if (why) *why = std::move(status);
  return ok;
}

}  // namespace

std::unique_ptr<TCopyInfo> NewCopyInfo(const std::string& SrcPath, const std::string& DestPath,
                                       platform::HWND NotifyWnd, TCopyKind Kind) {
  auto info = std::make_unique<TCopyInfo>();
  info->SrcFile = SrcPath;
  info->DestFile = DestPath;
  info->NotifyWnd = NotifyWnd;
  info->CopyKind = Kind;
  return info;
}

platform::CopyProgressAction CopyProgressRoutine(std::int64_t TotalSize, std::int64_t CopiedSize,
                                                 platform::CopyStep Reason, TCopyInfo& Info) {
  if (StopSync.load()) {
    platform::SendMessage(Info.NotifyWnd, WM_COPYSTOPPED, 0, 0);
    return platform::CopyProgressAction::Cancel;
  }
  Info.TotalSize = TotalSize;
  Info.CopiedSize = CopiedSize;
  const platform::UINT message =
      Reason == platform::CopyStep::Start ? WM_COPYSTART : WM_COPYPROGRESS;
  platform::SendMessage(Info.NotifyWnd, message, copyInfoParam(Info), 0);
  return platform::CopyProgressAction::Continue;
}

TCopyResult CopyFileTracked(std::unique_ptr<TCopyInfo> Info, const TFileIdentitySet& RefuseExisting,
                            std::function<platform::OsStatus()> Confirm,
                            std::function<platform::OsStatus()> BeforeReplace, TDestinationDrive Drive,
                            bool ConfirmAcceptsMissing) {
  TCopyInfo& info = *Info;
  const platform::CopyProgress progress = [&info](platform::CopyStep step, std::int64_t copied,
                                                  std::int64_t total) {
    return CopyProgressRoutine(total, copied, step, info);
  };
  platform::CopyOptions options;
  if (!RefuseExisting.empty())
    options.refuseExisting = [&RefuseExisting](const platform::FileIdentity& id) {
      return RefuseExisting.contains(id);
    };
  options.confirmDestination = std::move(Confirm);
  options.confirmAcceptsMissing = ConfirmAcceptsMissing;
  options.beforeReplace = std::move(BeforeReplace);
  options.onlyWriteBitKept = Drive.OnlyWriteBit;
  options.flushBeforePlacing = Drive.FlushEach;
  options.renameKeepsTime = Drive.RenameKeepsTime;
  options.timeAfterRename = Drive.TimeAfterRename;
  platform::CopyResult copied =
      platform::copyFileWithProgress(info.SrcFile, info.DestFile, progress, options);
  const std::int64_t bytes = info.CopiedSize;
  Info.reset();
  return {std::move(copied.status), copied.written, bytes, copied.flushed};
}

TDestinationDrive DestinationDriveOf(const std::string& Root) {
  TDestinationDrive drive;
  if (Root.empty()) return drive;
  const platform::FileSystemKind kind = platform::driveFormatOf(Root).kind;
  drive.OnlyWriteBit = kind == platform::FileSystemKind::Fat || kind == platform::FileSystemKind::Exfat;
  drive.RenameKeepsTime = kind == platform::FileSystemKind::Exfat;
  drive.TimeAfterRename = kind == platform::FileSystemKind::Fat;
  drive.FlushEach = platform::needsFlushPerFile(Root) && !platform::anyFlushCoversDrive(Root);
  return drive;
}

bool CopyFileWithProgress(std::unique_ptr<TCopyInfo> Info) {
  return static_cast<bool>(CopyFileTracked(std::move(Info), {}));
}

bool ShellDeleteFolder(const std::string& FolderPath) {
  return platform::removeTree(FolderPath).ok();
}

bool RenameFileOp(const std::string& OldPath, const std::string& NewPath, platform::OsStatus* Why) {
  return Succeeded(platform::renameFile(OldPath, NewPath), Why);
}

bool DeleteFileForced(const std::string& Path, platform::OsStatus* Why) {
  return Succeeded(platform::deleteFile(Path), Why);
}

void CreateDirChecked(const std::string& Path) {
  const platform::OsStatus created = platform::createDirectory(Path);
  if (created.ok()) return;
  if (created.code == std::errc::file_exists && platform::isDirectory(Path)) return;
  const int code = created.code.value();
  // A drive process answers a name it cannot hold as a name that does not
  // exist, though the folder to hold it does: the reason is the name.
  std::error_code reason = created.code;
  const std::size_t slash = platform::lastDelimiter(Path);
  if (reason == std::errc::no_such_file_or_directory && slash != std::string::npos &&
      platform::isDirectory(slash == 0 ? Path.substr(0, 1) : Path.substr(0, slash)))
    reason = std::make_error_code(std::errc::invalid_argument);
  throw EInOutError(
      formatText("I/O error %d", {std::to_string(code)}) + " (" + created.code.message() + ")", Path, reason);
}

void CopyFolderAttributes(const std::string& SourceFolder, const std::string& NewFolder, TDestinationDrive Drive) {
  if (Drive.OnlyWriteBit) return;
  platform::copyFolderAttributes(SourceFolder, NewFolder);
}

bool RemoveDirOp(const std::string& Path, platform::OsStatus* Why) {
  return Succeeded(platform::removeDirectory(Path), Why);
}
