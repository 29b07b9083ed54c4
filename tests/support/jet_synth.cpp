// SynthesizeDatabase: Jet 3 files composed from tables and rows, for the reader's tests.
#include "support/jet_synth.h"

#include <cstring>
#include <stdexcept>
#include <tuple>

#include "jet/byte_order.h"
#include "jet/data_page.h"
#include "jet/header.h"
#include "jet/long_value.h"
#include "jet/page.h"
#include "jet/table_def.h"
#include "jet/usage_map.h"

namespace frixa::testing {

namespace {

using jet::ColumnType;
using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPage = jet::kPageSize;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) { jet::StoreU32(b, at, v); }
void AddLE(Bytes& b, std::uint32_t v, std::size_t n) {
  const std::size_t at = b.size();
  b.resize(at + n);
  for (std::size_t i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Add8(Bytes& b, std::uint32_t v) { AddLE(b, v, 1); }
void Add16(Bytes& b, std::uint32_t v) { AddLE(b, v, 2); }
void Add32(Bytes& b, std::uint32_t v) { AddLE(b, v, 4); }

struct Layout {
  std::vector<SynthColumn> columns;
  std::vector<std::uint16_t> fixedOffset;  // per column, fixed ones
  std::vector<std::uint16_t> varIndex;     // per column, variable ones
  std::vector<bool> fixed;
  std::uint16_t varCount = 0;
};

bool IsFixedType(ColumnType t) { return jet::FixedSizeOf(t) > 0 || t == ColumnType::kBoolean; }

Layout MakeLayout(const std::vector<SynthColumn>& columns) {
  Layout l;
  l.columns = columns;
  std::uint16_t fixedAt = 0;
  for (const auto& c : columns) {
    const bool fixed = IsFixedType(c.type);
    l.fixed.push_back(fixed);
    l.fixedOffset.push_back(fixed ? fixedAt : 0);
    l.varIndex.push_back(fixed ? l.varCount : l.varCount);
    if (fixed) {
      fixedAt = static_cast<std::uint16_t>(fixedAt + jet::FixedSizeOf(c.type));
    } else {
      ++l.varCount;
    }
  }
  return l;
}

// The file being composed: pages appended as they are needed.
class Composer {
 public:
  std::uint32_t NewPage() {
    bytes_.resize(bytes_.size() + kPage, 0);
    return static_cast<std::uint32_t>(bytes_.size() / kPage - 1);
  }
  std::uint8_t* Page(std::uint32_t n) { return bytes_.data() + std::size_t{n} * kPage; }
  Bytes& bytes() { return bytes_; }

  // A fresh data page of `owner`.
  std::uint32_t NewDataPage(std::uint32_t owner) {
    const std::uint32_t n = NewPage();
    std::uint8_t* p = Page(n);
    p[0] = 0x01;
    p[1] = 0x01;
    p[2] = static_cast<std::uint8_t>(jet::data_page::kEmptyFreeSpace & 0xFF);
    p[3] = static_cast<std::uint8_t>(jet::data_page::kEmptyFreeSpace >> 8);
    std::memcpy(p + 4, &owner, 4);  // little-endian hosts only: tests run on x86
    return n;
  }
  // Adds `row` to data page `n`; false when it does not fit.
  bool AddRow(std::uint32_t n, const Bytes& row, std::uint16_t& slot) {
    std::uint8_t* p = Page(n);
    const std::uint16_t count = static_cast<std::uint16_t>(p[8] | (p[9] << 8));
    const std::uint16_t free = static_cast<std::uint16_t>(p[2] | (p[3] << 8));
    if (row.size() + 2 > free) return false;
    const std::size_t top = count == 0 ? kPage : (p[10 + 2 * (count - 1)] | (p[11 + 2 * (count - 1)] << 8)) & 0x1FFF;
    const std::size_t start = top - row.size();
    std::memcpy(p + start, row.data(), row.size());
    p[10 + 2 * count] = static_cast<std::uint8_t>(start & 0xFF);
    p[11 + 2 * count] = static_cast<std::uint8_t>(start >> 8);
    slot = count;
    const std::uint16_t newCount = static_cast<std::uint16_t>(count + 1);
    p[8] = static_cast<std::uint8_t>(newCount & 0xFF);
    p[9] = static_cast<std::uint8_t>(newCount >> 8);
    const auto newFree = static_cast<std::uint16_t>(free - row.size() - 2);
    p[2] = static_cast<std::uint8_t>(newFree & 0xFF);
    p[3] = static_cast<std::uint8_t>(newFree >> 8);
    return true;
  }

 private:
  Bytes bytes_;
};

// Long value: returns the 12-byte reference (plus inline data) for the row.
Bytes StoreLongValue(Composer& file, const std::string& data, const SynthOptions& options) {
  Bytes ref;
  if (data.size() <= options.memoInlineLimit) {
    Add32(ref, static_cast<std::uint32_t>(data.size()) | jet::long_value::kInlineFlag);
    Add32(ref, 0);
    Add32(ref, 0);
    ref.insert(ref.end(), data.begin(), data.end());
    return ref;
  }
  std::uint16_t slot = 0;
  if (data.size() <= options.memoChunk) {
    const std::uint32_t page = file.NewDataPage(jet::data_page::kLongValueOwner);
    file.AddRow(page, Bytes(data.begin(), data.end()), slot);
    Add32(ref, static_cast<std::uint32_t>(data.size()) | jet::long_value::kSingleRowFlag);
    Add32(ref, jet::RowPointer{page, static_cast<std::uint8_t>(slot)}.ToU32());
    Add32(ref, 0);
    return ref;
  }
  // A chain, written last link first so that each row knows its successor.
  std::vector<std::string> chunks;
  for (std::size_t at = 0; at < data.size(); at += options.memoChunk) {
    chunks.push_back(data.substr(at, options.memoChunk));
  }
  std::uint32_t next = 0;
  for (std::size_t i = chunks.size(); i-- > 0;) {
    Bytes row;
    Add32(row, next);
    row.insert(row.end(), chunks[i].begin(), chunks[i].end());
    const std::uint32_t page = file.NewDataPage(jet::data_page::kLongValueOwner);
    file.AddRow(page, row, slot);
    next = jet::RowPointer{page, static_cast<std::uint8_t>(slot)}.ToU32();
  }
  Add32(ref, static_cast<std::uint32_t>(data.size()));
  Add32(ref, next);
  Add32(ref, 0);
  return ref;
}

Bytes EncodeRow(Composer& file, const Layout& l, const std::vector<jet::Value>& values,
                const SynthOptions& options) {
  const std::size_t n = l.columns.size();
  if (values.size() != n) throw std::logic_error("row has the wrong number of values");
  Bytes row;
  Add8(row, static_cast<std::uint32_t>(n));
  std::size_t fixedSize = 0;
  for (std::size_t c = 0; c < n; ++c) {
    if (l.fixed[c]) fixedSize = std::max<std::size_t>(fixedSize, l.fixedOffset[c] + jet::FixedSizeOf(l.columns[c].type));
  }
  row.resize(1 + fixedSize, 0);
  std::vector<bool> present(n, false);
  std::vector<Bytes> varData(l.varCount);
  for (std::size_t c = 0; c < n; ++c) {
    const jet::Value& v = values[c];
    const ColumnType t = l.columns[c].type;
    if (t == ColumnType::kBoolean) {
      present[c] = v.Get<bool>() != nullptr && *v.Get<bool>();
      continue;
    }
    if (v.IsNull()) continue;
    present[c] = true;
    Bytes enc;
    if (const auto* i = v.Get<std::int32_t>()) {
      for (std::size_t k = 0; k < jet::FixedSizeOf(t); ++k) Add8(enc, (static_cast<std::uint32_t>(*i) >> (8 * k)) & 0xFF);
    } else if (const auto* f = v.Get<float>()) {
      std::uint32_t bits;
      std::memcpy(&bits, f, 4);
      Add32(enc, bits);
    } else if (const auto* d = v.Get<double>()) {
      std::uint64_t bits;
      std::memcpy(&bits, d, 8);
      Add32(enc, static_cast<std::uint32_t>(bits));
      Add32(enc, static_cast<std::uint32_t>(bits >> 32));
    } else if (const auto* dt = v.Get<jet::DateTime>()) {
      std::uint64_t bits;
      std::memcpy(&bits, &dt->days, 8);
      Add32(enc, static_cast<std::uint32_t>(bits));
      Add32(enc, static_cast<std::uint32_t>(bits >> 32));
    } else if (const auto* cur = v.Get<jet::Currency>()) {
      const auto bits = static_cast<std::uint64_t>(cur->tenThousandths);
      Add32(enc, static_cast<std::uint32_t>(bits));
      Add32(enc, static_cast<std::uint32_t>(bits >> 32));
    } else if (const auto* txt = v.Get<jet::Text>()) {
      if (t == ColumnType::kMemo) {
        enc = StoreLongValue(file, txt->bytes, options);
      } else {
        enc.assign(txt->bytes.begin(), txt->bytes.end());
      }
    } else {
      throw std::logic_error("value kind not supported by the composer");
    }
    if (l.fixed[c]) {
      std::memcpy(row.data() + 1 + l.fixedOffset[c], enc.data(), enc.size());
    } else {
      varData[l.varIndex[c]] = enc;
    }
  }
  if (l.varCount > 0) {
    std::vector<std::size_t> offsets;
    for (const auto& d : varData) {
      offsets.push_back(row.size());
      row.insert(row.end(), d.begin(), d.end());
    }
    const std::size_t eod = row.size();
    offsets.push_back(eod);
    const std::size_t maskSize = (n + 7) / 8;
    const std::size_t tail = 1 + l.varCount + 1 + maskSize;  // eod + offsets + var count + mask
    std::size_t jumps = 0;
    while ((eod + tail + jumps - 1) / 256 != jumps) jumps = (eod + tail + jumps - 1) / 256;
    for (std::size_t i = offsets.size(); i-- > 0;) Add8(row, offsets[i] & 0xFF);  // eod first
    // Jump entries: entry J first (furthest from the var count), entry 1 last.
    for (std::size_t k = jumps; k >= 1; --k) {
      std::uint32_t entry = 0xFF;
      for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (offsets[i] >= 256 * k) {
          entry = static_cast<std::uint32_t>(i);
          break;
        }
      }
      Add8(row, entry);
    }
    Add8(row, l.varCount);
  }
  const std::size_t maskSize = (n + 7) / 8;
  const std::size_t maskAt = row.size();
  row.resize(row.size() + maskSize, 0);
  for (std::size_t c = 0; c < n; ++c) {
    if (present[c]) row[maskAt + c / 8] = static_cast<std::uint8_t>(row[maskAt + c / 8] | (1u << (c % 8)));
  }
  return row;
}

Bytes EncodeTableDef(const Layout& l, std::uint32_t rowCount, jet::RowPointer map, bool system) {
  Bytes d;
  Add8(d, 0x02);
  Add8(d, 0x01);
  Add8(d, 'V');
  Add8(d, 'C');
  Add32(d, 0);  // next page
  Add32(d, 0);  // length, set below
  Add32(d, rowCount);
  Add32(d, 0);
  Add8(d, system ? jet::tdef::kKindSystem : jet::tdef::kKindUser);
  Add16(d, static_cast<std::uint32_t>(l.columns.size()));
  Add16(d, l.varCount);
  Add16(d, static_cast<std::uint32_t>(l.columns.size()));
  Add32(d, 0);
  Add32(d, 0);
  Add32(d, map.ToU32());
  Add32(d, map.ToU32());
  for (std::size_t c = 0; c < l.columns.size(); ++c) {
    const ColumnType t = l.columns[c].type;
    Add8(d, static_cast<std::uint32_t>(t));
    Add16(d, static_cast<std::uint32_t>(c));
    Add16(d, l.varIndex[c]);
    Add32(d, static_cast<std::uint32_t>(c + 1));
    Add16(d, 0x0409);
    Add16(d, 1252);
    Add8(d, l.fixed[c] ? 0x03 : 0x02);
    Add16(d, l.fixedOffset[c]);
    std::uint32_t length = static_cast<std::uint32_t>(jet::FixedSizeOf(t));
    if (t == ColumnType::kText) length = l.columns[c].length ? l.columns[c].length : 255;
    Add16(d, length);
  }
  for (const auto& c : l.columns) {
    Add8(d, static_cast<std::uint32_t>(c.name.size()));
    d.insert(d.end(), c.name.begin(), c.name.end());
  }
  Add8(d, 0xFF);
  Add8(d, 0xFF);
  if (d.size() > kPage) throw std::logic_error("table definition longer than a page");
  Put32(d, 8, static_cast<std::uint32_t>(d.size()));
  return d;
}

struct Pending {
  Layout layout;
  std::uint32_t tdefPage = 0;
  std::vector<std::uint32_t> pages;  // data pages, for the owned map
  std::uint32_t rows = 0;
  bool system = false;
};

void FillRows(Composer& file, Pending& t, const std::vector<std::vector<jet::Value>>& rows,
              const SynthOptions& options) {
  std::uint32_t page = 0;
  for (const auto& values : rows) {
    const Bytes row = EncodeRow(file, t.layout, values, options);
    std::uint16_t slot = 0;
    if (page == 0 || !file.AddRow(page, row, slot)) {
      page = file.NewDataPage(t.tdefPage);
      t.pages.push_back(page);
      if (!file.AddRow(page, row, slot)) throw std::logic_error("row longer than a page");
    }
    ++t.rows;
  }
}

}  // namespace

std::vector<std::uint8_t> SynthesizeDatabase(const std::vector<SynthTable>& tables,
                                             const SynthOptions& options) {
  Composer file;
  // Page 0: signature, version, masked header fields.
  file.NewPage();
  {
    std::uint8_t* p = file.Page(0);
    p[1] = 0x01;
    std::memcpy(p + jet::header::kSignatureOffset, jet::header::kSignature, jet::header::kSignatureSize);
    p[jet::header::kVersionOffset] = jet::header::kVersionJet3;
    p[jet::header::kSortOrderOffset] = 0x09;
    p[jet::header::kSortOrderOffset + 1] = 0x04;
    p[jet::header::kCodePageOffset] = 0xE4;
    p[jet::header::kCodePageOffset + 1] = 0x04;
    jet::ApplyHeaderMask(std::span<std::uint8_t>(p, kPage));
  }
  const std::uint32_t mapPage = file.NewDataPage(0);  // page 1: usage maps
  const std::uint32_t catalogTdef = file.NewPage();   // page 2: MSysObjects

  // User tables first, so that their TDEF pages are known for the catalog rows.
  std::vector<Pending> pending;
  for (const auto& t : tables) {
    Pending p;
    p.layout = MakeLayout(t.columns);
    p.tdefPage = file.NewPage();
    FillRows(file, p, t.rows, options);
    pending.push_back(p);
  }
  Pending cat;
  cat.layout = MakeLayout({{"Id", ColumnType::kLong},
                           {"ParentId", ColumnType::kLong},
                           {"Name", ColumnType::kText, 255},
                           {"Type", ColumnType::kInteger},
                           {"Flags", ColumnType::kLong},
                           {"LvProp", ColumnType::kOle}});  // outside readers insist on it
  cat.tdefPage = catalogTdef;
  cat.system = true;
  std::vector<std::vector<jet::Value>> catalogRows;
  catalogRows.push_back({jet::Value(std::int32_t{2}), jet::Value(std::int32_t{0x0F000001}),
                         jet::Value(jet::Text{"MSysObjects"}), jet::Value(std::int32_t{1}),
                         jet::Value(static_cast<std::int32_t>(0x80000000u)), jet::Value()});
  for (std::size_t i = 0; i < tables.size(); ++i) {
    catalogRows.push_back({jet::Value(static_cast<std::int32_t>(pending[i].tdefPage)),
                           jet::Value(std::int32_t{0x0F000001}), jet::Value(jet::Text{tables[i].name}),
                           jet::Value(std::int32_t{1}), jet::Value(std::int32_t{0}), jet::Value()});
  }
  FillRows(file, cat, catalogRows, options);
  pending.insert(pending.begin(), cat);

  // Usage maps on page 1, then the definitions that point at them.
  for (auto& t : pending) {
    Bytes map(jet::usage_map::kInlineRowSize, 0);
    for (std::uint32_t pg : t.pages) {
      if (pg >= 1024) throw std::logic_error("composer maps cover 1024 pages");
      map[5 + pg / 8] = static_cast<std::uint8_t>(map[5 + pg / 8] | (1u << (pg % 8)));
    }
    std::uint16_t slot = 0;
    if (!file.AddRow(mapPage, map, slot)) throw std::logic_error("too many tables");
    const Bytes def = EncodeTableDef(t.layout, t.rows, jet::RowPointer{mapPage, static_cast<std::uint8_t>(slot)}, t.system);
    std::memcpy(file.Page(t.tdefPage), def.data(), def.size());
  }
  return file.bytes();
}

SynthTable LossTable(const std::string& name, const std::string& rpm, const std::string& kw,
                     const std::string& nm,
                     const std::vector<std::tuple<std::int32_t, float, float>>& rows) {
  SynthTable t{name, {{rpm, ColumnType::kLong}, {kw, ColumnType::kSingle}, {nm, ColumnType::kSingle}}, {}};
  for (const auto& [r, k, n] : rows) t.rows.push_back({jet::Value(r), jet::Value(k), jet::Value(n)});
  return t;
}

}  // namespace frixa::testing
