// A one-page vector PDF document of A4 size, written object by object: catalog, page tree,
// one page of 595 x 842 points, the standard Type 1 fonts Helvetica and Helvetica-Bold in
// WinAnsiEncoding, one uncompressed content stream and the cross-reference table.
//
// PdfPage collects the drawing in page points with the origin at the top left and y growing
// downwards, as PlotCanvas draws; PdfCanvas is the PlotCanvas that draws a plot into a
// rectangle of the page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/plot.h"

namespace frixa {

inline constexpr double kPdfPageWidth = 595;   // A4 in points
inline constexpr double kPdfPageHeight = 842;

enum class PdfFont { Regular, Bold };  // Helvetica, Helvetica-Bold

// UTF-8 text as WinAnsiEncoding bytes; a character the encoding lacks becomes '?'.
std::string WinAnsiOfUtf8(std::string_view utf8);

// The width in points of UTF-8 text set in `font` at `size` points, from the fonts' standard
// glyph widths.
double PdfTextWidth(std::string_view utf8, double size, PdfFont font);

// `text` broken at blanks into lines no wider than `width`; a word wider than a line is cut
// between characters.
std::vector<std::string> WrapText(std::string_view utf8, double width, double size, PdfFont font);

class PdfPage {
 public:
  void FillRect(double x, double y, double w, double h, PlotColor color);
  void FillPolygon(const std::vector<PlotPoint>& points, PlotColor color);
  void Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width, bool dashed);
  // Black text; `y` is the baseline; vertical text reads bottom to top with its baseline at x.
  void Text(double x, double y, std::string_view utf8, double size, PdfFont font,
            PlotCanvas::Align align = PlotCanvas::Align::Left, bool vertical = false);

  const std::string& Content() const { return content_; }

 private:
  std::string content_;
};

// The bytes of the whole document with `page` as its one page and `title` in its information
// dictionary.
std::string PdfDocumentBytes(const PdfPage& page, std::string_view title);

// Draws into the rectangle of `page` whose top left corner is (left, top).
class PdfCanvas : public PlotCanvas {
 public:
  PdfCanvas(PdfPage& page, double left, double top) : page_(page), left_(left), top_(top) {}
  void FillRect(double x, double y, double w, double h, PlotColor color) override;
  void FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) override;
  void Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                bool dashed) override;
  void Text(double x, double y, std::string_view utf8, double size, Align align,
            bool vertical) override;
  double TextWidth(std::string_view utf8, double size) override;

 private:
  std::vector<PlotPoint> Moved(const std::vector<PlotPoint>& points) const;
  PdfPage& page_;
  double left_;
  double top_;
};

}  // namespace frixa
