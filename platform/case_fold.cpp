// What letter-case folding gives on every system: built on foldCase, which
// each system's text library provides.
#include "platform/case_fold.h"

namespace platform {

std::string foldedCase(std::string_view text) {
  std::string out;
  if (!foldCase(text, out)) out.assign(text);
  return out;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a == b) return true;
  std::string foldedA, foldedB;
  if (!foldCase(a, foldedA) || !foldCase(b, foldedB)) return false;
  return foldedA == foldedB;
}

}  // namespace platform
