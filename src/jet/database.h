// An open Jet 3 database, read-only: the file's pages in memory, its header and its catalog.
// This is the engine's front door: open a file (or bytes), list the user tables, get a
// table's definition by name, and scan its rows with TableScan.
//
//   jet::Database db = jet::Database::Open("C:\\Cal\\run.Frixa");
//   const jet::TableDef losses = db.Table("Losses");
//   jet::TableScan scan = db.Scan(losses);
//   while (scan.Next()) { jet::Value rpm = scan.ReadValue(0); ... }
//
// Errors (frixa::Error, numbers as the Jet engine's): 3024 no such file, 3051 the file cannot
// be read, 3343 not a Jet 3 database (or an encrypted one), 3031 a database password is set,
// 3049 (CorruptError) the file is damaged, 3078 no such table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog.h"
#include "jet/header.h"
#include "jet/page_file.h"
#include "jet/table_def.h"
#include "jet/table_scan.h"

namespace frixa::jet {

class Database {
 public:
  // Reads the whole file at `path` and checks its header and catalog.
  static Database Open(const std::string& path);
  // The same for the bytes of a file; `name` stands for the path in error messages.
  static Database FromBytes(std::vector<std::uint8_t> bytes, const std::string& name);

  const std::string& Name() const { return file_.Name(); }
  const DatabaseHeader& Header() const { return header_; }
  const PageFile& Pages() const { return file_; }
  const Catalog& GetCatalog() const { return catalog_; }

  // Names of the user tables (cp1252), in catalog order.
  std::vector<std::string> UserTableNames() const;
  // The definition of the local table named `name`, letter case ignored; system tables are
  // found too. Raises error 3078 when there is none.
  TableDef Table(std::string_view name) const;
  TableDef TableAt(PageNumber definitionPage) const;
  // A cursor over the rows of `def` (which must outlive it) in stored order.
  TableScan Scan(const TableDef& def) const { return TableScan(file_, def); }

 private:
  Database(PageFile file, DatabaseHeader header, Catalog catalog);

  PageFile file_;
  DatabaseHeader header_;
  Catalog catalog_;
};

}  // namespace frixa::jet
