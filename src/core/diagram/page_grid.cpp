#include "core/diagram/page_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/base/numfmt.h"
#include "core/base/strings.h"

namespace ld::diagram {

const char* const kMarginsExceedSheet = "Отступы превышают размеры листа";

namespace {

int CmToPixels(double cm, double dpi) {
  const double px = cm * dpi / 2.54;
  // A margin beyond any sheet only has to leave no room; it must not overflow the rounding.
  return static_cast<int>(Round(std::clamp(px, -1e9, 1e9)));
}

// A whole number without sign or blanks.
bool StrictNumber(std::string_view s, long long& v) {
  if (s.empty() || s.size() > 18) return false;
  for (const char ch : s)
    if (ch < '0' || ch > '9') return false;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return true;
}

}  // namespace

int PrintableWidth(const TSheetSize& sheet, const TSheetMargins& m) {
  return sheet.Width - CmToPixels(static_cast<double>(m.Left) + m.Right, sheet.DpiX);
}

int PrintableHeight(const TSheetSize& sheet, const TSheetMargins& m) {
  return sheet.Height - CmToPixels(static_cast<double>(m.Top) + m.Bottom, sheet.DpiY);
}

TMarginPixels MarginPixels(const TSheetSize& sheet, const TSheetMargins& m) {
  return {CmToPixels(m.Top, sheet.DpiY), CmToPixels(m.Left, sheet.DpiX), CmToPixels(m.Bottom, sheet.DpiY),
          CmToPixels(m.Right, sheet.DpiX)};
}

bool SheetHasRoom(const TSheetSize& sheet, const TSheetMargins& margins) {
  return PrintableWidth(sheet, margins) > 0 && PrintableHeight(sheet, margins) > 0;
}

int SheetCount(int modelExtent, int printable, int previous) {
  if (printable <= 0) return previous;
  return modelExtent / printable + (modelExtent % printable != 0 ? 1 : 0);
}

void UpdatePageCount(const TSheetSize& sheet, const TSheetMargins& margins, int modelWidth, int modelHeight,
                     int& pagesAcross, int& pagesDown) {
  pagesAcross = SheetCount(modelWidth, PrintableWidth(sheet, margins), pagesAcross);
  pagesDown = SheetCount(modelHeight, PrintableHeight(sheet, margins), pagesDown);
}

std::string PageCountText(int pagesAcross, int pagesDown) {
  return IntToStr(pagesAcross) + " листов по горизонтали, " + IntToStr(pagesDown) + " по вертикали";
}

TSheetMargins TurnMargins(const TSheetMargins& m, bool toLandscape) {
  if (toLandscape) return {m.Left, m.Bottom, m.Right, m.Top};
  return {m.Right, m.Top, m.Left, m.Bottom};
}

std::string MarginText(float margin) { return FloatToStrFixed(SingleToDouble(margin), 1); }

std::optional<std::string> EditToMargin(const std::string& text, float& margin) {
  double v = 0;
  try {
    v = StrToFloatZ(text.empty() ? std::string("0") : text);
  } catch (const ConvertError&) {
    return MarginText(margin);
  }
  if (!std::isfinite(v) || v > 1e6) return MarginText(margin);
  if (v < 0) {
    margin = 0;
    return MarginText(0);
  }
  margin = static_cast<float>(v);
  return std::nullopt;
}

std::string StepMargin(float& margin, float step) {
  margin = std::max(0.0f, margin + step);
  return MarginText(margin);
}

bool ParsePageList(std::string_view text, TPageSet& pages) {
  const std::string s = RemoveBlanks(text);
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = s.find(',', from);
    const std::string_view item =
        std::string_view(s).substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    const std::size_t dash = item.find('-');
    long long a = 0, b = 0;
    if (dash == std::string_view::npos) {
      if (!StrictNumber(item, a)) return false;
      b = a;
    } else if (!StrictNumber(item.substr(0, dash), a) || !StrictNumber(item.substr(dash + 1), b)) {
      return false;
    }
    // Only the members a set of sheets can hold are visited, however wide the range.
    for (long long n = a; n <= std::min<long long>(b, 255); ++n) pages.set(static_cast<std::size_t>(n));
    if (comma == std::string::npos) return true;
    from = comma + 1;
  }
}

std::string ParsePageLists(std::string_view across, std::string_view down, TPageSet& acrossSet, TPageSet& downSet) {
  if (!ParsePageList(across, acrossSet)) return "Неверно заданы номера страниц по горизонтали";
  if (!ParsePageList(down, downSet)) return "Неверно заданы номера страниц по вертикали";
  return {};
}

bool SheetChosen(bool selective, const TPageSet& acrossSet, const TPageSet& downSet, int r, int c) {
  if (!selective) return true;
  return r >= 0 && r < 256 && c >= 0 && c < 256 && downSet[static_cast<std::size_t>(r)] &&
         acrossSet[static_cast<std::size_t>(c)];
}

int SheetPercent(int r, int c, int pagesAcross, int pagesDown) {
  const double all = static_cast<double>(pagesAcross) * pagesDown;
  if (all <= 0) return 100;
  return static_cast<int>(Round((static_cast<double>(r - 1) * pagesAcross + c) / all * 100));
}

int FitFontHeight(int fontHeight, int modelWidth, int modelHeight, int printableWidth, int printableHeight,
                  const std::function<bool(int height)>& fits) {
  if (modelWidth <= 0 || modelHeight <= 0 || printableWidth <= 0 || printableHeight <= 0) return 0;
  const double kx = static_cast<double>(printableWidth) / modelWidth;
  const double ky = static_cast<double>(printableHeight) / modelHeight;
  const double scaled = std::clamp(fontHeight * std::min(kx, ky), -1e6, 1e6);
  int h = static_cast<int>(Round(scaled));
  // Each step makes the font one pixel smaller, whichever sign its height carries.
  while (h != 0 && !fits(h)) h += h < 0 ? 1 : -1;
  return h;
}

}  // namespace ld::diagram
