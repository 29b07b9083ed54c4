// Running Debian's mdbtools from host tests (native build only: popen): a command's output,
// shell quoting, CSV as mdb-export writes it, and the flat JSON objects of mdb-json.
#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace frixa::testing {

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out.push_back(c);
    }
  }
  return out + "'";
}

inline std::string RunCommand(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string out;
  std::array<char, 65536> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  return out;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// RFC 4180 with doubled quotes, as mdb-export writes it; a quoted field may span lines. Each
// field keeps its text; quoting is dropped.
inline std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string cell;
  bool any = false;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '"' && cell.empty()) {
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            cell.push_back('"');
            ++i;
            continue;
          }
          ++i;
          break;
        }
        cell.push_back(text[i]);
      }
      any = true;
      continue;
    }
    if (c == ',') {
      row.push_back(cell);
      cell.clear();
      any = true;
    } else if (c == '\n') {
      row.push_back(cell);
      rows.push_back(row);
      row.clear();
      cell.clear();
      any = false;
    } else {
      cell.push_back(c);
      any = true;
    }
    ++i;
  }
  if (any) {
    row.push_back(cell);
    rows.push_back(row);
  }
  return rows;
}

// One line of mdb-json: a flat object of numbers and strings. Values keep their text as
// printed (strings unescaped, \uXXXX below 0x80 and the usual escapes).
inline std::map<std::string, std::string> ParseJsonObject(const std::string& line) {
  std::map<std::string, std::string> out;
  std::size_t i = 0;
  auto skip = [&] {
    while (i < line.size() && (line[i] == ' ' || line[i] == '{' || line[i] == '}' || line[i] == ',' || line[i] == ':')) ++i;
  };
  auto string = [&] {
    std::string s;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        const char e = line[++i];
        if (e == 'u' && i + 4 < line.size()) {
          s.push_back(static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16)));
          i += 4;
        } else {
          s.push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e);
        }
      } else {
        s.push_back(line[i]);
      }
    }
    ++i;
    return s;
  };
  while (true) {
    skip();
    if (i >= line.size() || line[i] != '"') break;
    const std::string key = string();
    skip();
    if (i < line.size() && line[i] == '"') {
      out[key] = string();
    } else {
      const std::size_t end = line.find_first_of(",}", i);
      out[key] = line.substr(i, end - i);
      i = end;
    }
  }
  return out;
}

}  // namespace frixa::testing
