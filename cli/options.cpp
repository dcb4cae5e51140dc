#include "cli/options.h"

#include <functional>
#include <map>

#include "config/pIniReg.h"

namespace {

std::int16_t strategyValue(const std::string& option, const std::string& value) {
  if (value == "0" || value == "1" || value == "2") return static_cast<std::int16_t>(value[0] - '0');
  throw UsageError(option + ": expected 0, 1 or 2, got '" + value + "'");
}

std::int32_t fatHoursValue(const std::string& value) {
  const bool digits = !value.empty() && value.size() <= 2 &&
                      value.find_first_not_of("0123456789") == std::string::npos;
  if (digits && std::stoi(value) <= kMaxFatHours) return std::stoi(value);
  throw UsageError("--fat-hours: expected 0 to " + std::to_string(kMaxFatHours) + ", got '" + value + "'");
}

TSyncType modeValue(const std::string& value) {
  if (value == "auto") return TSyncType::AutoSync;
  if (value == "disk-to-usb") return TSyncType::DiskSync;
  if (value == "usb-to-disk") return TSyncType::USync;
  throw UsageError("--mode: expected auto, disk-to-usb or usb-to-disk, got '" + value + "'");
}

}  // namespace

CliOptions parseArguments(const std::vector<std::string>& args) {
  CliOptions o;
  using Setter = std::function<void(const std::string&)>;
  const std::map<std::string, Setter> valued = {
      {"--disk", [&](const std::string& v) { o.disk = v; }},
      {"--usb", [&](const std::string& v) { o.usb = v; }},
      {"--config", [&](const std::string& v) { o.config = v; }},
      {"--types", [&](const std::string& v) { o.types = v; }},
      {"--skip-types", [&](const std::string& v) { o.skipTypes = v; }},
      {"--mode", [&](const std::string& v) { o.mode = modeValue(v); }},
      {"--same-newer", [&](const std::string& v) { o.sameNewer = strategyValue("--same-newer", v); }},
      {"--target-only", [&](const std::string& v) { o.targetOnly = strategyValue("--target-only", v); }},
      {"--fat-hours", [&](const std::string& v) { o.fatHours = fatHoursValue(v); }},
  };
  const std::map<std::string, bool*> flags = {
      {"--no-progress", &o.noProgress}, {"--verbose", &o.verbose}, {"--no-versions", &o.noVersions},
      {"--yes", &o.yes},  {"--dry-run", &o.dryRun},  {"--help", &o.help},
      {"-h", &o.help},    {"--version", &o.version}};

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
    }
    if (auto f = flags.find(name); f != flags.end()) {
      if (inlineValue) throw UsageError(name + " takes no value");
      *f->second = true;
      continue;
    }
    auto v = valued.find(name);
    if (v == valued.end()) {
      if (arg.rfind("-", 0) == 0) throw UsageError("unknown option '" + arg + "'");
      throw UsageError("unexpected argument '" + arg + "'");
    }
    if (inlineValue) {
      v->second(*inlineValue);
    } else {
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      v->second(args[++i]);
    }
  }
  if (!o.help && !o.version && o.disk.has_value() != o.usb.has_value())
    throw UsageError("--disk and --usb go together");
  return o;
}

std::string usageText() {
  return "usage: drovan-sync [--disk DIR] [--usb DIR] [--mode auto|disk-to-usb|usb-to-disk]\n"
         "                   [--same-newer 0|1|2] [--target-only 0|1|2]\n"
         "                   [--types LIST] [--skip-types LIST] [--config FILE]\n"
         "                   [--no-versions] [--yes] [--dry-run] [--fat-hours N]\n"
         "                   [--no-progress] [--verbose] [--help] [--version]\n"
         "\n"
         "Synchronises the hard-disk folder and the USB folder once and prints the log.\n"
         "With --disk and --usb the configuration is not written, and read only when\n"
         "--config FILE is given (for its types and strategies); without them the\n"
         "folders, types and strategies come from the configuration file beside the\n"
         "program (or --config FILE), and the program must run from a removable drive.\n"
         "\n"
         "  --mode          auto: the job picks the source (default); disk-to-usb; usb-to-disk\n"
         "  --same-newer    a same-named file is newer in the target: 0 the source's file\n"
         "                  overwrites it, 1 leave it, 2 it overwrites the source's (default)\n"
         "  --target-only   a file only the target holds: 0 delete it (default), 1 leave it,\n"
         "                  2 copy it into the source\n"
         "  --types         monitored types, e.g. \"doc;xls;t?t\" (turns \"全部监测\" off)\n"
         "  --skip-types    types not monitored, e.g. \"tmp;bak\" (turns \"全部监测\" off)\n"
         "  --no-versions   this run keeps no old versions of what it deletes or overwrites\n"
         "  --yes           a run that would delete or overwrite many files goes ahead\n"
         "                  without asking (otherwise it is refused with status 3)\n"
         "  --dry-run       scan, decide and plan, print what the run would do, change nothing\n"
         "  --fat-hours     a FAT drive's times moved by 1 to N whole hours (a stick from\n"
         "                  another time zone) count as unchanged; N 0 to 26, 0 off (default\n"
         "                  \"FAT时差小时数\" of the configuration, else 1)\n"
         "  --no-progress   no live progress line on standard error\n"
         "  --verbose       after the run, the system's own account of each failure on\n"
         "                  standard error\n"
         "\n"
         "Exit status: 0 done (or previewed), 1 done with errors, 2 the job failed or\n"
         "another run holds a folder, 3 refused as a big deletion without --yes, 64 bad\n"
         "usage or an empty folder, 130 stopped (by SIGINT, SIGTERM or SIGHUP, or because\n"
         "standard output was closed).\n";
}
