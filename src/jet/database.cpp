// Database: opening a file, refusing what this engine does not read, and table lookup.
#include "jet/database.h"

#include <utility>

#include "jet/text.h"

namespace frixa::jet {

namespace {

[[noreturn]] void NotADatabase(const std::string& name, const std::string& why = {}) {
  std::string description = JetErrorDescription(errnum::kJetUnrecognisedFormat, name);
  if (!why.empty()) description += "  " + why;
  throw Error(errnum::kJetUnrecognisedFormat, description);
}

}  // namespace

Database::Database(PageFile file, DatabaseHeader header, Catalog catalog, std::optional<FileStamp> stamp,
                   FileAccess& files)
    : file_(std::make_unique<PageFile>(std::move(file))),
      header_(header),
      catalog_(std::move(catalog)),
      writer_(std::make_unique<Writer>(*file_, file_->Name(), std::move(stamp), files)) {}

Database Database::Open(const std::string& path, FileAccess& files) {
  const std::optional<FileStamp> stamp = files.Stamp(path);
  return FromFile(files.Read(path), path, stamp, files);
}

Database Database::FromBytes(std::vector<std::uint8_t> bytes, const std::string& name, FileAccess& files) {
  return FromFile(std::move(bytes), name, std::nullopt, files);
}

Database Database::FromFile(std::vector<std::uint8_t> bytes, const std::string& name,
                            std::optional<FileStamp> stamp, FileAccess& files) {
  const HeaderReading reading = NameCorruption(name, [&] { return ReadDatabaseHeader(bytes); });
  switch (reading.verdict) {
    case HeaderVerdict::kNotJet: NotADatabase(name);
    case HeaderVerdict::kOtherVersion:
      NotADatabase(name, "It is not a Jet 3 (Access 95/97) database.");
    case HeaderVerdict::kEncrypted:
      NotADatabase(name, "It is encrypted, and encrypted databases cannot be read.");
    case HeaderVerdict::kPassword: RaiseJetError(errnum::kJetInvalidPassword);
    case HeaderVerdict::kJet3: break;
  }
  return NameCorruption(name, [&] {
    PageFile file(std::move(bytes), name);
    if (file.PageCount() < catalog::kCatalogDefinitionPage + 1) {
      ThrowCorrupt("the file has " + std::to_string(file.PageCount()) +
                   " pages, too few for a catalog");
    }
    if (!file.Page(0).Is(PageType::kDatabaseDefinition)) {
      ThrowCorrupt("page 0 is not a database definition page");
    }
    Catalog catalog = ReadCatalog(file);
    return Database(std::move(file), reading.header, std::move(catalog), std::move(stamp), files);
  });
}

std::vector<std::string> Database::UserTableNames() const {
  std::vector<std::string> names;
  for (const CatalogEntry* e : catalog_.UserTables()) names.push_back(e->name);
  return names;
}

TableDef Database::Table(std::string_view name) const {
  const CatalogEntry* entry = catalog_.FindTable(name);
  if (entry == nullptr) RaiseJetError(errnum::kJetNoSuchTable, std::string(name));
  return TableAt(entry->DefinitionPage());
}

std::vector<Value> Database::ReadRowAt(const TableDef& def, RowLocation at) const {
  return NameCorruption(Name(), [&] {
    const RowChain chain = ResolveRow(*file_, def.page, at);
    if (chain.deleted) RaiseJetError(errnum::kJetRecordDeleted);
    const RowLocation home = chain.Home();
    const DataPageView page(file_->Page(home.page));
    std::vector<FieldBytes> fields;
    SplitRow(page.Row(home.slot), def, fields);
    std::vector<Value> values;
    values.reserve(fields.size());
    for (std::size_t c = 0; c < fields.size(); ++c) {
      values.push_back(DecodeValue(*file_, def.columns[c], fields[c]));
    }
    return values;
  });
}

TableDef Database::TableAt(PageNumber definitionPage) const {
  return ReadTableDef(*file_, definitionPage);
}

TableDef Database::AddTable(const NewTable& table, double date) {
  const PageNumber page = writer_->AddTable(table, date);
  catalog_ = ReadCatalog(*file_);
  return TableAt(page);
}

}  // namespace frixa::jet
