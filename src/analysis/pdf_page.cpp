// The one-page PDF document: see pdf_page.h.
#include "analysis/pdf_page.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/error.h"

namespace frixa {
namespace {

// Glyph widths (1/1000 of the size) of the printable ASCII characters 32 to 126 in
// WinAnsiEncoding (39 is quotesingle, 96 grave), from the fonts' standard metrics.
constexpr std::uint16_t kHelvetica[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,   //  !"#$%&'()*+,-./
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,   // 0-9 :;<=>?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @A-O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,   // P-Z [\]^_
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,   // `a-o
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};       // p-z {|}~
constexpr std::uint16_t kHelveticaBold[95] = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611,
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556,
    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};

// WinAnsiEncoding's bytes 0x80 to 0x9F and the characters they stand for (0: unused).
constexpr char32_t kWinAnsiHigh[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The ASCII letter an accented Latin-1 letter (0xC0 to 0xFF) is drawn like, for its width.
constexpr char kLatinBase[64] = {
    'A', 'A', 'A', 'A', 'A', 'A', 0,   'C', 'E', 'E', 'E', 'E', 'I', 'I', 'I', 'I',
    'D', 'N', 'O', 'O', 'O', 'O', 'O', 0,   'O', 'U', 'U', 'U', 'U', 'Y', 'P', 0,
    'a', 'a', 'a', 'a', 'a', 'a', 0,   'c', 'e', 'e', 'e', 'e', 'i', 'i', 'i', 'i',
    'o', 'n', 'o', 'o', 'o', 'o', 'o', 0,   'o', 'u', 'u', 'u', 'u', 'y', 'p', 'y'};

unsigned char WinAnsiByte(char32_t c) {
  if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kWinAnsiHigh[i] != 0 && kWinAnsiHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return '?';
}

// The width of one WinAnsi byte, in 1/1000 of the size.
double GlyphWidth(unsigned char b, PdfFont font) {
  const std::uint16_t* table = font == PdfFont::Bold ? kHelveticaBold : kHelvetica;
  const bool bold = font == PdfFont::Bold;
  if (b >= 32 && b <= 126) return table[b - 32];
  switch (b) {
    case 0x85: case 0x97: case 0x89: return 1000;  // ellipsis, emdash, perthousand
    case 0x91: case 0x92: return bold ? 278 : 222;  // single quotes
    case 0x93: case 0x94: return bold ? 500 : 333;  // double quotes
    case 0x95: return 350;                           // bullet
    case 0xA0: return 278;                           // no-break space
    case 0xB0: return 400;                           // degree
    case 0xB2: case 0xB3: case 0xB9: return 333;     // superior figures
    case 0xB7: return 278;                           // middle dot
    case 0xB1: case 0xD7: case 0xF7: return 584;     // plus-minus, multiply, divide
    case 0xC6: return 1000;                          // AE
    case 0xE6: return 889;                           // ae
    case 0xDF: return 611;                           // germandbls
    default: break;
  }
  if (b >= 0xC0 && kLatinBase[b - 0xC0] != 0) return table[kLatinBase[b - 0xC0] - 32];
  return 556;
}

// A number in a content stream: at most two decimals, no trailing zeros, "." whatever the
// locale.
std::string Num(double v) {
  if (!std::isfinite(v)) v = 0;
  char buf[48];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  std::string s(buf, res.ptr);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string Color(PlotColor c, const char* op) {
  return Num(c.r / 255.0) + " " + Num(c.g / 255.0) + " " + Num(c.b / 255.0) + " " + op + "\n";
}

// A PDF string literal of WinAnsi bytes: ( ) and \ escaped, bytes outside printable ASCII as
// octal escapes, so that the content stream stays plain ASCII.
std::string PdfString(std::string_view bytes) {
  std::string out = "(";
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b == '(' || b == ')' || b == '\\') {
      out += '\\';
      out += ch;
    } else if (b < 0x20 || b > 0x7E) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", b);
      out += esc;
    } else {
      out += ch;
    }
  }
  return out + ")";
}

std::string PathOf(const std::vector<PlotPoint>& points) {
  std::string out;
  for (std::size_t i = 0; i < points.size(); ++i) {
    out += Num(points[i].x) + " " + Num(kPdfPageHeight - points[i].y) + (i ? " l\n" : " m\n");
  }
  return out;
}

}  // namespace

std::string WinAnsiOfUtf8(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += b < 0x20 ? '?' : static_cast<char>(b);
      ++i;
      continue;
    }
    const std::size_t extra = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
    bool valid = extra > 0 && i + extra < utf8.size();
    char32_t c = b & (0x3Fu >> extra);
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      const auto n = static_cast<unsigned char>(utf8[i + k]);
      valid = (n & 0xC0) == 0x80;
      c = (c << 6) | (n & 0x3Fu);
    }
    if (valid) {
      out += static_cast<char>(WinAnsiByte(c));
      i += extra + 1;
    } else {
      // Not UTF-8: a byte of the calibration files' own code page, which WinAnsi shares.
      out += static_cast<char>(b);
      ++i;
    }
  }
  return out;
}

