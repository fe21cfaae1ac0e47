// Results written back into the node and branch tables, read back from the files (hand-solved values of
// a two-node line, a transformer whose table ends are the other way round, an unsupplied node, a locked
// scheme), and the regime protocol ".RGM" line by line: a normal run, a run that does not converge, a
// model error, violated limits, districts and nodes held at their reactive limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/engine/protocol.h"
#include "core/engine/regime.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/full_disk.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

struct Tables {
  TDataFile nodes, branches;
  explicit Tables(const std::string& path) {
    ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
    ReadTableFile(path + GetMaketExtention(LayoutBranches), branches);
  }
  double N(const char* field, int row) const { return TNumberColumn(field, nodes).Get(row); }
  double B(const char* field, int row) const { return TNumberColumn(field, branches).Get(row); }
  std::string BText(const char* field, int row) const { return TTextColumn(field, branches).Get(row); }
};

std::vector<std::string> ProtocolLines(const std::string& schemePath) {
  const std::string text = Cp1251ToUtf8(ReadBytes(schemePath + ".RGM"));
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return lines;
}

SchemeBuilder TwoNodes() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  return s;
}

void SolveAndWrite(TRegime& r, bool sumSbal = false) {
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  r.WriteResults("", 0, false, sumSbal, 0, 5, 10, 0, true, nullptr, nullptr);
}

void Write(TRegime& r, const TempDir& dir, std::uint8_t dimension = 0, bool sumSbal = false) {
  r.WriteResults(dir / "sprav_UN.cat", 0, false, sumSbal, 0, 5, 10, dimension, true, nullptr, nullptr);
}

// A 420 kW + j200 kvar node of a 12.66 kV feeder: about 21 A at 12.4 kV. Read back as current loads,
// the written currents give the same regime and stay as they were.
TEST(Results, NodeCurrentsAreAmperesAndReadBackAsCurrentLoads) {
  NominalVoltages voltages;
  SchemeBuilder s;
  s.Node(1, "B").Um = 12.66f;
  s.Node(2, "", 0.42, 0.2).Um = 12.66f;
  s.Node(3, "", 0, 0).Um = 12.66f;
  s.Branch(2, 1, 3.0, 2.0);
  s.Branch(3, 2, 1.0, 1.0);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-10;
  const std::string path = s.Read(r, dir.Path());
  SolveAndWrite(r);
  const Tables t(path);
  const double u = t.N("Urez", 2), angle = t.N("Angle", 2) * M_PI / 180;
  const std::complex<double> current = std::conj(std::complex<double>(0.42, 0.2) / std::polar(u, angle)) * 1000.0 / std::sqrt(3.0);
  EXPECT_NEAR(u, 12.55, 0.05);
  EXPECT_NEAR(std::abs(current), 21.4, 0.1);  // 465 kVA / (√3·12.55 kV)
  EXPECT_NEAR(t.N("Ina", 2), current.real(), 1e-3);
  EXPECT_NEAR(t.N("Inr", 2), current.imag(), 1e-3);

  // The node 3 gives 100 A of active current as generation; loads taken as the currents written.
  TDataFile nodes;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
  auto& iga = *GetColumnAs<DAsingle>("Iga", nodes);
  iga[3] = 100;
  WriteTableFile(path + GetMaketExtention(LayoutNodes), nodes);
  TRegime c;
  c.Accuracy = 1e-10;
  c.LoadType = 1;
  c.ReadScheme(path);
  ASSERT_TRUE(c.SchemeRead);
  c.FormMatrices();
  c.RunIterations();
  ASSERT_TRUE(c.Converged);
  c.WriteResults("", 0, true, false, 0, 5, 10, 0, true, nullptr, nullptr);
  const Tables back(path);
  EXPECT_NEAR(back.N("Ina", 2), current.real(), 1e-3);
  EXPECT_NEAR(back.N("Iga", 3), 100, 1e-3);
  // 100 A at about 12.6 kV: √3·U·I ≈ 2.18 MW given out by node 3.
  EXPECT_NEAR(back.N("Pg", 3), std::sqrt(3.0) * back.N("Urez", 3) * 0.1, 0.02);
  // The load current held: its power follows the voltage, which the generation raised.
  const std::complex<double> u2 = std::polar(back.N("Urez", 2), back.N("Angle", 2) * M_PI / 180);
  EXPECT_GT(std::abs(u2), u);
  EXPECT_NEAR(back.N("Pn", 2), std::sqrt(3.0) / 1000 * (u2 * std::conj(current)).real(), 1e-5);
}

