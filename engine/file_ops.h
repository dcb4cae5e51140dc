// The file operations of the sync job: the copy with byte progress that
// reports to the window (WM_COPYSTART, WM_COPYPROGRESS, WM_COPYSTOPPED), the
// removal of a folder tree, and the single operations that change
// application performs at the place of use. They run on the job's worker
// thread; the copy messages are sent synchronously to the copy's NotifyWnd.
//
// A copy goes to a hidden temporary file beside its destination and is
// renamed into place only when complete, so a stopped or failed copy leaves
// an existing destination as it was and never a partial file under a real
// name. A folder that already exists counts as created, so a folder whose
// name differs only in letter case on a drive that ignores case does not end
// every run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "inventory/pglobal.h"
#include "platform/file_ops.h"

// Files identified by device and inode, e.g. everything a run has written.
using TFileIdentitySet = std::unordered_set<platform::FileIdentity, platform::FileIdentityHash>;

// A new copy record for one file, TotalSize and CopiedSize zero.
std::unique_ptr<TCopyInfo> NewCopyInfo(const std::string& SrcPath, const std::string& DestPath,
                                       platform::HWND NotifyWnd, TCopyKind Kind);

// The per-chunk step of a copy. If StopSync is set it sends WM_COPYSTOPPED
// (wParam 0) and cancels; otherwise it stores the two sizes in Info and sends
// WM_COPYSTART (Reason Start) or WM_COPYPROGRESS (Reason Chunk) with the
// record. After a cancel the copy does not call it again, so a stop gives
// exactly one WM_COPYSTOPPED.
platform::CopyProgressAction CopyProgressRoutine(std::int64_t TotalSize, std::int64_t CopiedSize,
                                                 platform::CopyStep Reason, TCopyInfo& Info);

// Copies Info->SrcFile over Info->DestFile and releases the record. Messages:
// WM_COPYSTART before any data moves, then one WM_COPYPROGRESS per chunk of
// up to 1 MiB. An empty file gets WM_COPYSTART with TotalSize 0 and one
// WM_COPYPROGRESS with 0 of 0, so every copy's line is finished the same
// way. A copy refused or failing before it starts sends nothing. True when
// the file was copied; false when it was refused (source not a regular file,
// destination a folder or without the owner-write bit), failed, or was
// stopped through StopSync.
bool CopyFileWithProgress(std::unique_ptr<TCopyInfo> Info);

// What a tracked copy leaves behind.
struct TCopyResult {
  platform::OsStatus Status;                      // why it failed, if it did
  std::optional<platform::FileIdentity> Written;  // the new destination, on success
  std::int64_t Bytes = 0;                         // the data copied, on success
  bool Flushed = false;                           // on its drive already (TDestinationDrive::FlushEach)
  explicit operator bool() const { return Status.ok(); }
};

// CopyFileWithProgress that also yields the identity of the file it wrote,
// and refuses (EEXIST, no message, nothing written) to overwrite an existing
// destination whose identity is in RefuseExisting. With the identities of
// the files a run has written, this keeps a second source file from landing
// on a file written under another spelling (`a.txt`, then `A.txt`, on a
// drive that ignores letter case).
// Confirm, when set, is asked before anything is written and right before
// the new file is put in place; a failure it returns ends the copy with that
// status, the destination as it was.
// BeforeReplace, when set, runs right before the new file is put in place
// (platform::CopyOptions::beforeReplace).
// Drive, when given, is what the destination's drive needs (see below).
// ConfirmAcceptsMissing: Confirm accepts a destination that leads nowhere,
// so it is not asked before writing when the copy finds none there.
struct TDestinationDrive {
  bool OnlyWriteBit = false;  // keeps no mode bits but read-only (FAT, exFAT)
  bool FlushEach = false;     // each written file must be flushed by itself (FUSE)
  bool RenameKeepsTime = false;   // a renamed file keeps its time for certain (exFAT)
  bool TimeAfterRename = false;   // a renamed file may get a new time (FAT): set it after
};
TCopyResult CopyFileTracked(std::unique_ptr<TCopyInfo> Info, const TFileIdentitySet& RefuseExisting,
                            std::function<platform::OsStatus()> Confirm = {},
                            std::function<platform::OsStatus()> BeforeReplace = {},
                            TDestinationDrive Drive = {}, bool ConfirmAcceptsMissing = false);

// What copies and new folders at Root need of its drive.
TDestinationDrive DestinationDriveOf(const std::string& Root);

// Removes FolderPath with everything in it, permanently, never following a
// link (a linked folder loses only its link). False when something could not
// be removed; the folder may then be partly emptied.
bool ShellDeleteFolder(const std::string& FolderPath);

// Renames a file; false, replacing nothing, when NewPath exists as another
// file. A change of letter case only is carried out.
// Why, when given, receives the failure.
bool RenameFileOp(const std::string& OldPath, const std::string& NewPath, platform::OsStatus* Why = nullptr);

// Deletes a file, setting the owner-write bit first when it is missing. A
// link is removed itself.
bool DeleteFileForced(const std::string& Path, platform::OsStatus* Why = nullptr);

// Creates one folder whose parent exists. A folder that already exists there
// (following links) counts as created. Any other failure throws EInOutError
// "I/O error N (strerror text)" with Path as its path().
void CreateDirChecked(const std::string& Path);

// Gives NewFolder the permission bits of SourceFolder (owner rwx kept).
// Failures are ignored, as on drives without permission bits; on a drive
// known to keep only the read-only flag (Drive.OnlyWriteBit) nothing is
// asked, since the owner's write bit always stays.
void CopyFolderAttributes(const std::string& SourceFolder, const std::string& NewFolder,
                          TDestinationDrive Drive = {});

// Removes an empty folder; false otherwise.
bool RemoveDirOp(const std::string& Path, platform::OsStatus* Why = nullptr);
