// Option parsing for frixa-cli: see cli.h.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>

#include "cli/cli.h"
#include "common/number_text.h"

namespace frixa::cli {

std::optional<double> ParseCNumber(const std::string& text) {
  double value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  const auto res = ReadDouble(first, last, value);
  if (res.ec != std::errc() || res.ptr != last || text.empty() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

Options::Options(const std::vector<std::string>& args, const std::vector<std::string>& known,
                 const std::vector<std::string>& flags) {
  auto isIn = [](const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string name = a.substr(2);
      std::optional<std::string> inlineValue;
      if (const auto eq = name.find('='); eq != std::string::npos) {
        inlineValue = name.substr(eq + 1);
        name.resize(eq);
      }
      if (isIn(flags, name)) {
        if (inlineValue) throw UsageError("option --" + name + " takes no value");
        flagsSeen_.push_back(name);
        continue;
      }
      if (!isIn(known, name)) throw UsageError("unknown option --" + name);
      if (!inlineValue) {
        if (i + 1 >= args.size()) throw UsageError("option --" + name + " needs a value");
        inlineValue = args[++i];
      }
      values_.emplace_back(name, *inlineValue);
    } else {
      positional_.push_back(a);
    }
  }
}

bool Options::Has(const std::string& name) const {
  return std::find(flagsSeen_.begin(), flagsSeen_.end(), name) != flagsSeen_.end() ||
         Get(name).has_value();
}

std::optional<std::string> Options::Get(const std::string& name) const {
  std::optional<std::string> found;
  for (const auto& [n, v] : values_) {
    if (n == name) found = v;  // the last one given wins
  }
  return found;
}

std::string Options::Require(const std::string& name) const {
  auto v = Get(name);
  if (!v) throw UsageError("missing option --" + name);
  return *v;
}

double Options::Number(const std::string& name, double fallback) const {
  auto v = Get(name);
  if (!v) return fallback;
  auto n = ParseCNumber(*v);
  if (!n) throw UsageError("option --" + name + " needs a number, not '" + *v + "'");
  return *n;
}

double Options::RequireNumber(const std::string& name) const {
  Require(name);
  return Number(name, 0.0);
}

float Options::RequireSingle(const std::string& name) const {
  const double value = RequireNumber(name);
  if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    throw UsageError("option --" + name + " is outside the single-precision range");
  }
  return static_cast<float>(value);
}

long long Options::Integer(const std::string& name, long long fallback) const {
  const double d = Number(name, static_cast<double>(fallback));
  if (d != std::floor(d) || std::fabs(d) > 9e15) {
    throw UsageError("option --" + name + " needs a whole number");
  }
  return static_cast<long long>(d);
}

}  // namespace frixa::cli
