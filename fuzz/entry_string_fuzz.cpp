// Fuzzes the reading of inventory entry strings ("path|-1|date time|size")
// and of integers in their written forms. Beyond not crashing: an entry
// read and written again reads back to the same record, and an integer read
// reads back from its decimal form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "inventory/file_info.h"
#include "inventory/file_store.h"
#include "platform/exceptions.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

std::string written(const TFileInfo& info) { return EntryString(info.Key(), info.Falg, info.LastModifyTime, info.Size); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::int64_t value = 0;
  if (TryStrToInt64(text, value)) {
    std::int64_t again = 0;
    check(TryStrToInt64(std::to_string(value), again) && again == value);
  }

  TFileStore store;
  try {
    const TFileInfo& first = StrToFileInfo(text, store);
    // The written form drops what the text form cannot hold (milliseconds);
    // from there on the record is stable. The text may still change once:
    // midnight plus milliseconds is written with its time, bare midnight
    // without.
    const std::string once = written(first);
    const TFileInfo& second = StrToFileInfo(once, store);
    check(second.Key() == first.Key() && second.Falg == first.Falg && second.Size == first.Size);
    const std::string twice = written(second);
    const TFileInfo& third = StrToFileInfo(twice, store);
    check(third.LastModifyTime == second.LastModifyTime && third.Size == second.Size);
    check(written(third) == twice);
  } catch (const EConvertError&) {
  }
  return 0;
}
