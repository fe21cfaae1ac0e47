// Fault currents of hand-worked radii and of random meshed networks against an independent nodal
// solution; the calculation radius: what a data set finds in one scheme and across schemes that meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

#include "core/catalogs/catalog_units.h"
#include "core/engine/regime.h"
#include "core/engine/scheme_builder.h"
#include "core/optim/tkz_calc.h"
#include "core/optim/tkz_cases.h"
#include "core/optim/tkz_radius.h"
#include "core/optim/tkz_view.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// The window's calculation: the radius of one scheme, then the passes without and with the EMF sources.
std::vector<TkzRow> Calculate(const SchemeBuilder& scheme, const std::vector<TkzEntry>& entries) {
  TempDir dir;
  const std::string path = scheme.Write(dir.Path());
  TDataFile data, radius;
  MakeTkzData(data, entries);
  MakeTkzRadius(radius);
  TRegime regime;
  std::vector<std::string> lines, errors, modelErrors;
  // The scheme's model as the radius former builds it has nothing to report: a node made a source has a
  // voltage, the data row's when the scheme gives it none.
  regime.Errors = &modelErrors;
  FormTkzRadius(regime, data, {path}, 0, 1, radius, dir.Path().string() + "/", lines);
  EXPECT_EQ(modelErrors, std::vector<std::string>{});
  regime.Errors = nullptr;
  EXPECT_TRUE(CalcTkzRadius(regime, radius, "tkz", errors) && errors.empty());
  return TkzRows(radius);
}

TEST(TkzCalc, HandWorkedRadii) {
  // A: a load node S made a source behind j0.5 Ω at 10.5 kV; the balancing node B beside it stays out.
  auto rows = Calculate(TkzRadiusScheme(), {{"s", "С", 0, 0.5f, 10.5f}, {"F", "К"}});
  ASSERT_EQ(rows.size(), 3u);
  const TkzRow* fault = FindTkzRow(rows, "К");
  const TkzRow* source = FindTkzRow(rows, "С");
  ASSERT_TRUE(fault && source);
  EXPECT_NEAR(fault->Ikz, 5.8881, 1e-4);
  EXPECT_NEAR(fault->Fkz, -60.945, 1e-3);
  EXPECT_EQ(std::pair(fault->Name2, fault->Mark), std::pair(std::string("F К.З."), 80));
  EXPECT_EQ(std::tuple(source->Name1, source->Name2, source->Mark, source->U1), std::tuple("Система", "S", 16, 10.5f));

  // B: a transformer 115/11 kV with its impedance at the HV end N1, the fault on its LV bus; then the same
  // transformer written from its LV end, which the radius refers back to the HV side.
  for (const bool fromLv : {false, true}) {
    SchemeBuilder b;
    b.Node(1, "B").Um = 115;
    b.Nodes.back().Name = "HV", b.Node(2).Name = "LV";
    if (fromLv) {
      const double k = 115.0 / 11.0, m = k * k;
      b.Branch(2, 1, 7.935 / m, 138.636 / m).Kta = static_cast<float>(1 / k);
    } else {
      b.Branch(1, 2, 7.935, 138.636).Kta = 10.4545f;
    }
    rows = Calculate(b, {{"HV", "С", 0, 10, 115}, {"LV", "К"}});
    fault = FindTkzRow(rows, "К");
    const TkzRow* trans = FindTkzRow(rows, "", "LV");
    ASSERT_TRUE(fault && trans);
    EXPECT_NEAR(fault->Ikz, 4.6634, fromLv ? 2e-4 : 1e-4) << fromLv;
    EXPECT_NEAR(fault->Fkz, -86.944, 1e-3) << fromLv;
    EXPECT_NEAR(trans->X, 138.636, 1e-2);
    EXPECT_NEAR(trans->Kta, 10.4545, 1e-3);
    EXPECT_NEAR(trans->Ikz, 0.44606, 2e-5);
  }
}