TEST(Results, TwoNodesAndAnUnsuppliedNode) {
  NominalVoltages voltages;
  SchemeBuilder s = TwoNodes();
  s.Nodes[1].Um = 0;                // the nominal voltage is filled in
  s.Node(3, "", 2.0, 1.0).Um = 10;  // no branch reaches it
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-10;
  const std::string path = s.Read(r, dir.Path());
  SolveAndWrite(r);
  Tables t(path);

  // The hand solution: 10.304909 kV at -0.79432°, 62.640 A, losses 0.0117712 MW.
  EXPECT_NEAR(r.TotalLosses(), 0.0117712, 1e-7);
  EXPECT_NEAR(t.N("Urez", 2), 10.304909, 1e-6);
  EXPECT_NEAR(t.N("Angle", 2), -0.794318, 1e-6);
  EXPECT_EQ(t.N("Um", 2), 10);
  // The load current in amperes, conj(S)/(√3·conj U): the node draws the branch's 62.640 A.
  EXPECT_NEAR(t.N("Ina", 2), 55.6330, 1e-3);
  EXPECT_NEAR(t.N("Inr", 2), -28.7874, 1e-3);
  EXPECT_NEAR(std::hypot(t.N("Ina", 2), t.N("Inr", 2)), t.B("Irez", 1), 1e-3);
  EXPECT_NEAR(t.N("Pbal", 2), 1.0, 1e-9);
  EXPECT_NEAR(t.N("Qbal", 2), 0.5, 1e-9);
  EXPECT_NEAR(t.N("Urez", 1), 10.5, 1e-9);
  EXPECT_NEAR(t.N("Pbal", 1), -1.0117712, 1e-7);  // the source gives load and losses
  EXPECT_NEAR(t.N("Qbal", 1), -0.5235425, 1e-7);

  EXPECT_EQ(t.BText("Name1", 1), "2");
  EXPECT_EQ(t.BText("Name2", 1), "1");
  EXPECT_NEAR(t.B("Irez", 1), 62.640, 1e-3);
  EXPECT_NEAR(t.B("Faza", 1), 152.6406, 1e-4);  // the current leaving N1 into the branch
  EXPECT_NEAR(t.B("Ia", 1), -0.0963592, 1e-6);
  EXPECT_NEAR(t.B("Ir", 1), 0.0498612, 1e-6);
  EXPECT_EQ(t.B("Ul", 1), 10);
  EXPECT_NEAR(t.B("U1", 1), 10.304909, 1e-5);
  EXPECT_NEAR(t.B("F1", 1), -0.794318, 1e-5);
  EXPECT_NEAR(t.B("U2", 1), 10.5, 1e-5);

  // The node without supply: no voltage, no current, and nothing that is not a number.
  EXPECT_EQ(t.N("Urez", 3), 0);
  EXPECT_EQ(t.N("Angle", 3), 0);
  EXPECT_EQ(t.N("Ina", 3), 0);
  EXPECT_EQ(t.N("Pbal", 3), 0);
  for (const char* field : {"Urez", "Angle", "Ina", "Inr", "Iga", "Igr", "Pbal", "Qbal", "Um"}) {
    for (int row = 1; row <= 3; ++row) EXPECT_TRUE(std::isfinite(t.N(field, row))) << field << row;
  }

  // With the balancing power counted as generation it moves into Pg and Qg.
  SolveAndWrite(r, true);
  Tables g(path);
  EXPECT_EQ(g.N("Pbal", 1), 0);
  EXPECT_EQ(g.N("Qbal", 1), 0);
  EXPECT_NEAR(g.N("Pg", 1), 1.0117712, 1e-7);
  EXPECT_NEAR(g.N("Qg", 1), 0.5235425, 1e-7);
}

