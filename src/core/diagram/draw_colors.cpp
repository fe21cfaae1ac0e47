// Colours of boxes and lines, normally open ends and the voltage-limit test of the drawing.
#include <cmath>
#include <cstdlib>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/diagram/draw_elems.h"
#include "core/diagram/schem_state.h"
#include "core/engine/results.h"

namespace ld::diagram {

namespace {

// Windows-1251 codes of the Cyrillic capitals the colouring and the commutation read.
constexpr char kA = '\xC0', kB = '\xC1', kS = '\xD1', kN = '\xCD', kK = '\xCA', kF = '\xD4', kO = '\xCE', kP = '\xCF';

// A voltage × 100 as a whole number; a damaged cell must not stop the drawing.
std::int64_t Hundredths(double kv) {
  const double v = kv * 100;
  return std::isfinite(v) && std::fabs(v) < 9e15 ? Round(v) : 0;
}

}  // namespace

TElemPainter::TElemPainter(TSchemBoxState& box, TCanvas* canvas, bool colour, bool printing,
                           const std::vector<double>* devUnom)
    : box_(box), canvas_(canvas), colour_(colour), printing_(printing), devUnom_(devUnom) {}

char TElemPainter::UpperLetter(char c) const {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0) return static_cast<char>(u - 32);
  if (u == 0xB8) return '\xA8';  // ё
  if (u == 0xB3) return '\xB2';  // і
  if (u == 0xBF) return '\xAF';  // ї
  if (u == 0xBA) return '\xAA';  // є
  if (u == 0xB4) return '\xA5';  // ґ
  return c;
}

int TElemPainter::ClassIndex(float kv) const {
  const std::int64_t v = Hundredths(kv);
  for (std::size_t i = 0; i < box_.vUn.size(); ++i)
    if (Hundredths(box_.vUn[i]) == v) return static_cast<int>(i);
  return -1;
}

std::int32_t TElemPainter::AreaColor(std::int32_t area) const {
  // The colours stand in the rows of "Районы схемы", whose numbers need not run 1, 2, ... in order.
  const std::string nr = IntToStr(area);
  for (std::size_t i = 0; i < box_.AreaNumbers.size() && i < box_.AreaColors.size(); ++i)
    if (box_.AreaNumbers[i] == nr) return box_.AreaColors[i];
  return 0;
}

std::int32_t TElemPainter::NodeFillColor(const SElem& e, int nodeRow) const {
  if (!colour_) return e.Has(efTapOff) ? clBlack : clWhite;
  if (e.SubModel) return box_.cBk;
  std::int32_t color = e.Has(efTapOff) ? box_.cLin : box_.cNod;
  const TNodeCols& n = box_.NodeCols;
  switch (box_.tColors) {
    case 0: {
      const char sign = UpperLetter(n.Sign ? n.Sign->Get(nodeRow) : 0);
      if (sign == 'B') {
        if (box_.fBP) color = box_.cBP;
      } else if (sign == 'U' && box_.fFM) {
        color = box_.cFM;
      }
      break;
    }
    case 1: {
      const float um = n.Um ? n.Um->Get(nodeRow) : 0.f;
      int i = ClassIndex(um);
      if (i < 0) {
        const std::int64_t v = Hundredths(um);
        if (v > INT32_MIN && v < INT32_MAX) i = ClassIndex(box_.NearestNominalVoltage(static_cast<int>(v)) / 100.f);
      }
      if (i >= 0 && i < static_cast<int>(box_.cUn.size())) color = box_.cUn[static_cast<std::size_t>(i)];
      break;
    }
    case 2: {
      const char a = UpperLetter(n.A ? n.A->Get(nodeRow) : 0);
      if (a == kA) color = box_.cAbn;
      else if (a == kB) color = box_.cNoHost;
      else if (a == kS) color = box_.cOther;
      break;
    }
    case 3: {
      const std::int32_t area = n.Nr ? n.Nr->Get(nodeRow) : 0;
      if (area != 0 && AreaColor(area) != 0) color = AreaColor(area);
      break;
    }
    case 4: {
      const std::int32_t own = n.Color ? n.Color->Get(nodeRow) : 0;
      if (own != 0) color = own;
      break;
    }
    default: break;
  }
  if (box_.fNoSup && (!e.Has(efGroup) || box_.FSection) && nodeRow >= 1 &&
      nodeRow <= static_cast<int>(box_.NoSupplyNodes.size()) && box_.NoSupplyNodes[static_cast<std::size_t>(nodeRow - 1)])
    color = box_.cNoSup;
  return color;
}

