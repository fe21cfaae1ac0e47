// Results on the diagram: the arrow and texts at a branch end, the loads of nodes and of the
// transformers of collapsed substations, and the section names at line ends.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/base/numfmt.h"
#include "core/base/numtext.h"
#include "core/diagram/draw_elems.h"
#include "core/diagram/schem_state.h"
#include "core/engine/electric.h"
#include "core/engine/results.h"

namespace ld::diagram {

namespace {

double Cut(double v) { return std::isfinite(v) && std::fabs(v) >= 1e-7 ? v : 0.0; }

double Cell(const TDynamicArray* column, int row) { return NumericCell(column, row); }

// Of an end's two energy pairs the larger is shown and the other after it; the second pair counts
// the other way.
void EnergyPairs(double pr, double qr, double pl, double ql, TEndValues& v) {
  pl = -pl, ql = -ql;
  if (std::hypot(pr, qr) >= std::hypot(pl, ql)) {
    v.P = pr, v.Q = qr, v.P2 = pl, v.Q2 = ql;
  } else {
    v.P = pl, v.Q = ql, v.P2 = pr, v.Q2 = qr;
  }
  v.P *= 0.001, v.Q *= 0.001, v.P2 *= 0.001, v.Q2 *= 0.001;
}

}  // namespace

std::string TElemPainter::BranchCellText(const DAString* column, int row) const {
  return column != nullptr && row >= 1 ? column->GetItem(row) : std::string();
}

void TElemPainter::DrawStem(int x, int yFrom, int yTo) {
  if (yFrom == yTo) return;
  C().MoveTo(x, yFrom);
  C().LineTo(x, yTo);
}

void TElemPainter::DrawFlowResult(int x, int y, bool side, TEndValues v, float idop, float sdop) {
  if (box_.FOneFlow && side) return;
  v.P = Cut(v.P), v.Q = Cut(v.Q), v.I = Cut(v.I), v.P2 = Cut(v.P2), v.Q2 = Cut(v.Q2), v.Ic = Cut(v.Ic);
  double load = 0, permitted = 0;
  if (box_.FTypFlow == 0) {
    if (idop != 0) {
      load = std::fabs(v.I * 100 / idop);
      permitted = idop;
    } else if (sdop != 0) {
      load = std::hypot(v.P, v.Q) * 100 / std::fabs(sdop);
      permitted = std::fabs(sdop) * box_.SMul;
    }
  }
  const double s = std::hypot(v.P, v.Q);
  const double cosPhi = s == 0 ? 0 : std::fabs(v.P) / s;
  bool positive;
  if (box_.FTypFlow == 2) positive = v.Ic >= 0;
  else if (box_.FlagP && !box_.FlagQ) positive = v.P > 0;
  else if (box_.FlagQ && !box_.FlagP) positive = v.Q > 0;
  else positive = (cosPhi >= 0.1 && v.P >= 0) || (cosPhi < 0.1 && v.Q >= 0);
  if (!positive) v.P = -v.P, v.Q = -v.Q, v.P2 = -v.P2, v.Q2 = -v.Q2;

  const int hd = box_.PixFlowRow, hr = box_.PixYzam;
  if (positive) DrawArrowDown(x, side ? y - hd : y, v.Tag, false, v.Mark);
  else DrawArrowUp(x, side ? y : y + hd, v.Tag, false, v.Mark);

  // The loading and the permitted value stand beside the arrow, the values in rows beyond it.
  std::vector<std::string> arrowRows;
  struct Row {
    std::string text;
    bool overload;
  };
  std::vector<Row> rows;
  if (box_.FTypFlow == 0 && ((box_.FLoadLn && idop != 0) || (box_.FLoadTr && sdop != 0)))
    arrowRows.push_back(FixedText(load, 0) + "%");
  if (box_.FTypFlow == 0 && ((box_.FIdopLn && idop != 0) || (box_.FSnomTr2 && sdop < 0)))
    arrowRows.push_back(GeneralText(permitted, 7));
  const bool overloaded = box_.fLoad && load > 100;
  auto pair = [&](double a, double b) {
    std::string t = FixedText(a * box_.SMul, box_.SPrec);
    if (b != 0) t += " -" + FixedText(b * box_.SMul, box_.SPrec);
    return t;
  };
  if (box_.FlagP) rows.push_back({pair(v.P, v.P2), overloaded && sdop != 0});
  if (box_.FlagQ) rows.push_back({pair(v.Q, v.Q2), overloaded && sdop != 0});
  if (box_.FlagI) {
    const double current = box_.FTypFlow == 2 ? v.Ic : v.I;
    rows.push_back({FixedText(std::fabs(current) * box_.IMul, box_.IPrec), overloaded && idop != 0});
  }
  if (box_.FCos) rows.push_back({FixedText(cosPhi, 2), false});

  const int arrowTop = side ? y - hd : y;
  for (std::size_t k = 0; k < arrowRows.size(); ++k)
    Text(x, arrowTop + static_cast<int>(k) * hr, arrowRows[k], hr, taCenter);
  const int m = static_cast<int>(rows.size());
  for (int j = 0; j < m; ++j) {
    const int top = side ? y - hd - (m - j) * hr : y + hd + j * hr;
    const Row& row = rows[static_cast<std::size_t>(j)];
    Text(x, top, row.text, hr, taCenter, row.overload, box_.cLoad);
  }
}

void TElemPainter::BranchEnds(const SElem& e, TEndValues& end1, TEndValues& end2) const {
  const TBranchCols& b = box_.BranchCols;
  const int row = e.BranchRow;
  switch (box_.FTypFlow) {
    case 0: {
      const TBranchFlows f = CalcBranchFlows(Cell(b.U1, row), Cell(b.F1, row), Cell(b.U2, row), Cell(b.F2, row),
                                             Cell(b.Irez, row), Cell(b.Faza, row), Cell(b.R, row), Cell(b.X, row),
                                             Cell(b.G, row), Cell(b.B, row), Cell(b.Kta, row), Cell(b.Ktr, row));
      end1.I = f.I1, end1.P = f.P1, end1.Q = f.Q1;
      end2.I = f.I2, end2.P = f.P2, end2.Q = f.Q2;
      break;
    }
    case 1: {
      const TBranchEnergyCols& w = box_.BranchEnergyCols;
      if (box_.BranchEnergyTable && row <= box_.BranchEnergyTable->RowCount) {
        EnergyPairs(Cell(w.WPnr, row), Cell(w.WQnr, row), Cell(w.WPnl, row), Cell(w.WQnl, row), end1);
        EnergyPairs(Cell(w.WPkr, row), Cell(w.WQkr, row), Cell(w.WPkl, row), Cell(w.WQkl, row), end2);
      }
      const int given = row >= 1 && row <= static_cast<int>(box_.GivenFlowRow.size())
                            ? box_.GivenFlowRow[static_cast<std::size_t>(row - 1)]
                            : 0;
      const TLineFlowCols& g = box_.FlowCols;
      if (given > 0 && box_.FlowTable && given <= box_.FlowTable->RowCount) {
        int end = g.NK ? static_cast<int>(g.NK->Get(given)) : 0;
        if (Cell(g.N1, given) != Cell(b.N1, row)) end = 3 - end;
        if (end == 1 || end == 2) {
          TEndValues& v = end == 1 ? end1 : end2;
          v.Tag = box_.FresPQ ? -1 : 1;
          v.Mark = g.PM != nullptr ? g.PM->Get(given) : 0;
          if (!box_.FresPQ) EnergyPairs(Cell(g.Pr, given), Cell(g.Qr, given), Cell(g.Pl, given), Cell(g.Ql, given), v);
        }
      }
      break;
    }
    case 2:
      end1.Ic = end1.I = Cell(b.Iemk1, row);
      end2.Ic = end2.I = Cell(b.Iemk2, row);
      break;
    default: break;
  }
  // The far end's values count the other way.
  end2.I = -end2.I, end2.P = -end2.P, end2.Q = -end2.Q, end2.P2 = -end2.P2, end2.Q2 = -end2.Q2, end2.Ic = -end2.Ic;
}

void TElemPainter::DrawLineFlows(const SElem& e, int x1, int y1, int x2, int y2, bool side1, bool side2, bool swap) {
  TEndValues end1, end2;
  BranchEnds(e, end1, end2);
  const TBranchCols& b = box_.BranchCols;
  const float idop = b.Idop ? b.Idop->Get(e.BranchRow) : 0.f;
  const float sdop = b.Sdop ? b.Sdop->Get(e.BranchRow) : 0.f;
  DrawFlowResult(x1, y1, side2, swap ? end2 : end1, idop, sdop);
  DrawFlowResult(x2, y2, side1, swap ? end1 : end2, idop, sdop);
}

namespace {

// Column slots along a box's lower edge: those where a child, a down link or a side link leaves
// are taken, the loads go into the others from the left.
class TSlots {
public:
  TSlots(const SElem& e, int pitch, int xv) : e_(e), pitch_(std::max(pitch, 1)), xv_(xv) {
    for (int i = 0; i < e.ChildCount; ++i) Take(e.Children[static_cast<std::size_t>(i)]->LinkX);
    for (int i = 0; i < e.DownLinkCount; ++i) Take(e.DownLinks[static_cast<std::size_t>(i)]->X2);
    for (int i = 0; i < e.SideLinkCount; ++i) {
      const SElem& l = *e.SideLinks[static_cast<std::size_t>(i)];
      Take(l.NodeNr == e.NodeNr ? l.X1 : l.X2);
    }
  }
  // The next free slot's x relative to the model.
  int Next() {
    while (std::find(taken_.begin(), taken_.end(), next_) != taken_.end()) ++next_;
    return e_.X1 + xv_ + pitch_ * next_++;
  }

private:
  void Take(int x) {
    const int d = x - e_.X1 - xv_;
    if (d >= 0 && d % pitch_ == 0) taken_.push_back(d / pitch_);
  }
  const SElem& e_;
  int pitch_, xv_;
  int next_ = 0;
  std::vector<int> taken_;
};

}  // namespace

void TElemPainter::DrawNodeLoads(const SElem& e, int x0) {
  if (e.SubModel || (e.Has(efGroup) && !box_.FSection)) return;
  const TNodeCols& n = box_.NodeCols;
  std::vector<int> rows;
  if (e.SectionCount > 0) rows.assign(e.SectionNodes.begin(), e.SectionNodes.begin() + std::min<std::size_t>(e.SectionNodes.size(), static_cast<std::size_t>(e.SectionCount)));
  else rows.push_back(e.NodeRow);
  TSlots slots(e, box_.PixXe, box_.PixXv);
  const int bottom = e.Y + e.Height + (e.SectionCount > 0 ? (e.SectionCount - 1) * box_.PixdYsc : 0);
  const int stemEnd = bottom + (box_.FCommut ? box_.PixYcom : 0);
  for (int r : rows) {
    const double urez = Cell(n.Urez, r);
    const bool energy = Cell(n.WPn, r) != 0 || Cell(n.WQn, r) != 0 || Cell(n.WPg, r) != 0 || Cell(n.WQg, r) != 0;
    std::vector<TEndValues> results;
    TEndValues load, gen;
    if (box_.FTypFlow == 1) {
      load.P = Cell(n.WPn, r) * 0.001, load.Q = Cell(n.WQn, r) * 0.001;
      gen.P = Cell(n.WPg, r) * 0.001, gen.Q = Cell(n.WQg, r) * 0.001;
      results = {load, gen};
    } else if (box_.FTypFlow == 2) {
      load.Ic = load.I = Cell(n.Iemk, r);
      results = {load};
    } else if (box_.FresPQ) {
      load.P = Cell(n.Pbal, r), load.Q = Cell(n.Qbal, r);
      results = {load};
    } else {
      load.P = Cell(n.Pn, r), load.Q = Cell(n.Qn, r);
      gen.P = Cell(n.Pg, r), gen.Q = Cell(n.Qg, r);
      results = {load, gen};
    }
    for (TEndValues& v : results) {
      if (v.P == 0 && v.Q == 0 && v.Ic == 0) continue;
      if (box_.FTypFlow != 2) v.I = urez != 0 ? std::sqrt((v.P * v.P + v.Q * v.Q) / 3) * 1000 / urez : 0;
      if (energy) {
        v.Tag = box_.FresPQ ? -1 : 1;
        v.Mark = n.Sign ? n.Sign->Get(r) : 0;
      }
      const int x = x0 + slots.Next();
      DrawStem(x, bottom, stemEnd);
      DrawFlowResult(x, stemEnd, false, v, 0, 0);
    }
  }
}

void TElemPainter::DrawSubstTransformerLoads(const SElem& e, int x0) {
  const TBranchCols& b = box_.BranchCols;
  TSlots slots(e, box_.PixXe, box_.PixXv);
  const bool captions = box_.FLinks && box_.FIntegral && box_.FPaintNod == ncmName;
  for (int row : e.TransformerRows) {
    const std::string name1 = BranchCellText(b.Name1, row);
    const auto dot = name1.find('.');
    const std::string cell = dot == std::string::npos ? std::string() : name1.substr(dot + 1);
    // The transformer hangs from the frame of its bus section.
    int section = 0;
    const std::string digits = cell.substr(0, cell.find_first_not_of("0123456789"));
    if (!digits.empty() && digits.size() < 9) {
      const int number = std::stoi(digits);
      const auto it = std::find(e.Sections.begin(), e.Sections.end(), number);
      if (it != e.Sections.end()) section = static_cast<int>(it - e.Sections.begin());
    }
    const int top = e.Y + e.Height + section * box_.PixdYsc;
    const int stemEnd = top + (box_.FCommut ? box_.PixYcom : 0);
    const TBranchFlows f = CalcBranchFlows(Cell(b.U1, row), Cell(b.F1, row), Cell(b.U2, row), Cell(b.F2, row),
                                           Cell(b.Irez, row), Cell(b.Faza, row), Cell(b.R, row), Cell(b.X, row),
                                           Cell(b.G, row), Cell(b.B, row), Cell(b.Kta, row), Cell(b.Ktr, row));
    TEndValues v;
    v.I = f.I1, v.P = f.P1, v.Q = f.Q1;
    const int x = x0 + slots.Next();
    DrawStem(x, top, stemEnd);
    DrawFlowResult(x, stemEnd, false, v, 0, b.Sdop ? b.Sdop->Get(row) : 0.f);
    if (captions && !cell.empty()) {
      const int h = box_.PixYlnk;
      Text(x + static_cast<int>(Round(0.75 * box_.PixXcom)), top + static_cast<int>(Round(0.2 * h)), cell, -h);
    }
  }
}

void TElemPainter::DrawLinkCaption(const SElem& e, int x, int y, bool reversed, bool ownEnd, bool above) {
  const TBranchCols& b = box_.BranchCols;
  const std::int32_t number = (ownEnd != reversed) ? (b.N1 ? b.N1->Get(e.BranchRow) : 0) : (b.N2 ? b.N2->Get(e.BranchRow) : 0);
  const int row = NodeRowOf(number);
  if (row == 0) return;
  std::string name = box_.NodeCols.Name ? box_.NodeCols.Name->GetItem(row) : std::string();
  const auto dot = name.find('.');
  if (dot == std::string::npos) return;
  name.erase(0, dot + 1);
  const auto cut = name.find(">N=");
  if (cut != std::string::npos) name.erase(cut);
  const int h = box_.PixYlnk;
  const int ty = above ? y - static_cast<int>(Round(0.05 * h)) : y - h - static_cast<int>(Round(0.2 * h));
  Text(x - static_cast<int>(Round(0.75 * box_.PixXcom)), ty, name, -h);
}

int TElemPainter::NodeRowOf(std::int32_t number) {
  const TNodeCols& n = box_.NodeCols;
  if (n.NS == nullptr || !box_.NodeTable) return 0;
  if (nodeIndex_.empty()) {
    for (int row = 1; row <= box_.NodeTable->RowCount; ++row) nodeIndex_.emplace_back(n.NS->Get(row), row);
    std::stable_sort(nodeIndex_.begin(), nodeIndex_.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
  }
  const auto it = std::lower_bound(nodeIndex_.begin(), nodeIndex_.end(), number,
                                   [](const auto& l, std::int32_t v) { return l.first < v; });
  return it != nodeIndex_.end() && it->first == number ? it->second : 0;
}

}  // namespace ld::diagram
