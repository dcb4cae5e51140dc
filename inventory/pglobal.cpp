#include "inventory/pglobal.h"

std::atomic<bool> StopSync{false};
std::atomic<bool> SyncRunning{false};
std::atomic<bool> CloseAfterSync{false};
std::string BrowseInitDir;
