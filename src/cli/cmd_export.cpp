// frixa-cli export FILE TABLE [--format csv|json]: every row of a table in stored order.
// CSV: a header line of column names, then one line per row; text, dates, GUIDs and binary
// (hex) in double quotes with quotes doubled, numbers bare, null as nothing.
// JSON: one object per row and line, null as null.
// Singles and doubles print in the shortest form that reads back to the same bits; Currency
// prints exactly with four decimals; dates as "YYYY-MM-DD HH:MM:SS"; text as UTF-8.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>

#include "cli/cli.h"
#include "jet/database.h"
#include "jet/date_time.h"
#include "jet/text.h"

namespace frixa::cli {
namespace {

enum class Format { kCsv, kJson };

template <typename T>
std::string ShortestText(T v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string CurrencyText(std::int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  // Magnitude without overflow for INT64_MIN.
  const std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                     : static_cast<std::uint64_t>(tenThousandths);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "",
                static_cast<unsigned long long>(mag / 10000),
                static_cast<unsigned long long>(mag % 10000));
  return buf;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string CsvQuoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string JsonQuoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", u);
          out += buf;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

// The text of a value: `quoted` tells whether it is a string in the output format.
struct Cell {
  std::string text;
  bool quoted = false;
  bool null = false;
};

template <typename T>
Cell FloatCell(T v) {
  // Not-a-number and infinities have no JSON number form: they go out as strings.
  return Cell{ShortestText(v), !std::isfinite(v), false};
}

Cell CellOf(const jet::Value& value) {
  return std::visit(
      [](const auto& v) -> Cell {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return Cell{"", false, true};
        } else if constexpr (std::is_same_v<T, bool>) {
          return Cell{v ? "true" : "false", false, false};
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          return Cell{std::to_string(v), false, false};
        } else if constexpr (std::is_same_v<T, jet::Currency>) {
          return Cell{CurrencyText(v.tenThousandths), false, false};
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          return FloatCell(v);
        } else if constexpr (std::is_same_v<T, jet::DateTime>) {
          return Cell{jet::FormatIsoDateTime(v.days), true, false};
        } else if constexpr (std::is_same_v<T, jet::Text>) {
          return Cell{jet::Cp1252ToUtf8(v.bytes), true, false};
        } else if constexpr (std::is_same_v<T, jet::Binary>) {
          return Cell{Hex(v.bytes), true, false};
        } else {
          return Cell{jet::FormatGuid(v), true, false};
        }
      },
      value.data());
}

int RunExport(const std::vector<std::string>& args) {
  const Options options(args, {"format"});
  if (options.Positional().size() != 2) throw UsageError("expected FILE and TABLE");
  const std::string format = options.Get("format").value_or("csv");
  Format fmt;
  if (format == "csv") {
    fmt = Format::kCsv;
  } else if (format == "json") {
    fmt = Format::kJson;
  } else {
    throw UsageError("--format must be csv or json, not '" + format + "'");
  }
  const jet::Database db = jet::Database::Open(options.Positional()[0]);
#ifdef _WIN32
  const std::string& tableName = options.Positional()[1];  // already in the ANSI code page
#else
  const std::string tableName = jet::Utf8ToCp1252(options.Positional()[1]);
#endif
  const jet::TableDef def = db.Table(tableName);
  std::vector<std::string> names;
  for (const auto& col : def.columns) names.push_back(jet::Cp1252ToUtf8(col.name));

  std::string line;
  if (fmt == Format::kCsv) {
    for (std::size_t c = 0; c < names.size(); ++c) {
      if (c > 0) line.push_back(',');
      line += CsvQuoted(names[c]);
    }
    std::printf("%s\n", line.c_str());
  }
  jet::TableScan scan = db.Scan(def);
  while (scan.Next()) {
    line.clear();
    if (fmt == Format::kJson) line.push_back('{');
    for (std::size_t c = 0; c < def.columns.size(); ++c) {
      const Cell cell = CellOf(scan.ReadValue(c));
      if (c > 0) line.push_back(',');
      if (fmt == Format::kCsv) {
        if (!cell.null) line += cell.quoted ? CsvQuoted(cell.text) : cell.text;
      } else {
        line += JsonQuoted(names[c]);
        line.push_back(':');
        line += cell.null ? "null" : cell.quoted ? JsonQuoted(cell.text) : cell.text;
      }
    }
    if (fmt == Format::kJson) line.push_back('}');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
  return kExitOk;
}

FRIXA_CLI_COMMAND({"export", "export FILE TABLE [--format csv|json]",
                   "print every row of a table in stored order, as CSV (default) or JSON lines",
                   RunExport})

}  // namespace
}  // namespace frixa::cli