// Numbers that no integer holds: a district number of -2147483648 counts as no district, a node voltage
// of 3.4E38 matches no class of the nominal-voltage catalogue; the results are written all the same.
TEST(Results, NumbersBeyondAnyIntegerAreNoDistrictAndNoVoltageClass) {
  NominalVoltages voltages;
  TempDir dir;
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile catalog;
  ReadMaket("Номинальные напряжения", catalog);
  CreateColumns(catalog, 1);
  (*GetColumnAs<DAdouble>("Unom", catalog))[1] = 10;
  (*GetColumnAs<DAdouble>("dUm", catalog))[1] = 10;
  (*GetColumnAs<DAdouble>("dUp", catalog))[1] = 10;
  WriteTableFile(dir / "sprav_UN.cat", catalog);

  SchemeBuilder s = TwoNodes();
  s.Nodes[0].Nr = 3;
  s.Nodes[1].Nr = std::numeric_limits<std::int32_t>::min();
  s.Nodes[1].Um = 3.4e38f;
  s.Branches[0].Nr = std::numeric_limits<std::int32_t>::min();
  TRegime r;
  const std::string path = s.Read(r, dir.Path());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  Write(r, dir);
  // Node 2 at about 10.3 kV is far below its "class" of 3.4E38 kV; the source keeps within its 10 %.
  EXPECT_EQ(std::to_string(r.UnderVoltageCount) + "/" + std::to_string(r.OverVoltageCount), "1/0");
  const std::vector<std::string> l = ProtocolLines(path);
  for (const std::string& line : l) {
    if (line.find("Район №") == std::string::npos) continue;
    EXPECT_NE(line.find("Район № 3:"), std::string::npos) << line;
  }
}

// Every numeric cell of a table, whatever its column's type.
void ExpectFiniteCells(const TDataFile& t, const std::string& what) {
  for (int c = 1; c <= t.NCols; ++c) {
    const TDynamicArray* column = t.Columns[c].get();
    if (column == nullptr || std::string("bdfilnrw").find(column->TypeLetter()) == std::string::npos) continue;
    for (int row = 1; row <= t.RowCount; ++row) {
      EXPECT_TRUE(std::isfinite(NumericCell(column, row))) << what << ": " << t.FieldName[c] << ", row " << row;
    }
  }
}

// A regime gone wrong, with voltages and currents that are no numbers or beyond what a table column can
// hold, writes zeros rather than values that would read back as garbage everywhere.
TEST(Results, NonFiniteModelWritesNoNonFiniteCell) {
  NominalVoltages voltages;
  SchemeBuilder s = TwoNodes();
  s.Node(3, "", 0.5, 0.2).Um = 10;
  s.Branch(3, 2, 1.0, 1.5).Idop = 200;
  TempDir dir;
  TRegime r;
  const std::string path = s.Read(r, dir.Path());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  TRegimeElement* two = const_cast<TRegimeElement*>(FindNode(r, 2));
  TRegimeElement* three = const_cast<TRegimeElement*>(FindNode(r, 3));
  two->U = std::complex<double>(nan, inf);
  two->I = std::complex<double>(inf, 1);
  three->U = std::complex<double>(1e300, -1e300);
  three->I = std::complex<double>(nan, nan);
  Write(r, dir);
  Tables t(path);
  ExpectFiniteCells(t.nodes, "nodes");
  ExpectFiniteCells(t.branches, "branches");

  // What an integer column cannot hold is written as 0 as well, neither wrapped nor cut.
  TNumberColumn number("NS", t.nodes), characteristic("Nsh", t.nodes), peak("Peak", t.nodes);
  const auto stored = [](TNumberColumn& column, double value) {
    column.Set(1, value);
    return column.Get(1);
  };
  EXPECT_EQ(std::vector<double>({stored(number, 3e9), stored(number, -3e9), stored(number, 1e300), stored(number, -7)}),
            std::vector<double>({0, 0, 0, -7}));
  EXPECT_EQ(std::vector<double>({stored(characteristic, 40000), stored(characteristic, -40000), stored(characteristic, 12)}),
            std::vector<double>({0, 0, 12}));
  EXPECT_EQ(std::vector<double>({stored(peak, 256), stored(peak, -1), stored(peak, 2)}), std::vector<double>({0, 0, 2}));
}

