// The first half of a manual job: scan both folders, log their counts, pick
// the source (or find the folders already in step) and hand two sorted
// inventories to the change application.
#include <algorithm>
#include <future>
#include <utility>

#include "engine/direction_reason.h"
#include "engine/pThdSync.h"
#include "inventory/MyGetFiles.h"
#include "inventory/inventory_scan.h"
#include "platform/datetime.h"
#include "platform/drives.h"
#include "platform/entry_state.h"
#include "platform/file_ops.h"
#include "platform/folder_chain.h"
#include "platform/exceptions.h"

namespace {

// One folder's scan, done on its own thread so both trees are read at once.
struct FolderScan {
  TInventoryList list;
  TDateTime newest = 0;
  const TFileInfo* newestFile = nullptr;  // the file of that time
  std::vector<TUnreadFolder> unread;
  TInventoryList filtered;  // files the type filter left out
};

// Exactly one trailing delimiter, so relative paths of both sides line up
// whether or not a root was configured with one (a drive root always has it).
// An empty folder stays empty: the walk refuses it, where "/" would be the
// whole file system.
std::string NormalizeRoot(const std::string& path) {
  if (path.empty()) return path;
  std::size_t end = path.size();
  while (end > 0 && path[end - 1] == PathDelim) --end;
  return path.substr(0, end) + PathDelim;
}

// otherRoot: the other side's folder, which this walk must not enter (a link
// or mount inside one folder may lead to the other, or to a folder above it).
// A dry run (changeNothing) leaves even the copy's leftovers in place.
FolderScan ScanFolder(const std::string& root, const std::string& otherRoot, const TJobSettings& settings,
                      TFileStore& store, bool changeNothing) {
  FolderScan scan;
  const std::vector<platform::FileIdentity> fence = platform::folderChain(otherRoot);
  scan.list = ScanToInventory(root, scan.newest, settings.AllSync, settings.SyncFilesList, settings.NoSyncFilesList,
                              store, {&scan.unread, &fence, &scan.filtered, changeNothing, &scan.newestFile});
  // A root that cannot be listed would look like an empty folder, and an
  // empty source empties its target.
  for (const TUnreadFolder& folder : scan.unread)
    if (folder.Path == root)
      throw EInOutError(formatText("I/O error %d", {std::to_string(folder.Error.value())}) + " (" +
                            folder.Error.message() + ")",
                        root, folder.Error);
  // Sorted here, off the job's main line; only an in-step check or the
  // change application reads the order.
  scan.list.Sort(root.size());
  return scan;
}

enum class InStep { Yes, No, Stopped };

InStep CheckInStep(const TInventoryList& source, const TInventoryList& target, std::size_t sourceRoot,
                   std::size_t targetRoot, const TTimeMatch& times) {
  for (std::size_t i = 0; i < source.Count(); ++i) {
    if (StopSync) return InStep::Stopped;
    const TFileInfo& s = *source.Objects(i);
    const TFileInfo& t = *target.Objects(i);
    if (!RelativeEquals(s, sourceRoot, t, targetRoot)) return InStep::No;
    if (s.Falg != t.Falg) return InStep::No;
    if (s.Falg) continue;
    // Files of different sizes are never in step; equal sizes need one time
    // as the coarser drive keeps it.
    if (s.Size != t.Size || !times.Same(s.LastModifyTime, t.LastModifyTime, true)) return InStep::No;
  }
  return InStep::Yes;
}

}  // namespace

