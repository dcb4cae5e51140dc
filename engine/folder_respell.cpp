#include "engine/folder_respell.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/case_fold.h"

namespace {

std::string folded(std::string_view text) {
  std::string out;
  if (!platform::foldCase(text, out)) out.assign(text);
  return out;
}

std::string_view parentOf(std::string_view rel) {
  const auto slash = rel.rfind(PathDelim);
  return slash == std::string_view::npos ? std::string_view() : rel.substr(0, slash);
}

bool within(std::string_view rel, std::string_view folder) {
  return rel.size() >= folder.size() && rel.compare(0, folder.size(), folder) == 0 &&
         (rel.size() == folder.size() || rel[folder.size()] == PathDelim);
}

// rel with every respell so far applied, outermost first.
std::string mapped(std::string rel, const std::vector<std::pair<std::string, std::string>>& respelled) {
  for (const auto& [from, to] : respelled)
    if (within(rel, from)) rel = to + rel.substr(from.size());
  return rel;
}

}  // namespace

std::vector<TFolderRespell> PairRespelledFolders(const TInventoryList& Source, std::size_t SourceRootLength,
                                                 TInventoryList& Target, const std::string& TargetRoot,
                                                 TFileStore& Store, const TSameEntry& SameEntry) {
  std::unordered_set<std::string> sourceFolders, targetFolders;
  for (const TFileInfo* e : Source)
    if (e->Falg) sourceFolders.insert(e->Relative(SourceRootLength));
  std::vector<std::string> unpaired;
  for (const TFileInfo* e : Target) {
    if (!e->Falg) continue;
    std::string rel = e->Relative(TargetRoot.size());
    if (!sourceFolders.count(rel) && !e->IsLink) unpaired.push_back(rel);
    targetFolders.insert(std::move(rel));
  }
  if (unpaired.empty()) return {};

  // Source folders by their case-folded path; two that fold alike are
  // ambiguous and pair with nothing.
  std::unordered_map<std::string, std::string> byFolded;
  std::unordered_set<std::string> ambiguous;
  for (const std::string& rel : sourceFolders) {
    std::string key = folded(rel);
    if (!byFolded.emplace(key, rel).second) ambiguous.insert(std::move(key));
  }

  std::vector<TFolderRespell> respells;
  std::vector<std::pair<std::string, std::string>> respelled;  // relative, mapped spelling to source's
  for (const std::string& original : unpaired) {
    const std::string rel = mapped(original, respelled);
    if (sourceFolders.count(rel)) continue;  // an outer respell paired it
    const std::string key = folded(rel);
    if (ambiguous.count(key)) continue;
    const auto match = byFolded.find(key);
    if (match == byFolded.end()) continue;
    const std::string& spelling = match->second;
    // Only the last component differs; the other spelling must be nowhere
    // on the target already.
    if (parentOf(spelling) != parentOf(rel) || targetFolders.count(spelling)) continue;
    if (!SameEntry(TargetRoot + rel, TargetRoot + spelling)) continue;
    respells.push_back({TargetRoot + rel, TargetRoot + spelling});
    respelled.emplace_back(rel, spelling);
  }
  if (respells.empty()) return respells;

  TInventoryList rewritten;
  rewritten.Reserve(Target.Count());
  for (TFileInfo* e : Target) {
    const std::string rel = e->Relative(TargetRoot.size());
    const std::string now = mapped(rel, respelled);
    if (now == rel) {
      rewritten.Add(e);
      continue;
    }
    const auto slash = now.rfind(PathDelim);
    const std::string folder = TargetRoot + (slash == std::string::npos ? std::string() : now.substr(0, slash + 1));
    TFileInfo& copy = Store.Add(folder, slash == std::string::npos ? now : now.substr(slash + 1));
    copy.Falg = e->Falg;
    copy.IsLink = e->IsLink;
    copy.MTimeNanoseconds = e->MTimeNanoseconds;
    copy.MTimeSeconds = e->MTimeSeconds;
    copy.Id = e->Id;
    copy.LastModifyTime = e->LastModifyTime;
    copy.Size = e->Size;
    rewritten.Add(&copy);
  }
  rewritten.Sort(TargetRoot.size());
  Target = std::move(rewritten);
  return respells;
}
