// frixa-cli: the console front end of Frixa. Dispatches to the registered commands.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "common/app.h"
#include "common/error.h"

namespace frixa::cli {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

namespace {

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "frixa-cli - Frixa dynamometer loss calibration, console front end (%s)\n\n"
               "Usage: frixa-cli COMMAND [OPTIONS]\n\nCommands:\n",
               kVersionText);
  for (const auto& c : Commands()) {
    std::fprintf(out, "  %s\n      %s\n", c.usage, c.summary);
  }
  std::fprintf(out,
               "\nNumbers on the options are read in the C locale (\".\" as decimal point).\n"
               "Exit codes: 0 success, 1 the command ended with an error message, 2 usage error.\n");
}

}  // namespace
}  // namespace frixa::cli

int main(int argc, char** argv) {
  using namespace frixa::cli;
  std::setlocale(LC_ALL, "C");
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    PrintHelp(argc < 2 ? stderr : stdout);
    return argc < 2 ? kExitUsage : kExitOk;
  }
  const std::string name = argv[1];
  for (const auto& c : Commands()) {
    if (name != c.name) continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& a : args) {
      if (a == "--help" || a == "-h") {
        std::printf("Usage: frixa-cli %s\n  %s\n", c.usage, c.summary);
        return kExitOk;
      }
    }
    try {
      const int rc = c.run(args);
      std::fflush(stdout);
      return rc;
    } catch (const UsageError& e) {
      std::fflush(stdout);
      std::fprintf(stderr, "frixa-cli %s: %s\nUsage: frixa-cli %s\n", c.name, e.what(), c.usage);
      return kExitUsage;
    } catch (const frixa::Error& e) {
      // A failure the command left to its caller: its description and number.
      std::fflush(stdout);
      std::fprintf(stderr, "frixa-cli %s: %s (error %d)\n", c.name, e.description().c_str(),
                   e.number());
      return kExitError;
    } catch (const std::exception& e) {
      std::fflush(stdout);
      std::fprintf(stderr, "frixa-cli %s: %s\n", c.name, e.what());
      return kExitError;
    }
  }
  std::fprintf(stderr, "frixa-cli: unknown command '%s' (try --help)\n", name.c_str());
  return kExitUsage;
}
