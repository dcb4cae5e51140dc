// The checks that guard the two folder boxes of the main page: the hard-disk
// folder may neither lie on a removable drive nor hold the program's drive;
// the USB folder must lie on the drive the program runs from, and may be
// neither the program's own folder nor any folder that contains it. Neither
// may hold a line break, which the configuration file cannot store. Free of
// Qt, so they are tested on fake machines directly.
#pragma once

#include <string>

#include "platform/machine_paths.h"

// True when Folder equals Path cut short by one or more characters, down to
// the last form that still holds a "/" (for "/m/u/bin/" that is "/m/u/bin",
// "/m/u/bi", ..., "/m/u/", ..., "/"). Exact, case-sensitive comparison; false
// for an empty Path.
bool IsPathPrefixOf(const std::string& Path, const std::string& Folder);

// The folder of the program file followed by "/"; empty when the program's
// path cannot be read.
std::string ProgramFolder(const platform::MachinePaths& machine);

// False only when Path lies on a removable drive.
bool IsNotUDiskPath(const std::string& Path, const platform::MachinePaths& machine);

// True when Path lies on the drive the program runs from. Repeats the
// program's drive test, which ends the process when that drive is no longer
// removable (see GetProgramDriveRoot).
bool IsOnProgramDrive(const std::string& Path, const platform::MachinePaths& machine);

// The form in which a chosen USB folder is checked and stored: its canonical
// path (links resolved, so no link can lead around the checks), and a drive's
// mount point as its root with the final "/" ("/media/u/"), as the stored
// drive-relative folder "" comes back.
std::string UsbFolderForm(const std::string& Path, const platform::MachinePaths& machine);

// The refusal text for a hard-disk folder, or "" when it is accepted: it may
// neither lie on a removable drive nor hold the drive the program runs from.
std::string DiskFolderRefusal(const std::string& Path, const platform::MachinePaths& machine);

// The refusal text for a USB folder given in UsbFolderForm, or "" when it is
// accepted. The checks run in this order: on the program's drive, not the
// program's folder, not a folder containing it (IsPathPrefixOf).
std::string UsbFolderRefusal(const std::string& Path, const platform::MachinePaths& machine);
