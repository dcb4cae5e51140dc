#include "platform/case_fold.h"

#include <unicode/ucasemap.h>

#include <algorithm>
#include <memory>

namespace platform {
namespace {

struct CaseMapCloser {
  void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

// One map per thread: opening it per call costs more than the folding.
UCaseMap* threadCaseMap() {
  thread_local std::unique_ptr<UCaseMap, CaseMapCloser> map = [] {
    UErrorCode status = U_ZERO_ERROR;
    return std::unique_ptr<UCaseMap, CaseMapCloser>(ucasemap_open("", U_FOLD_CASE_DEFAULT, &status));
  }();
  return map.get();
}

bool icuFoldCase(std::string_view text, std::string& out) {
  UCaseMap* map = threadCaseMap();
  if (map == nullptr) return false;
  out.resize(text.size() * 3 + 8);
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucasemap_utf8FoldCase(map, out.data(), static_cast<int32_t>(out.size()), text.data(),
                                                 static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(static_cast<std::size_t>(length));
      continue;
    }
    if (U_FAILURE(status)) return false;
    out.resize(static_cast<std::size_t>(length));
    return true;
  }
  return false;
}

}  // namespace

bool foldCase(std::string_view text, std::string& out) {
  // Letters beyond ASCII need the full folding; ASCII ones fold to lower case.
  if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return icuFoldCase(text, out);
  out.assign(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return true;
}

}  // namespace platform
