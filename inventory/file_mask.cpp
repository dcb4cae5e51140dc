#include "inventory/file_mask.h"

#include <array>
#include <string>

#include "platform/exceptions.h"
#include "platform/utf8.h"

namespace {

constexpr int kMaxCards = 30;

// An invalid byte decodes to U+DC00 + byte: a lone surrogate, which valid
// UTF-8 never yields, so it equals only the same invalid byte.
constexpr char32_t kInvalidByteBase = 0xDC00;

char32_t decodeAt(std::string_view s, std::size_t pos, std::size_t& length) {
  const platform::Utf8Char c = platform::decodeUtf8(s.substr(pos));
  if (c.length == 0) {
    length = 1;
    return kInvalidByteBase + static_cast<unsigned char>(s[pos]);
  }
  length = c.length;
  return c.codePoint;
}

char32_t upCase(char32_t c) { return c >= U'a' && c <= U'z' ? c - (U'a' - U'A') : c; }

std::u32string decodeAll(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t length = 0;
  for (std::size_t pos = 0; pos < s.size(); pos += length) out.push_back(decodeAt(s, pos, length));
  return out;
}

[[noreturn]] void invalidMask(std::string_view mask, std::size_t index) {
  throw EMaskException(
      formatText("'%s' is an invalid mask at (%d)", {mask, std::to_string(index + 1)}));
}

}  // namespace

TMask::TMask(std::string_view maskText) {
  std::u32string mask = decodeAll(maskText);
  // A NUL ends the mask, as it would end the text anywhere else.
  if (const auto nul = mask.find(U'\0'); nul != std::u32string::npos) mask.resize(nul);
  const std::size_t n = mask.size();

  std::size_t p = 0;
  int cards = 0;
  Step pending;
  auto write = [&](Kind kind) {
    if (pending.skipTo && ++cards > kMaxCards) invalidMask(maskText, p);
    pending.kind = kind;
    steps_.push_back(pending);
    pending = Step{};
  };

  while (p < n) {
    const char32_t c = mask[p];
    if (c == U'*') {
      pending.skipTo = true;
    } else if (c == U'?') {
      if (!pending.skipTo) write(Kind::Any);
    } else if (c == U'[') {
      ++p;
      if (p < n && mask[p] == U'!') {
        pending.negate = true;
        ++p;
      }
      char32_t last = 0;
      while (p < n && mask[p] != U']') {
        if (mask[p] == U'-') {
          if (last == 0) invalidMask(maskText, p);
          ++p;
          if (p >= n) invalidMask(maskText, p);
          // The range ends at whatever follows the "-", even a "]".
          const char32_t high = upCase(mask[p]);
          for (char32_t m = last; m <= high && m <= 0xFF; ++m) pending.set.set(m);
        } else {
          last = upCase(mask[p]);
          if (last <= 0xFF) pending.set.set(last);
        }
        ++p;
      }
      if (p >= n || pending.set.none()) invalidMask(maskText, p);
      write(Kind::Set);
    } else {
      pending.literal = upCase(c);
      write(Kind::Literal);
    }
    ++p;
  }
  write(Kind::End);
}

bool TMask::accepts(const Step& step, char32_t c) const {
  c = upCase(c);
  switch (step.kind) {
    case Kind::Literal:
      return c == step.literal;
    case Kind::Any:
      return true;
    case Kind::Set:
      return step.negate != (c <= 0xFF && step.set.test(c));
    case Kind::End:
      return false;
  }
  return false;
}

bool TMask::Matches(std::string_view text) const {
  struct Pending {
    std::size_t pos;
    std::size_t step;
  };
  // Strictly increasing step indices, each a * step: at most kMaxCards.
  std::array<Pending, kMaxCards> stack;
  std::size_t top = 0;
  // After many retries, states already tried are not pushed again, so a
  // mask such as *A*A*A*B cannot take exponential time on a long name.
  constexpr std::size_t kRetriesBeforeMemo = 64;
  std::size_t retries = 0;
  std::vector<bool> tried;
  const std::size_t n = text.size();

  auto push = [&](std::size_t pos, std::size_t step) {
    if (retries >= kRetriesBeforeMemo) {
      if (tried.empty()) tried.assign((n + 1) * steps_.size(), false);
      const std::size_t key = step * (n + 1) + pos;
      if (tried[key]) return;
      tried[key] = true;
    }
    if (top < stack.size()) stack[top++] = {pos, step};
  };

  auto matchFrom = [&](std::size_t pos, std::size_t start) {
    std::size_t length = 0;
    for (std::size_t i = start; i < steps_.size(); ++i) {
      const Step& step = steps_[i];
      if (step.skipTo) {
        if (step.kind == Kind::End) {
          pos = n;
        } else {
          while (pos < n && !accepts(step, decodeAt(text, pos, length))) pos += length;
          if (pos < n) push(pos + length, i);
        }
      }
      if (step.kind == Kind::End) return pos == n;
      // At the end of the text nothing but the end step matches (a negated
      // set included).
      if (pos >= n) return false;
      if (!accepts(step, decodeAt(text, pos, length))) return false;
      pos += length;
    }
    return false;
  };

  std::size_t pos = 0;
  std::size_t step = 0;
  for (;;) {
    if (matchFrom(pos, step)) return true;
    if (top == 0) return false;
    --top;
    pos = stack[top].pos;
    step = stack[top].step;
    ++retries;
  }
}

bool MatchesMask(std::string_view text, std::string_view mask) { return TMask(mask).Matches(text); }
