// A used-up disk quota, which only POSIX names with an errno (EDQUOT);
// win32/failure_reason_win_test.cpp has the Windows error for it.
#include "engine/failure_reason.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(FailureReason, AUsedUpQuotaIsAFullDrive) {
  EXPECT_EQ(FailureReason(platform::OsStatus::fromErrno(EDQUOT, "write", "/media/usb/a.txt")), "（磁盘空间不足）");
}
