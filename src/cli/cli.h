// Room cli/, frixa-cli: may include any room but win/; nothing includes cli/.
// frixa-cli plumbing: command registration, option parsing and the exit-code convention.
// Each command lives in its own cmd_*.cpp and registers itself with FRIXA_CLI_COMMAND.
// Exit codes: 0 success, 1 the command ended with an error message, 2 usage error.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/command_outcome.h"

namespace frixa {
struct InfoDisplay;
}

namespace frixa::cli {

// The information record's lines, as info and analyze print them.
void PrintInfoLines(const InfoDisplay& d);

inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// The exit code of a command that ended as `outcome` says: 1 when it ended with an error
// message (its own failure's or a step's), otherwise 0.
inline int ExitCodeOf(const CommandOutcome& outcome) {
  return outcome.failureShown ? kExitError : kExitOk;
}

// Thrown for a malformed command line; main prints the message and the command's usage.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Command {
  const char* name;
  const char* usage;    // "simulate --out FILE [--inertia I] ..."
  const char* summary;  // one line for --help
  int (*run)(const std::vector<std::string>& args);  // args after the command name
};

std::vector<Command>& Commands();

struct Registrar {
  explicit Registrar(const Command& c) { Commands().push_back(c); }
};

#define FRIXA_CLI_CONCAT2(a, b) a##b
#define FRIXA_CLI_CONCAT(a, b) FRIXA_CLI_CONCAT2(a, b)
#define FRIXA_CLI_COMMAND(...) \
  static const ::frixa::cli::Registrar FRIXA_CLI_CONCAT(frixaCliRegistrar, __LINE__){__VA_ARGS__};

// Options of the form --name VALUE, --name=VALUE and bare --flag, plus positional words.
class Options {
 public:
  // `flags` lists the options that take no value.
  Options(const std::vector<std::string>& args, const std::vector<std::string>& known,
          const std::vector<std::string>& flags = {});

  bool Has(const std::string& name) const;
  std::optional<std::string> Get(const std::string& name) const;
  std::string Require(const std::string& name) const;
  // Numbers in the C locale whatever the user's locale; a malformed one is a usage error.
  double Number(const std::string& name, double fallback) const;
  double RequireNumber(const std::string& name) const;
  // A required number that fits single precision, rounded to it.
  float RequireSingle(const std::string& name) const;
  long long Integer(const std::string& name, long long fallback) const;
  const std::vector<std::string>& Positional() const { return positional_; }

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> flagsSeen_;
  std::vector<std::string> positional_;
};

// A JSON string of cp1252 or UTF-8 text (quotes, backslashes and control characters escaped),
// and a JSON number in 17 significant digits, so that a double reads back to the same bits.
std::string JsonText(const std::string& s);
std::string JsonNumber(double v);

// Parses a whole C-locale number ("1.25", "-3e2"); nullopt if the text is not one.
std::optional<double> ParseCNumber(const std::string& text);

}  // namespace frixa::cli
