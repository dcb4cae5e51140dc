// Windows gives main its arguments in the ANSI code page, which cannot hold
// every name: they are read again from the wide command line.
#include <windows.h>
#include <shellapi.h>

#include "platform/program_arguments.h"
#include "platform/win32/wide.h"

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
  SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(win32::narrow(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace platform
