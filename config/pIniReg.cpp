#include "config/pIniReg.h"

#include <algorithm>

#include "config/ApplicationHardWareInfo.h"
#include "platform/exceptions.h"
#include "platform/integer_text.h"
#include "platform/path_syntax.h"
#include "platform/program_path.h"

namespace {

constexpr char kUSection[] = "U盘";
constexpr char kDiskSection[] = "硬盘";
constexpr char kOptionsSection[] = "配置";
const std::string kUFolderKey = "同步文件夹";
const std::string kAllSyncKey = "全部监测";
const std::string kSyncTypesKey = "监测文件类型";
const std::string kNoSyncTypesKey = "不监测文件类型";
const std::string kNewSameFileKey = "被监测文件夹存在最新文件时";
const std::string kNewFileKey = "被监测文件夹存在同步文件夹没有的文件时";
const std::string kKeepVersionsKey = "保留旧版本";
const std::string kVersionDaysKey = "旧版本保留天数";
const std::string kConfirmFilesKey = "大量删除确认文件数";
const std::string kFatHoursKey = "FAT时差小时数";

std::string configFileName(const platform::MachinePaths& machine) {
  // Without a program path the name stands alone; the drive test that
  // follows at start refuses such a run before anything is written.
  if (!machine.configFile.empty()) return machine.configFile;
  const auto program = platform::programPath(machine);
  if (!program.ok()) return kConfigFileName;
  const std::size_t slash = platform::lastDelimiter(program.value);
  if (slash == std::string::npos) return kConfigFileName;
  return program.value.substr(0, slash + 1) + kConfigFileName;
}

std::string readAddress(const platform::MachinePaths& machine) {
  try {
    return TMacAdressInfo(machine).MacAdrress();
  } catch (const std::exception&) {
    return {};
  }
}

// A 32-bit integer, written as integer_text.h describes; hexadecimal may
// use the sign bit, and a sign before it negates all 32 bits ("-$FFFFFFFF"
// is 1). No blanks: the profile file has already trimmed the value.
bool tryStrToInt32(std::string_view text, std::int32_t& value) {
  const auto parts = platform::splitIntegerText(text);
  if (!parts) return false;
  const std::uint64_t limit =
      parts->hexadecimal ? 0xFFFFFFFFull : (parts->negative ? 0x80000000ull : 0x7FFFFFFFull);
  if (parts->magnitude > limit) return false;
  const auto bits =
      static_cast<std::uint32_t>(parts->negative ? 0 - parts->magnitude : parts->magnitude);
  value = static_cast<std::int32_t>(bits);
  return true;
}

}  // namespace

TOstiniFileAction::TOstiniFileAction(const platform::MachinePaths& machine)
    : FExeFolderPath(configFileName(machine)), FSynciniFile(FExeFolderPath) {
  FMac = readAddress(machine);
  FUFolderPath = FSynciniFile.readString(kUSection, kUFolderKey, "");
  // The same drive may have been used on the other system.
  FUFolderPath = platform::storedPathToNative(FUFolderPath);
  FDFolderPath = FSynciniFile.readString(kDiskSection, FMac, "");
  FAllSync = ReadInteger(kOptionsSection, kAllSyncKey, 1) != 0;
  FSyncFilesList.Delimiter = ';';
  FSyncFilesList.QuoteChar = '"';
  FSyncFilesList.SetDelimitedText(FSynciniFile.readString(kOptionsSection, kSyncTypesKey, ""));
  FNoSyncFilesList.Delimiter = ';';
  FNoSyncFilesList.QuoteChar = '"';
  FNoSyncFilesList.SetDelimitedText(FSynciniFile.readString(kOptionsSection, kNoSyncTypesKey, ""));
  // Kept as their low 16 bits, sign included.
  FWhenSyncedFolderHasNewSameFile =
      static_cast<std::int16_t>(ReadInteger(kOptionsSection, kNewSameFileKey, 2));
  FWhenSyncedFolderHasNewFile =
      static_cast<std::int16_t>(ReadInteger(kOptionsSection, kNewFileKey, 0));
  FKeepVersions = ReadInteger(kOptionsSection, kKeepVersionsKey, 1) != 0;
  // Out of range means the default: a day count below one would empty the
  // versions at every start.
  const std::int32_t days = ReadInteger(kOptionsSection, kVersionDaysKey, kDefaultVersionDays);
  FVersionDays = days >= 1 && days <= kMaxVersionDays ? days : kDefaultVersionDays;
  const std::int32_t confirm = ReadInteger(kOptionsSection, kConfirmFilesKey, kDefaultConfirmFiles);
  FConfirmFiles = confirm >= 0 ? confirm : kDefaultConfirmFiles;
  const std::int32_t hours = ReadInteger(kOptionsSection, kFatHoursKey, kDefaultFatHours);
  FFatHours = hours >= 0 && hours <= kMaxFatHours ? hours : kDefaultFatHours;
}

TOstiniFileAction::~TOstiniFileAction() = default;

std::int32_t TOstiniFileAction::ReadInteger(const char* section, const std::string& key,
                                            std::int32_t defaultValue) const {
  std::int32_t value = 0;
  return tryStrToInt32(FSynciniFile.readString(section, key, ""), value) ? value : defaultValue;
}

void TOstiniFileAction::SaveConfig() {
  // Start from the file as it is now, so entries written since this run
  // started (another computer's, say) are kept too.
  FSynciniFile.reload();
  const bool written =
      FSynciniFile.writeString(kUSection, kUFolderKey, FUFolderPath) &&
      FSynciniFile.writeString(kDiskSection, FMac, FDFolderPath) &&
      FSynciniFile.writeString(kOptionsSection, kAllSyncKey, FAllSync ? "1" : "0") &&
      FSynciniFile.writeString(kOptionsSection, kSyncTypesKey, FSyncFilesList.DelimitedText()) &&
      FSynciniFile.writeString(kOptionsSection, kNoSyncTypesKey, FNoSyncFilesList.DelimitedText()) &&
      FSynciniFile.writeString(kOptionsSection, kNewSameFileKey,
                               std::to_string(FWhenSyncedFolderHasNewSameFile)) &&
      FSynciniFile.writeString(kOptionsSection, kNewFileKey,
                               std::to_string(FWhenSyncedFolderHasNewFile)) &&
      FSynciniFile.writeString(kOptionsSection, kKeepVersionsKey, FKeepVersions ? "1" : "0") &&
      FSynciniFile.writeString(kOptionsSection, kVersionDaysKey, std::to_string(FVersionDays)) &&
      FSynciniFile.writeString(kOptionsSection, kConfirmFilesKey, std::to_string(FConfirmFiles)) &&
      FSynciniFile.writeString(kOptionsSection, kFatHoursKey, std::to_string(FFatHours));
  if (!written || !FSynciniFile.save().ok())
    throw EIniFileException(formatText("Unable to write to %s", {FExeFolderPath}), FExeFolderPath);
}
