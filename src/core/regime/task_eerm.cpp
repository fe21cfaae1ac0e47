#include "core/regime/task_eerm.h"

#include <cmath>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/numfmt.h"
#include "core/base/numtext.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/office/docx.h"
#include "core/regime/task_regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"

namespace ld {

namespace {

// A node of the model's tree whose row the equivalents are written into.
bool IsTreeNode(const TRegimeElement* e, int rowCount) {
  return (e->Flags & (efLoopClosing | efUnsupplied)) == 0 && e->NodeIndex > 0 && e->NodeIndex <= rowCount;
}

// Loads in the engine's convention: Load1 = (Pn, -Qn), Load2 = (-Pg, Qg), Load their sum, recomputed by
// the iteration from the node voltage under static load characteristics.
void SetNodeQn(TRegimeElement& e, double qn) {
  e.Load1.imag(-qn);
  e.Load = e.Load1 + e.Load2;
}
void SetNodePn(TRegimeElement& e, double pn) {
  e.Load1.real(pn);
  e.Load = e.Load1 + e.Load2;
}
// The node's own load that the last iteration applied.
double AppliedQn(const TRegimeElement& e) { return -(e.Load.imag() - e.Load2.imag()); }
double AppliedPn(const TRegimeElement& e) { return e.Load.real() - e.Load2.real(); }

float Quotient(double dL, double dLoad, bool absValue) {
  // A load that the iteration did not change at all (a static characteristic without that part)
  // has no equivalent to give.
  double v = dLoad != 0 ? dL / dLoad : 0.0;
  if (absValue) v = std::fabs(v);
  if (v == 0) v = 0;  // no negative zero in the table
  return static_cast<float>(v);
}

// The computed columns of the test, appended to the branch table.
DAdouble* AppendTestColumn(TDataFile& t, const std::string& field, const std::string& title) {
  if (t.NCols >= kMaxColumns) throw Error("Слишком много столбцов в таблице \"" + t.Name + "\"");
  const int c = ++t.NCols;
  t.ColFlag[c] = 0;
  t.ColType[c] = 'd';
  t.PixWidth[c] = 40;
  t.CtrlSize[c] = 25;
  t.FltDigit[c] = 4;
  t.Access[c] = 1;
  t.Visible[c] = 1;
  t.Colors[c] = 0;
  t.TitleColor[c] = 0;
  t.FieldName[c] = field + "*";
  t.ColTitle[c] = title + "*";
  t.Comment[c].clear();
  t.Columns[c] = NewColumnArray('d', t.RowCount, t.CtrlSize[c]);
  return static_cast<DAdouble*>(t.Columns[c].get());
}

double NodeValue(const DAsingle* column, const TRegimeElement* e) {
  return e != nullptr && column != nullptr && e->NodeIndex > 0 ? column->Get(e->NodeIndex) : 0.0;
}

}  // namespace

void CalcNodeEquivalents(TRegime& r, TNodeCols& nodes, double dQ, bool absValues,
                         const std::function<void(int)>& progress) {
  if (r.Root == nullptr) return;
  const int rows = nodes.RowCount;
  const int step = rows / 10 != 0 ? rows / 10 : rows;
  int treated = 0, mark = 0, position = 0;
  // Every iteration from here on starts from the sensitivities the base calculation kept.
  r.StorePVJacobian = false;
  r.ReusePVJacobian = true;
  for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efLoopClosing) == 0) {
      ++treated;
      if (IsTreeNode(e, rows)) {
        // Reactive part: the load taken off gives the sign of EERM.
        const double q0 = -e->Load1.imag();
        SetNodeQn(*e, q0 - dQ / 2);
        r.RunIterations();
        const double lossMinus = r.TotalLosses(), qMinus = AppliedQn(*e);
        SetNodeQn(*e, q0 + dQ / 2);
        r.RunIterations();
        const double lossPlus = r.TotalLosses(), qPlus = AppliedQn(*e);
        SetNodeQn(*e, q0);
        (*nodes.EERM)[e->NodeIndex] = Quotient(lossPlus - lossMinus, qMinus - qPlus, absValues);

        // Active part, the two points the other way round.
        const double p0 = e->Load1.real();
        SetNodePn(*e, p0 + dQ / 2);
        r.RunIterations();
        const double pLossPlus = r.TotalLosses(), pPlus = AppliedPn(*e);
        SetNodePn(*e, p0 - dQ / 2);
        r.RunIterations();
        const double pLossMinus = r.TotalLosses(), pMinus = AppliedPn(*e);
        SetNodePn(*e, p0);
        (*nodes.EEAM)[e->NodeIndex] = Quotient(pLossMinus - pLossPlus, pMinus - pPlus, absValues);
      }
    }
    if (step > 0 && step <= treated - mark) {
      mark += step;
      position += 10;
      if (progress) progress(position);
    }
  }
}

std::string EquivalentTestLabel(double flowChange, double lossChange, double d) {
  const double share = d != 0 ? flowChange * 100.0 / d : 0.0;
  return FixedText(share, 0, 3) + ", " + FixedText(static_cast<double>(Round(lossChange * 10000.0)), 0, 3);
}