double PdfTextWidth(std::string_view utf8, double size, PdfFont font) {
  double units = 0;
  for (const char ch : WinAnsiOfUtf8(utf8)) units += GlyphWidth(static_cast<unsigned char>(ch), font);
  return units * size / 1000.0;
}

std::vector<std::string> WrapText(std::string_view utf8, double width, double size, PdfFont font) {
  std::vector<std::string> lines;
  std::string line;
  const auto fits = [&](const std::string& text) { return PdfTextWidth(text, size, font) <= width; };
  std::size_t i = 0;
  while (i < utf8.size()) {
    while (i < utf8.size() && utf8[i] == ' ') ++i;
    if (i >= utf8.size()) break;
    std::size_t end = utf8.find(' ', i);
    if (end == std::string_view::npos) end = utf8.size();
    std::string word(utf8.substr(i, end - i));
    i = end;
    const std::string joined = line.empty() ? word : line + " " + word;
    if (fits(joined)) {
      line = joined;
      continue;
    }
    if (!line.empty()) lines.push_back(line);
    // A word wider than a line (a long path) is cut between characters.
    while (!fits(word)) {
      std::size_t cut = 1;
      for (std::size_t k = 1; k < word.size(); ++k) {
        if ((static_cast<unsigned char>(word[k]) & 0xC0) == 0x80) continue;
        if (!fits(word.substr(0, k))) break;
        cut = k;
      }
      lines.push_back(word.substr(0, cut));
      word.erase(0, cut);
    }
    line = word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void PdfPage::FillRect(double x, double y, double w, double h, PlotColor color) {
  content_ += Color(color, "rg") + Num(x) + " " + Num(kPdfPageHeight - y - h) + " " + Num(w) +
              " " + Num(h) + " re f\n";
}

void PdfPage::FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) {
  if (points.size() < 3) return;
  content_ += Color(color, "rg") + PathOf(points) + "h f\n";
}

void PdfPage::Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                       bool dashed) {
  if (points.size() < 2) return;
  content_ += Color(color, "RG") + Num(width) + " w 1 J 1 j " + (dashed ? "[4 3] 0 d\n" : "[] 0 d\n") +
              PathOf(points) + "S\n";
}

void PdfPage::Text(double x, double y, std::string_view utf8, double size, PdfFont font,
                   PlotCanvas::Align align, bool vertical) {
  const std::string bytes = WinAnsiOfUtf8(utf8);
  if (bytes.empty()) return;
  double shift = 0;
  if (align != PlotCanvas::Align::Left) {
    const double w = PdfTextWidth(utf8, size, font);
    shift = align == PlotCanvas::Align::Center ? w / 2 : w;
  }
  // Page coordinates: y up. Vertical text runs up the page from its start.
  const double px = vertical ? x : x - shift;
  const double py = kPdfPageHeight - y + (vertical ? -shift : 0);
  const std::string matrix = vertical ? "0 1 -1 0 " : "1 0 0 1 ";
  content_ += std::string("0 g BT /") + (font == PdfFont::Bold ? "F2 " : "F1 ") + Num(size) +
              " Tf " + matrix + Num(px) + " " + Num(py) + " Tm " + PdfString(bytes) + " Tj ET\n";
}

std::string PdfDocumentBytes(const PdfPage& page, std::string_view title) {
  const std::string& content = page.Content();
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Num(kPdfPageWidth) + " " +
          Num(kPdfPageHeight) +
          "] /Resources << /Font << /F1 4 0 R /F2 5 0 R >> >> /Contents 6 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
      "<< /Title " + PdfString(WinAnsiOfUtf8(title)) + " /Producer (Frixa) >>"};
  std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const std::size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offset));
    out += entry;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R /Info 7 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::vector<PlotPoint> PdfCanvas::Moved(const std::vector<PlotPoint>& points) const {
  std::vector<PlotPoint> moved;
  moved.reserve(points.size());
  for (const PlotPoint& p : points) moved.push_back({p.x + left_, p.y + top_});
  return moved;
}

void PdfCanvas::FillRect(double x, double y, double w, double h, PlotColor color) {
  page_.FillRect(x + left_, y + top_, w, h, color);
}

void PdfCanvas::FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) {
  page_.FillPolygon(Moved(points), color);
}

void PdfCanvas::Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                         bool dashed) {
  page_.Polyline(Moved(points), color, width, dashed);
}

void PdfCanvas::Text(double x, double y, std::string_view utf8, double size, Align align,
                     bool vertical) {
  page_.Text(x + left_, y + top_, utf8, size, PdfFont::Regular, align, vertical);
}

double PdfCanvas::TextWidth(std::string_view utf8, double size) {
  return PdfTextWidth(utf8, size, PdfFont::Regular);
}

}  // namespace frixa
