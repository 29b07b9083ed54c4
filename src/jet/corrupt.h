// The error a damaged database file ends in. Every decoder in jet/ raises it when an offset,
// a length, a page number or a chain of pages does not fit the file; the caller sees the Jet
// engine's "Can't open database" error (number 3049) with a note on what was wrong.
#pragma once

#include <string>

#include "common/error.h"

namespace frixa::jet {

class CorruptError : public Error {
 public:
  // `detail` says what did not fit ("page 45: row 3 runs past the end of the page");
  // `database` names the file when it is known.
  explicit CorruptError(std::string detail, std::string database = {});

  const std::string& detail() const noexcept { return detail_; }
  const std::string& database() const noexcept { return database_; }

 private:
  std::string detail_;
  std::string database_;
};

// Raises a CorruptError for a file not yet named; the public entry points name it on the
// way out (NameCorruption below).
[[noreturn]] void ThrowCorrupt(std::string detail);

// Runs `f`, naming `database` in any CorruptError that leaves it unnamed.
template <typename F>
decltype(auto) NameCorruption(const std::string& database, F&& f) {
  try {
    return f();
  } catch (const CorruptError& e) {
    if (!e.database().empty()) throw;
    throw CorruptError(e.detail(), database);
  }
}

}  // namespace frixa::jet
