// libFuzzer target of the Jet reader: opens the input bytes as a database, enumerates the
// catalog and reads every value of every table. Any input must end normally or in a
// frixa::Error; sanitizers catch the rest. Seeds: tests/data/fuzz/jet/.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/error.h"
#include "jet/database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const frixa::jet::Database db =
        frixa::jet::Database::FromBytes(std::vector<std::uint8_t>(data, data + size), "fuzz.mdb");
    (void)db.UserTableNames();
    for (const auto& entry : db.GetCatalog().entries) {
      if (!entry.IsTable()) continue;
      try {
        const frixa::jet::TableDef def = db.TableAt(entry.DefinitionPage());
        frixa::jet::TableScan scan = db.Scan(def);
        while (scan.Next()) (void)scan.ReadRow();
      } catch (const frixa::Error&) {
        // a damaged table: go on with the others
      }
    }
  } catch (const frixa::Error&) {
  }
  return 0;
}
