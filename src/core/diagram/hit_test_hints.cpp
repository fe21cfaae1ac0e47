// The texts of the hints that follow the mouse over nodes and lines.
#include "core/base/numtext.h"
#include "core/diagram/hit_test.h"
#include "core/diagram/schem_state.h"
#include "core/engine/electric.h"

namespace ld::diagram {

namespace {

// Fixed notation within seven significant digits, as every result of the diagram is shown.
std::string Fixed(double v, int decimals) { return FixedText(v, decimals, 7); }

void Item(std::string& text, const std::string& item) {
  text += item;
  text += ' ';
}

}  // namespace

std::string NodeHintText(const TSchemBoxState& box, const SElem& elem) {
  const int row = elem.NodeRow;
  if (elem.Has(efGroup) || !box.NodeTable || row < 1 || row > box.NodeCols.RowCount) return {};
  const TNodeCols& n = box.NodeCols;
  std::string text;
  if (box.hNumNode) Item(text, std::to_string(n.NS->Get(row)));
  if (box.hNameNode) Item(text, n.Name->GetItem(row));
  if (box.hVoltage) Item(text, "U=" + Fixed(n.Urez->Get(row), box.UPrec));
  if (box.hPower) {
    const std::pair<const char*, const DAdouble*> powers[] = {
        {"Pнаг=", n.Pn}, {"Qнаг=", n.Qn}, {"Pген=", n.Pg}, {"Qген=", n.Qg}};
    for (const auto& [label, column] : powers)
      if (const double v = column->Get(row); v != 0) Item(text, label + Fixed(v * box.SMul, box.SPrec));
  }
  if (box.hEnergy) {
    const std::pair<const char*, const DAdouble*> energies[] = {
        {"WPнаг=", n.WPn}, {"WQнаг=", n.WQn}, {"WPген=", n.WPg}, {"WQген=", n.WQg}};
    for (const auto& [label, column] : energies)
      if (const double v = column->Get(row); v != 0) Item(text, label + Fixed(v, 0));
  }
  return text;
}

std::string LineHintText(const TSchemBoxState& box, const SElem& elem) {
  const int row = elem.BranchRow;
  if (!box.BranchTable || row < 1 || row > box.BranchCols.RowCount) return {};
  const TBranchCols& b = box.BranchCols;
  std::string text;
  if (box.hNumsLine) Item(text, std::to_string(b.N1->Get(row)) + " - " + std::to_string(b.N2->Get(row)));
  if (box.hNameLine) Item(text, b.Name1->GetItem(row) + " - " + b.Name2->GetItem(row));
  if (box.hDSNumLine) Item(text, b.DSName->GetItem(row));
  if (box.hMarkLine) Item(text, b.Mark->GetItem(row));
  if (box.hBegFlow || box.hEndFlow) {
    const TBranchFlows f = CalcBranchFlows(b.U1->Get(row), b.F1->Get(row), b.U2->Get(row), b.F2->Get(row),
                                           b.Irez->Get(row), b.Faza->Get(row), b.R->Get(row), b.X->Get(row),
                                           b.G->Get(row), b.B->Get(row), b.Kta->Get(row), b.Ktr->Get(row));
    if (box.hBegFlow) {
      Item(text, "Iнач=" + Fixed(f.I1 * box.IMul, box.IPrec));
      Item(text, "Pнач=" + Fixed(f.P1 * box.SMul, box.SPrec));
      Item(text, "Qнач=" + Fixed(f.Q1 * box.SMul, box.SPrec));
    }
    if (box.hEndFlow) {
      Item(text, "Iкон=" + Fixed(f.I2 * box.IMul, box.IPrec));
      Item(text, "Pкон=" + Fixed(f.P2 * box.SMul, box.SPrec));
      Item(text, "Qкон=" + Fixed(f.Q2 * box.SMul, box.SPrec));
    }
  }
  if (box.hRange) {
    if (const double v = b.Idop->Get(row); v != 0) Item(text, "Iдоп=" + GeneralText(v));
    if (const double v = b.Sdop->Get(row); v != 0) Item(text, "Sдоп=" + GeneralText(v * box.SMul));
  }
  return text;
}

std::string HintTextAt(TSchemBoxState& box, int x, int y) {
  PSElem elem = nullptr;
  if (HitTestLine(box, x, y, elem)) return LineHintText(box, *elem);
  bool inNested = false;
  if (HitTestNode(box, x, y, inNested, elem) && !elem->Has(efGroup)) return NodeHintText(box, *elem);
  return {};
}

}  // namespace ld::diagram
