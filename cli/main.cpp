// drovan-sync: one synchronisation from the command line, with the same
// engine and the same log lines as the window.
#include <iostream>

#include "cli/options.h"
#include "cli/sync_runner.h"
#include "platform/machine_paths.h"
#include "platform/program_arguments.h"
#include "platform/terminal.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args = platform::programArguments(argc, argv);
  CliOptions options;
  try {
    options = parseArguments(args);
  } catch (const UsageError& e) {
    std::cerr << "drovan-sync: " << e.what() << "\n" << usageText();
    return ExitUsage;
  }
  if (options.help) {
    std::cout << usageText();
    return ExitDone;
  }
  if (options.version) {
    std::cout << "drovan-sync " DROVAN_VERSION "\n";
    return ExitDone;
  }
  std::ios::sync_with_stdio(false);
  const bool progress = !options.noProgress && platform::isTerminal(platform::StandardStream::Error);
  return RunSync(options, std::cout, std::cerr, progress, platform::programMachine());
}
