// A tiny fake machine for the window benchmarks, in a temporary folder: a
// mount table, a sysfs with one removable disk, and the program's path, so
// the window's drive checks pass without a USB stick.
#pragma once

#include <filesystem>
#include <string>

#include "platform/machine_paths.h"

class BenchMachine {
 public:
  // Empty stick: "/" itself is the removable disk and holds the program.
  // Otherwise "/" is a fixed disk and stick a removable drive of its own on
  // which the program lives (as a name only: the stick holds nothing but
  // what a sync puts there).
  explicit BenchMachine(const std::string& stick = {});
  ~BenchMachine();
  BenchMachine(const BenchMachine&) = delete;
  BenchMachine& operator=(const BenchMachine&) = delete;

  platform::MachinePaths paths() const;

 private:
  std::filesystem::path root_;
};
