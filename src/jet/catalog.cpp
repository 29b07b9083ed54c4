// ReadCatalog: the objects of MSysObjects, read with the ordinary table machinery.
#include "jet/catalog.h"

#include "jet/text.h"

namespace frixa::jet {

const CatalogEntry* Catalog::FindTable(std::string_view name) const {
  for (const auto& e : entries) {
    if (e.IsTable() && EqualsIgnoreCase(e.name, name)) return &e;
  }
  return nullptr;
}

std::vector<const CatalogEntry*> Catalog::UserTables() const {
  std::vector<const CatalogEntry*> out;
  for (const auto& e : entries) {
    if (e.IsUserTable()) out.push_back(&e);
  }
  return out;
}

namespace {

Catalog DecodeCatalog(const PageFile& file) {
  const TableDef def = ReadTableDef(file, catalog::kCatalogDefinitionPage);
  const int idCol = def.FindColumn("Id");
  const int parentCol = def.FindColumn("ParentId");
  const int nameCol = def.FindColumn("Name");
  const int typeCol = def.FindColumn("Type");
  const int flagsCol = def.FindColumn("Flags");
  if (idCol < 0 || parentCol < 0 || nameCol < 0 || typeCol < 0 || flagsCol < 0) {
    ThrowCorrupt("the catalog lacks one of its columns Id, ParentId, Name, Type, Flags");
  }
  auto expect = [&](int col, ColumnType type) {
    if (def.columns[static_cast<std::size_t>(col)].Type() != type) {
      ThrowCorrupt("the catalog column '" + def.columns[static_cast<std::size_t>(col)].name +
                   "' has an unexpected type");
    }
  };
  expect(idCol, ColumnType::kLong);
  expect(parentCol, ColumnType::kLong);
  expect(nameCol, ColumnType::kText);
  expect(typeCol, ColumnType::kInteger);
  expect(flagsCol, ColumnType::kLong);

  Catalog catalog;
  TableScan scan(file, def);
  while (scan.Next()) {
    CatalogEntry e;
    const auto read = [&](int col) { return scan.ReadValue(static_cast<std::size_t>(col)); };
    const Value id = read(idCol);
    const Value parent = read(parentCol);
    const Value name = read(nameCol);
    const Value type = read(typeCol);
    const Value flags = read(flagsCol);
    if (const auto* v = id.Get<std::int32_t>()) e.id = *v;
    if (const auto* v = parent.Get<std::int32_t>()) e.parentId = *v;
    if (const auto* v = name.Get<Text>()) e.name = v->bytes;
    if (const auto* v = type.Get<std::int32_t>()) e.type = static_cast<std::int16_t>(*v);
    if (const auto* v = flags.Get<std::int32_t>()) e.flags = static_cast<std::uint32_t>(*v);
    e.location = scan.Location();
    catalog.entries.push_back(std::move(e));
  }
  return catalog;
}

}  // namespace

Catalog ReadCatalog(const PageFile& file) {
  return NameCorruption(file.Name(), [&] { return DecodeCatalog(file); });
}

}  // namespace frixa::jet
