// GBK through glibc's iconv.
#include <iconv.h>

#include <cerrno>

#include "platform/text_encoding.h"

namespace platform {
namespace {

class Converter {
 public:
  Converter() : cd_(::iconv_open("UTF-8", "GBK")) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

std::string gbkToUtf8(std::string_view bytes) {
  Converter converter;
  std::string out;
  if (!converter.ok()) {
    // Without the code page, keep the ASCII and mark the rest.
    for (char c : bytes)
      if (static_cast<unsigned char>(c) < 0x80) out.push_back(c);
      else out.append(kReplacement);
    return out;
  }
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t done = ::iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (done != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or a cut-off sequence at the end: mark one byte and go on.
    out.append(kReplacement);
    ++in;
    --inLeft;
    ::iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace platform
