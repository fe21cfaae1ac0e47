#pragma once
// Small schemes for the reactive and station optimisation tests, written as the node and branch tables
// of a scheme, and the reactive-source table beside them.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/optim/q_optim.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"

namespace ld::test::optim {

struct QNode {
  std::int32_t NS = 0;
  std::string Sign, Name;
  float Um = 10;
  double Pn = 0, Qn = 0, Qg = 0;
  float Qmin = 0, Qmax = 0;
};

struct QBranch {
  QBranch(std::int32_t n1, std::int32_t n2, float r = 0, float x = 0) : N1(n1), N2(n2), R(r), X(x) {}
  std::int32_t N1 = 0, N2 = 0;
  float R = 0, X = 0, G = 0, B = 0, Kta = 0, Ktr = 0, Sdop = 0, Ul = 0;
  std::string Commut, DSName, Mark;
};

inline char Cp1251Letter(const std::string& utf8) { return utf8.empty() ? 0 : Utf8ToCp1251(utf8)[0]; }

inline void UseProgramLayouts() { MaketFileName = (DataDir() / "maket.zr").string(); }

inline void WriteNodeTable(const std::string& path, const std::vector<QNode>& nodes) {
  UseProgramLayouts();
  TDataFile t;
  ReadMaket(LayoutNodes, t);
  CreateColumns(t, static_cast<int>(nodes.size()));
  t.Title = "Схема";
  TNodeCols n;
  FillNodeCols(t, n);
  for (int r = 1; r <= static_cast<int>(nodes.size()); ++r) {
    const QNode& s = nodes[r - 1];
    (*n.NS)[r] = s.NS, (*n.Sign)[r] = Cp1251Letter(s.Sign), (*n.Um)[r] = s.Um;
    (*n.Pn)[r] = s.Pn, (*n.Qn)[r] = s.Qn, (*n.Qg)[r] = s.Qg, (*n.Qmin)[r] = s.Qmin, (*n.Qmax)[r] = s.Qmax;
    n.Name->SetItem(r, s.Name);
  }
  WriteTableFile(path + t.Extention, t);
}

inline void WriteBranchTable(const std::string& path, const std::vector<QBranch>& branches) {
  UseProgramLayouts();
  TDataFile t;
  ReadMaket(LayoutBranches, t);
  CreateColumns(t, static_cast<int>(branches.size()));
  t.Title = "Схема";
  TBranchCols b;
  FillBranchCols(t, b);
  for (int r = 1; r <= static_cast<int>(branches.size()); ++r) {
    const QBranch& s = branches[r - 1];
    (*b.N1)[r] = s.N1, (*b.N2)[r] = s.N2;
    (*b.R)[r] = s.R, (*b.X)[r] = s.X, (*b.G)[r] = s.G, (*b.B)[r] = s.B;
    (*b.Kta)[r] = s.Kta, (*b.Ktr)[r] = s.Ktr, (*b.Sdop)[r] = s.Sdop, (*b.Ul)[r] = s.Ul;
    (*b.Commut)[r] = Cp1251Letter(s.Commut);
    b.DSName->SetItem(r, s.DSName), b.Mark->SetItem(r, s.Mark);
  }
  WriteTableFile(path + t.Extention, t);
}

struct QRow {
  std::int32_t Nq = 0;
  double Qish = 0, Qmin = 0, Qmax = 0;
  std::int32_t Nu = 0;
  double Umin = 0, Umax = 0;
  std::int32_t N2u = 0;
  double U2min = 0, U2max = 0;
};

// A source table in memory (columns created, rows filled).
inline void MakeSourceTable(TDataFile& t, const std::vector<QRow>& rows) {
  UseProgramLayouts();
  ReadMaket(LayoutReactiveSources, t);
  CreateColumns(t, static_cast<int>(rows.size()));
  TQCols c;
  FillQCols(t, c);
  for (int r = 1; r <= static_cast<int>(rows.size()); ++r) {
    const QRow& s = rows[r - 1];
    (*c.Nq)[r] = s.Nq, (*c.Qish)[r] = s.Qish, (*c.Qmin)[r] = s.Qmin, (*c.Qmax)[r] = s.Qmax;
    (*c.Nu)[r] = s.Nu, (*c.Umin)[r] = s.Umin, (*c.Umax)[r] = s.Umax;
    (*c.N2u)[r] = s.N2u, (*c.U2min)[r] = s.U2min, (*c.U2max)[r] = s.U2max;
  }
}

// The source table written beside the scheme "path"; the scheme's table of that layout as stored.
inline void WriteSourceTable(const std::string& path, const std::vector<QRow>& rows) {
  TDataFile t;
  MakeSourceTable(t, rows);
  WriteTableFile(path + t.Extention, t);
}
inline TDataFile ReadSchemeTable(const std::string& path, const std::string& layout) {
  TDataFile t;
  ReadTableFile(path + GetMaketExtention(layout), t);
  return t;
}

// A station transformer of 630 kVA, 10/10 kV so that no ratio hides the numbers: Pk 7.6 kW gives R,
// P0 1.31 kW gives G.
inline QBranch Transformer(std::int32_t n1, std::int32_t n2, const std::string& name, const std::string& commut = "") {
  QBranch b(n1, n2, 7.6e-3f * 100 / (0.63f * 0.63f), 8.73f);
  b.G = 13.1f, b.Kta = 1, b.Sdop = 0.63f, b.Ul = 10;
  b.DSName = name, b.Mark = "ТМ-630", b.Commut = commut;
  return b;
}

// The branch rows' switching letters as "O" and "-".
inline std::string Letters(const std::string& path) {
  const TDataFile b = ReadSchemeTable(path, LayoutBranches);
  std::string s;
  for (int r = 1; r <= b.RowCount; ++r) s += GetColumnAs<DAChar>("Commut", b)->Get(r) == 0 ? '-' : 'O';
  return s;
}

// The two-node scheme of the hand-worked case: 10 kV source, R 1 Ω, X 2 Ω, load 1 MW + j1 Mvar at node 2.
inline std::string WriteTwoNodeScheme(const std::filesystem::path& dir, const std::string& stem = "two") {
  const std::string path = (dir / stem).string();
  WriteNodeTable(path, {{1, "B", "Источник", 10, 0, 0, 0}, {2, "", "Нагрузка", 10, 1, 1, 0}});
  WriteBranchTable(path, {{1, 2, 1, 2}});
  return path;
}

}  // namespace ld::test::optim