// Thevenin impedance at node f of a network whose sources are shorted: Zk = (Y⁻¹)ff over the other nodes,
// by Gauss-Jordan elimination of Y·v = e_f.
std::complex<double> FaultImpedance(int n, const std::vector<bool>& source,
                                    const std::vector<std::tuple<int, int, std::complex<double>>>& lines, int f) {
  using C = std::complex<double>;
  std::vector<int> index(n, -1);
  int m = 0;
  for (int i = 0; i < n; ++i) index[i] = source[i] ? -1 : m++;
  std::vector<std::vector<C>> y(m, std::vector<C>(m + 1, 0));
  for (const auto& [a, b, z] : lines) {
    const int ia = index[a], ib = index[b];
    if (ia >= 0) y[ia][ia] += 1.0 / z;
    if (ib >= 0) y[ib][ib] += 1.0 / z;
    if (ia >= 0 && ib >= 0) y[ia][ib] -= 1.0 / z, y[ib][ia] -= 1.0 / z;
  }
  y[index[f]][m] = 1;
  for (int col = 0; col < m; ++col) {
    int pivot = col;
    for (int r = col + 1; r < m; ++r) pivot = std::abs(y[r][col]) > std::abs(y[pivot][col]) ? r : pivot;
    std::swap(y[col], y[pivot]);
    for (int r = 0; r < m; ++r) {
      const C k = r == col ? C(0) : y[r][col] / y[col][col];
      for (int c = col; c <= m; ++c) y[r][c] -= k * y[col][c];
    }
  }
  return y[index[f]][m] / y[index[f]][index[f]];
}

TEST(TkzCalc, RandomMeshedNetworksMatchNodalSolution) {
  std::mt19937 random(2817);
  const double e = 10.5;
  for (int trial = 0; trial < 8; ++trial) {
    const int n = 5 + static_cast<int>(random() % 8), sources = 1 + static_cast<int>(random() % 2);
    std::uniform_real_distribution<double> r(0.05, 1.0), x(0.2, 3.0);
    SchemeBuilder s;
    std::vector<bool> isSource(n, false);
    for (int i = 0; i < n; ++i) {
      isSource[i] = i < sources;
      s.Node(i + 1, isSource[i] ? "B" : "").Name = "N" + std::to_string(i + 1);
      if (isSource[i]) s.Nodes.back().Um = static_cast<float>(e);
    }
    std::vector<std::tuple<int, int, std::complex<double>>> lines;
    auto line = [&](int a, int b) {
      const float rr = static_cast<float>(r(random)), xx = static_cast<float>(x(random));
      // Either end first: the radius meets branches from both of their ends.
      if (random() % 2) s.Branch(a + 1, b + 1, rr, xx); else s.Branch(b + 1, a + 1, rr, xx);
      lines.emplace_back(a, b, std::complex<double>(rr, xx));
    };
    for (int i = 1; i < n; ++i) line(static_cast<int>(random() % i), i);  // a tree ...
    for (int k = 0; k < 3; ++k) {                                          // ... and loops
      const int a = static_cast<int>(random() % n), b = static_cast<int>(random() % n);
      if (a != b) line(a, b);
    }
    const int f = sources + static_cast<int>(random() % (n - sources));
    const auto rows = Calculate(s, {{"N" + std::to_string(f + 1), "К"}});
    const TkzRow* fault = FindTkzRow(rows, "К");
    ASSERT_TRUE(fault) << trial;
    const double expected = e / (std::sqrt(3.0) * std::abs(FaultImpedance(n, isSource, lines, f)));
    EXPECT_NEAR(fault->Ikz, expected, 1e-4 * expected) << "trial " << trial;
  }
}

