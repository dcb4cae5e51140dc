// The reasons for errno values, as the POSIX calls and the platform's own
// refusals give them on every system.
#include "engine/failure_reason.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "engine/scanned_state.h"

namespace {

platform::OsStatus failed(int error, const char* operation = "write") {
  return platform::OsStatus::fromErrno(error, operation, "/media/usb/a.txt");
}

}  // namespace

TEST(FailureReason, TheCommonFailuresInTheWindowsWords) {
  EXPECT_EQ(FailureReason(failed(ENOSPC)), "（磁盘空间不足）");
  EXPECT_EQ(FailureReason(failed(EACCES, "open")), "（没有权限）");
  EXPECT_EQ(FailureReason(failed(ENAMETOOLONG, "open")), "（U盘不能存放这个文件名）");
  EXPECT_EQ(FailureReason(failed(EFBIG)), "（文件太大，超过U盘文件系统的上限）");
  EXPECT_EQ(FailureReason(failed(EROFS, "open")), "（驱动器是只读的）");
  // Put in place under a name the drive refuses, the drive process answers
  // that the name does not exist; a source that vanished is just missing.
  EXPECT_EQ(FailureReason(failed(ENOENT, "rename")), "（U盘不能存放这个文件名）");
  EXPECT_EQ(FailureReason(failed(ENOENT, "open")), "（文件不存在）");
}

TEST(FailureReason, NothingForASuccessANumberForTheUnknown) {
  EXPECT_EQ(FailureReason(platform::OsStatus{}), "");
  EXPECT_EQ(FailureReason(failed(EXDEV)), "（系统错误" + std::to_string(EXDEV) + "）");
  // A refusal of the run's own has its own line and no reason.
  EXPECT_EQ(FailureReason({ChangedSinceScanError(), "confirm", "/x"}), "");
}
