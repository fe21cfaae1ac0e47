// Load balancing over the scheme's files: the run and what it leaves on disk.
#include "core/regime/balance_flows.h"

#include <cmath>
#include <map>

#include "core/base/error.h"
#include "core/engine/fixflow.h"
#include "core/engine/regime.h"
#include "core/engine/results.h"
#include "regime_test.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

struct FlowRow {
  int n1, n2, typ;
  double pr, qr, pl = 0, ql = 0;
  int b = 0, nk = 1;
};

class LoadBalancing : public RegimeTest {
protected:
  LoadBalancing() {
    IniRec.BIter = 30, IniRec.Btgf = 0.4f, IniRec.Prec = 1e-6f, IniRec.SavePQ = true;
    // "ПС" feeds ТП2 .. ТП5 in a chain.
    SchemeBuilder s;
    s.Node(1, "B").Um = 10.5f;
    const double loads[][2] = {{0.3, 0.15}, {0.5, 0.2}, {0.2, 0.1}, {0.4, 0.25}};
    for (int ns = 2; ns <= 5; ++ns) {
      s.Node(ns, "", loads[ns - 2][0], loads[ns - 2][1]).Um = 10;
      s.Branch(ns - 1, ns, 0.8, 1.5);
    }
    path = s.Write(dir.Path());
    // The engine marks the rows of a scheme it reads for the first time; later runs leave them.
    TRegime first;
    first.ReadScheme(path);
  }
  ~LoadBalancing() override { FixFlowStopQuery = nullptr; }

  TDataFile FlowTable(const std::vector<FlowRow>& rows) const {
    TDataFile t;
    ReadMaket(LayoutLineFlows, t);
    CreateColumns(t, static_cast<int>(rows.size()));
    for (int i = 1; i <= static_cast<int>(rows.size()); ++i) {
      const FlowRow& f = rows[static_cast<std::size_t>(i - 1)];
      const std::pair<const char*, double> cells[] = {{"N1", f.n1}, {"N2", f.n2}, {"Typ", f.typ}, {"Pr", f.pr},
                                                      {"Qr", f.qr}, {"Pl", f.pl}, {"Ql", f.ql},   {"B", f.b},
                                                      {"NK", f.nk}, {"Kv", 1},    {"Pln", 7},     {"Qlb", 8}};
      for (const auto& [field, v] : cells) TNumberColumn(field, t).Set(i, v);
    }
    return t;
  }
  void WriteFlows(const std::vector<FlowRow>& rows) {
    TDataFile t = FlowTable(rows);
    WriteTableFile(FlowFile(), t);
  }
  std::string FlowFile() const { return path + GetMaketExtention(LayoutLineFlows); }
  // Names of the files that differ between two listings of the folder.
  static std::vector<std::string> Changed(const std::map<std::string, std::string>& a,
                                          const std::map<std::string, std::string>& b) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : a)
      if (!b.count(name) || b.at(name) != bytes) names.push_back(name);
    for (const auto& [name, bytes] : b)
      if (!a.count(name)) names.push_back(name);
    return names;
  }
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir.Path())) files[e.path().filename().string()] = ReadBytes(e.path());
    return files;
  }
  TBalanceRun Run() { return RunLoadBalancing(regime, path, (dir.Path() / "sprav_UN.cat").string()); }

  ScriptedMsgBox box;
  std::string path;
  TRegime regime;
};

TEST_F(LoadBalancing, RowsConvertByTheirKind) {
  TDataFile t = FlowTable({{1, 2, 2, 2000, 0, 1000, 0.5}, {1, 2, 3, 120, 0, 20, 0.3}, {1, 2, 5, 48000, 0}});
  TLineFlowCols cols;
  FillLineFlowCols(t, cols);
  TFlowPeriod period;
  period.DefaultTg = 0.4f;
  period.Date1 = EncodeDate(2004, 3, 1);
  period.Date2 = EncodeDate(2004, 3, 2);
  period.Hours = PeriodHours(period.Date1, period.Date2);
  std::vector<std::string> info;
  std::string error;
  double p = 0, q = 0;
  // a zero tangent is the setting's; the current keeps the begin's tangent; an energy of the period
  // without graphs is its mean power over the period's hours
  const double expected[][2] = {{1.0, 2.0 * 0.4 - 1.0 * 0.5}, {100, 0.4}, {1.0, 0.4}};
  for (int row = 1; row <= 3; ++row) {
    ASSERT_TRUE(ConvertFlowRow(cols, row, period, p, q, info, error)) << row;
    EXPECT_NEAR(p, expected[row - 1][0], 1e-9) << row;
    EXPECT_NEAR(q, expected[row - 1][1], 1e-6) << row;
  }
  EXPECT_EQ(info, std::vector<std::string>{});

  // Energies whose begin graph is not in the catalogue: the begin's 48,000 kW·h and 24,000 kvar·h are
  // still the mean power of the 48 hours, 1 MW and 0.5 Mvar, less the end's 9,600 kW·h without graphs
  // (0.2 MW); the missing graph is reported.
  TDataFile g = FlowTable({{1, 2, 4, 48000, 24000, 9600, 0}});
  TNumberColumn("Ngr", g).Set(1, 17);
  FillLineFlowCols(g, cols);
  ASSERT_TRUE(ConvertFlowRow(cols, 1, period, p, q, info, error)) << error;
  EXPECT_NEAR(p, 1.0 - 0.2, 1e-9);
  EXPECT_NEAR(q, 0.5, 1e-9);
  EXPECT_EQ(info, std::vector<std::string>{"Перетоки в линиях: График № 17 не найден"});
}