// A node given a system impedance by a "С" row is no ideal source: whatever reaches it through a loop
// feeds a fault behind it too. Every node of each network is faulted in turn and compared with the
// whole network solved at once, each "С" node tied to the shorted sources through its own impedance.
TEST(TkzCalc, LoopsThroughSystemSourcesMatchTheWholeNetwork) {
  const double e = 10.5;
  struct Case {
    const char* what;
    int n;
    std::vector<int> balancing;                          // ideal unless named by a "С" row
    std::vector<std::pair<int, std::complex<double>>> systems;  // node, system impedance
    std::vector<std::tuple<int, int, std::complex<double>>> lines;
  };
  const std::vector<Case> cases{
      // The ring 1-2-3-4-1 with node 3 a system source, spurs 3-5-6 and 2-7.
      {"a load node of a ring", 7, {0}, {{2, {0.1, 1.5}}},
       {{0, 1, {0.25, 0.5}}, {1, 2, {0.5, 0.75}}, {2, 3, {0.375, 0.5}}, {3, 0, {0.5, 1.0}}, {2, 4, {0.25, 0.25}},
        {4, 5, {0.5, 0.5}}, {1, 6, {0.125, 0.25}}}},
      // Two balancing nodes 1 and 2, both system sources, joined by 1-3-4-2 with the ring 3-4-5-3, the spur
      // 1-6 and the spur 4-7.
      {"both balancing nodes", 7, {0, 1}, {{0, {0.2, 2.0}}, {1, {0.1, 3.0}}},
       {{0, 2, {0.25, 0.5}}, {2, 3, {0.5, 0.75}}, {3, 1, {0.375, 0.5}}, {3, 4, {0.25, 0.5}}, {4, 2, {0.5, 0.5}},
        {0, 5, {0.125, 0.25}}, {3, 6, {0.25, 0.25}}}},
      // The hand case of a system source with the scheme's balancing node still joined to it.
      {"a balancing node beside a system source", 3, {0}, {{1, {0, 0.5}}}, {{0, 1, {0.3, 0.3}}, {1, 2, {0.5, 0.4}}}},
  };
  for (const Case& c : cases) {
    SchemeBuilder s;
    std::vector<bool> fixed(static_cast<std::size_t>(c.n), false);
    for (const int b : c.balancing) fixed[static_cast<std::size_t>(b)] = true;
    for (int i = 0; i < c.n; ++i) {
      s.Node(i + 1, fixed[static_cast<std::size_t>(i)] ? "B" : "").Name = "N" + std::to_string(i + 1);
      if (fixed[static_cast<std::size_t>(i)]) s.Nodes.back().Um = static_cast<float>(e);
    }
    for (const auto& [a, b, z] : c.lines)
      s.Branch(b + 1, a + 1, static_cast<float>(z.real()), static_cast<float>(z.imag()));
    // The whole network: a system source is a node tied to the shorted sources through its impedance.
    std::vector<bool> shorted = fixed;
    auto lines = c.lines;
    std::vector<TkzEntry> entries;
    for (const auto& [node, z] : c.systems) {
      shorted[static_cast<std::size_t>(node)] = false;
      shorted.push_back(true);
      lines.emplace_back(node, static_cast<int>(shorted.size()) - 1, z);
      entries.push_back({"N" + std::to_string(node + 1), "С", static_cast<float>(z.real()),
                         static_cast<float>(z.imag()), static_cast<float>(e)});
    }
    for (int f = 0; f < c.n; ++f) {
      // A fault on a source node is no fault point of the radius.
      const bool system = std::any_of(c.systems.begin(), c.systems.end(), [f](const auto& x) { return x.first == f; });
      if (fixed[static_cast<std::size_t>(f)] || system) continue;
      auto faulted = entries;
      faulted.push_back({"N" + std::to_string(f + 1), "К"});
      const auto rows = Calculate(s, faulted);
      const TkzRow* fault = FindTkzRow(rows, "К");
      ASSERT_TRUE(fault) << c.what << ", node " << f + 1;
      const double expected =
          e / (std::sqrt(3.0) * std::abs(FaultImpedance(static_cast<int>(shorted.size()), shorted, lines, f)));
      EXPECT_NEAR(fault->Ikz, expected, 1e-6 * expected) << c.what << ", node " << f + 1;
    }
  }
}

