// Switching devices, transformer and reactor symbols, flow arrows and their energy tags.
#include <algorithm>
#include <cstdlib>

#include "core/base/numfmt.h"
#include "core/base/numtext.h"
#include "core/diagram/draw_elems.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

// The pen and brush of a symbol put back on every way out.
class TToolsScope {
public:
  explicit TToolsScope(TCanvas& c) : c_(c), pen_(c.Pen), brush_(c.Brush) {}
  ~TToolsScope() {
    c_.Pen = pen_;
    c_.Brush = brush_;
  }
  TToolsScope(const TToolsScope&) = delete;
  TToolsScope& operator=(const TToolsScope&) = delete;

private:
  TCanvas& c_;
  TPen pen_;
  TBrush brush_;
};

int R(double v) { return static_cast<int>(Round(v)); }

void Line(TCanvas& c, int x1, int y1, int x2, int y2) {
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
}

}  // namespace

bool TElemPainter::IsReactor(std::string_view typEqu) { return typEqu.size() > 1 && typEqu.substr(0, 2) == "RT"; }

int TElemPainter::ResultBand() const {
  int band = box_.FlagDR ? box_.PixFlowRow : 0;
  for (bool flag : {box_.FlagI, box_.FlagP, box_.FlagQ, box_.FCos})
    if (flag) band += box_.PixYzam;
  return band;
}

void TElemPainter::Text(int x, int y, std::string_view text, int fontHeight, TTextAlign align, bool opaque,
                        std::int32_t background) {
  TCanvas& c = C();
  const int savedHeight = c.Font.Height;
  c.Font.Height = fontHeight;
  c.Brush.Style = opaque ? bsSolid : bsClear;
  if (opaque) c.Brush.Color = background;
  c.TextAlign = align;
  c.TextOut(x, y, text);
  c.TextAlign = taLeft;
  c.Brush.Style = bsSolid;
  c.Font.Height = savedHeight;
}

void TElemPainter::DrawSwitchDevice(int x, int y, bool off, int normallyOpen, bool damaged, bool downward, int kind) {
  TCanvas& c = C();
  TToolsScope tools(c);
  const int hc = box_.PixYcom, wc = box_.PixXcom;
  const int dir = downward ? 1 : -1;
  if (printing_) c.Pen.Width = box_.tLin;
  if (damaged) {
    Line(c, x, y, x, downward ? y + hc : y - hc - 1);
    c.Brush = {clGreen, bsSolid};
    const int yc = y + dir * R(hc / 3.0);
    const int dx = R(wc / 1.2), dy = R(hc / 2.5);
    c.Rectangle(x - dx, yc - dy, x + dx + 1, yc + dy);
  } else {
    const int left = x - wc / 2 - 1, right = x + wc / 2 + 1;
    const int top = downward ? y : y - hc - 1, bottom = downward ? y + hc + 1 : y;
    c.Brush = {off ? clRed : box_.cBk, bsSolid};
    switch (box_.FRealCommut ? kind : 1) {
      case 1: c.Rectangle(left, top, right, bottom); break;
      case 2: {
        const int nearY = downward ? y + hc / 4 : y - hc / 4 - 1;
        Line(c, x, y + dir * hc, off ? x + R(3.0 * wc / 4) : x, nearY);
        c.Brush = {box_.cBk, bsSolid};
        c.Rectangle(x - wc / 4, y - hc / 4, x + wc / 4 + 1, y + hc / 4);
        break;
      }
      case 3: c.Ellipse(left, top, right, bottom); break;
      default:
        Line(c, x, y, x, downward ? y + hc : y - hc - 1);
        if (off) {
          c.Pen.Width = std::max(hc / 3, 1);
          if (colour_) c.Pen.Color = clRed;
          const int dx = R(wc / 1.5), yb = y + dir * R(hc / 4.0);
          Line(c, x - dx, yb, x + dx, yb);
        }
        break;
    }
  }
  if (box_.FSNR && normallyOpen == 1) {
    const TFont savedFont = c.Font;
    c.Font.Height = -R(hc * 1.2);
    c.Font.Style = fsBold;
    c.Font.Color = box_.cLin;
    const int fh = c.Font.Height;
    const int tx = damaged ? x + R(wc / 1.2) + 2 : x + wc / 2 + 2;
    const int ty = downward ? y + R(0.2 * fh) : y - hc + R(0.1 * fh);
    c.Brush.Style = bsClear;
    c.TextAlign = taLeft;
    c.TextOut(tx, ty, "P");
    c.Font = savedFont;
  }
}

