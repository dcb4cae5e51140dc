// The drive of a root as the check before a run needs it.
#include "engine/drive_check.h"
#include "platform/file_ops.h"

TDriveRoom DriveRoomOf(const std::string& root) {
  TDriveRoom room;
  room.Format = platform::driveFormatOf(root);
  if (const auto space = platform::driveFreeSpace(root); space.ok()) {
    room.Free = space.value.free;
    room.Block = space.value.block;
  }
  if (const auto id = platform::fileIdentity(root)) room.Drive = std::to_string(id->device);
  return room;
}
