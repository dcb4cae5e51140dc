#include "ui/folder_checks.h"

#include "config/pOstSync.h"
#include "platform/drives.h"
#include "platform/exceptions.h"
#include "platform/file_ops.h"
#include "platform/program_path.h"

namespace {

// Everything up to and including the last "/"; empty without one.
std::string folderPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The configuration file holds one value a line: a folder whose path has a
// line break could never be saved, and the save would lose every setting.
std::string LineBreakRefusal(const std::string& Path) {
  if (Path.find_first_of("\r\n") == std::string::npos) return {};
  return formatText("文件夹路径中不能含有换行符：\n%s\n请选择其他文件夹。", {Path});
}

}  // namespace

bool IsPathPrefixOf(const std::string& Path, const std::string& Folder) {
  if (Path.empty()) return false;
  std::string cut = Path;
  cut.pop_back();
  while (!folderPart(cut).empty()) {
    if (Folder == cut) return true;
    if (cut.empty()) break;
    cut.pop_back();
  }
  return false;
}

std::string ProgramFolder(const platform::MachinePaths& machine) {
  const auto program = platform::programPath(machine);
  if (!program.ok()) return {};
  return folderPart(program.value);
}

bool IsNotUDiskPath(const std::string& Path, const platform::MachinePaths& machine) {
  return platform::driveTypeOf(Path, machine) != platform::DriveType::Removable;
}

bool IsOnProgramDrive(const std::string& Path, const platform::MachinePaths& machine) {
  const std::string programRoot = GetProgramDriveRoot(machine);
  const auto root = platform::driveRootOf(Path, machine);
  return root.ok() && root.value == programRoot;
}

std::string UsbFolderForm(const std::string& Path, const platform::MachinePaths& machine) {
  std::string form = platform::canonicalPath(Path);
  const auto root = platform::driveRootOf(form, machine);
  if (root.ok() && root.value == form + "/") form += "/";
  return form;
}

std::string DiskFolderRefusal(const std::string& Path, const platform::MachinePaths& machine) {
  if (std::string refusal = LineBreakRefusal(Path); !refusal.empty()) return refusal;
  if (!IsNotUDiskPath(Path, machine))
    return formatText("硬盘监测文件夹不能位于U盘等可移动磁盘上：\n%s\n请选择本机硬盘上的文件夹。", {Path});
  // A folder of a fixed drive may still hold the stick's mount point; a sync
  // would then copy the stick into itself or delete it from the stick.
  const auto program = platform::programPath(machine);
  const auto stick = program.ok() ? platform::driveRootOf(program.value, machine) : platform::OsResult<std::string>{};
  if (stick.ok() && platform::folderWithin(stick.value, Path))
    return formatText("硬盘监测文件夹不能包含本程序所在的U盘：\n%s\n请选择本机硬盘上的其他文件夹。", {Path});
  return {};
}

std::string UsbFolderRefusal(const std::string& Path, const platform::MachinePaths& machine) {
  if (std::string refusal = LineBreakRefusal(Path); !refusal.empty()) return refusal;
  if (!IsOnProgramDrive(Path, machine))
    return formatText(
        "U盘监测文件夹必须位于本程序所在的U盘上：\n%s\n请选择本程序所在U盘（%s）中的文件夹。",
        {Path, GetProgramDriveRoot(machine)});
  const std::string program = ProgramFolder(machine);
  if (program == Path + "/")
    return formatText(
        "U盘监测文件夹不能是本程序所在的文件夹：\n%s\n请选择其中的子文件夹，或U盘上的其他文件夹。",
        {Path});
  if (IsPathPrefixOf(program, Path))
    return formatText(
        "U盘监测文件夹不能是本程序所在文件夹（%s）的上级文件夹，也不能是其名称截短后的文件夹：\n%s\n"
        "请选择本程序所在文件夹中的子文件夹，或U盘上与之无关的其他文件夹。",
        {program, Path});
  return {};
}
