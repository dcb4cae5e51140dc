// A seeded pair of folder trees for whole-sync tests: a disk side and a USB
// side that differ in every way a synchronisation handles (files changed on
// either side, files and folders on one side only, renamed files) and share
// the rest. The same seed and shape always give the same names, contents
// and modification times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace testsupport {

struct PairShape {
  int sharedFolders = 6;   // folders both sides hold (files are spread over them)
  int commonFiles = 40;    // identical on both sides
  int diskNewer = 20;      // same name, newer and different on the disk side
  int usbNewer = 8;        // same name, newer and different on the USB side
  int diskOnly = 40;       // files only the disk side holds
  int usbOnly = 20;        // files only the USB side holds
  int renamed = 8;         // same content and time, another name on the USB side
  int diskOnlyFolders = 3;  // folders (each with a few files) only on the disk side
  int usbOnlyFolders = 3;   // the same on the USB side
  int largeFiles = 2;       // of largeBytes, newer on the disk side (half of them new there)
  std::size_t largeBytes = 6u << 20;
  std::size_t maxSmallBytes = 48u << 10;
  // Names a run puts on an exFAT drive ("|", quotes, "*", a trailing blank
  // ... avoided), unique when letter case is ignored.
  bool fatSafeNames = false;
};

struct PairFigures {
  std::size_t files = 0;
  std::size_t folders = 0;
  std::uint64_t bytes = 0;
};

// Fills the two (existing, empty) folders. Times are whole even seconds.
PairFigures makeSyncPair(const std::filesystem::path& disk, const std::filesystem::path& usb,
                         std::uint64_t seed, const PairShape& shape = {});

// Deterministic content of `size` bytes for seed.
std::string seededBytes(std::uint64_t seed, std::size_t size);

}  // namespace testsupport
