// Shared pieces of the reliability suite: the drovan-sync program under
// test, seeds and trial counts (reproducible, and raised by the bench
// scripts through the environment), log lines, and the checks that a folder
// tree holds nothing but whole versions of its files, with the figures they
// add up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/tree_snapshot.h"

namespace reliability {

using testsupport::TreeSnapshot;

const std::string& syncProgram();

// DROVAN_RELIABILITY_SEED, or a fixed seed; printed by every scenario so a
// failing run can be repeated.
std::uint64_t baseSeed();
// DROVAN_RELIABILITY_TRIALS, or the given default.
int trialCount(int byDefault);
// A number from the environment variable `name`, or the default: the bench
// scripts' larger runs (DROVAN_RELIABILITY_FILES, DROVAN_RELIABILITY_SCALE).
std::uint64_t setting(const char* name, std::uint64_t byDefault);
// DROVAN_RELIABILITY_MKTREE: the shared tree generator (mktree.py) to build
// the interrupted runs' trees with, or empty for the suite's own generator.
std::string mktreeScript();

// The run's standard output as lines, and a line without its time stamp.
std::vector<std::string> lines(const std::string& out);
std::string untimed(const std::string& line);
bool isTimed(const std::string& line, const std::string& text);
// The closing lines of a run that did all its work: "手动同步结束，用时N秒",
// or the in-step line's "同步结束，用时N秒".
bool isClosingLine(const std::string& line);
inline const std::string kStopLine = "手动同步被停止！！！";
inline const std::string kErrorHead = "同步出错，请检查";

// What a scenario checked, summed over its trials and printed at its end.
struct Figures {
  int trials = 0;
  std::uint64_t filesChecked = 0;
  std::uint64_t bytesCompared = 0;
  std::uint64_t leftoverTemps = 0;  // temporary files an interruption left for the next walk
  int hitACopy = 0;                 // trials interrupted while a copy was under way
  void print(const std::string& scenario) const;
};

// The files and folders of a tree, the copy's temporary files left out.
TreeSnapshot filesOf(const std::filesystem::path& root);
std::size_t tempFilesIn(const std::filesystem::path& root);

// Every file of `now` equals (content, size and time) the same path's entry
// in one of `versions`, and every folder is a folder there. Returns what is
// wrong, one line per path; adds the files and bytes compared to figures.
std::vector<std::string> wholeVersions(const TreeSnapshot& now, std::initializer_list<const TreeSnapshot*> versions,
                                       Figures& figures);
// Equality of two trees, path by path; what differs, one line per path.
std::vector<std::string> sameTree(const TreeSnapshot& now, const TreeSnapshot& expected, Figures& figures);
// Paths of `before` that `now` lacks.
std::vector<std::string> missing(const TreeSnapshot& now, const TreeSnapshot& before);

// The problems, at most a few, as one message.
std::string describe(const std::vector<std::string>& problems);

}  // namespace reliability