// C: two balancing nodes feed F; each feeding branch becomes a source row of its own.
TEST(TkzCalc, TwoSourcesFeedOneFault) {
  SchemeBuilder c;
  c.Node(1, "B").Name = "G1";
  c.Nodes.back().Um = 10.5f;
  c.Node(2, "B").Name = "G2";
  c.Nodes.back().Um = 10.5f;
  c.Node(3).Name = "F";
  c.Branch(1, 3, 0.1, 1);
  c.Branch(3, 2, 0.2, 2);
  const auto rows = Calculate(c, {{"F", "К"}});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NEAR(FindTkzRow(rows, "К")->Ikz, 9.0481, 1e-4);
  EXPECT_NEAR(FindTkzRow(rows, "К")->Fkz, -84.289, 1e-3);
  std::vector<float> fed;
  for (const TkzRow& r : rows)
    if (r.Sign == "С") fed.push_back(r.Ikz);
  std::sort(fed.begin(), fed.end());
  ASSERT_EQ(fed.size(), 2u);
  EXPECT_NEAR(fed[0], 3.0160, 1e-4);
  EXPECT_NEAR(fed[1], 6.0321, 1e-4);
}

TEST(TkzCalc, SignsAnglesAndPasses) {
  // A line written against the current: the same modulus, negative, with an angle within (-90, 90).
  TDataFile radius;
  MakeTkzRadius(radius);
  CreateColumns(radius, 3);
  TTkzBranchCols c;
  FillTkzBranchCols(radius, c);
  const char cs = Utf8ToCp1251("С")[0], ck = Utf8ToCp1251("К")[0];
  auto set = [&](int r, char sign, int n1, int n2, float rr, float xx, float u1) {
    (*c.Sign)[r] = sign, (*c.N1)[r] = n1, (*c.N2)[r] = n2, (*c.R)[r] = rr, (*c.X)[r] = xx, (*c.U1)[r] = u1;
  };
  set(1, cs, 1, 2, 0, 0.5f, 10.5f), set(2, 0, 3, 2, 0.5f, 0.4f, 0), set(3, ck, 3, 4, 0, 0, 0);  // 2 runs from the fault
  (*c.Ikz0)[2] = 99;  // an earlier result that a failing pass must not leave behind
  TRegime regime;
  ASSERT_TRUE(CalcShortCircuit(regime, radius, "tkz", false));
  auto rows = TkzRows(radius);
  EXPECT_NEAR(rows[1].Ikz, -5.8881, 1e-4);
  EXPECT_NEAR(rows[1].Fkz, -60.945, 1e-3);
  EXPECT_NEAR(rows[2].Ikz, 5.8881, 1e-4);

  // Without resistance the current has no active part: positive along the current and against it alike,
  // 10.5 / (√3 · 0.9) kA, at -90 degrees from N1 to N2 and at 90 degrees the other way.
  set(1, cs, 1, 2, 0, 0.5f, 10.5f), set(2, 0, 3, 2, 0, 0.4f, 0);
  ASSERT_TRUE(CalcShortCircuit(regime, radius, "tkz", false));
  rows = TkzRows(radius);
  EXPECT_NEAR(rows[0].Ikz, 6.73575, 1e-4);
  EXPECT_NEAR(rows[0].Fkz, -90, 1e-4);
  EXPECT_NEAR(rows[1].Ikz, 6.73575, 1e-4);
  EXPECT_NEAR(rows[1].Fkz, 90, 1e-4);

  // Only an "Е" source and no fault: the first pass has no source at all, reports it and leaves no
  // current of an earlier calculation behind; the second pass feeds the network at no load.
  const char ce = Utf8ToCp1251("Е")[0];
  set(1, ce, 1, 2, 0, 0.5f, 10.5f), set(2, 0, 2, 3, 0.5f, 0.4f, 0), set(3, 0, 3, 4, 0.5f, 0.4f, 0);
  for (int r = 1; r <= 3; ++r) (*c.Ikz)[r] = 7;
  std::vector<std::string> errors;
  regime.Errors = &errors;
  EXPECT_FALSE(CalcShortCircuit(regime, radius, "tkz", false) || errors.empty());
  errors.clear();
  EXPECT_TRUE(CalcShortCircuit(regime, radius, "tkz", true) && errors.empty());
  for (const TkzRow& r : TkzRows(radius)) {
    EXPECT_EQ(r.Ikz, 0);
    EXPECT_NEAR(std::abs(r.Ikz0) + std::abs(r.U2 - 10.5), 0, 1e-4);
  }
  regime.Errors = nullptr;
  // Both passes as the window runs them: the failed first pass is reported though the second succeeds.
  errors.clear();
  EXPECT_FALSE(CalcTkzRadius(regime, radius, "tkz", errors));
  EXPECT_FALSE(errors.empty());
  // Nor does a radius without any source or EMF pass: there the second pass has nothing of its own to
  // add, and the failure of the first is the answer.
  set(1, 0, 1, 2, 0, 0.5f, 10.5f);
  errors.clear();
  EXPECT_FALSE(CalcTkzRadius(regime, radius, "tkz", errors));
  EXPECT_FALSE(errors.empty());
}

