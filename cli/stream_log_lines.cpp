#include "cli/stream_log_lines.h"

void StreamLogLines::add(std::string_view line) {
  if (hasLast_) {
    // Line by line, so a reader sees each line as it is final, and a closed
    // output shows at the next line rather than when a buffer fills.
    out_ << last_ << '\n';
    out_.flush();
    ++written_;
  }
  last_.assign(line);
  hasLast_ = true;
}

void StreamLogLines::replaceLast(std::string_view line) {
  // A line already written is final; with none pending the text is new.
  last_.assign(line);
  hasLast_ = true;
}

void StreamLogLines::deleteLast() {
  if (hasLast_) {
    hasLast_ = false;
    last_.clear();
  }
}

void StreamLogLines::clear() {
  hasLast_ = false;
  last_.clear();
  written_ = 0;
}

void StreamLogLines::finish() {
  if (hasLast_) {
    out_ << last_ << '\n';
    ++written_;
    hasLast_ = false;
  }
  out_.flush();
}
