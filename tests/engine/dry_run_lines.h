// What a preview foretells and what the run then logs, lined up for
// comparison; shared by the dry run's portable and POSIX tests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/plan_preview.h"
#include "tests/engine/sync_folders.h"

namespace testsupport {

using Lines = std::vector<std::string>;

inline const std::string kAnalysing = timed("分析主监测文件夹...");

// The preview's lines of the plan, without the mark, and the run's lines of
// the plan, copies without their percentage: from after the analysis line
// to before the closing line.
inline Lines planLines(const Lines& all, bool preview) {
  Lines out;
  bool inPlan = false;
  for (std::size_t k = 0; k + 1 < all.size(); ++k) {
    // The old versions' line names the folder of the run's own start
    // time: no preview can foresee it.
    if (inPlan && !(!preview && all[k].find("的旧版本共") != std::string::npos)) {
      std::string line = preview ? WithoutPreviewMark(all[k]) : all[k];
      if (!preview && line.size() > 1 && line.back() == '%') line.erase(line.rfind(' '));
      out.push_back(line);
    }
    if (all[k] == kAnalysing) inPlan = true;
  }
  return out;
}

inline Lines upTo(const Lines& all, const std::string& last) {
  Lines out;
  for (const std::string& line : all) {
    out.push_back(line);
    if (line == last) break;
  }
  return out;
}

}  // namespace testsupport