// A branch hung straight under a balancing node without a "С" row is a source row at the node's own
// given voltage: its modulus, whatever its angle, drives the fault current.
TEST(TkzCalc, ASourceRowTakesTheBalancingNodesOwnVoltage) {
  SchemeBuilder s;
  NodeSpec& b = s.Node(1, "B");
  b.Um = 10.5f, b.Angle = 30, b.Name = "B";
  s.Node(2).Name = "F";
  s.Branch(2, 1, 0.5, 0.4);
  const auto rows = Calculate(s, {{"F", "К"}});
  const TkzRow* source = FindTkzRow(rows, "С");
  const TkzRow* fault = FindTkzRow(rows, "К");
  ASSERT_TRUE(source && fault);
  EXPECT_FLOAT_EQ(source->U1, 10.5f);
  EXPECT_NEAR(fault->Ikz, 10.5 / (std::sqrt(3.0) * std::abs(std::complex<double>(0.5, 0.4))), 1e-4);
}

// Forming a radius marks its sources in its own copy of the scheme: the scheme's files stay as they were.
TEST(TkzRadius, FormingLeavesTheSchemeFilesAlone) {
  TempDir dir;
  const std::string path = TkzRadiusScheme().Write(dir.Path());
  const std::string nodes = ReadBytes(path + ".UZL"), branches = ReadBytes(path + ".VET");
  TDataFile data, radius;
  MakeTkzData(data, {{"s", "С", 0, 0.5f, 10.5f}, {"F", "К"}});
  MakeTkzRadius(radius);
  TRegime regime;
  std::vector<std::string> lines;
  FormTkzRadius(regime, data, {path}, 0, 1, radius, dir.Path().string() + "/", lines);
  EXPECT_EQ(radius.RowCount, 3);
  EXPECT_EQ(ReadBytes(path + ".UZL"), nodes);
  EXPECT_EQ(ReadBytes(path + ".VET"), branches);
}

// The voltage angle of a row in degrees: from the real axis, in the left half plane beyond ±90, and on
// the imaginary axis 90 whatever the sign (0 for no voltage at all).
TEST(TkzCalc, VoltageAngles) {
  EXPECT_EQ((std::vector<double>{TkzVoltageAngle(0, -5), TkzVoltageAngle(0, 5), TkzVoltageAngle(0, 0)}),
            (std::vector<double>{90, 90, 0}));
  EXPECT_NEAR(TkzVoltageAngle(-1, 1), 135, 1e-12);
  EXPECT_NEAR(TkzVoltageAngle(-1, -1), 225, 1e-12);
  EXPECT_NEAR(TkzVoltageAngle(1, -1), -45, 1e-12);
}

