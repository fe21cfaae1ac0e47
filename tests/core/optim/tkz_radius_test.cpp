// The calculation radius: what a data set finds in one scheme and across schemes that meet.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <map>

#include "core/catalogs/catalog_units.h"
#include "core/engine/regime.h"
#include "core/tables/table_file.h"
#include "core/optim/tkz_calc.h"
#include "core/optim/tkz_radius.h"
#include "core/optim/tkz_view.h"
#include "core/tables/colmaps.h"
#include "core/engine/scheme_builder.h"
#include "core/optim/tkz_cases.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

struct Formed {
  TDataFile Radius;
  std::vector<TkzRow> Rows;
  std::vector<std::string> Messages;
};

Formed Form(const TempDir& dir, const std::vector<std::string>& schemes, int chosen, int passes,
            const std::vector<TkzEntry>& entries, bool calculate = true) {
  TDataFile data;
  MakeTkzData(data, entries);
  TRegime regime;
  Formed f;
  MakeTkzRadius(f.Radius);
  FormTkzRadius(regime, data, schemes, chosen, passes, f.Radius, dir.Path().string() + "/", f.Messages);
  if (calculate) {
    std::vector<std::string> errors;
    EXPECT_TRUE(CalcTkzRadius(regime, f.Radius, "tkz", errors));
  }
  f.Rows = TkzRows(f.Radius);
  return f;
}

// A 10 kV network fed from "ПС-1 10кВ": a ring ПС-1 - А - Б - ПС-1 and a spur Б - В.
SchemeBuilder Network() {
  SchemeBuilder s;
  s.Node(1, "B").Name = "ПС-1 10кВ";
  s.Nodes.back().Um = 10.5f;
  s.Node(2).Name = "ТП-А";
  s.Node(3).Name = "ТП-Б>секция 1";
  s.Node(4).Name = "ТП-В";
  s.Node(5).Name = "ТП-Г";  // beyond an open point
  s.Branch(2, 1, 0.2, 0.3);
  s.Branch(2, 3, 0.2, 0.3);
  s.Branch(3, 1, 0.4, 0.6);
  s.Branch(4, 3, 0.1, 0.1);
  s.Branch(5, 4, 0.1, 0.1).Commut = "О";
  return s;
}

TEST(TkzRadius, OneSchemeFindsNamesJoinsLoopsAndReportsMisses) {
  TempDir dir;
  // A breaker of the switching-device catalogue at the start of the spur.
  TDataFile devices;
  ReadMaket(CatalogLayoutKA, devices);
  CreateColumns(devices, 1);
  GetColumnAs<DAString>("Mark", devices)->SetItem(1, "ВМП");
  (*GetColumnAs<DAsingle>("Unom", devices))[1] = 10;
  (*GetColumnAs<DAsingle>("Inom", devices))[1] = 630;
  (*GetColumnAs<DAsingle>("Iotk", devices))[1] = 20;
  (*GetColumnAs<DAsingle>("Its", devices))[1] = 16;
  WriteTableFile(dir / CatalogFileKA, devices);
  LoadCatalogKA(dir.Path().string() + "/", false);
  const std::string breaker = CatalogKACaption(1);
  FreeCatalogKA();
  SchemeBuilder network = Network();
  network.Branches[3].MarkCom1 = breaker;
  network.Branches[3].MarkCom2 = "ВМП-нет";
  const std::string path = network.Write(dir.Path());
  // Names without regard to letter case and to text from ">"; a fault on the balancing node counts as
  // not found, and so does a name the scheme lacks.
  const Formed f = Form(dir, {path}, 0, 1,
                        {{"тп-в>ввод", "К"}, {"ПС-1 10КВ", "К"}, {"ТП-Я", ""}, {"тп-б", "Е", 0.1f, 2, 10.5f}});
  EXPECT_EQ(f.Messages, (std::vector<std::string>{"Узел ПС-1 10КВ не найден", "Узел ТП-Я не найден"}));
  // The ring joins whole: its three branches, the spur, the fault and the EMF rows; the open branch to
  // ТП-Г stays out.
  ASSERT_EQ(f.Rows.size(), 6u);
  EXPECT_EQ(std::count_if(f.Rows.begin(), f.Rows.end(), [](const TkzRow& r) { return r.Sign == "С"; }), 2)
      << "both branches leaving the balancing node";
  TTkzBranchCols fc;
  FillTkzBranchCols(f.Radius, fc);
  int spur = 0;
  for (int r = 1; r <= fc.RowCount; ++r) {
    if (fc.Name2->GetItem(r) == "ТП-В" && fc.Sign->Get(r) == 0) spur = r;
  }
  ASSERT_NE(spur, 0);
  EXPECT_EQ(std::tuple(fc.Io1->Get(spur), fc.It1->Get(spur), fc.Io2->Get(spur)), std::tuple(20.0f, 16.0f, 0.0f));
  const TkzRow* fault = FindTkzRow(f.Rows, "К");
  const TkzRow* emf = FindTkzRow(f.Rows, "Е");
  ASSERT_TRUE(fault && emf);
  EXPECT_EQ(fault->Name1, "ТП-В");
  EXPECT_EQ(std::tuple(emf->Name1, emf->U1, emf->X, emf->Mark), std::tuple("ТП-Б>секция 1 ЭДС", 10.5f, 2.0f, 16));
  // Drawn as a scheme: sources cyan, the fault point green, the second pass's current in amperes.
  TDataFile nodes, branches;
  BuildTkzViewTables(f.Radius, "tkz", nodes, branches);
  EXPECT_EQ(branches.RowCount, f.Radius.RowCount);
  TNodeCols n;
  FillNodeCols(nodes, n);
  std::map<std::string, std::int32_t> colour;
  for (int r = 1; r <= n.RowCount; ++r) colour[n.Name->GetItem(r)] = n.Color->Get(r);
  EXPECT_EQ(std::tuple(colour["ТП-В К.З."], colour["ПС-1 10кВ"], colour["ТП-А"]),
            std::tuple(TkzFaultColor, TkzSourceColor, 0));
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int r = 1; r <= b.RowCount; ++r) EXPECT_FLOAT_EQ(b.Irez->Get(r), fc.Ikz0->Get(r) * 1000);

  // The EMF feeds the fault only in the second pass, and its node numbers tie into the network.
  EXPECT_TRUE(emf->Ikz == 0 && emf->Ikz0 > 0.5f && fault->Ikz0 > fault->Ikz + 0.5f);
}

