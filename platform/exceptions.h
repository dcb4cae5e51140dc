// The exceptions through which whole operations fail. Their messages are the
// system's own texts, used as they stand; an exception about a path carries
// that path too, so the job's failure line can name it. The platform layer
// itself never throws these; the layers above turn its results into them.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

class Exception : public std::runtime_error {
 public:
  // code: the system's error behind the failure, where there is one.
  explicit Exception(const std::string& message, std::string path = {}, std::error_code code = {})
      : std::runtime_error(message), path_(std::move(path)), code_(code) {}
  const std::string& path() const noexcept { return path_; }
  const std::error_code& code() const noexcept { return code_; }

 private:
  std::string path_;
  std::error_code code_;
};

#define DROVAN_EXCEPTION_CLASS(Name)   \
  class Name : public Exception {      \
   public:                             \
    using Exception::Exception;        \
  };

DROVAN_EXCEPTION_CLASS(EConvertError)
DROVAN_EXCEPTION_CLASS(EArgumentException)
DROVAN_EXCEPTION_CLASS(EPathTooLongException)
DROVAN_EXCEPTION_CLASS(ENotSupportedException)
DROVAN_EXCEPTION_CLASS(EDirectoryNotFoundException)
DROVAN_EXCEPTION_CLASS(EMaskException)
DROVAN_EXCEPTION_CLASS(EInOutError)
DROVAN_EXCEPTION_CLASS(EIniFileException)

#undef DROVAN_EXCEPTION_CLASS

// Replaces each %s or %d of the pattern, left to right, by the next argument
// ("%%" stands for "%"). Missing arguments leave their placeholder empty.
inline std::string formatText(std::string_view pattern,
                              std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      const char c = pattern[i + 1];
      if (c == 's' || c == 'd') {
        if (next != args.end()) out.append(*next++);
        ++i;
        continue;
      }
      if (c == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
    }
    out.push_back(pattern[i]);
  }
  return out;
}