struct Formed {
  TDataFile Radius;
  std::vector<TkzRow> Rows;
  std::vector<std::string> Messages;
};

Formed Form(const TempDir& dir, const std::vector<std::string>& schemes, int chosen, int passes,
            const std::vector<TkzEntry>& entries) {
  TDataFile data;
  MakeTkzData(data, entries);
  TRegime regime;
  Formed f;
  std::vector<std::string> errors;
  MakeTkzRadius(f.Radius);
  FormTkzRadius(regime, data, schemes, chosen, passes, f.Radius, dir.Path().string() + "/", f.Messages);
  EXPECT_TRUE(CalcTkzRadius(regime, f.Radius, "tkz", errors));
  f.Rows = TkzRows(f.Radius);
  return f;
}

// A 10 kV network fed from "ПС-1 10кВ": a ring ПС-1 - А - Б - ПС-1 and a spur Б - В.
SchemeBuilder Network() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Nodes.back().Name = "ПС-1 10кВ", s.Node(2).Name = "ТП-А", s.Node(3).Name = "ТП-Б>секция 1";
  s.Node(4).Name = "ТП-В", s.Node(5).Name = "ТП-Г";  // ТП-Г beyond an open point
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
  (*GetColumnAs<DAsingle>("Unom", devices))[1] = 10, (*GetColumnAs<DAsingle>("Inom", devices))[1] = 630;
  (*GetColumnAs<DAsingle>("Iotk", devices))[1] = 20, (*GetColumnAs<DAsingle>("Its", devices))[1] = 16;
  WriteTableFile(dir / CatalogFileKA, devices);
  LoadCatalogKA(dir.Path().string() + "/", false);
  const std::string breaker = CatalogKACaption(1);
  FreeCatalogKA();
  SchemeBuilder network = Network();
  network.Branches[3].MarkCom1 = breaker, network.Branches[3].MarkCom2 = "ВМП-нет";
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
  for (int r = 1; r <= fc.RowCount; ++r) spur = fc.Name2->GetItem(r) == "ТП-В" && fc.Sign->Get(r) == 0 ? r : spur;
  ASSERT_NE(spur, 0);
  EXPECT_EQ(std::tuple(fc.Io1->Get(spur), fc.It1->Get(spur), fc.Io2->Get(spur)), std::tuple(20.0f, 16.0f, 0.0f));
  const TkzRow* fault = FindTkzRow(f.Rows, "К");
  const TkzRow* emf = FindTkzRow(f.Rows, "Е");
  ASSERT_TRUE(fault && emf);
  EXPECT_EQ(fault->Name1, "ТП-В");
  EXPECT_EQ(std::tuple(emf->Name1, emf->U1, emf->X, emf->Mark), std::tuple("ТП-Б>секция 1 ЭДС", 10.5f, 2.0f, 16));
  // Drawn as a scheme: the fault point green, the second pass's current in amperes.
  TDataFile nodes, branches;
  BuildTkzViewTables(f.Radius, "tkz", nodes, branches);
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (int r = 1; r <= n.RowCount; ++r) EXPECT_EQ(n.Color->Get(r) == TkzFaultColor, n.Name->GetItem(r) == "ТП-В К.З.");
  EXPECT_FLOAT_EQ(GetColumnAs<DAsingle>("Irez", branches)->Get(spur), fc.Ikz0->Get(spur) * 1000);

  // The EMF feeds the fault only in the second pass, and its node numbers tie into the network.
  EXPECT_TRUE(emf->Ikz == 0 && emf->Ikz0 > 0.5f && fault->Ikz0 > fault->Ikz + 0.5f);
}

