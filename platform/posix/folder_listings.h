// The listings of FUSE folders that identity look-ups read to learn how a
// name is spelled on the disk. Reading a listing for every look-up makes a
// run over a large folder slow, so while a ListingCacheScope lives the
// listings are kept; this process's own changes keep them current, and a
// name that a kept listing does not hold as given is read afresh.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace platform::detail {

// The name as the folder `dir` lists it: `name` itself when listed, else
// the one listed name equal to it ignoring case, else `name`.
std::string listedSpelling(const std::string& dir, const std::string& name);

// While a listing of `dir` is kept: it holds neither `name` nor a name equal
// to it ignoring case. False when no listing is kept (nothing is read).
bool knownAbsent(const std::string& dir, const std::string& name);

// This process has made `name` in `dir` (created it, or renamed or copied a
// file onto it).
void noteCreated(const std::string& dir, const std::string& name);
// This process has just made the folder `path` (noteCreated is told too).
void noteCreatedFolder(const std::string& path);
// This process has removed the entry `name` of `dir`.
void noteRemoved(const std::string& dir, const std::string& name);
// The drive (st_dev) that the entries of the folder `dir` are on, once seen;
// a folder this process made is on its parent's.
std::optional<dev_t> folderDrive(const std::string& dir);
void noteFolderDrive(const std::string& dir, dev_t drive);
// Whether a rename on that drive keeps a file's modification time, once
// seen (FAT through FUSE gives a renamed file the current time).
std::optional<bool> renameKeepsTime(dev_t drive);
void noteRenameKeepsTime(dev_t drive, bool keeps);
// Whether the drive has refused a rename that must not replace
// (RENAME_NOREPLACE), once seen.
bool refusesNoReplace(dev_t drive);
void noteRefusesNoReplace(dev_t drive);
// What is known of `path` and everything below it is no longer true.
void forgetListings(const std::string& path);

// True while a ListingCacheScope lives.
bool keepingListings();
// The folder `dir`, on the FUSE drive `drive`, has just been read whole
// and holds `names`: a walk's reading, kept for the identity look-ups and
// copies that follow it.
void noteListing(const std::string& dir, dev_t drive, std::vector<std::string> names);

}  // namespace platform::detail
