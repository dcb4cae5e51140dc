#include "engine/failure_reason.h"

#include <cerrno>

namespace {

const char* Words(int error) {
  switch (error) {
    case ENOSPC: return "磁盘空间不足";
    case EACCES:
    case EPERM: return "没有权限";
    case EROFS: return "驱动器是只读的";
    // A name the drive's file system cannot hold: too long, or with
    // characters it refuses.
    case ENAMETOOLONG:
    case EILSEQ:
    case EINVAL: return "U盘不能存放这个文件名";
    case EFBIG: return "文件太大，超过U盘文件系统的上限";
    case EBUSY:
    case ETXTBSY: return "文件正在使用";
    case ENOENT: return "文件不存在";
    case EEXIST: return "已有同名的文件";
    case EISDIR: return "已有同名的文件夹";
    case ENOTDIR: return "路径中有同名的文件";
    case EAGAIN: return "文件在复制期间被改动";
    case ENOTSUP: return "不是普通文件";
    case EIO: return "驱动器读写出错";
    case ENOTCONN:
    case ENODEV:
    case ENXIO: return "驱动器已断开";
    case EMFILE:
    case ENFILE: return "打开的文件太多";
    case ENOMEM: return "内存不足";
    default: return nullptr;
  }
}

}  // namespace

std::string FailureReason(const platform::OsStatus& status) {
  const std::error_code& code = status.code;
  if (!code) return {};
  if (code.category() != std::generic_category() && code.category() != std::system_category()) return {};
  // A file put in place under a name the drive refuses: the drive process
  // answers that the name does not exist.
  const int error = platform::errnoOf(code);
  if (status.operation == "rename" && error == ENOENT) return "（U盘不能存放这个文件名）";
  if (platform::isQuotaExceeded(code)) return "（磁盘空间不足）";
  const char* words = error != 0 ? Words(error) : nullptr;
  if (words == nullptr) return "（系统错误" + std::to_string(code.value()) + "）";
  return std::string("（") + words + "）";
}
