// The open-point search: the published 33-bus feeder against its published optimum, moves walked there
// and back on random radial schemes, and the rules that keep fixed ties, transformers and thresholds.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/cut_optimiser.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/engine/scheme_builder.h"
#include "cut_cases.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Letters(const std::string& stem) {
  TDataFile b;
  ReadTableFile(stem + ".VET", b);
  std::vector<std::string> s;
  for (int r = 1; r <= b.RowCount; ++r) {
    const char c = GetColumnAs<DAChar>("Commut", b)->Get(r);
    s.push_back(c == 0 ? "" : Cp1251ToUtf8(std::string(1, c)));
  }
  return s;
}

TEST(CutOptimiser, PublishedFeederReachesItsOptimumInBothModes) {
  CutSettings settings;
  ScriptedMsgBox box;
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    IniRec.Algoritm = static_cast<std::uint8_t>(mode);
    TempDir dir;
    const std::string stem = Feeder33().Write(dir.Path(), "f33");
    TCutOptimiser opt;
    opt.Open(stem);
    ASSERT_EQ(opt.RowCount(), 5);
    EXPECT_EQ(opt.LossFactor, 10000);
    std::vector<std::string> log;
    opt.Run([&](const std::string& l) { log.push_back(l); }, {}, {});
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "Итерационный процесс:");
    EXPECT_EQ(log[1], "0. dP = 202.7 кВт");
    const auto at = std::find(log.begin(), log.end(), "Оптимизация = 63.1 кВт");
    std::string all;
    for (const std::string& l : log) all += l + "\n";
    ASSERT_NE(at, log.end()) << all;
    ASSERT_LT(at + 2, log.end());
    EXPECT_EQ(*(at + 2), "Список оптимизированных разрывов:");
    EXPECT_EQ(log.end() - (at + 3), 5);  // every tie moved

    opt.Write();
    const std::vector<std::string> letters = Letters(stem);
    for (int row = 1; row <= 37; ++row) {
      const bool cut = row == 7 || row == 9 || row == 14 || row == 32 || row == 37;
      const std::string& l = letters[static_cast<std::size_t>(row - 1)];
      EXPECT_TRUE(cut ? l == "Н" || l == "К" : l.empty()) << "row " << row << " " << l;
    }
    TRegime fresh;
    fresh.Accuracy = 1e-9;
    fresh.Calculate(stem, 0, 0, 0, 0, 0);
    ASSERT_TRUE(fresh.Converged);
    EXPECT_NEAR(fresh.TotalLosses() * 1000, 139.55, 0.005);
    const TRegimeElement* lowest = nullptr;
    for (const TRegimeElement* e = fresh.Root->NextInTree; e; e = e->NextInTree) {
      if (e->NodeIndex != 0 && (e->Flags & efLoopClosing) == 0 && (!lowest || std::abs(e->U) < std::abs(lowest->U))) {
        lowest = e;
      }
    }
    ASSERT_NE(lowest, nullptr);
    EXPECT_EQ(lowest->Number, 32);
    const TRegimeElement* supply = FindNode(fresh, 1);
    ASSERT_NE(supply, nullptr);
    EXPECT_NEAR(std::abs(lowest->U) / std::abs(supply->U), 0.93782, 5e-5);
  }
  EXPECT_TRUE(box.Calls().empty());
}


// A seeded radial 10 kV scheme of n nodes with ties between random nodes; some branch ends lack a
// switching device and one branch is a transformer.
SchemeBuilder RandomRadial(std::mt19937& rng, int n, int ties) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  std::uniform_real_distribution<double> load(0.05, 0.4), r(0.2, 1.5);
  for (int ns = 2; ns <= n; ++ns) {
    s.Node(ns, "", load(rng), load(rng) / 2).Um = 10;
    const int parent = std::uniform_int_distribution<int>(std::max(1, ns - 4), ns - 1)(rng);
    BranchSpec& b = s.Branch(parent, ns, r(rng), r(rng) * 1.5);
    b.B = 5;
    if (std::uniform_int_distribution<int>(0, 5)(rng) == 0) b.MarkCom2 = "-";
    if (ns == n / 2) b.Kta = 1.0f, b.Ktr = 0.01f, b.G = 3;
  }
  for (int t = 0; t < ties; ++t) {
    const int a = std::uniform_int_distribution<int>(n / 3, n)(rng);
    int b = std::uniform_int_distribution<int>(2, n)(rng);
    if (b == a) b = a == 2 ? 3 : a - 1;
    s.Branch(a, b, r(rng), r(rng)).Commut = t % 2 == 0 ? "Н" : "К";
  }
  return s;
}

