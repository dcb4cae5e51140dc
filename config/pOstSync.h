// TOstSyncAction: the two folder locations of this run, resolved against the
// drive the program runs from and against this computer's identity, and the
// owner of the configuration object. SyncAction is the program's one
// instance. GetProgramDriveRoot refuses to go on when the program does not
// lie on a removable drive.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/pIniReg.h"
#include "platform/machine_paths.h"

// Created, changed and released on the main thread. A job never reads it
// while it runs: it takes a copy of UFolderAbsPath and DFolderPath when it is
// created (engine/job_settings.h), so the folder pickers may change them then.
class TOstSyncAction {
 public:
  // Create: reads the configuration (and with it the adapter address), then
  // resolves the USB folder against GetProgramDriveRoot(machine), which ends
  // the process when the drive is not removable.
  explicit TOstSyncAction(const platform::MachinePaths& machine = {});
  // The same against a drive root the caller has found already (see
  // RemovableProgramDriveRoot); never ends the process.
  TOstSyncAction(const platform::MachinePaths& machine, const std::string& programDriveRoot);
  // Releases the configuration object without writing it; the orderly end
  // goes through DestroySyncAction, which writes it first.
  ~TOstSyncAction();
  TOstSyncAction(const TOstSyncAction&) = delete;
  TOstSyncAction& operator=(const TOstSyncAction&) = delete;

  // The absolute USB folder of this run.
  const std::string& UFolderAbsPath() const { return FUFolderAbsPath; }
  // Stores value and, in the configuration, value without as many leading
  // characters as the drive root has (the caller has made sure value lies on
  // the program's drive). Repeats the drive test, so it may end the process.
  void SetUFolderAbsPath(const std::string& value);
  // This computer's hard-disk folder; the setter changes the configuration's
  // too (in memory; the file is written at the orderly end).
  const std::string& DFolderPath() const { return FDFolderPath; }
  void SetDFolderPath(const std::string& value);
  TOstiniFileAction& Ostini() { return *FOstini; }
  const TOstiniFileAction& Ostini() const { return *FOstini; }
  const std::string& Mac() const { return FMac; }
  const platform::MachinePaths& Machine() const { return machine_; }

 private:
  platform::MachinePaths machine_;
  std::string FUFolderAbsPath;
  std::string FDFolderPath;
  std::unique_ptr<TOstiniFileAction> FOstini;
  std::string FMac;
};

// The program's one action object; none before CreateSyncAction and after
// DestroySyncAction.
extern std::unique_ptr<TOstSyncAction> SyncAction;

// Creates SyncAction. Called by the program entry once, after the window
// framework's application object exists (the drive test may need to show a
// message box) and before the main window. May end the process (see
// GetProgramDriveRoot).
void CreateSyncAction(const platform::MachinePaths& machine = {});

// The orderly end, after the message loop: SyncAction is set to none, the
// configuration is written and the object released. Raises
// EIniFileException "Unable to write to %s" when the file cannot be written;
// the object is released all the same and the old file is left as it was.
void DestroySyncAction();

// The root of the drive the program file lies on, its mount point followed
// by "/", when that drive is removable; nullopt when it is not or cannot be
// determined. Shows nothing and ends nothing: for callers that refuse in
// their own way. Built with DROVAN_ANY_DRIVE_REMOVABLE, every drive passes.
std::optional<std::string> RemovableProgramDriveRoot(const platform::MachinePaths& machine = {});

// RemovableProgramDriveRoot, or the refusal. When that drive is not removable (or cannot be determined), shows the
// message box "对不起，请把本程序放至到U盘上使用!" with the caption "Drovan" and
// then ends the process with exit code 0, without writing anything. Every
// call repeats the test. Built with DROVAN_ANY_DRIVE_REMOVABLE, every drive
// passes (for development builds).
std::string GetProgramDriveRoot(const platform::MachinePaths& machine = {});

// The error message box used for the refusal. The window installs one that
// shows a modal box with the error icon; the default writes the text to
// standard error. An empty function restores the default. Set it on the main
// thread before CreateSyncAction.
using MessageBoxHook = std::function<void(const std::string& text, const std::string& caption)>;
void SetMessageBoxHook(MessageBoxHook hook);

// Ends the process at once with the exit code, without the orderly end. The
// default is std::_Exit. Tests install one that throws; one that returns is
// followed by the default. An empty function restores the default.
using ExitProcessHook = std::function<void(int exitCode)>;
void SetExitProcessHook(ExitProcessHook hook);
