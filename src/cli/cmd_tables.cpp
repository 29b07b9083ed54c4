// frixa-cli tables FILE: the user tables of a Jet 3 database, one name a line, catalog order.
#include <cstdio>

#include "cli/cli.h"
#include "jet/database.h"
#include "jet/text.h"

namespace frixa::cli {
namespace {

int RunTables(const std::vector<std::string>& args) {
  const Options options(args, {});
  if (options.Positional().size() != 1) throw UsageError("expected one FILE");
  const jet::Database db = jet::Database::Open(options.Positional()[0]);
  for (const std::string& name : db.UserTableNames()) {
    std::printf("%s\n", jet::Cp1252ToUtf8(name).c_str());
  }
  return kExitOk;
}

FRIXA_CLI_COMMAND({"tables", "tables FILE", "list the user tables of a Jet 3 database",
                   RunTables})

}  // namespace
}  // namespace frixa::cli