bool ThdSync::ScanAndDecide(TInventoryList& SourceList, TInventoryList& TargetList, std::string& SourceRoot,
                            std::string& TargetRoot) {
  SourceRoot.clear();
  TargetRoot.clear();
  LogLine("~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  TimedLine("正在扫描硬主监测文件夹");
  SyncStartTime = platform::now();
  scanStamp_ = platform::stampTimeNow();
  if (StopSync) return false;

  const std::string diskRoot = NormalizeRoot(settings_.DFolderPath);
  const std::string usbRoot = NormalizeRoot(settings_.UFolderAbsPath);
  // With one folder inside the other, each side is part of the other's tree:
  // a run would copy the tree into itself, or delete the inner folder as a
  // folder the other side lacks.
  if (platform::folderWithin(usbRoot, diskRoot))
    throw EArgumentException("硬盘监测文件夹与U盘监测文件夹不能相同，也不能一个位于另一个之中", usbRoot);
  if (platform::folderWithin(diskRoot, usbRoot))
    throw EArgumentException("硬盘监测文件夹与U盘监测文件夹不能相同，也不能一个位于另一个之中", diskRoot);
  timeMatch_ = TTimeMatch(platform::driveFormatOf(diskRoot), platform::driveFormatOf(usbRoot), settings_.FatHours);

  // The USB folder is read while the disk folder is; its result is only
  // looked at after the disk scan's line, so the log keeps its order. Every
  // exit below waits for it (the future's destructor), and a stop ends it
  // at its next entry.
  std::future<FolderScan> usbScan =
      std::async(std::launch::async, [&] { return ScanFolder(usbRoot, diskRoot, settings_, usbRecords_, DryRun); });
  struct WaitForScan {
    std::future<FolderScan>& f;
    ~WaitForScan() {
      if (f.valid()) f.wait();
    }
  } waitForUsb{usbScan};

  FolderScan disk = ScanFolder(diskRoot, usbRoot, settings_, diskRecords_, DryRun);
  LogAppend("(" + std::to_string(disk.list.Count()) + "个文件夹和文件" + ")");
  if (StopSync) return false;

  TimedLine("正在扫描U盘监测文件夹");
  FolderScan usb = usbScan.get();
  LogAppend("(" + std::to_string(usb.list.Count()) + "个文件夹和文件" + ")");

  unreadFolders_.clear();
  unreadRelative_.clear();
  for (const auto& [scan, root] : {std::pair{&disk, &diskRoot}, std::pair{&usb, &usbRoot}}) {
    for (const TUnreadFolder& folder : scan->unread) {
      unreadFolders_.push_back(folder);
      unreadRelative_.push_back(folder.Path.substr(std::min(root->size(), folder.Path.size())));
    }
  }

  auto take = [&](bool diskIsSource) {
    FolderScan& source = diskIsSource ? disk : usb;
    FolderScan& target = diskIsSource ? usb : disk;
    SourceList = std::move(source.list);
    TargetList = std::move(target.list);
    targetFiltered_ = std::move(target.filtered);
    // A fenced folder of the source leads to the target or above it: the
    // source walk skipped the target's own entries, which are not deleted.
    sourceHoldsTarget_ = std::any_of(source.unread.begin(), source.unread.end(), [](const TUnreadFolder& f) {
      return f.Error == FencedFolderError();
    });
    SourceRoot = diskIsSource ? diskRoot : usbRoot;
    TargetRoot = diskIsSource ? usbRoot : diskRoot;
    report_->Update([&](TJobOutcome& o) {
      o.SourceRoot = SourceRoot;
      o.TargetRoot = TargetRoot;
    });
  };
  // Takes the source, then runs the in-step check; false when the job ends here.
  auto takeAndCheck = [&](bool diskIsSource, const char* differentLine) {
    take(diskIsSource);
    // Folders whose contents are unknown are never reported as in step; the
    // change application reports them.
    const InStep inStep = unreadFolders_.empty()
                              ? CheckInStep(SourceList, TargetList, SourceRoot.size(), TargetRoot.size(), timeMatch_)
                              : InStep::No;
    switch (inStep) {
      case InStep::Stopped:
        return false;
      case InStep::Yes:
        TimedLine("硬盘监测文件夹与U盘监测文件夹已同步，无需更新！");
        TimedLine("同步结束，用时" + std::to_string(ElapsedSeconds()) + "秒");
        End(TJobEnd::InStep);
        return false;
      case InStep::No:
        if (differentLine) TimedLine(differentLine);
        return true;
    }
    return true;
  };

  decidingFile_ = {};
  // Which file decided by its time, named before the lists move on.
  auto sayWhy = [&](bool diskDecided) {
    const FolderScan& here = diskDecided ? disk : usb;
    const FolderScan& there = diskDecided ? usb : disk;
    if (!here.newestFile) return;
    TimedLine(DirectionReasonLine(*here.newestFile, (diskDecided ? diskRoot : usbRoot).size(), there.list,
                                  (diskDecided ? usbRoot : diskRoot).size(), diskDecided, platform::now(),
                                  decidingFile_));
  };

  // The newest times, one when they match as the drives keep times (a
  // whole-hour shift only between two newest files of one size).
  const TDateTime Dn = disk.newest, Un = usb.newest;
  const bool newestSizesEqual = disk.newestFile && usb.newestFile && disk.newestFile->Size == usb.newestFile->Size;
  const int newer = timeMatch_.Same(Dn, Un, newestSizesEqual) ? 0 : timeMatch_.Order(Dn, Un);
  const std::size_t Nd = disk.list.Count(), Nu = usb.list.Count();
  const bool alike = newer == 0 && Nd == Nu;

  switch (SyncType) {
    case TSyncType::AutoSync:
      TimedLine("开始自动判断同步源...");
      if (newer > 0) {
        TimedLine("硬盘监测文件夹文件最后更新时间较新，以硬盘监测文件夹为架构同步U盘监测文件夹");
        sayWhy(true);
        take(true);
      } else if (newer < 0) {
        TimedLine("U盘监测文件夹文件最后更新时间较新，以U盘监测文件夹为架构同步硬盘监测文件夹");
        sayWhy(false);
        take(false);
      } else if (Nd > Nu) {
        TimedLine("硬盘监测文件夹文件较多，以硬盘监测文件夹为架构同步U盘监测文件夹");
        take(true);
      } else if (Nd < Nu) {
        TimedLine("U盘监测文件夹文件较多，以U盘监测文件夹为架构同步硬盘监测文件夹");
        take(false);
      } else if (!takeAndCheck(true, "硬盘监测文件夹与U盘监测文件夹内容不同，以硬盘监测文件夹为架构同步硬盘主监测文件夹")) {
        return false;
      }
      break;
    case TSyncType::DiskSync:
    case TSyncType::USync: {
      const bool diskIsSource = SyncType == TSyncType::DiskSync;
      TimedLine(diskIsSource ? "强制以硬盘监测文件夹为同步源更新U盘监测文件夹"
                             : "强制以U盘监测文件夹为同步源更新硬盘监测文件夹");
      if (alike) {
        if (!takeAndCheck(diskIsSource, nullptr)) return false;
      } else {
        take(diskIsSource);
      }
      break;
    }
    case TSyncType::AutoSyncBySecond:
      return false;
  }

  if (StopSync) return false;
  TimedLine("分析主监测文件夹...");
  return true;
}