TEST(Protocol, NormalRunLineByLine) {
  NominalVoltages voltages;
  TempDir dir;
  TRegime r;
  const std::string path = TwoNodes().Read(r, dir.Path());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  Write(r, dir);
  const std::vector<std::string> l = ProtocolLines(path);
  ASSERT_EQ(l.size(), 18u);
  EXPECT_TRUE(std::regex_match(l[0], std::regex(R"(Схема : scheme  \(Дата расчета: \d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\))")))
      << l[0];
  EXPECT_EQ(l[1], "Узлов=2  Ветвей=1  Контуров=0  БП=1  ФМ=0");
  EXPECT_EQ(l[2], "");
  EXPECT_EQ(l[3], "Точность расчета      : 0.0001");
  EXPECT_TRUE(std::regex_match(l[4], std::regex(R"(Невязка по напряжению : \d+\.\d{6}, узел: 2)"))) << l[4];
  EXPECT_TRUE(std::regex_match(
      l[5], std::regex(R"(Количество итераций   : \d+, время расчета: +\d+\.\d{3} сек, итер\. процесс: +\d+\.\d{3} сек)")))
      << l[5];
  const std::vector<std::string> balance = {
      "",
      "Потребление           :        1.000 МВт        0.500 МВАр",
      "Генерация             :        0.000 МВт        0.000 МВАр",
      "Балансная мощность    :       -1.012 МВт       -0.524 МВАр",
      "Потери в схеме        :        0.012 МВт        0.024 МВАр",
      "  Нагрузочные потери  :        0.012 МВт        0.024 МВАр",
      "    от актив.перетоков:        0.009 МВт ",
      "    от реакт.перетоков:        0.002 МВт ",
      "  Потери холост.хода  :        0.000 МВт        0.000 МВАр",
      "    шунтирующие реакт.:        0.000 МВт        0.000 МВАр",
      "    конденсатор. уст. :        0.000 МВт        0.000 МВАр",
      "Небаланс в схеме      :        0.000 МВт        0.000 МВАр",
  };
  EXPECT_EQ(std::vector<std::string>(l.begin() + 6, l.end()), balance);
  // The file is Windows-1251.
  EXPECT_NE(ReadBytes(path + ".RGM").find(Utf8ToCp1251("Балансная мощность    :       -1.012 МВт") ), std::string::npos);

  // Kilowatts, and the balancing power counted as generation.
  Write(r, dir, 1, true);
  const std::vector<std::string> k = ProtocolLines(path);
  ASSERT_EQ(k.size(), 18u);
  EXPECT_EQ(std::vector<std::string>(k.begin() + 7, k.begin() + 10),
            (std::vector<std::string>{"Потребление           :     1000.000 кВт      500.000 кВАр",
                                      "Генерация             :    -1011.771 кВт     -523.542 кВАр",
                                      "Балансная мощность    :        0.000 кВт        0.000 кВАр"}));

  // A disk that fills while the results are written keeps the last protocol whole, with the tables it
  // goes with, and names the file that did not fit: the protocol is written in the run of its tables,
  // after them.
  const std::string last = ReadBytes(path + ".RGM"), nodes = ReadBytes(path + ".UZL");
  {
    FullDisk disk(last.size() / 2);
    try {
      Write(r, dir);
      ADD_FAILURE() << "a protocol that did not fit was taken for written";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), FullDiskMessage(path + ".UZL"));
    }
  }
  EXPECT_EQ(ReadBytes(path + ".RGM"), last);
  EXPECT_EQ(ReadBytes(path + ".UZL"), nodes);
}

