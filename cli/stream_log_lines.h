// A log pane for the command line: every line is written to the output once,
// in its final form, when a later line follows it; the last line is written
// by finish(). Only the last line is kept in memory.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "engine/log_lines.h"

class StreamLogLines : public LogLines {
 public:
  explicit StreamLogLines(std::ostream& out) : out_(out) {}

  void add(std::string_view line) override;
  std::string last() const override { return hasLast_ ? last_ : std::string(); }
  void replaceLast(std::string_view line) override;
  void deleteLast() override;
  std::size_t count() const override { return written_ + (hasLast_ ? 1 : 0); }
  void clear() override;
  void beginUpdate() override {}
  void endUpdate() override {}
  void scrollToEnd() override {}

  // Writes the pending last line.
  void finish();

 private:
  std::ostream& out_;
  std::string last_;
  bool hasLast_ = false;
  std::size_t written_ = 0;
};