TEST(TkzRadius, SchemesMeetAtBoundaryNodes) {
  TempDir dir;
  // Downstream: the substation's 10 kV bus is this scheme's balancing node.
  SchemeBuilder down;
  down.Node(1, "B").Um = 10.5f;
  down.Nodes.back().Name = "ПС-1 10кВ", down.Node(2).Name = "ТП-1";
  down.Branch(2, 1, 0.5, 0.4);
  const std::string downPath = down.Write(dir.Path(), "down");
  // Upstream: the 110 kV system feeding that bus through a transformer written from its LV end.
  SchemeBuilder up;
  up.Node(7, "B").Um = 115;
  up.Nodes.back().Name = "ПС-1 110кВ", up.Node(8).Name = "пс-1 10кв";
  const double k = 115.0 / 10.5;
  auto& t = up.Branch(8, 7, 0.05, 1.2);
  t.Kta = static_cast<float>(1 / k), t.Ktr = 0.001f;
  const std::string upPath = up.Write(dir.Path(), "up");

  // Chosen scheme only: the boundary stays unresolved, its branch a source row.
  Formed f = Form(dir, {downPath, upPath}, 0, 0, {{"ТП-1", "К"}});
  EXPECT_EQ(std::pair(f.Rows.size(), f.Rows.at(0).Sign), std::pair(std::size_t{2}, std::string("С")));
  // No scheme chosen: the first pass reads both, the upstream rows go on top, and the bus has one number.
  f = Form(dir, {downPath, upPath}, -1, 1, {{"ТП-1", "К"}});
  ASSERT_EQ(f.Rows.size(), 3u);
  const TkzRow &trans = f.Rows[0], &line = f.Rows[1];
  EXPECT_EQ(std::tuple(trans.Sign, trans.Name1, trans.U1), std::tuple("С", "ПС-1 110кВ", 115.0f));
  EXPECT_EQ(std::pair(line.Sign, line.Mark), std::pair(std::string(), 0)) << "the downstream source became ordinary";
  EXPECT_EQ(std::pair(line.N1, f.Rows[2].N1), std::pair(trans.N2, line.N2));
  // Reached from its HV end, the transformer is referred to it: R/m, X/m, Kta/m, -Ktr/m.
  const double kta = 1 / k, m = kta * kta + 0.001 * 0.001;
  EXPECT_NEAR(trans.Kta, kta / m, 1e-3);
  EXPECT_NEAR(trans.Ktr, -0.001 / m, 1e-5);

  // A "С" node found in the first scheme and met again in the next as a load node with a voltage of its
  // own: there it is a plain fixed node, so the line below it is fed at that voltage, not at the row's.
  SchemeBuilder feed;
  feed.Node(1, "B").Um = 10.5f;
  feed.Nodes.back().Name = "ЦП", feed.Node(2).Name = "РП";
  feed.Branch(2, 1, 0.2, 0.3);
  SchemeBuilder net;
  net.Node(1, "B").Um = 10.5f;
  net.Nodes.back().Name = "ПС-2", net.Node(2).Name = "РП", net.Node(3).Name = "ТП-7";
  net.Nodes[1].Um = 10;
  net.Branch(2, 1, 0.3, 0.3);
  net.Branch(3, 2, 0.5, 0.4);
  f = Form(dir, {feed.Write(dir.Path(), "feed"), net.Write(dir.Path(), "net")}, 0, 1,
           {{"РП", "С", 0, 0.5f, 11}, {"ТП-7", "К"}});
  const TkzRow* below = FindTkzRow(f.Rows, "С", "ТП-7");
  ASSERT_TRUE(below);
  EXPECT_FLOAT_EQ(below->U1, 10);
  EXPECT_NEAR(FindTkzRow(f.Rows, "К")->Ikz, 10 / (std::sqrt(3.0) * std::abs(std::complex<double>(0.5, 0.4))), 1e-4);
}

}  // namespace
}  // namespace ld::test
