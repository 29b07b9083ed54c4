// An open Jet 3 database: the file's pages in memory, its header and its catalog. This is the
// engine's front door: open a file (or bytes), list the user tables, get a table's definition
// by name, scan its rows with TableScan, and change rows through Write() (writer.h), which
// saves the changed pages to the file.
//
//   jet::Database db = jet::Database::Open("C:\\Cal\\run.Frixa");
//   const jet::TableDef losses = db.Table("Losses");
//   jet::TableScan scan = db.Scan(losses);
//   while (scan.Next()) { jet::Value rpm = scan.ReadValue(0); ... }
//   const std::vector<jet::Value> row{jet::Value(312), jet::Value(1.5f), jet::Value(0.25f)};
//   db.Write().Append(losses.page, row);
//
// Errors (frixa::Error, numbers as the Jet engine's): 3024 no such file, 3051 the file cannot
// be read, 3343 not a Jet 3 database (or an encrypted one), 3031 a database password is set,
// 3049 (CorruptError) the file is damaged, 3078 no such table.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog.h"
#include "jet/header.h"
#include "jet/page_file.h"
#include "jet/table_def.h"
#include "jet/table_scan.h"
#include "jet/writer.h"

namespace frixa::jet {

class Database {
 public:
  // Reads the whole file at `path` and checks its header and catalog. Every later reading of
  // the file and every save goes through `files`, which must outlive the database.
  static Database Open(const std::string& path, FileAccess& files = DiskFiles());
  // The same for the bytes of a file; `name` stands for the path in error messages, and is
  // where changes are saved.
  static Database FromBytes(std::vector<std::uint8_t> bytes, const std::string& name,
                            FileAccess& files = DiskFiles());

  const std::string& Name() const { return file_->Name(); }
  const DatabaseHeader& Header() const { return header_; }
  const PageFile& Pages() const { return *file_; }
  const Catalog& GetCatalog() const { return catalog_; }

  // Names of the user tables (cp1252), in catalog order.
  std::vector<std::string> UserTableNames() const;
  // The definition of the local table named `name`, letter case ignored; system tables are
  // found too. Raises error 3078 when there is none.
  TableDef Table(std::string_view name) const;
  TableDef TableAt(PageNumber definitionPage) const;
  // A cursor over the rows of `def` (which must outlive it) in stored order.
  TableScan Scan(const TableDef& def) const { return TableScan(*file_, def); }
  // The scan keeps a reference to the definition: it must outlive the scan.
  TableScan Scan(TableDef&&) const = delete;
  // The values of the row of `def` at `at` (a location a scan reported), following its overflow
  // pointer when it moved. Raises 3167 when the row is deleted.
  std::vector<Value> ReadRowAt(const TableDef& def, RowLocation at) const;

  // Adds a user table without rows and without indexes (Writer::AddTable) and catalogues it
  // here too; returns its definition.
  TableDef AddTable(const NewTable& table, double date = kDefaultCreationDate);

  // Changing rows and saving them. A change moves pages in memory: scans and spans taken
  // before it must not be used after it.
  Writer& Write() { return *writer_; }
  const Writer& Write() const { return *writer_; }

 private:
  Database(PageFile file, DatabaseHeader header, Catalog catalog, std::optional<FileStamp> stamp,
           FileAccess& files);
  static Database FromFile(std::vector<std::uint8_t> bytes, const std::string& name,
                           std::optional<FileStamp> stamp, FileAccess& files);

  // On the heap, so that the writer's reference survives moving the Database.
  std::unique_ptr<PageFile> file_;
  DatabaseHeader header_;
  Catalog catalog_;
  std::unique_ptr<Writer> writer_;
};

}  // namespace frixa::jet
