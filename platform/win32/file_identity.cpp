// Identities by volume serial number and file index, and the folders on the
// way up from a folder, compared by them.
#include <windows.h>

#include "platform/file_ops.h"
#include "platform/folder_chain.h"
#include "platform/win32/file_facts.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

std::optional<FileIdentity> identityOf(const std::string& path, bool follow) {
  const win32::FileFacts facts = win32::examinePath(win32::widePath(path), follow);
  if (!facts.ok()) return std::nullopt;
  return facts.id;
}

// The full path of the folder holding path's last component; empty at a
// drive root.
std::wstring parentOf(const std::wstring& full) {
  std::size_t end = full.size();
  while (end > 0 && full[end - 1] == L'\\') --end;
  const std::size_t slash = full.rfind(L'\\', end == 0 ? 0 : end - 1);
  if (slash == std::wstring::npos) return {};
  // "E:\" is its own root; "\\?\E:\" too.
  const std::wstring parent = full.substr(0, slash + 1);
  if (parent.size() == full.size()) return {};
  return parent;
}

std::wstring fullPathOf(const std::string& path) {
  const std::wstring wide = win32::widePath(path);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  full.resize(length);
  return full;
}

}  // namespace

std::optional<FileIdentity> fileIdentity(const std::string& path) { return identityOf(path, true); }
std::optional<FileIdentity> lfileIdentity(const std::string& path) { return identityOf(path, false); }

// Identities on Windows drives do not depend on the spelling of a name.
ListingCacheScope::ListingCacheScope() = default;
ListingCacheScope::~ListingCacheScope() = default;

std::vector<FileIdentity> folderChain(const std::string& folder) {
  std::vector<FileIdentity> chain;
  std::wstring current = fullPathOf(folder);
  while (!current.empty()) {
    const win32::FileFacts facts = win32::examinePath(current, true);
    if (!facts.ok()) break;
    chain.push_back(facts.id);
    current = parentOf(current);
  }
  return chain;
}

bool folderWithin(const std::string& inner, const std::string& outer) {
  const std::optional<FileIdentity> target = fileIdentity(outer);
  if (!target) return false;
  const std::vector<FileIdentity> chain = folderChain(inner);
  if (chain.empty()) return false;
  for (const FileIdentity& id : chain)
    if (id == *target) return true;
  return false;
}

}  // namespace platform
