// Where two Jet 3 files first differ; see jet_diff.h.
#include "support/jet_diff.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <vector>

namespace frixa::testing {

namespace {

constexpr std::uint32_t kCatalogPage = 2;  // MSysObjects' definition
constexpr std::size_t kPage = 2048;

std::string Hex(const PeekBytes& b, std::size_t from, std::size_t n) {
  std::string out;
  for (std::size_t i = from; i < std::min(b.size(), from + n); ++i) {
    char two[4];
    std::snprintf(two, sizeof two, "%02X ", b[i]);
    out += two;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::size_t FirstDifferingByte(const PeekBytes& a, const PeekBytes& b) {
  const auto m = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return static_cast<std::size_t>(m.first - a.begin());
}

// "at byte 5: 01 02 03 ... instead of 01 02 04 ..."
std::string BytesAt(const PeekBytes& want, const PeekBytes& got) {
  const std::size_t at = FirstDifferingByte(want, got);
  const std::size_t from = at >= 4 ? at - 4 : 0;
  return "at byte " + std::to_string(at) + " of " + std::to_string(got.size()) + " (" +
         std::to_string(want.size()) + " expected): " + Hex(got, from, 12) + " instead of " +
         Hex(want, from, 12);
}

int CatalogColumn(const PeekTdef& t, const std::string& name) {
  for (const PeekColumn& c : t.columns) {
    if (c.name == name) return c.number;
  }
  return -1;
}

// The tables of the catalog by name: their definition pages.
std::map<std::string, std::uint32_t> TablesOf(const PeekFile& f) {
  const PeekTdef t = f.Tdef(kCatalogPage);
  const int id = CatalogColumn(t, "Id");
  const int name = CatalogColumn(t, "Name");
  const int type = CatalogColumn(t, "Type");
  std::map<std::string, std::uint32_t> tables;
  if (id < 0 || name < 0 || type < 0) return tables;
  for (const auto& r : f.TableRows(kCatalogPage)) {
    const auto v = DecodeRow(t, r.row);
    const auto& typeBytes = v[static_cast<std::size_t>(type)];
    if (!typeBytes || typeBytes->size() != 2 || PeekU16(*typeBytes, 0) != 1) continue;
    if (!v[static_cast<std::size_t>(id)] || !v[static_cast<std::size_t>(name)]) continue;
    const PeekBytes& n = *v[static_cast<std::size_t>(name)];
    tables[std::string(n.begin(), n.end())] = PeekU32(*v[static_cast<std::size_t>(id)], 0) & 0x00FFFFFFu;
  }
  return tables;
}

// The definition pages of a table, the continuation pages included.
PeekBytes DefinitionBytes(const PeekFile& f, std::uint32_t page) {
  PeekBytes all;
  for (int guard = 0; page != 0 && page < f.pageCount() && guard < 64; ++guard) {
    const PeekBytes p = f.Page(page);
    all.insert(all.end(), p.begin(), p.end());
    page = PeekU32(p, 4);
  }
  return all;
}

// Which column of two rows of one table first differs, when the rows can be decoded.
std::string ColumnDifference(const PeekFile& f, std::uint32_t tdefPage, const PeekBytes& want,
                             const PeekBytes& got) {
  try {
    const PeekTdef t = f.Tdef(tdefPage);
    const auto w = DecodeRow(t, want);
    const auto g = DecodeRow(t, got);
    for (const PeekColumn& c : t.columns) {
      if (w[c.number] == g[c.number]) continue;
      auto text = [](const std::optional<PeekBytes>& v) {
        return v ? "[" + Hex(*v, 0, 24) + "]" : std::string("Null");
      };
      return "column " + std::to_string(c.number) + " (" + c.name + ") is " + text(g[c.number]) +
             " instead of " + text(w[c.number]);
    }
  } catch (const std::exception&) {
    // A row the small decoder does not read (a jump table): the bytes say it.
  }
  return BytesAt(want, got);
}

}  // namespace

std::string FirstDifference(const PeekFile& want, const PeekFile& got) {
  if (want.bytes() == got.bytes()) return {};
  std::string sizes;
  if (want.bytes().size() != got.bytes().size()) {
    sizes = "the file has " + std::to_string(got.bytes().size() / kPage) + " pages instead of " +
            std::to_string(want.bytes().size() / kPage) + "; ";
  }
  std::map<std::string, std::uint32_t> wantTables, gotTables;
  try {
    wantTables = TablesOf(want);
    gotTables = TablesOf(got);
  } catch (const std::exception& e) {
    return sizes + "the catalog cannot be read (" + e.what() + "); " +
           BytesAt(want.bytes(), got.bytes());
  }
  for (const auto& [name, _] : wantTables) {
    if (!gotTables.count(name)) return sizes + "table " + name + " is missing";
  }
  for (const auto& [name, _] : gotTables) {
    if (!wantTables.count(name)) return sizes + "table " + name + " is new";
  }
  for (const auto& [name, wantPage] : wantTables) {
    const std::uint32_t gotPage = gotTables.at(name);
    try {
      const auto w = want.TableRows(wantPage);
      const auto g = got.TableRows(gotPage);
      for (std::size_t i = 0; i < std::min(w.size(), g.size()); ++i) {
        if (w[i].row == g[i].row && w[i].page == g[i].page && w[i].slot == g[i].slot) continue;
        std::string where = "table " + name + ", row " + std::to_string(i) + " of " +
                            std::to_string(g.size()) + " (page " + std::to_string(g[i].page) +
                            ", slot " + std::to_string(g[i].slot) + ")";
        if (w[i].page != g[i].page || w[i].slot != g[i].slot) {
          where += " was expected at page " + std::to_string(w[i].page) + ", slot " +
                   std::to_string(w[i].slot);
        }
        if (w[i].row == g[i].row) return sizes + where;
        return sizes + where + ": " + ColumnDifference(got, gotPage, w[i].row, g[i].row);
      }
      if (w.size() != g.size()) {
        return sizes + "table " + name + " has " + std::to_string(g.size()) + " rows instead of " +
               std::to_string(w.size());
      }
      const PeekBytes wd = DefinitionBytes(want, wantPage);
      const PeekBytes gd = DefinitionBytes(got, gotPage);
      if (wantPage != gotPage || wd != gd) {
        return sizes + "table " + name + ", definition (page " + std::to_string(gotPage) +
               " instead of " + std::to_string(wantPage) + ") " + BytesAt(wd, gd);
      }
    } catch (const std::exception& e) {
      return sizes + "table " + name + " cannot be read (" + e.what() + ")";
    }
  }
  const std::size_t at = FirstDifferingByte(want.bytes(), got.bytes());
  const std::size_t page = at / kPage;
  return sizes + "every table reads the same; the first difference is on page " +
         std::to_string(page) + " (type " + std::to_string(at < got.bytes().size() ? got.bytes()[page * kPage] : 0) +
         ") " + BytesAt(page < want.pageCount() ? want.Page(static_cast<std::uint32_t>(page)) : PeekBytes{},
                        page < got.pageCount() ? got.Page(static_cast<std::uint32_t>(page)) : PeekBytes{});
}

}  // namespace frixa::testing