void TElemPainter::LineColorWidth(const SElem& e, std::int32_t& color, int& width) const {
  color = box_.cLin;
  width = box_.tLin;
  const int row = e.BranchRow;
  const TBranchCols& b = box_.BranchCols;
  if (colour_) {
    switch (box_.tColors) {
      case 1: {
        const int i = ClassIndex(b.Ul ? b.Ul->Get(row) : 0.f);
        if (i >= 0 && i < static_cast<int>(box_.cUn.size())) color = box_.cUn[static_cast<std::size_t>(i)];
        if (i >= 0 && i < static_cast<int>(box_.wLn.size())) width = box_.wLn[static_cast<std::size_t>(i)];
        break;
      }
      case 2: {
        const char a = UpperLetter(b.A ? b.A->Get(row) : 0);
        if (a == kA) color = box_.cAbn;
        else if (a == kS) color = box_.cOther;
        else if (a == kB) color = box_.cNoHost;
        break;
      }
      case 3: {
        const auto area = static_cast<std::int32_t>(b.Nr ? b.Nr->Get(row) : 0);
        if (area != 0 && AreaColor(area) != 0) color = AreaColor(area);
        break;
      }
      case 4: {
        const auto own = static_cast<std::int32_t>(NumericCell(b.Color, row));
        if (own != 0) color = own;
        break;
      }
      default: break;
    }
    if (box_.fNoSup && row >= 1 && row <= static_cast<int>(box_.NoSupplyBranches.size()) &&
        box_.NoSupplyBranches[static_cast<std::size_t>(row - 1)])
      color = box_.cNoSup;
  }
  if (box_.fMoveFlows) {
    width = 1;
    color = box_.cLin;
  }
  if (e.Has(efMarked)) {
    width += 2;
    color = box_.cLin;
  }
}

int TElemPainter::IsNormallyOpenEnd(const SElem& e, int end) const {
  const TBranchCols& b = box_.BranchCols;
  const char letter = UpperLetter(b.Normal ? b.Normal->Get(e.BranchRow) : 0);
  int open = 0;
  if (letter == kN) open = 1;
  else if (letter == kK || letter == kF) open = 2;
  else if (letter == kO || letter == kP) open = 3;
  if (e.Has(efReversed) && (open == 1 || open == 2)) open = 3 - open;
  return (open >> (end - 1)) & 1;
}

bool TElemPainter::VoltageWithinLimits(int nodeRow) const {
  const TNodeCols& n = box_.NodeCols;
  const double um = n.Um ? n.Um->Get(nodeRow) : 0.f;
  double unom = um;
  const char sign = UpperLetter(n.Sign ? n.Sign->Get(nodeRow) : 0);
  if (sign == 'B' || sign == 'U') {
    const std::int64_t v = Hundredths(um);
    unom = v > INT32_MIN && v < INT32_MAX ? box_.NearestNominalVoltage(static_cast<int>(v)) / 100.0 : 0;
  }
  const double urez = n.Urez ? n.Urez->Get(nodeRow) : 0.0;
  if (unom == 0 || urez == 0 || !std::isfinite(urez)) return true;
  const double dev = (urez - unom) * 100 / unom;
  double up = IniRec.Uv, down = IniRec.Un;
  // The catalogue's limits belong to its own rows: the row of this class is found by its voltage,
  // as the regime's voltage check finds it.
  if (devUnom_ != nullptr) {
    const std::int64_t key = Hundredths(unom);
    for (std::size_t k = 0; k < devUnom_->size(); ++k) {
      if (Hundredths(std::fabs((*devUnom_)[k])) != key) continue;
      if ((*devUnom_)[k] < 0) return true;  // a class the catalogue leaves out of the check
      const double rowUp = k < box_.DevUp.size() ? box_.DevUp[k] : 0;
      const double rowDown = k < box_.DevDown.size() ? box_.DevDown[k] : 0;
      if (rowUp != 0 || rowDown != 0) up = rowUp, down = rowDown;
      break;
    }
  }
  if (dev < 0 && std::fabs(dev) > down) return false;
  if (dev > 0 && dev > up) return false;
  return true;
}

}  // namespace ld::diagram
