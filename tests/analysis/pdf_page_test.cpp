// The one-page PDF writer: the document's structure (objects, offsets, stream length), the
// content operators a drawing gives, text in WinAnsiEncoding with its escapes, and the
// Helvetica widths that place aligned text.
#include "analysis/pdf_page.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace frixa {
namespace {

TEST(PdfDocument, ObjectsOffsetsAndStreamLengthAgree) {
  PdfPage page;
  page.Text(45, 60, "Calibration report: Rig (2)", 17, PdfFont::Bold);
  page.FillRect(10, 20, 30, 40, {255, 0, 0});
  const std::string pdf = PdfDocumentBytes(page, "Report (Rig)");

  ASSERT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
  // startxref gives the offset of the table; each entry the offset of its object.
  const auto start = pdf.rfind("startxref\n");
  ASSERT_NE(start, std::string::npos);
  const std::size_t xref = std::stoul(pdf.substr(start + 10));
  ASSERT_EQ(pdf.compare(xref, 12, "xref\n0 8\n000"), 0);
  for (int n = 1; n <= 7; ++n) {
    const std::string entry = pdf.substr(xref + 9 + 20 * static_cast<std::size_t>(n), 20);
    ASSERT_EQ(entry.substr(10), " 00000 n \n") << n;
    const std::string head = std::to_string(n) + " 0 obj\n";
    EXPECT_EQ(pdf.compare(std::stoul(entry.substr(0, 10)), head.size(), head), 0) << n;
  }
  EXPECT_EQ(pdf.substr(xref + 9, 20), "0000000000 65535 f \n");
  EXPECT_NE(pdf.find("trailer\n<< /Size 8 /Root 1 0 R /Info 7 0 R >>"), std::string::npos);

  // The stream's /Length is its bytes between "stream\n" and "\nendstream".
  const std::smatch m = [&] {
    std::smatch found;
    std::regex_search(pdf, found, std::regex("/Length ([0-9]+) >>\nstream\n"));
    return found;
  }();
  ASSERT_FALSE(m.empty());
  const std::size_t body = static_cast<std::size_t>(m.position(0) + m.length(0));
  const std::size_t length = std::stoul(m[1]);
  EXPECT_EQ(pdf.compare(body + length, 11, "\nendstream\n"), 0);
  EXPECT_EQ(pdf.substr(body, length), page.Content());

  EXPECT_NE(pdf.find("/MediaBox [0 0 595 842]"), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /Helvetica /Encoding /WinAnsiEncoding"), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding"), std::string::npos);
  EXPECT_NE(pdf.find("/Title (Report \\(Rig\\))"), std::string::npos);
}

TEST(PdfDocument, DrawingInPagePointsFromTheTopLeft) {
  PdfPage page;
  page.FillRect(10, 20, 30, 40.126, {255, 0, 0});
  page.Polyline({{0, 0}, {100, 842}}, {0, 51, 255}, 1.5, true);
  page.FillPolygon({{1, 2}, {3, 4}, {5, 6}}, {0, 0, 0});
  page.FillPolygon({{1, 2}, {3, 4}}, {0, 0, 0});  // no area: nothing drawn
  EXPECT_EQ(page.Content(),
            "1 0 0 rg\n10 781.87 30 40.13 re f\n"
            "0 0.2 1 RG\n1.5 w 1 J 1 j [4 3] 0 d\n0 842 m\n100 0 l\nS\n"
            "0 0 0 rg\n1 840 m\n3 838 l\n5 836 l\nh f\n");

  // A canvas draws into the rectangle whose top left corner it was given.
  PdfPage placed;
  PdfCanvas canvas(placed, 45, 100);
  canvas.FillRect(0, 0, 10, 20, {0, 0, 0});
  canvas.Text(5, 10, "x", 8, PlotCanvas::Align::Left, false);
  EXPECT_EQ(placed.Content(), "0 0 0 rg\n45 722 10 20 re f\n0 g BT /F1 8 Tf 1 0 0 1 50 732 Tm (x) Tj ET\n");
}

TEST(PdfText, WinAnsiBytesEscapesAndWidths) {
  PdfPage page;
  page.Text(0, 842, "a(b)c\\d \u00B1\u00B2 N\u00B7m \u2014 \u03C9", 10, PdfFont::Regular);
  // A byte that is not UTF-8 is the calibration files' code page: 0xE9 is e acute.
  page.Text(0, 842, std::string("caf\xE9"), 10, PdfFont::Regular);
  EXPECT_EQ(page.Content(),
            "0 g BT /F1 10 Tf 1 0 0 1 0 0 Tm (a\\(b\\)c\\\\d \\261\\262 N\\267m \\227 ?) Tj ET\n"
            "0 g BT /F1 10 Tf 1 0 0 1 0 0 Tm (caf\\351) Tj ET\n");

  // Helvetica "Hello": H 722, e 556, l 222, l 222, o 556; bold: 722, 556, 278, 278, 611.
  EXPECT_DOUBLE_EQ(PdfTextWidth("Hello", 10, PdfFont::Regular), 22.78);
  EXPECT_DOUBLE_EQ(PdfTextWidth("Hello", 10, PdfFont::Bold), 24.45);
  EXPECT_DOUBLE_EQ(PdfTextWidth("{|}~ '`", 1, PdfFont::Regular), 2.314);
  EXPECT_DOUBLE_EQ(PdfTextWidth("\u00E9", 1, PdfFont::Regular), 0.556);  // as e

  // Right-aligned text ends at x; vertical text turns a quarter left and runs up the page.
  PdfPage aligned;
  aligned.Text(100, 842, "AB", 10, PdfFont::Regular, PlotCanvas::Align::Right);
  aligned.Text(100, 442, "AB", 10, PdfFont::Bold, PlotCanvas::Align::Center, true);
  EXPECT_EQ(aligned.Content(),
            "0 g BT /F1 10 Tf 1 0 0 1 86.66 0 Tm (AB) Tj ET\n"
            "0 g BT /F2 10 Tf 0 1 -1 0 100 392.78 Tm (AB) Tj ET\n");

  EXPECT_EQ(WrapText("one two three  four", PdfTextWidth("one two", 10, PdfFont::Regular), 10,
                     PdfFont::Regular),
            (std::vector<std::string>{"one two", "three", "four"}));
  // A path is cut where the line is full: "/" is 0.278 wide at size 1, "a" 0.556.
  EXPECT_EQ(WrapText("x /aaaa/aaaa/aaaa", 4, 1, PdfFont::Regular),
            (std::vector<std::string>{"x", "/aaaa/aa", "aa/aaaa"}));
}

}  // namespace
}  // namespace frixa
