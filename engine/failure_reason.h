// Why a step failed, in the window's words: the one place that turns a
// system error into the reason an error line gives after its path.
#pragma once

#include <string>

#include "platform/os_status.h"

// The reason in full-width parentheses, e.g. "（磁盘空间不足）"; empty for
// a success.
std::string FailureReason(const platform::OsStatus& status);
