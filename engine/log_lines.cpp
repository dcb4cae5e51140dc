#include "engine/log_lines.h"

void VectorLogLines::add(std::string_view line) { lines_.emplace_back(line); }

std::string VectorLogLines::last() const { return lines_.empty() ? std::string() : lines_.back(); }

void VectorLogLines::replaceLast(std::string_view line) {
  if (lines_.empty())
    lines_.emplace_back(line);
  else
    lines_.back().assign(line);
}

void VectorLogLines::deleteLast() {
  if (!lines_.empty()) lines_.pop_back();
}

std::string VectorLogLines::text() const {
  std::size_t size = lines_.size();
  for (const std::string& line : lines_) size += line.size();
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i != 0) out.push_back('\n');
    out.append(lines_[i]);
  }
  return out;
}
