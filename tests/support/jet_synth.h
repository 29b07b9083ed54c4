// A small Jet 3 file composer for the reader's tests: builds, as bytes, a database holding
// the given tables and rows in the layout the Jet engine writes (masked page 0, MSysObjects on
// page 2, one usage-map page, a TDEF page per table, data pages filled in row order, memos on
// long-value pages). It writes only what a reader needs: no indexes, permissions or
// properties. Tests use it to make files with exactly the rows a case needs, and then damage
// them on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "jet/column.h"
#include "jet/value.h"

namespace frixa::testing {

struct SynthColumn {
  std::string name;
  jet::ColumnType type = jet::ColumnType::kLong;
  std::uint16_t length = 0;  // Text: maximum characters (default 255)
};

struct SynthTable {
  std::string name;
  std::vector<SynthColumn> columns;
  std::vector<std::vector<jet::Value>> rows;  // one value per column, in column order
};

struct SynthOptions {
  // Memo values up to this many bytes go inline in the row; longer ones to long-value pages,
  // as one row when they fit on a page and as a chain of rows otherwise.
  std::size_t memoInlineLimit = 40;
  // Bytes of each link of a long-value chain.
  std::size_t memoChunk = 1500;
};

std::vector<std::uint8_t> SynthesizeDatabase(const std::vector<SynthTable>& tables,
                                             const SynthOptions& options = {});

// Convenience for the calibration-file tables: Long + Single + Single.
SynthTable LossTable(const std::string& name, const std::string& rpm, const std::string& kw,
                     const std::string& nm,
                     const std::vector<std::tuple<std::int32_t, float, float>>& rows);

}  // namespace frixa::testing