TEST(Protocol, DivergenceAndModelError) {
  NominalVoltages voltages;
  TempDir dir;
  {
    TRegime r;
    r.MaxIter = 1;
    const std::string path = TwoNodes().Read(r, dir.Path());
    RunRegime(r);
    ASSERT_FALSE(r.Converged);
    Write(r, dir);
    const std::vector<std::string> l = ProtocolLines(path);
    ASSERT_GE(l.size(), 7u);
    EXPECT_EQ(l[2], "");
    EXPECT_EQ(l[3], "!!!!!!! Режим не сходится !!!!!!!");
    EXPECT_EQ(l[4], "Точность расчета      : 0.0001");
    EXPECT_EQ(l[5].rfind("Невязка по напряжению : 1000.000000, узел: ", 0), 0u) << l[5];
    EXPECT_EQ(l[6].rfind("Количество итераций   : 1, время расчета: ", 0), 0u) << l[6];
  }
  {
    SchemeBuilder s = TwoNodes();
    s.Nodes[0].Sign = "";
    TRegime r;
    std::vector<std::string> errors;
    r.Errors = &errors;
    const std::string path = s.Read(r, dir.Path(), "broken");
    ASSERT_TRUE(r.ModelError);
    RunRegime(r);
    Write(r, dir);
    const std::vector<std::string> l = ProtocolLines(path);
    ASSERT_GE(l.size(), 8u);
    EXPECT_EQ(l[1], "Узлов=2  Ветвей=1  Контуров=0  БП=0  ФМ=0");
    EXPECT_EQ(l[3], "[Анализ расчетной конфигурации]");
    EXPECT_EQ(l[4], "В схеме \"Тестовая схема\" нет балансирующих пунктов");
    EXPECT_EQ(l[5], "");
    // No convergence lines: the balance follows at once.
    EXPECT_EQ(l[6], "");
    EXPECT_EQ(l[7].rfind("Потребление           : ", 0), 0u) << l[7];
    for (const std::string& line : l) EXPECT_EQ(line.find("Точность"), std::string::npos);
  }
  {
    // A run with a fixed-voltage node that stops unconverged: the residuals of the node's own solver
    // follow the voltage residual, dP under every algorithm that treats the node as a source, dQ only
    // where algorithm 2 holds the reactive limits.
    SchemeBuilder s = FixedVoltageRing();
    s.Nodes[2].Name = "ГПП";
    TRegime r;
    r.MaxIter = 1;
    r.PVAlgorithm = 3;
    s.Read(r, dir.Path(), "pv");
    RunRegime(r);
    ASSERT_FALSE(r.Converged);
    ASSERT_EQ(r.FixedCount, 1);
    TRegimeElement* held = nullptr;
    for (TRegimeElement* e = r.FirstElement; e != nullptr && held == nullptr; e = e->Next)
      if (e->Number == 3 && e->BranchIndex == 0) held = e;
    ASSERT_NE(held, nullptr);
    // as the solver would leave them
    r.MaxPResidualNode = r.MaxQResidualNode = held;
    r.PVResidualP = 0.0421;
    r.PVResidualQ = 0.5;
    const std::string dP = "Невязка dP узлов ФМ   : 0.042100, узел: 3 ГПП";
    const std::string dQ = "Невязка dQ узлов ФМ   : 0.500000, узел: 3 ГПП";
    const struct {
      int algorithm;
      bool qLimits;
      std::vector<std::string> lines;
    } cases[] = {{0, true, {}},  {1, false, {dP}},    {2, false, {dP}},
                 {2, true, {dP, dQ}}, {3, false, {dP}}, {3, true, {dP}}};
    for (const auto& c : cases) {
      r.PVAlgorithm = c.algorithm;
      r.QLimits = c.qLimits;
      std::vector<std::string> l;
      AppendRunSummary(r, l);
      ASSERT_GE(l.size(), 7u);
      EXPECT_EQ(l[3], "!!!!!!! Режим не сходится !!!!!!!");
      EXPECT_EQ(l[5].rfind("Невязка по напряжению : ", 0), 0u) << l[5];
      const auto iterations = std::find_if(l.begin() + 6, l.end(), [](const std::string& line) {
        return line.rfind("Количество итераций   : 1, ", 0) == 0;
      });
      EXPECT_EQ(std::vector<std::string>(l.begin() + 6, iterations), c.lines) << c.algorithm << " " << c.qLimits;
    }
  }
}