void TElemPainter::DrawTransformer(const SElem& e, int x1, int x2, int branchRow, int y) {
  TCanvas& c = C();
  const int hy = box_.PixHalfYe, ye = box_.PixYe;
  const int a = R(2.0 * hy / 3), r = R(0.9 * hy), q = hy / 4, len = ye + 2 * hy, d = R(2.0 * (len - 2 * a) / 3);
  const bool upright = x1 == x2;
  const int xl = std::min(x1, x2), xr = std::max(x1, x2);
  const int l2 = 3 * hy, d2 = R(2.0 * (l2 - 2 * q) / 3);
  if (upright) {
    Line(c, x1, y, x1, y + q);
    Line(c, x1, y + l2, x1, y + l2 - q - 1);
  } else {
    Line(c, xl, y, xl + a - q, y);
    Line(c, xl + len - a - q, y, xr, y);
  }
  {
    TToolsScope tools(c);
    if (box_.fMoveFlows) {
      // The symbol keeps its colouring while the line beside the moving flows is thin and plain.
      box_.fMoveFlows = false;
      LineColorWidth(e, c.Pen.Color, c.Pen.Width);
      box_.fMoveFlows = true;
    }
    c.Brush.Style = bsClear;
    const bool regulated = BranchCellText(box_.BranchCols.Regulation, branchRow).find("РПН") != std::string::npos;
    if (upright) {
      c.Ellipse(x1 - r, y + q, x1 + r, y + q + d2);
      c.Ellipse(x1 - r, y + l2 - q - d2, x1 + r, y + l2 - q);
      if (regulated) Line(c, x1 + r, y + q, x1 - r, y + l2 - q);
    } else {
      c.Ellipse(xl + a - q, y - r, xl + a - q + d, y + r);
      c.Ellipse(xl + len - a - q - d, y - r, xl + len - a - q, y + r);
      if (regulated) Line(c, xl + a - q, y + r, xl + len - a - q, y - r);
    }
  }
  std::string number, power;
  if (box_.FNumTr) number = BranchCellText(box_.BranchCols.DSName, branchRow);
  const float sdop = box_.BranchCols.Sdop ? box_.BranchCols.Sdop->Get(branchRow) : 0.f;
  if (box_.FSnomTr && sdop != 0) power = GeneralText(sdop * box_.SMul, 7);
  const int hr = box_.PixYzam;
  if (upright) {
    if (!number.empty()) Text(x1 + r, y, number, hr);
    if (!power.empty()) Text(x1 + r, y + hr, power, hr);
    c.MoveTo(x2, y + l2);
  } else {
    const std::string text = number.empty() ? power : power.empty() ? number : number + " " + power;
    if (!text.empty()) Text(xl + len - a - q, y, text, hr);
  }
}

void TElemPainter::DrawReactor(const SElem& e, int x1, int x2, int /*branchRow*/, int y) {
  TCanvas& c = C();
  const int hy = box_.PixHalfYe;
  const int a = hy / 2, r = hy, len = 3 * hy, d = len - 2 * a;
  TToolsScope tools(c);
  if (box_.fMoveFlows) {
    box_.fMoveFlows = false;
    LineColorWidth(e, c.Pen.Color, c.Pen.Width);
    box_.fMoveFlows = true;
  }
  if (x1 != x2) {
    const int xl = std::min(x1, x2), xr = std::max(x1, x2);
    const int xs = xl + a, xm = xs + d / 2;
    Line(c, xl, y, xs, y);
    Line(c, xl + len - a, y, xr, y);
    c.Arc(xs, y - r + 1, xs + d, y + r + 1, xm, y + r + 1, xs, y + 1);
    c.MoveTo(xm - 1, y + r);
    c.LineTo(xm - 1, y);
    c.LineTo(xs + d, y);
  } else {
    Line(c, x1, y, x1, y + a);
    Line(c, x1, y + len, x1, y + len - a - 1);
    const int ym = y + len - a - d / 2;
    c.Arc(x1 - r, y + len - a - d, x1 + r, y + len - a, x1 - r, ym, x1, y + len - a - d);
    c.MoveTo(x1 - r, ym);
    c.LineTo(x1, ym);
    c.LineTo(x1, y + len - a);
  }
}

void TElemPainter::DrawFlowTag(int x, int y, int sign, char mark) {
  TCanvas& c = C();
  TToolsScope tools(c);
  const char* text = mark == '+' ? "w +" : mark == '-' ? "w -" : "w";
  const int tw = c.TextWidth(text), th = c.TextHeight(text);
  const int left = x + box_.PixHalfYe / 4;
  c.Brush = {sign < 0 ? clGreen : clLime, bsSolid};
  c.FillRect(left, y + R(0.05 * th), left + tw + 4, y + th - R(0.325 * th) + 1);
  c.Brush.Style = bsClear;
  c.TextAlign = taLeft;
  c.TextOut(left + 2, y - R(0.175 * th), text);
}

void TElemPainter::DrawArrowUp(int x, int y, int tag, bool noHead, char mark) {
  TCanvas& c = C();
  const int hd = box_.PixFlowRow, hy = box_.PixHalfYe;
  const int savedWidth = c.Pen.Width;
  if (printing_) c.Pen.Width = box_.tLin;
  Line(c, x, y, x, y - hd - 1);
  const int t0 = y - R(0.725 * hy) - 1, t1 = y - R(0.325 * hy) - 1;
  if (!noHead) {
    c.Pen.Width = 1;
    for (int yy = t0; yy <= t1; ++yy) {
      const int j = yy - t0 + 1;
      Line(c, x - j + 1, yy, x + j, yy);
    }
  }
  c.Pen.Width = savedWidth;
  if (std::abs(tag) == 1) DrawFlowTag(x + (t1 - t0) + 2, y - hd - 1, tag, mark);
}

void TElemPainter::DrawArrowDown(int x, int y, int tag, bool noHead, char mark) {
  TCanvas& c = C();
  const int hd = box_.PixFlowRow, hy = box_.PixHalfYe;
  const int savedWidth = c.Pen.Width;
  if (printing_) c.Pen.Width = box_.tLin;
  Line(c, x, y, x, y + hd);
  const int shift = hd > hy ? hd - hy : 0;
  const int t0 = y + R(0.325 * hy) + shift, t1 = y + R(0.725 * hy) + shift;
  if (!noHead) {
    c.Pen.Width = 1;
    for (int yy = t0; yy <= t1; ++yy) {
      const int j = t1 - yy + 1;
      Line(c, x - j + 1, yy, x + j, yy);
    }
  }
  c.Pen.Width = savedWidth;
  if (std::abs(tag) == 1) DrawFlowTag(x + (t1 - t0) + 2, y + hd, tag, mark);
}

}  // namespace ld::diagram
