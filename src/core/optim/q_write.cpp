// Matching the source rows to the model and writing the optimised powers into the node table.
#include <cmath>
#include <filesystem>

#include "core/base/strings.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_prepare.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"

namespace ld {

void WriteTableUnderLock(const std::string& basePath, TDataFile& table) {
  const std::string file = FamilyFile(basePath, table.Extention);
  std::error_code ec;
  const bool locked = std::filesystem::exists(file + "~", ec);
  if (locked) UnlockTableFiles(basePath, table.Extention);
  try {
    WriteTableFile(file, table);
  } catch (...) {
    if (locked) LockTableFiles(basePath, table.Extention);
    throw;
  }
  if (locked) LockTableFiles(basePath, table.Extention);
}

namespace {

// Qopt × 0.001 into Qg of the scheme's node table as stored, Qish := Qopt and dQ := 0 in the table.
void PutQopt(TDataFile& table, const TQOptimState& state, const std::string& schemePath, TDataFile& nodes) {
  ReadTableFile(schemePath + GetMaketExtention(LayoutNodes), nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  TQCols c;
  FillQCols(table, c);
  for (int r = 1; r <= c.RowCount && r < static_cast<int>(state.Source.size()); ++r) {
    const TRegimeElement* e = state.Source[r];
    if (e == nullptr || e->NodeIndex < 1 || e->NodeIndex > n.RowCount) continue;
    (*n.Qg)[e->NodeIndex] = c.Qopt->Get(r) * 0.001;
    (*c.Qish)[r] = c.Qopt->Get(r);
    (*c.dQ)[r] = 0;
  }
}

}  // namespace

void WriteQoptWithNodeTable(TDataFile& table, const TQOptimState& state, const std::string& schemePath) {
  TDataFile nodes;
  PutQopt(table, state, schemePath, nodes);
  WriteTableSet({{schemePath + nodes.Extention, &nodes}, {schemePath + table.Extention, &table}});
}

TRegimeElement* FindQNode(TRegime& regime, std::int32_t number) {
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    if (e->Number == number && (e->Flags & efLoopClosing) == 0 && e != regime.Root) return e;
  }
  return nullptr;
}

bool PrepareQRows(TDataFile& table, TRegime& regime, TQOptimState& state, const TDataFile* nodesForUm,
                  std::string& error) {
  TQCols c;
  FillQCols(table, c);
  state.Resize(c.RowCount);
  TNodeCols n;
  if (nodesForUm != nullptr) FillNodeCols(*nodesForUm, n);
  const auto umOf = [&](const TRegimeElement* e, double& um) {
    if (nodesForUm == nullptr || e->NodeIndex < 1 || e->NodeIndex > n.RowCount) return false;
    um = SingleToDouble(n.Um->Get(e->NodeIndex));
    return true;
  };
  for (int r = 1; r <= c.RowCount; ++r) {
    if (table.MarkRec) (*table.MarkRec)[r] = 0;
    (*c.dQ)[r] = (*c.Grad)[r] = (*c.Snap)[r] = (*c.Umod)[r] = (*c.U2mod)[r] = 0;
    (*c.Qopt)[r] = c.Qish->Get(r);
    state.PrevQopt[r] = c.Qopt->Get(r);
    TRegimeElement* e = FindQNode(regime, c.Nq->Get(r));
    if (e == nullptr) {
      error = "Узел " + std::to_string(c.Nq->Get(r)) + " не найден";
      return false;
    }
    state.Source[r] = e;
    SetSourceGenerated(*e, c.Qish->Get(r) * 0.001);
    state.StartValue[r] = -SourceTotal(*e);
    for (int which = 1; which <= 2; ++which) {
      const std::int32_t nu = which == 1 ? c.Nu->Get(r) : c.N2u->Get(r);
      if (nu == 0) continue;
      const std::int32_t number = nu < 0 ? -nu : nu;
      TRegimeElement* w = FindQNode(regime, number);
      if (w == nullptr) {
        error = "Узел " + std::to_string(number) + " не найден";
        return false;
      }
      (which == 1 ? state.Watch1 : state.Watch2)[r] = w;
      double um = 0;
      if (umOf(w, um)) {
        (*(which == 1 ? c.Umin : c.U2min))[r] = um;
        (*(which == 1 ? c.Umax : c.U2max))[r] = um;
      }
    }
  }
  return true;
}

void UpdateWatchedVoltages(TDataFile& table, const TQOptimState& state, bool& violated) {
  TQCols c;
  FillQCols(table, c);
  violated = false;
  const auto outside = [](double u, double umin, double umax) {
    return (umin > 0 && u < umin) || (umax > 0 && u > umax);
  };
  for (int r = 1; r <= c.RowCount && r < static_cast<int>(state.Source.size()); ++r) {
    if (c.Nu->Get(r) != 0 && state.Watch1[r] != nullptr) {
      const double u = std::abs(state.Watch1[r]->U);
      (*c.Umod)[r] = u;
      if (outside(u, c.Umin->Get(r), c.Umax->Get(r))) violated = true;
    }
    if (c.N2u->Get(r) != 0 && state.Watch2[r] != nullptr) {
      const double u = std::abs(state.Watch2[r]->U);
      (*c.U2mod)[r] = u;
      if (outside(u, c.U2min->Get(r), c.U2max->Get(r))) violated = true;
    }
  }
}

}  // namespace ld