TEST(TkzRadius, SchemesMeetAtBoundaryNodes) {
  TempDir dir;
  // Downstream: the substation's 10 kV bus is this scheme's balancing node.
  SchemeBuilder down;
  down.Node(1, "B").Name = "ПС-1 10кВ";
  down.Nodes.back().Um = 10.5f;
  down.Node(2).Name = "ТП-1";
  down.Branch(2, 1, 0.5, 0.4);
  const std::string downPath = down.Write(dir.Path(), "down");
  // Upstream: the 110 kV system feeding that bus through a transformer written from its LV end.
  SchemeBuilder up;
  up.Node(7, "B").Name = "ПС-1 110кВ";
  up.Nodes.back().Um = 115;
  up.Node(8).Name = "пс-1 10кв";
  const double k = 115.0 / 10.5;
  auto& t = up.Branch(8, 7, 0.05, 1.2);
  t.Kta = static_cast<float>(1 / k);
  t.Ktr = 0.001f;
  const std::string upPath = up.Write(dir.Path(), "up");

  // Chosen scheme only: the boundary stays unresolved, its branch a source row.
  Formed f = Form(dir, {downPath, upPath}, 0, 0, {{"ТП-1", "К"}});
  ASSERT_EQ(f.Rows.size(), 2u);
  EXPECT_TRUE(f.Messages.empty() && f.Rows[0].Sign == "С");
  EXPECT_NEAR(f.Rows[1].Ikz, 10.5 / std::sqrt(3.0) / std::abs(std::complex<double>(0.5, 0.4)), 1e-3);

  // No scheme chosen: the first pass reads both, the upstream rows go on top, and the bus has one number.
  f = Form(dir, {downPath, upPath}, -1, 1, {{"ТП-1", "К"}});
  ASSERT_EQ(f.Rows.size(), 3u);
  const TkzRow& trans = f.Rows[0];
  const TkzRow& line = f.Rows[1];
  EXPECT_EQ(std::tuple(trans.Sign, trans.Name1, trans.U1), std::tuple("С", "ПС-1 110кВ", 115.0f));
  EXPECT_EQ(std::pair(line.Sign, line.Mark), std::pair(std::string(), 0)) << "the downstream source became ordinary";
  EXPECT_EQ(std::pair(line.N1, f.Rows[2].N1), std::pair(trans.N2, line.N2));
  // Reached from its HV end, the transformer is referred to it: R/m, X/m, Kta/m, -Ktr/m.
  const double kta = 1 / k, m = kta * kta + 0.001 * 0.001;
  EXPECT_NEAR(trans.X, 1.2 / m, 1e-2);
  EXPECT_NEAR(trans.Kta, kta / m, 1e-3);
  EXPECT_NEAR(trans.Ktr, -0.001 / m, 1e-5);

  // With the upstream scheme chosen and no passes the fault is not found.
  f = Form(dir, {downPath, upPath}, 1, 0, {{"ТП-1", "К"}}, false);
  EXPECT_EQ(f.Messages, std::vector<std::string>{"Узел ТП-1 не найден"});
}

}  // namespace
}  // namespace ld::test
