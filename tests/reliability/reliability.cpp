#include "tests/reliability/reliability.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <regex>
#include <sstream>

#include "platform/temp_names.h"

namespace fs = std::filesystem;

namespace reliability {
namespace {

const std::regex kStamp(R"(^\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{2}:\d{2}  )");

std::uint64_t fromEnvironment(const char* name, std::uint64_t byDefault) {
  const char* text = std::getenv(name);
  if (!text || !*text) return byDefault;
  return std::strtoull(text, nullptr, 10);
}

std::string shown(const testsupport::EntryState* e) {
  if (!e) return "<absent>";
  std::ostringstream out;
  out << *e;
  return out.str();
}

}  // namespace

const std::string& syncProgram() {
  static const std::string program = DROVAN_SYNC_BINARY;
  return program;
}

std::uint64_t baseSeed() { return fromEnvironment("DROVAN_RELIABILITY_SEED", 20261209); }

std::uint64_t setting(const char* name, std::uint64_t byDefault) { return fromEnvironment(name, byDefault); }

std::string mktreeScript() {
  const char* script = std::getenv("DROVAN_RELIABILITY_MKTREE");
  return script ? script : "";
}

int trialCount(int byDefault) {
  return static_cast<int>(fromEnvironment("DROVAN_RELIABILITY_TRIALS", static_cast<std::uint64_t>(byDefault)));
}

std::vector<std::string> lines(const std::string& out) {
  std::vector<std::string> result;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.push_back(line);
  }
  return result;
}

std::string untimed(const std::string& line) { return std::regex_replace(line, kStamp, ""); }

bool isTimed(const std::string& line, const std::string& text) {
  return std::regex_search(line, kStamp) && untimed(line) == text;
}

bool isClosingLine(const std::string& line) {
  static const std::regex closing(R"(^\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{2}:\d{2}  (手动)?同步结束，用时\d+秒$)");
  return std::regex_match(line, closing);
}

void Figures::print(const std::string& scenario) const {
  std::cout << "[ figures  ] " << scenario << ": seed " << baseSeed() << ", trials " << trials
            << ", files checked " << filesChecked << ", bytes compared " << bytesCompared
            << ", interrupted copies " << hitACopy << ", temporary files left for the next walk "
            << leftoverTemps << std::endl;
}

TreeSnapshot filesOf(const fs::path& root) {
  TreeSnapshot all = testsupport::snapshot(root);
  for (auto it = all.begin(); it != all.end();) {
    // The old versions are not part of what is synchronised.
    if (platform::isCopyTempName(fs::path(it->first).filename().string()) ||
        it->first.rfind(platform::kVersionsFolderName, 0) == 0)
      it = all.erase(it);
    else
      ++it;
  }
  return all;
}

std::size_t tempFilesIn(const fs::path& root) { return testsupport::countTempFiles(root); }

std::vector<std::string> wholeVersions(const TreeSnapshot& now, std::initializer_list<const TreeSnapshot*> versions,
                                       Figures& figures) {
  std::vector<std::string> problems;
  for (const auto& [path, state] : now) {
    bool matched = false;
    std::string tried;
    for (const TreeSnapshot* version : versions) {
      const auto it = version->find(path);
      if (it == version->end()) continue;
      if (!state.folder) {
        ++figures.filesChecked;
        figures.bytesCompared += static_cast<std::uint64_t>(std::min(state.content.size(), it->second.content.size()));
      }
      if (it->second == state) {
        matched = true;
        break;
      }
      tried += " / " + shown(&it->second);
    }
    if (!matched) problems.push_back(path + ": " + shown(&state) + " is no version of it" + tried);
  }
  return problems;
}

std::vector<std::string> sameTree(const TreeSnapshot& now, const TreeSnapshot& expected, Figures& figures) {
  std::vector<std::string> problems;
  for (const auto& [path, state] : expected) {
    const auto it = now.find(path);
    if (it == now.end()) {
      problems.push_back(path + ": missing, expected " + shown(&state));
      continue;
    }
    if (!state.folder) {
      ++figures.filesChecked;
      figures.bytesCompared += static_cast<std::uint64_t>(std::min(state.content.size(), it->second.content.size()));
    }
    if (!(it->second == state)) problems.push_back(path + ": " + shown(&it->second) + ", expected " + shown(&state));
  }
  for (const auto& [path, state] : now)
    if (!expected.count(path)) problems.push_back(path + ": unexpected " + shown(&state));
  return problems;
}

std::vector<std::string> missing(const TreeSnapshot& now, const TreeSnapshot& before) {
  std::vector<std::string> gone;
  for (const auto& [path, state] : before)
    if (!now.count(path)) gone.push_back(path + ": lost");
  return gone;
}

std::string describe(const std::vector<std::string>& problems) {
  std::string text = std::to_string(problems.size()) + " problem(s)";
  for (std::size_t i = 0; i < problems.size() && i < 8; ++i) text += "\n  " + problems[i];
  return text;
}

}  // namespace reliability
