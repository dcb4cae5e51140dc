#include "platform/collate.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
namespace {

std::string localeFromEnvironment() {
  const char* names[] = {"LC_ALL", "LC_COLLATE", "LANG"};
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    std::string locale(value);
    locale = locale.substr(0, locale.find_first_of(".@"));
    // The POSIX locale's ICU tailoring makes letter case a primary difference.
    if (locale == "C" || locale == "POSIX") return "";
    return locale;
  }
  return "";
}

struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

const std::string& chosenLocale() {
  static const std::string locale = localeFromEnvironment();
  return locale;
}

CollatorPtr openCollator() {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open(chosenLocale().c_str(), &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    collator = ucol_open("", &status);
  }
  if (collator != nullptr) {
    ucol_setStrength(collator, UCOL_SECONDARY);
    status = U_ZERO_ERROR;
    // Digits and punctuation stay significant: names differing only there differ.
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
  }
  return CollatorPtr(collator);
}

UCollator* threadCollator() {
  thread_local CollatorPtr collator = openCollator();
  return collator.get();
}

int sign(int v) { return (v > 0) - (v < 0); }

int compareBytes(std::string_view a, std::string_view b) { return sign(a.compare(b)); }

// UTF-8 to UTF-16 with invalid bytes as U+FFFD (names on Linux need not be UTF-8).
void toUtf16(std::string_view text, std::vector<UChar>& out) {
  out.resize(text.size() + 1);
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
}

}  // namespace

std::string collationLocale() { return chosenLocale(); }

int compareTextIgnoringCase(std::string_view a, std::string_view b) {
  UCollator* collator = threadCollator();
  if (collator == nullptr) return compareBytes(a, b);
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                       static_cast<int32_t>(b.size()), &status);
  if (U_FAILURE(status)) return compareBytes(a, b);
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

int compareText(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  const int r = compareTextIgnoringCase(a, b);
  return r != 0 ? r : compareBytes(a, b);
}

void appendCollationKey(std::string& out, std::string_view text) {
  UCollator* collator = threadCollator();
  if (collator != nullptr) {
    thread_local std::vector<UChar> wide;
    toUtf16(text, wide);
    const std::size_t start = out.size();
    out.resize(start + wide.size() * 4 + 16);
    int32_t needed = ucol_getSortKey(collator, wide.data(), static_cast<int32_t>(wide.size()),
                                     reinterpret_cast<uint8_t*>(out.data() + start),
                                     static_cast<int32_t>(out.size() - start));
    if (needed > static_cast<int32_t>(out.size() - start)) {
      out.resize(start + static_cast<std::size_t>(needed));
      needed = ucol_getSortKey(collator, wide.data(), static_cast<int32_t>(wide.size()),
                               reinterpret_cast<uint8_t*>(out.data() + start), needed);
    }
    // The key ends in its own NUL terminator, which keeps the tie-break below
    // from mixing into the collation bytes.
    out.resize(start + static_cast<std::size_t>(needed));
  }
}

}  // namespace platform