bool RunEquivalentTest(TRegime& r, const TNodeCols& nodes, TDataFile& branches, std::int32_t node, double d,
                       bool active) {
  TBranchCols b;
  FillBranchCols(branches, b);
  DAdouble* dP1 = AppendTestColumn(branches, "dP1", "dP1");
  DAdouble* dP2 = AppendTestColumn(branches, "dP2", "dP2");
  DAdouble* ddP = AppendTestColumn(branches, "ddP", "ddP");
  DAdouble* d1 = AppendTestColumn(branches, "D1", "D1");
  DAdouble* d2 = AppendTestColumn(branches, "D2", "D2");
  DAdouble* dd = AppendTestColumn(branches, "DD", "DD");
  DAdouble* f1 = AppendTestColumn(branches, active ? "P1" : "Q1", active ? "P1" : "Q1");
  DAdouble* f2 = AppendTestColumn(branches, active ? "P2" : "Q2", active ? "P2" : "Q2");
  DAdouble* fm = AppendTestColumn(branches, active ? "Pm" : "Qm", active ? "dP" : "dQ");
  auto* color = dynamic_cast<DALongint*>(b.Color);
  const int rows = branches.RowCount;
  if (color != nullptr)
    for (int i = 1; i <= rows; ++i) (*color)[i] = 0;
  const DAsingle* equivalent = active ? nodes.EEAM : nodes.EERM;
  auto ownRow = [rows](const TRegimeElement* e) { return e->BranchIndex > 0 && e->BranchIndex <= rows; };
  auto flow = [active](const TRegimeElement* e) {
    const Complex s = e->U * std::conj(e->I);
    return active ? s.real() : s.imag();
  };
  if (r.Root == nullptr) return false;

  TRegimeElement* test = nullptr;
  for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (!ownRow(e)) continue;
    if (e->Number == node && (e->Flags & efLoopClosing) == 0) test = e;
    (*dP1)[e->BranchIndex] = std::norm(e->I) * e->R;
    (*f1)[e->BranchIndex] = flow(e);
    if (e->NodeIndex != 0) {
      const double own = NodeValue(equivalent, e), parent = NodeValue(equivalent, e->Parent);
      const bool parentBegins = (e->Flags & efReversed) != 0;
      (*d1)[e->BranchIndex] = parentBegins ? parent : own;
      (*d2)[e->BranchIndex] = parentBegins ? own : parent;
      (*dd)[e->BranchIndex] = std::fabs((*d1)[e->BranchIndex] - (*d2)[e->BranchIndex]);
    }
  }
  if (test == nullptr) return false;

  const Complex saved1 = test->Load1;
  if (active) SetNodePn(*test, saved1.real() + d);
  else SetNodeQn(*test, -saved1.imag() - d);
  r.RunIterations();
  for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (!ownRow(e)) continue;
    const int i = e->BranchIndex;
    (*dP2)[i] = std::norm(e->I) * e->R;
    (*ddP)[i] = (*dP2)[i] - (*dP1)[i];
    if (color != nullptr) {
      if ((*ddP)[i] > 0.0001) (*color)[i] = 0xFF0000;
      else if ((*ddP)[i] < -0.0001) (*color)[i] = 0x0000FF;
    }
    (*f2)[i] = flow(e);
    (*fm)[i] = std::fabs((*f2)[i]) - std::fabs((*f1)[i]);
  }
  // The label goes into the equipment text, which is shown and formed anew from the mark; the mark
  // itself feeds the recalculation of the branch parameters and is never touched here.
  if (b.Text != nullptr)
    for (int i = 1; i <= rows; ++i) b.Text->SetItem(i, EquivalentTestLabel((*fm)[i], (*ddP)[i], d));
  test->Load1 = saved1;
  test->Load = test->Load1 + test->Load2;
  r.RunIterations();
  return true;
}

std::string EERMStatementTemplate() { return FindFileNoCase(ProgramDir + "ЭЭРМ.docx"); }

std::string EERMStatementFile(const std::string& schemePath) {
  const std::filesystem::path base(schemePath);
  return (base.parent_path() / ("ЭЭРМ " + base.filename().string() + ".docx")).string();
}

void WriteEERMStatement(const std::string& templateFile, const TNodeCols& nodes, const std::string& outFile,
                        const std::function<void(int)>& progress) {
  if (!fileio::FileExists(templateFile)) throw Error("Шаблон документа " + templateFile + " не найден");
  DocxDocument doc = DocxDocument::Open(templateFile);
  doc.ExpectTables(1, "ведомость ЭЭРМ узлов");
  const int rows = nodes.RowCount;
  const int step = rows / 10 != 0 ? rows / 10 : rows;
  int position = 0;
  auto save = [&] { doc.SaveAs(outFile); };
  try {
    for (int i = 1; i <= rows; ++i) {
      doc.SetCellText(1, i + 1, 1, IntToStr(nodes.NS->Get(i)));
      doc.SetCellText(1, i + 1, 2, nodes.Name->GetItem(i));
      doc.SetCellText(1, i + 1, 3, GeneralText(nodes.Um->Get(i), 7));
      doc.SetCellText(1, i + 1, 4, FixedText(nodes.EERM->Get(i), 4, 7));
      if (i != rows) doc.AddRow(1);
      if (step > 0 && i % step == 0 && progress) progress(position += 10);
    }
  } catch (...) {
    // What was filled is still kept: the user sees how far it came.
    save();
    throw;
  }
  save();
}

}  // namespace ld
