#pragma once
// Short-circuit data sets and radius tables written by the tests, and the rows they read back.
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/engine/scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {

// Balancing node "B" (1, 10.5 kV); load node "S" (2), which the tests make a source behind j0.5 Ω;
// the fault node "F" (3) at the end of a line from S. The line from B to S is switched off, so that S
// alone feeds the fault.
inline SchemeBuilder TkzRadiusScheme() {
  SchemeBuilder s;
  s.Node(1, "B").Name = "B";
  s.Nodes.back().Um = 10.5f;
  s.Node(2).Name = "S";
  s.Node(3).Name = "F";
  s.Branch(2, 1, 0.3, 0.3).Commut = "О";
  s.Branch(3, 2, 0.5, 0.4);
  return s;
}

struct TkzEntry {
  std::string Name, Sign;
  float R = 0, X = 0, U = 0;
};

inline void MakeTkzData(TDataFile& data, const std::vector<TkzEntry>& entries) {
  MaketFileName = (DataDir() / "maket.zr").string();
  ReadMaket(LayoutTkzSources, data);
  CreateColumns(data, static_cast<int>(entries.size()));
  TTkzSourceCols c;
  FillTkzSourceCols(data, c);
  for (int row = 1; row <= static_cast<int>(entries.size()); ++row) {
    const TkzEntry& e = entries[row - 1];
    c.Name->SetItem(row, e.Name);
    (*c.Sign)[row] = e.Sign.empty() ? 0 : Utf8ToCp1251(e.Sign)[0];
    (*c.R)[row] = e.R, (*c.X)[row] = e.X, (*c.U)[row] = e.U;
  }
}

inline void MakeTkzRadius(TDataFile& radius) {
  MaketFileName = (DataDir() / "maket.zr").string();
  ReadMaket(LayoutTkzRadius, radius);
  CreateColumns(radius, 0);
}

// One radius row as the tests read it.
struct TkzRow {
  std::string Sign, Name1, Name2;
  int N1 = 0, N2 = 0;
  float R = 0, X = 0, Kta = 0, Ktr = 0, U1 = 0, U2 = 0, F1 = 0, F2 = 0, Ikz = 0, Fkz = 0, Ikz0 = 0, Fkz0 = 0;
  int Mark = 0;
};

inline std::vector<TkzRow> TkzRows(const TDataFile& radius) {
  TTkzBranchCols c;
  FillTkzBranchCols(radius, c);
  std::vector<TkzRow> rows;
  for (int r = 1; r <= c.RowCount; ++r) {
    TkzRow row;
    const char s = c.Sign->Get(r);
    row.Sign = s == 0 ? "" : Cp1251ToUtf8(std::string(1, s));
    row.Name1 = c.Name1->GetItem(r), row.Name2 = c.Name2->GetItem(r);
    row.N1 = c.N1->Get(r), row.N2 = c.N2->Get(r);
    row.R = c.R->Get(r), row.X = c.X->Get(r), row.Kta = c.Kta->Get(r), row.Ktr = c.Ktr->Get(r);
    row.U1 = c.U1->Get(r), row.U2 = c.U2->Get(r), row.F1 = c.F1->Get(r), row.F2 = c.F2->Get(r);
    row.Ikz = c.Ikz->Get(r), row.Fkz = c.Fkz->Get(r), row.Ikz0 = c.Ikz0->Get(r), row.Fkz0 = c.Fkz0->Get(r);
    row.Mark = radius.MarkRec ? radius.MarkRec->Get(r) : 0;
    rows.push_back(row);
  }
  return rows;
}

inline const TkzRow* FindTkzRow(const std::vector<TkzRow>& rows, const std::string& sign, const std::string& name2 = "") {
  for (const TkzRow& r : rows) {
    if (r.Sign == sign && (name2.empty() || r.Name2 == name2)) return &r;
  }
  return nullptr;
}

}  // namespace ld::test
