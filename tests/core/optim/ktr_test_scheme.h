#pragma once
// Schemes with regulated transformers for the tap tests: a 115 kV source feeding two 10 kV buses
// through two transformers, the buses tied by a cable, each bus feeding a remote load node.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/ktr_table.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/engine/scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {

struct KtrNode {
  std::int32_t NS = 0;
  char Sign = 0;
  std::string Name;
  double Pn = 0, Qn = 0;
  float Um = 0;
};

struct KtrBranch {
  std::int32_t N1 = 0, N2 = 0;
  std::uint8_t Nl = 0;
  float R = 0, X = 0, Kta = 0, Ktr = 0, Ktn = 0, Ul = 0;
  std::string Name1, Name2, TypEqu, Regulation, Commut;
  int Notv = 0, Ntpr = 0;
};

struct KtrScheme {
  std::vector<KtrNode> Nodes;
  std::vector<KtrBranch> Branches;

  // Writes "<dir>/<stem>.UZL" and ".VET"; returns the stem.
  std::string Write(const std::string& dir, const std::string& stem = "scheme") const {
    MaketFileName = (DataDir() / "maket.zr").string();
    const std::string path = dir + "/" + stem;
    TDataFile nodes, branches;
    ReadMaket(LayoutNodes, nodes), ReadMaket(LayoutBranches, branches);
    CreateColumns(nodes, static_cast<int>(Nodes.size())), CreateColumns(branches, static_cast<int>(Branches.size()));
    nodes.Title = "Схема";
    TNodeCols n;
    FillNodeCols(nodes, n);
    for (int r = 1; r <= static_cast<int>(Nodes.size()); ++r) {
      const KtrNode& s = Nodes[r - 1];
      (*n.NS)[r] = s.NS, (*n.Sign)[r] = s.Sign, (*n.Pn)[r] = s.Pn, (*n.Qn)[r] = s.Qn, (*n.Um)[r] = s.Um;
      n.Name->SetItem(r, s.Name);
    }
    WriteTableFile(path + nodes.Extention, nodes);
    TBranchCols b;
    FillBranchCols(branches, b);
    for (int r = 1; r <= static_cast<int>(Branches.size()); ++r) {
      const KtrBranch& s = Branches[r - 1];
      (*b.N1)[r] = s.N1, (*b.N2)[r] = s.N2, (*b.Nl)[r] = s.Nl, (*b.R)[r] = s.R, (*b.X)[r] = s.X;
      (*b.Kta)[r] = s.Kta, (*b.Ktr)[r] = s.Ktr, (*b.Ktn)[r] = s.Ktn, (*b.Ul)[r] = s.Ul;
      b.Name1->SetItem(r, s.Name1), b.Name2->SetItem(r, s.Name2), b.TypEqu->SetItem(r, s.TypEqu);
      b.Regulation->SetItem(r, s.Regulation), b.Notv[r] = s.Notv, b.Ntpr[r] = s.Ntpr;
      if (!s.Commut.empty()) (*b.Commut)[r] = Utf8ToCp1251(s.Commut)[0];
    }
    WriteTableFile(path + branches.Extention, branches);
    return path;
  }
};

inline constexpr float kKnom = 115.0f / 11.0f;

// Source 1 (115 kV); transformers 1-2 and 1-3 (the second stored as 3-1, so its element is not turned
// round); buses 2 and 3 tied by cable 2-3; loads at 4 (from 2) and 5 (from 3).
inline KtrScheme TwoTransformers() {
  KtrScheme s;
  s.Nodes = {{1, 'B', "ПС.Шины 110", 0, 0, 115}, {2, 0, "ПС.Шины 10 А", 6, 3, 10}, {3, 0, "ПС.Шины 10 Б", 5, 2.5, 10},
             {4, 0, "ТП-4", 2, 1, 10},          {5, 0, "ТП-5", 1.5, 0.8, 10}};
  auto branch = [&](std::int32_t n1, std::int32_t n2, float r, float x) -> KtrBranch& {
    KtrBranch& b = s.Branches.emplace_back();
    b.N1 = n1, b.N2 = n2, b.R = r, b.X = x;
    return b;
  };
  KtrBranch& t1 = branch(1, 2, 2.5f, 55);
  t1.Kta = t1.Ktn = kKnom, t1.Ul = 115, t1.Name1 = "ПС.Т1", t1.Name2 = "ПС.Шины 10 А";
  t1.TypEqu = "T2|ТДН-16000|0", t1.Regulation = "ВН-РПН-П-19-10-1.78";
  KtrBranch& t2 = branch(3, 1, 0.02f, 0.45f);
  t2.Kta = t2.Ktn = 1 / kKnom, t2.Ul = 10, t2.Name1 = "ПС.Т2", t2.Name2 = "ПС.Шины 110", t2.TypEqu = "T2|ТДН-16000|0";
  branch(2, 3, 0.8f, 0.6f), branch(2, 4, 1.2f, 1.6f), branch(3, 5, 1.4f, 1.8f);
  return s;
}

// A table row with the taps of the test transformers: 19 taps, nominal 10, 1.78 % a tap.
inline TRecTr TapRow(std::int32_t num1, std::int32_t num2, std::int32_t control, float umin, float umax, int ntek = 10) {
  TRecTr r;
  r.Num1 = num1, r.Num2 = num2, r.NameTr = "Т" + std::to_string(num2);
  r.Knom = kKnom;
  r.Wind = 0, r.Typ = 0, r.Reg = 0, r.Kotv = 19, r.Nnom = 10, r.Ntek = ntek, r.Delta = 1.78f;
  r.N1 = control, r.Node1 = "У" + std::to_string(control), r.U1min = umin, r.U1max = umax;
  return r;
}

// A table "Трансформаторы" of the given rows in memory.
inline void MakeKtrTable(TDataFile& table, const std::vector<TRecTr>& rows) {
  ReadMaket(LayoutKtrTable, table);
  CreateColumns(table, static_cast<int>(rows.size()));
  TKtrCols c;
  FillKtrCols(table, c);
  for (int r = 1; r <= static_cast<int>(rows.size()); ++r) PutRecTr(c, r, rows[r - 1]);
}

// A scheme written into a folder of its own, read into an engine with its regime calculated.
struct KtrSlice {
  TempDir dir;
  std::string stem;
  TRegime regime;

  explicit KtrSlice(const KtrScheme& scheme = TwoTransformers()) : stem(scheme.Write(dir.Path().string())) { Calculate(); }
  void Calculate() {
    regime.ClearModel();
    regime.ReadScheme(stem);
    RunRegime(regime);
  }
  TDataFile Read(const std::string& ext) const {
    TDataFile t;
    ReadTableFile(stem + ext, t);
    return t;
  }
  void WriteTable(const std::vector<TRecTr>& rows) const {
    TDataFile t;
    MakeKtrTable(t, rows);
    WriteTableFile(stem + ".KTR", t);
  }
};

}  // namespace ld::test