struct ModelState {
  std::vector<std::tuple<const TRegimeElement*, std::uint32_t, Complex>> elements;
  double losses = 0;
};

ModelState State(TCutOptimiser& opt) {
  ModelState m;
  for (const TRegimeElement* e = opt.Engine.FirstElement; e != nullptr; e = e->Next) {
    m.elements.emplace_back(e->Parent, e->Flags & 0x00FFFFFFu, e->K);
  }
  std::sort(m.elements.begin(), m.elements.end(), [](const auto& a, const auto& b) {
    return std::get<0>(a) < std::get<0>(b) || (std::get<0>(a) == std::get<0>(b) && std::get<1>(a) < std::get<1>(b));
  });
  opt.Engine.RunIterations();
  m.losses = opt.Engine.TotalLosses();
  return m;
}

TEST(CutOptimiser, WalkingACutAlongItsChainAndBackChangesNothing) {
  CutSettings settings;
  ScriptedMsgBox box;
  IniRec.ExceptTr = false;
  IniRec.Prec = 1e-6f;
  for (const unsigned seed : {1u, 7u, 23u}) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    TempDir dir;
    const std::string stem = RandomRadial(rng, 40, 4).Write(dir.Path(), "r");
    const std::vector<std::string> before = Letters(stem);
    TCutOptimiser opt;
    opt.Open(stem);
    ASSERT_GT(opt.RowCount(), 0);
    const ModelState start = State(opt);
    int walked = 0;
    for (int row = 1; row <= opt.RowCount(); ++row) {
      const int tie = opt.TieOfRow(row);
      if (opt.FixedTie(tie)) continue;
      std::uint8_t side = 0;
      opt.Engine.MoveContourCut(tie);
      int left = 0, right = 0;
      while (opt.TryShiftCut(tie, 0, side)) ++left;
      while (opt.TryShiftCut(tie, 1, side)) ++right;
      walked += right;
      for (int i = 0; i < right - left; ++i) ASSERT_TRUE(opt.TryShiftCut(tie, 0, side));
      EXPECT_EQ(side, 0) << "row " << row;
      // To the other end of its branch and back.
      TCutDisplay d;
      if (opt.ReplaceRow(row, d)) {
        ASSERT_TRUE(opt.ReplaceRow(row, d));
      }
    }
    EXPECT_GT(walked, 0);
    const ModelState end = State(opt);
    ASSERT_EQ(start.elements.size(), end.elements.size());
    for (std::size_t i = 0; i < start.elements.size(); ++i) {
      const auto& [parent, flags, k] = start.elements[i];
      EXPECT_EQ(std::pair(parent, flags), std::pair(std::get<0>(end.elements[i]), std::get<1>(end.elements[i]))) << i;
      EXPECT_NEAR(std::abs(k - std::get<2>(end.elements[i])), 0, 1e-12) << i;
    }
    EXPECT_NEAR(end.losses, start.losses, 1e-9);
    opt.Write();
    EXPECT_EQ(Letters(stem), before);
  }
}

// 1 - 2 - 3 - 4 and 1 - 5 - 6(T) - 7, the tie 4 - 7 and fixed ties 3 - 6, 2 - 5, 3 - 7 off with "О", "Ф", "П".
SchemeBuilder TwoFeeders(const std::string& tie = "Н") {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  for (int ns = 2; ns <= 7; ++ns) s.Node(ns, "", 0.3, 0.1).Um = 10;
  s.Branch(1, 2, 0.5, 0.8);
  s.Branch(2, 3, 0.5, 0.8);
  s.Branch(3, 4, 0.5, 0.8);
  s.Branch(1, 5, 0.3, 0.5);
  BranchSpec& tr = s.Branch(5, 6, 0.2, 2.0);
  tr.Kta = 1;
  s.Branch(6, 7, 0.5, 0.8);
  s.Branch(4, 7, 0.6, 0.9).Commut = tie;
  s.Branch(3, 6, 0.6, 0.9).Commut = "О";
  s.Branch(2, 5, 0.6, 0.9).Commut = "Ф";
  s.Branch(3, 7, 0.6, 0.9).Commut = "П";
  return s;
}

