#include "config/pOstSync.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/drives.h"
#include "platform/program_path.h"

std::unique_ptr<TOstSyncAction> SyncAction;

namespace {

void defaultMessageBox(const std::string& text, const std::string& caption) {
  std::cerr << caption << ": " << text << std::endl;
}

[[noreturn]] void defaultExitProcess(int exitCode) {
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

MessageBoxHook& messageBox() {
  static MessageBoxHook hook = defaultMessageBox;
  return hook;
}

ExitProcessHook& exitProcess() {
  static ExitProcessHook hook = defaultExitProcess;
  return hook;
}

bool acceptedDrive(const std::string& program, const platform::MachinePaths& machine) {
#ifdef DROVAN_ANY_DRIVE_REMOVABLE
  (void)program;
  (void)machine;
  return true;
#else
  return platform::driveTypeOf(program, machine) == platform::DriveType::Removable;
#endif
}

[[noreturn]] void refuseToRun() {
  messageBox()("对不起，请把本程序放至到U盘上使用!", "Drovan");
  exitProcess()(0);
  defaultExitProcess(0);
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  messageBox() = hook ? std::move(hook) : MessageBoxHook(defaultMessageBox);
}

void SetExitProcessHook(ExitProcessHook hook) {
  exitProcess() = hook ? std::move(hook) : ExitProcessHook(defaultExitProcess);
}

std::optional<std::string> RemovableProgramDriveRoot(const platform::MachinePaths& machine) {
  const auto program = platform::programPath(machine);
  if (program.ok() && acceptedDrive(program.value, machine)) {
    auto root = platform::driveRootOf(program.value, machine);
    if (root.ok()) return std::move(root.value);
  }
  return std::nullopt;
}

std::string GetProgramDriveRoot(const platform::MachinePaths& machine) {
  if (std::optional<std::string> root = RemovableProgramDriveRoot(machine)) return std::move(*root);
  refuseToRun();
}

TOstSyncAction::TOstSyncAction(const platform::MachinePaths& machine)
    : TOstSyncAction(machine, std::string()) {
  FUFolderAbsPath = GetProgramDriveRoot(machine_) + FOstini->UFolderPath();
}

TOstSyncAction::TOstSyncAction(const platform::MachinePaths& machine, const std::string& programDriveRoot)
    : machine_(machine), FOstini(std::make_unique<TOstiniFileAction>(machine)) {
  FMac = FOstini->Mac();
  FDFolderPath = FOstini->DFolderPath();
  FUFolderAbsPath = programDriveRoot + FOstini->UFolderPath();
}

TOstSyncAction::~TOstSyncAction() = default;

void TOstSyncAction::SetUFolderAbsPath(const std::string& value) {
  FUFolderAbsPath = value;
  const std::string root = GetProgramDriveRoot(machine_);
  FOstini->SetUFolderPath(value.size() > root.size() ? value.substr(root.size()) : std::string());
}

void TOstSyncAction::SetDFolderPath(const std::string& value) {
  FDFolderPath = value;
  FOstini->SetDFolderPath(value);
}

void CreateSyncAction(const platform::MachinePaths& machine) {
  SyncAction = std::make_unique<TOstSyncAction>(machine);
}

void DestroySyncAction() {
  const std::unique_ptr<TOstSyncAction> action = std::move(SyncAction);
  if (action) action->Ostini().SaveConfig();
}
