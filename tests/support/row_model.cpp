// The model of rows written and read one at a time; see row_model.h.
#include "support/row_model.h"

#include "recordset/data_controls.h"

namespace frixa::testing {

void AppendOneByOne(RecordSet& rs, std::span<const RowNumber> rows, std::size_t width) {
  for (std::size_t r = 0; r < rows.size() / width; ++r) {
    const std::span<const RowNumber> row = rows.subspan(r * width, width);
    rs.AddNew();
    try {
      for (std::size_t c = 0; c < width; ++c) rs.SetField(static_cast<int>(c), row[c].ToField());
      rs.Update();
    } catch (...) {
      rs.CancelUpdate();
      throw;
    }
  }
}

std::vector<RowNumber> NumbersOneByOne(RecordSet& rs) {
  std::vector<RowNumber> numbers;
  rs.ForEachRow([&](std::span<const FieldValue> row) {
    for (const FieldValue& field : row) numbers.push_back(RowNumber::Of(field));
  });
  return numbers;
}

void CopyOneByOne(const std::string& source, const std::string& model, const std::vector<std::string>& tables,
                  bool writeBehind) {
  RecordSet from;
  RecordSet to;
  for (const std::string& table : tables) {
    Bind(to, model, "Select * From " + table);
    if (writeBehind) to.SetWriteBehind(true);
    for (; !to.Eof(); to.MoveNext()) to.Delete();
    Bind(from, source, "Select * From " + table);
    for (; !from.Eof(); from.MoveNext()) {
      to.AddNew();
      for (int c = 0; c < from.FieldCount(); ++c) to.SetField(c, from.Fields(c));
      to.Update();
    }
  }
  Release(from);
  Release(to);
}

}  // namespace frixa::testing