TEST(CutOptimiser, FixedTiesTransformersThresholdsAndPasses) {
  CutSettings settings;
  ScriptedMsgBox box;
  TempDir dir;
  const std::string stem = TwoFeeders().Write(dir.Path(), "two");
  IniRec.SelectCuts = 1;
  TCutOptimiser opt;
  opt.Open(stem);
  EXPECT_EQ(IniRec.SelectCuts, 0);
  TCutCols c;
  FillCutCols(opt.Cuts, c);
  ASSERT_EQ(opt.RowCount(), 4);
  std::map<std::string, int> rowOf;
  for (int row = 1; row <= 4; ++row) {
    const char s = c.Sign->Get(row);
    rowOf[s == 0 ? "" : Cp1251ToUtf8(std::string(1, s))] = row;
    EXPECT_EQ(opt.Cuts.MarkRec->Get(row), s == 0 ? 0 : 'p') << row;
  }
  ASSERT_EQ(rowOf.size(), 4u);
  for (const char* fixed : {"О", "Ф", "П"}) {
    TCutDisplay d;
    const int row = rowOf.at(fixed);
    EXPECT_FALSE(opt.ShiftRow(row, 0, d)) << fixed;
    EXPECT_FALSE(opt.ShiftRow(row, 1, d)) << fixed;
    EXPECT_FALSE(opt.ReplaceRow(row, d)) << fixed;
  }
  // The free tie walks onto the transformer unless told to stop there.
  const int free = rowOf.at("");
  EXPECT_EQ(std::pair(c.N1->Get(free), c.N2->Get(free)), std::pair(4, 7));
  IniRec.StopTr = true;
  std::uint8_t side = 0;
  const int tie = opt.TieOfRow(free);
  opt.Engine.MoveContourCut(tie);
  while (opt.TryShiftCut(tie, 1, side)) EXPECT_EQ(opt.CutOf(tie)->Flags & efHasRatio, 0u);
  while (opt.TryShiftCut(tie, 0, side)) EXPECT_EQ(opt.CutOf(tie)->Flags & efHasRatio, 0u);
  IniRec.StopTr = false;
  bool crossed = false;
  while (opt.TryShiftCut(tie, 1, side)) crossed = crossed || (opt.CutOf(tie)->Flags & efHasRatio) != 0;
  EXPECT_TRUE(crossed);

  // Selection by the mark "1".
  TDataFile marked;
  CopyTable(opt.Cuts, marked);
  IniRec.SelectCuts = 1;
  (*GetColumnAs<DAChar>("Sign", marked))[free] = '1';
  opt.FillCutTable(&marked);
  ASSERT_EQ(opt.RowCount(), 1);
  FillCutCols(opt.Cuts, c);
  EXPECT_EQ(c.Ref->Get(1), tie);
  IniRec.SelectCuts = 0;

  // Voltage groups and transformer ties.
  const std::vector<float> group = ParseVoltageGroup("6;10,5;35");
  EXPECT_EQ(group, (std::vector<float>{6, 10.5f, 35}));
  IniRec.FlagUn = true;
  IniRec.GroupUn = "6;35";
  TCutOptimiser none;
  none.Open(stem);
  EXPECT_EQ(none.RowCount(), 0);
  std::vector<std::string> log;
  none.Run([&](const std::string& l) { log.push_back(l); }, {}, {});
  EXPECT_EQ(log, (std::vector<std::string>{"Итерационный процесс:", "0. dP = " + FloatToStrFixed(none.CurrentLoss * 1000, 1) + " кВт",
                                           "1. dP = " + FloatToStrFixed(none.CurrentLoss * 1000, 1) + " кВт",
                                           "Оптимизация = 0.0 кВт", "", "Список оптимизированных разрывов:"}));
  IniRec.GroupUn = "6;10;35";
  TCutOptimiser ten;
  ten.Open(stem);
  EXPECT_EQ(ten.RowCount(), 4);
  IniRec.FlagUn = false;

  // A tie that is a transformer is left out unless asked for.
  SchemeBuilder withTr = TwoFeeders();
  withTr.Branches[6].Kta = 1;
  const std::string trStem = withTr.Write(dir.Path(), "tr");
  TCutOptimiser except;
  except.Open(trStem);
  EXPECT_EQ(except.RowCount(), 3);
  IniRec.ExceptTr = false;
  TCutOptimiser all;
  all.Open(trStem);
  ASSERT_EQ(all.RowCount(), 4);
  TCutCols t;
  FillCutCols(all.Cuts, t);
  int transformers = 0;
  for (int row = 1; row <= 4; ++row) transformers += Cp1251ToUtf8(std::string(1, t.Tr->Get(row))) == "Т" ? 1 : 0;
  EXPECT_EQ(transformers, 1);
}

