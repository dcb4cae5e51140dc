// The log pane as the message renderer sees it: a list of lines that grows at
// the end and is changed only at its last line, so a window can bind it to a
// real text widget with constant work per progress message. Holds the
// abstract interface and VectorLogLines, the in-memory pane of the command
// line and the tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A line is UTF-8 text without CR or LF. All members are called on the
// window's thread only. The renderer brackets every change it makes with
// beginUpdate()/endUpdate(); implementations may still accept changes outside
// such a pair (the window's own "清空" calls clear() directly).
class LogLines {
 public:
  virtual ~LogLines() = default;

  // Appends a line after the last one.
  virtual void add(std::string_view line) = 0;
  // The last line; the empty text when the pane holds no line.
  virtual std::string last() const = 0;
  // Replaces the last line; with no line at all, adds it as the only line.
  virtual void replaceLast(std::string_view line) = 0;
  // Removes the last line; does nothing when the pane holds no line.
  virtual void deleteLast() = 0;
  virtual std::size_t count() const = 0;
  virtual void clear() = 0;

  // Painting may be held back between these two calls; pairs do not nest.
  virtual void beginUpdate() = 0;
  virtual void endUpdate() = 0;
  // Brings the end of the pane into view.
  virtual void scrollToEnd() = 0;
};

// The pane kept as a vector of lines. Updates and scrolling do nothing.
class VectorLogLines : public LogLines {
 public:
  void add(std::string_view line) override;
  std::string last() const override;
  void replaceLast(std::string_view line) override;
  void deleteLast() override;
  std::size_t count() const override { return lines_.size(); }
  void clear() override { lines_.clear(); }
  void beginUpdate() override {}
  void endUpdate() override {}
  void scrollToEnd() override {}

  const std::vector<std::string>& lines() const { return lines_; }
  // All lines joined by "\n", without a final line break.
  std::string text() const;

 private:
  std::vector<std::string> lines_;
};
