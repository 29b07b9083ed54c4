// Running frixa-cli and other commands from host tests (native build only: popen): exit status
// and output of a shell command line.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <string>

#include "support/mdbtools_run.h"

namespace frixa::testing {

struct ShellOutput {
  int status = 0;   // exit code; -1 when the command did not exit normally
  std::string out;  // stdout, and stderr when asked for
};

inline ShellOutput RunShell(const std::string& command, bool withStderr = true) {
  ShellOutput o;
  const std::string line = command + (withStderr ? " 2>&1" : " 2>/dev/null");
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(line.c_str(), "r"), pclose);
  if (!pipe) return ShellOutput{-1, "cannot run " + command};
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) o.out.append(buf, n);
  const int raw = pclose(pipe.release());
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return o;
}

// The command line of frixa-cli with `args` (already quoted where needed).
inline std::string CliCommand(const std::string& args) {
  return ShellQuote(FRIXA_CLI_PATH) + " " + args;
}

}  // namespace frixa::testing