// The balancing period counts whole days, its first and last included, whatever their hours.
TEST(LoadBalancingPeriod, HoursOfWholeDays) {
  EXPECT_EQ((std::vector<double>{PeriodHours(EncodeDate(2004, 3, 1) + 0.7, EncodeDate(2004, 3, 31)),
                                 PeriodHours(EncodeDate(2004, 3, 1), EncodeDate(2004, 3, 1) + 0.99),
                                 PeriodHours(EncodeDate(2004, 2, 28) + 0.5, EncodeDate(2004, 3, 1) + 0.25)}),
            (std::vector<double>{31 * 24, 24, 3 * 24}));
}

TEST_F(LoadBalancing, HeadFlowMetAndWrittenWithTheBalancedLoads) {
  // a row left out carries an invalid kind that would end the command
  WriteFlows({{1, 2, 1, 2000, 900}, {3, 7, 9, 1, 1, 0, 0, 1}});
  const auto before = Files();
  const TBalanceRun run = Run();
  ASSERT_TRUE(run.Written) << (run.Info.empty() ? "" : run.Info.back());

  TDataFile flows = ReadTable(FlowFile());
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  ASSERT_EQ(f.RowCount, 2);
  EXPECT_NEAR(f.Prb->Get(1), 2.0, IniRec.BPrec);
  EXPECT_NEAR(f.Qrb->Get(1), 0.9, IniRec.BPrec);

  TDataFile nodes = ReadTable(path + GetMaketExtention(LayoutNodes));
  const double pn2 = TNumberColumn("Pn", nodes).Get(2), pn5 = TNumberColumn("Pn", nodes).Get(5);
  EXPECT_GT(pn2, 0.3 * 1.3);
  EXPECT_NEAR(pn5 / 0.4, pn2 / 0.3, 1e-4);  // every load scaled alike
  // the three tables and the protocol written, and no lock left
  EXPECT_EQ(Changed(Files(), before), (std::vector<std::string>{"scheme.PL", "scheme.RGM", "scheme.UZL", "scheme.VET"}));
}

TEST_F(LoadBalancing, FailuresWriteNothing) {
  auto expectUntouched = [&](const std::vector<FlowRow>& rows, const std::string& line) {
    WriteFlows(rows);
    const auto before = Files();
    const TBalanceRun run = Run();
    EXPECT_FALSE(run.Written) << line;
    ASSERT_FALSE(run.Info.empty()) << line;
    EXPECT_EQ(run.Info.back(), line);
    EXPECT_EQ(Changed(Files(), before), std::vector<std::string>{}) << line;
  };
  expectUntouched({{1, 2, 1, 2000, 900}, {3, 7, 9, 1, 1}}, "Перетоки в линиях: Не задан тип нагрузки ветви: 3 - 7");
  expectUntouched({{1, 2, 1, 2000, 900}, {3, 7, 1, 1, 1}}, "Перетоки в линиях: Ветвь не найдена: 3 - 7");
  FixFlowStopQuery = [] { return true; };  // a stop in the balancer is no success either
  expectUntouched({{1, 2, 1, 2000, 900}}, "Расчет прерван");
  FixFlowStopQuery = nullptr;

  // without a flow file nothing is given: the regime is written as it is, and no flow file appears
  fs::remove(FlowFile());
  const TBalanceRun run = Run();
  EXPECT_TRUE(run.Written);
  EXPECT_TRUE(FixFlowGivenFlows().empty());
  EXPECT_FALSE(fs::exists(FlowFile()));
  EXPECT_TRUE(NoLocks());
}

TEST_F(LoadBalancing, DamagedFlowFilesEndInAnErrorNamingTheFile) {
  WriteFlows({{1, 2, 1, 2000, 900}, {2, 3, 2, 800, 0}, {3, 4, 3, 40, 0.3}, {4, 5, 5, 9600, 0, 0, 0, 1}});
  const std::string valid = ReadBytes(FlowFile());
  std::mt19937 random(2411);
  for (int i = 0; i < 20; ++i) {
    WriteBytes(FlowFile(), Mutate(valid, random));
    try {
      const TBalanceRun run = Run();
      if (!run.Written) {
        EXPECT_FALSE(run.Info.empty()) << i;
      }
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(FlowFile()), std::string::npos) << i << ": " << e.what();
    }
    ASSERT_TRUE(NoLocks()) << i;
    box.Clear();
  }
}

}  // namespace
}  // namespace ld::test
