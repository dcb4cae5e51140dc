// Byte comparison of two files through ReadFile, sampled for large ones.
#include <windows.h>

#include <algorithm>

#include <vector>

#include "platform/content_compare.h"
#include "platform/win32/file_facts.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

win32::Handle openRead(const std::string& path) {
  return win32::Handle(CreateFileW(win32::widePath(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool readAt(HANDLE file, std::int64_t offset, char* buffer, DWORD size) {
  LARGE_INTEGER at;
  at.QuadPart = offset;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  DWORD done = 0;
  while (done < size) {
    DWORD got = 0;
    if (!ReadFile(file, buffer + done, size - done, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

bool sameRange(HANDLE a, HANDLE b, std::int64_t offset, std::int64_t length, std::vector<char>& x, std::vector<char>& y) {
  while (length > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<std::int64_t>(length, static_cast<std::int64_t>(x.size())));
    if (!readAt(a, offset, x.data(), piece) || !readAt(b, offset, y.data(), piece)) return false;
    if (!std::equal(x.begin(), x.begin() + piece, y.begin())) return false;
    offset += piece;
    length -= piece;
  }
  return true;
}

}  // namespace

bool sameContent(const std::string& a, const std::string& b) {
  const win32::Handle fa = openRead(a), fb = openRead(b);
  if (!fa.valid() || !fb.valid()) return false;
  const win32::FileFacts ia = win32::examineHandle(fa.get()), ib = win32::examineHandle(fb.get());
  if (!ia.ok() || !ib.ok() || ia.isFolder() || ib.isFolder() || ia.size != ib.size) return false;
  const std::int64_t size = ia.size;
  std::vector<char> x(kSampleBlock), y(kSampleBlock);
  if (size <= kFullCompareLimit) return sameRange(fa.get(), fb.get(), 0, size, x, y);
  const std::int64_t step = (size - kSampleBlock) / (kSampleCount - 1);
  for (int i = 0; i < kSampleCount; ++i) {
    const std::int64_t offset = i == kSampleCount - 1 ? size - kSampleBlock : i * step;
    if (!sameRange(fa.get(), fb.get(), offset, kSampleBlock, x, y)) return false;
  }
  return true;
}

}  // namespace platform