// A fixed-voltage node held at its reactive limit is listed with the excluded nodes and the violated
// limits; a pair of nodes the sensitivities found acting alike is reported as ambiguous, once.
TEST(Protocol, HeldFixedVoltageNodesAndTheAmbiguousPair) {
  NominalVoltages voltages;
  TempDir dir;
  SchemeBuilder s = FixedVoltageRing();
  s.Nodes[2].Qmin = -0.3f, s.Nodes[2].Qmax = 0.3f, s.Nodes[2].Name = "ГПП";
  TRegime r;
  r.Accuracy = 1e-8;
  r.PVAlgorithm = 3;
  r.QLimits = true;
  const std::string path = s.Read(r, dir.Path(), "pv");
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  ASSERT_EQ(r.ExcludedPV.size(), 1u);
  r.PVAlgorithm = 2;  // as if the sensitivities had found two nodes acting alike
  r.ExcludedPV.push_back(-2);
  r.ExcludedPV.push_back(-4);
  Write(r, dir);
  const std::vector<std::string> l = ProtocolLines(path);
  const std::vector<std::string> expected = {
      "",
      "[Состав исключенных(-)/включеных(+) узлов ФМ]",
      "  3- ",
      "",
      "[Нарушения ограничений Qmin,Qmax узлов с фиксацией модуля]",
      "  3 ГПП Qmin = -0.300 Qmax = 0.300 Qген = 0.300",
      "",
      "[Список неоднозначных узлов ФМ по ограничениям Qmin,Qmax]",
      "  2 - 4",
  };
  ASSERT_GE(l.size(), 6 + expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(l[6 + i], expected[i]) << i;
  EXPECT_TRUE(r.PVProtocol.empty() && r.ExcludedPV.empty());
}

// A protocol written where a longer one was holds its own lines alone; a folder that does not exist is
// the write error.
TEST(Protocol, WrittenOverALongerOneHoldsItsOwnLinesAlone) {
  TempDir dir;
  const std::string file = dir / "a.RGM";
  WriteProtocolFile(file, std::vector<std::string>(300, "Узел 12: напряжение ниже допустимого"));
  WriteProtocolFile(file, {"Схема : a", "Итераций : 3"});
  EXPECT_EQ(ReadBytes(file), Utf8ToCp1251("Схема : a\r\nИтераций : 3\r\n"));
  WriteProtocolFile(file, {});
  EXPECT_EQ(ReadBytes(file), "");
  const std::string missing = (dir.Path() / "нет" / "b.RGM").string();
  try {
    WriteProtocolFile(missing, {"x"});
    ADD_FAILURE() << "written into a missing folder";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка записи файла \"" + missing + "\"", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace ld::test