TEST(CutOptimiser, PassLimitThresholdAndStop) {
  CutSettings settings;
  ScriptedMsgBox box;
  TempDir dir;
  const std::string stem = Feeder33().Write(dir.Path(), "f33");
  const auto run = [&](const TStopQuery& stop = {}) {
    TCutOptimiser opt;
    opt.Open(stem);
    std::vector<std::string> log;
    opt.Run([&](const std::string& l) { log.push_back(l); }, {}, stop);
    return log;
  };
  IniRec.RIter = 1;
  std::vector<std::string> log = run();
  EXPECT_EQ(log[2].rfind("1. dP = ", 0), 0u);
  EXPECT_EQ(log[3].rfind("Оптимизация = ", 0), 0u);
  IniRec.RIter = 10;
  // A threshold above every saving moves nothing in the whole-chain search.
  IniRec.Algoritm = 1;
  IniRec.FlagDP = true;
  IniRec.dP = 1000;
  log = run();
  EXPECT_NE(std::find(log.begin(), log.end(), "Оптимизация = 0.0 кВт"), log.end());
  // Every move taken saves at least the threshold.
  IniRec.dP = 10;
  TCutOptimiser opt;
  opt.Open(stem);
  opt.Run({}, {}, {});
  TCutCols c;
  FillCutCols(opt.Cuts, c);
  int moved = 0;
  for (int row = 1; row <= c.RowCount; ++row) {
    if (c.dPr->Get(row) == 0) continue;
    ++moved;
    EXPECT_GE(c.dPr->Get(row), 10) << row;
  }
  EXPECT_GT(moved, 0);
  EXPECT_LT(opt.CurrentLoss, opt.InitialLoss);
  // Stopped in the measuring pass: its line, the summary and the mark.
  log = run([] { return true; });
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1], "0. dP = 202.7 кВт");
  EXPECT_EQ(log[2], "Оптимизация = 0.0 кВт");
  EXPECT_EQ(log.back(), "<<<< Процесс прерван >>>>");
}

TEST(CutOptimiser, APositionThatDoesNotConvergeSpoilsNoOther) {
  CutSettings settings;
  ScriptedMsgBox box;
  const std::int32_t savedU0 = IniRec.FlagU0;
  for (const int u0 : {0, 1}) {
    SCOPED_TRACE(u0);
    IniRec.FlagU0 = u0;
    TempDir dir;
    const std::string stem = Feeder33().Write(dir.Path(), "f33");
    TCutOptimiser opt;
    opt.Open(stem);
    int row = 0;
    TCutCols c;
    FillCutCols(opt.Cuts, c);
    for (int r = 1; r <= opt.RowCount(); ++r) {
      if (c.N1->Get(r) == 12 || c.N2->Get(r) == 12) row = r;  // the tie 12-22
    }
    ASSERT_NE(row, 0);
    // Towards the supply the whole feeder hangs on the tie until the regime gives way. With the start
    // from previous results (u0 1) every position must still calculate as from no-load voltages.
    TCutDisplay d;
    int steps = 0, way = 0;
    for (; way < 2; ++way) {
      steps = 0;
      while (opt.ShiftRow(row, way, d) && d.Converged) ++steps;
      if (!d.Converged) break;
      for (int i = 0; i < steps; ++i) ASSERT_TRUE(opt.ShiftRow(row, 1 - way, d));
    }
    ASSERT_FALSE(d.Converged);
    EXPECT_EQ(d.PLabel, "Режим не сходится");
    EXPECT_FALSE(d.LossGreen);
    // One branch back: the regime there is the one it had on the way.
    ASSERT_TRUE(opt.ShiftRow(row, 1 - way, d));
    EXPECT_TRUE(d.Converged);
    EXPECT_EQ(d.PLabel.rfind("dP = ", 0), 0u);
    for (int i = 0; i < steps; ++i) ASSERT_TRUE(opt.ShiftRow(row, 1 - way, d));
    EXPECT_TRUE(d.Converged);
    EXPECT_NEAR(opt.CurrentLoss, opt.InitialLoss, 1e-9);
  }
  IniRec.FlagU0 = savedU0;
}

}  // namespace
}  // namespace ld::test
