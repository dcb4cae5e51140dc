// The reasons of error lines for the Windows errors of the same failures
// that failure_reason_test.cpp gives as errno values: a run on Windows must
// say the same thing about a full stick, a pulled one or a refused name.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/failure_reason.h"

namespace {

platform::OsStatus failed(DWORD error, const char* operation = "write") {
  return {std::error_code(static_cast<int>(error), std::system_category()), operation, "E:\\a.txt"};
}

}  // namespace

TEST(WinFailureReason, TheCommonWindowsFailuresInTheWindowsWords) {
  EXPECT_EQ(FailureReason(failed(ERROR_DISK_FULL)), "（磁盘空间不足）");
  EXPECT_EQ(FailureReason(failed(ERROR_HANDLE_DISK_FULL)), "（磁盘空间不足）");
  EXPECT_EQ(FailureReason(failed(1295)), "（磁盘空间不足）");  // ERROR_DISK_QUOTA_EXCEEDED
  EXPECT_EQ(FailureReason(failed(ERROR_ACCESS_DENIED, "open")), "（没有权限）");
  EXPECT_EQ(FailureReason(failed(ERROR_WRITE_PROTECT, "open")), "（驱动器是只读的）");
  EXPECT_EQ(FailureReason(failed(ERROR_SHARING_VIOLATION, "open")), "（文件正在使用）");
  EXPECT_EQ(FailureReason(failed(ERROR_LOCK_VIOLATION)), "（文件正在使用）");
  EXPECT_EQ(FailureReason(failed(ERROR_FILENAME_EXCED_RANGE, "open")), "（U盘不能存放这个文件名）");
  EXPECT_EQ(FailureReason(failed(ERROR_INVALID_NAME, "open")), "（U盘不能存放这个文件名）");
  EXPECT_EQ(FailureReason(failed(ERROR_BAD_PATHNAME, "open")), "（U盘不能存放这个文件名）");
  EXPECT_EQ(FailureReason(failed(ERROR_FILE_TOO_LARGE)), "（文件太大，超过U盘文件系统的上限）");
  EXPECT_EQ(FailureReason(failed(ERROR_FILE_NOT_FOUND, "open")), "（文件不存在）");
  EXPECT_EQ(FailureReason(failed(ERROR_PATH_NOT_FOUND, "open")), "（文件不存在）");
  EXPECT_EQ(FailureReason(failed(ERROR_FILE_EXISTS, "rename")), "（已有同名的文件）");
  EXPECT_EQ(FailureReason(failed(ERROR_ALREADY_EXISTS, "rename")), "（已有同名的文件）");
  EXPECT_EQ(FailureReason(failed(ERROR_CRC)), "（驱动器读写出错）");
  EXPECT_EQ(FailureReason(failed(ERROR_IO_DEVICE)), "（驱动器读写出错）");
  // A stick pulled in the middle of a run.
  EXPECT_EQ(FailureReason(failed(ERROR_NOT_READY)), "（驱动器已断开）");
  EXPECT_EQ(FailureReason(failed(ERROR_DEVICE_NOT_CONNECTED)), "（驱动器已断开）");
  EXPECT_EQ(FailureReason(failed(ERROR_DEV_NOT_EXIST)), "（驱动器已断开）");
  EXPECT_EQ(FailureReason(failed(ERROR_BAD_NETPATH, "open")), "（驱动器已断开）");
  EXPECT_EQ(FailureReason(failed(ERROR_NETNAME_DELETED)), "（驱动器已断开）");
  EXPECT_EQ(FailureReason(failed(ERROR_TOO_MANY_OPEN_FILES)), "（打开的文件太多）");
  EXPECT_EQ(FailureReason(failed(ERROR_NOT_ENOUGH_MEMORY)), "（内存不足）");
}

TEST(WinFailureReason, ANumberForTheUnknown) {
  EXPECT_EQ(FailureReason(failed(ERROR_NOT_SAME_DEVICE)), "（系统错误" + std::to_string(ERROR_NOT_SAME_DEVICE) + "）");
  EXPECT_EQ(FailureReason(failed(ERROR_SUCCESS)), "");
}
