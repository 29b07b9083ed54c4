// The model of rows written and read one at a time: what a command's AddNew, SetField and
// Update write for each row, and what a full decode of each field reads. The product writes
// and reads tables of numbers in bulk (RecordSet::AppendRows, RecordSet::NumberScan); its files
// and numbers are compared with this model's, byte for byte.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "recordset/record_set.h"

namespace frixa::testing {

// Appends rows of `width` numbers, one after the other in `rows`, one at a time: AddNew,
// SetField(position, number) for each, Update. A row that fails is cancelled and its error
// raised, the rows before it stored.
void AppendOneByOne(RecordSet& rs, std::span<const RowNumber> rows, std::size_t width);

// Every field of every row the record source gives now, read through the full decode of each
// value (ForEachRow) and taken as a number; `rows.size()` / FieldCount() rows, one after the
// other.
std::vector<RowNumber> NumbersOneByOne(RecordSet& rs);

// `model`, a fresh template file, given `source`'s rows the way the model writes them: for each
// table in `tables` in turn, the rows it holds deleted one by one, then every row of the same
// table of `source` added with AddNew, SetField and Update. Under write-behind when
// `writeBehind`, else each change saved as it is made.
void CopyOneByOne(const std::string& source, const std::string& model, const std::vector<std::string>& tables,
                  bool writeBehind);

}  // namespace frixa::testing
