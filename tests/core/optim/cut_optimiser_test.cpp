// The open-point search: the published 33-bus feeder against its published optimum, a cut walked there
// and back, and the rules that keep fixed ties, transformers and thresholds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/engine/regime.h"
#include "core/optim/cut_optimiser.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "cut_cases.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

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
    std::vector<std::string> log;
    opt.Run([&](const std::string& l) { log.push_back(l); }, {}, {});
    EXPECT_EQ(log.at(1), "0. dP = 202.7 кВт");
    const auto at = std::find(log.begin(), log.end(), "Оптимизация = 63.1 кВт");
    ASSERT_LT(at + 2, log.end());
    EXPECT_EQ(log.end() - (at + 3), 5);  // every tie moved

    opt.Write();
    TDataFile branches;
    ReadTableFile(stem + ".VET", branches);
    std::string cuts;
    for (int r = 1; r <= branches.RowCount; ++r) cuts += GetColumnAs<DAChar>("Commut", branches)->Get(r) ? 'x' : '-';
    EXPECT_EQ(cuts, "------x-x----x-----------------x----x");  // the published open branches 7, 9, 14, 32, 37
    TRegime fresh;
    fresh.Accuracy = 1e-9;
    fresh.Calculate(stem, 0, 0, 0, 0, 0);
    ASSERT_TRUE(fresh.Converged);
    EXPECT_NEAR(fresh.TotalLosses() * 1000, 139.55, 0.005);
    const TRegimeElement* lowest = nullptr;
    for (const TRegimeElement* e = fresh.Root->NextInTree; e; e = e->NextInTree)
      if (e->NodeIndex != 0 && (e->Flags & efLoopClosing) == 0 && (!lowest || std::abs(e->U) < std::abs(lowest->U))) lowest = e;
    ASSERT_TRUE(lowest && lowest->Number == 32);
    EXPECT_NEAR(std::abs(lowest->U) / std::abs(FindNode(fresh, 1)->U), 0.93782, 5e-5);
  }

  // The lines 2-19-20-21 allowed 40 A: the optimum above would load them with 59-68 A, so the search
  // ends elsewhere, with every line within its limit.
  IniRec.Algoritm = 0;
  TempDir dir;
  SchemeBuilder limited = Feeder33();
  for (const int row : {18, 19, 20}) limited.Branches[row - 1].Idop = 40;
  const std::string stem = limited.Write(dir.Path(), "f33");
  TCutOptimiser opt;
  opt.Open(stem);
  opt.Run([](const std::string&) {}, {}, {});
  opt.Write();
  TRegime fresh;
  fresh.Calculate(stem, 0, 0, 0, 0, 0);
  ASSERT_TRUE(fresh.Converged);
  int limitedLines = 0;
  for (const TRegimeElement* e = fresh.FirstElement; e != nullptr; e = e->Next) {
    if (e->BranchIndex == 0 || e->SIdop == 0) continue;
    ++limitedLines;
    EXPECT_LE(std::abs(e->I), e->SIdop) << e->Number << "-" << e->Number2;
  }
  EXPECT_EQ(limitedLines, 3);
}

TEST(CutOptimiser, WalkingACutAlongItsChainAndBackChangesNothing) {
  CutSettings settings;
  ScriptedMsgBox box;
  IniRec.ExceptTr = false, IniRec.Prec = 1e-6f;
  SchemeBuilder feeder = Feeder33();  // some branch ends without a switching device
  for (std::size_t i = 2; i < 32; i += 3) feeder.Branches[i].MarkCom2 = "-";
  TempDir dir;
  const std::string stem = feeder.Write(dir.Path(), "f33");
  const std::string before = ReadBytes(stem + ".VET");
  TCutOptimiser opt;
  opt.Open(stem);
  opt.Engine.RunIterations();
  const double losses = opt.Engine.TotalLosses();
  int walked = 0;
  for (int row = 1; row <= opt.RowCount(); ++row) {
    const int tie = opt.TieOfRow(row);
    if (opt.FixedTie(tie)) continue;
    std::uint8_t side = 0;
    int left = 0, right = 0;
    opt.Engine.MoveContourCut(tie);
    while (opt.TryShiftCut(tie, 0, side)) ++left;
    while (opt.TryShiftCut(tie, 1, side)) ++right;
    for (int i = 0; i < right - left; ++i) ASSERT_TRUE(opt.TryShiftCut(tie, 0, side));
    walked += right;
    EXPECT_EQ(side, 0) << "row " << row;
    TCutDisplay d;  // to the other end of its branch and back
    EXPECT_TRUE(!opt.ReplaceRow(row, d) || opt.ReplaceRow(row, d));
  }
  EXPECT_GT(walked, 0);
  opt.Engine.RunIterations();
  EXPECT_NEAR(opt.Engine.TotalLosses(), losses, 1e-9);
  opt.Write();
  EXPECT_EQ(ReadBytes(stem + ".VET"), before);
}

// 1 - 2 - 3 - 4 and 1 - 5 - 6(T) - 7, the tie 4 - 7 and fixed ties 3 - 6, 2 - 5, 3 - 7 off with "О", "Ф", "П".
SchemeBuilder TwoFeeders() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  for (int ns = 2; ns <= 7; ++ns) s.Node(ns, "", 0.3, 0.1).Um = 10;
  s.Branch(1, 2, 0.5, 0.8), s.Branch(2, 3, 0.5, 0.8), s.Branch(3, 4, 0.5, 0.8), s.Branch(1, 5, 0.3, 0.5);
  s.Branch(5, 6, 0.2, 2.0).Kta = 1;
  s.Branch(6, 7, 0.5, 0.8);
  s.Branch(4, 7, 0.6, 0.9).Commut = "Н";
  s.Branch(3, 6, 0.6, 0.9).Commut = "О";
  s.Branch(2, 5, 0.6, 0.9).Commut = "Ф";
  s.Branch(3, 7, 0.6, 0.9).Commut = "П";
  return s;
}

TEST(CutOptimiser, FixedTiesTransformerStopsAndVoltageGroups) {
  CutSettings settings;
  ScriptedMsgBox box;
  TempDir dir;
  const std::string stem = TwoFeeders().Write(dir.Path(), "two");
  TCutOptimiser opt;
  opt.Open(stem);
  TCutCols c;
  FillCutCols(opt.Cuts, c);
  ASSERT_EQ(opt.RowCount(), 4);
  std::map<std::string, int> rowOf;
  for (int row = 1; row <= 4; ++row) rowOf[c.Sign->Get(row) ? Cp1251ToUtf8(std::string(1, c.Sign->Get(row))) : ""] = row;
  for (const char* fixed : {"О", "Ф", "П"}) {
    TCutDisplay d;
    EXPECT_FALSE(opt.ShiftRow(rowOf.at(fixed), 0, d) || opt.ShiftRow(rowOf.at(fixed), 1, d) ||
                 opt.ReplaceRow(rowOf.at(fixed), d)) << fixed;
  }
  // The free tie walks onto the transformer unless told to stop there.
  IniRec.StopTr = true;
  std::uint8_t side = 0;
  const int tie = opt.TieOfRow(rowOf.at(""));
  opt.Engine.MoveContourCut(tie);
  while (opt.TryShiftCut(tie, 1, side)) EXPECT_EQ(opt.CutOf(tie)->Flags & efHasRatio, 0u);
  while (opt.TryShiftCut(tie, 0, side)) EXPECT_EQ(opt.CutOf(tie)->Flags & efHasRatio, 0u);
  IniRec.StopTr = false;
  bool crossed = false;
  while (opt.TryShiftCut(tie, 1, side)) crossed = crossed || (opt.CutOf(tie)->Flags & efHasRatio) != 0;
  EXPECT_TRUE(crossed);

  // A transformer at ratio 1 is taken a hair off 1, down where the supply reaches it at its table start
  // and up where it reaches it at its table end, so that a move turning it round keeps it a transformer.
  // Behind the unloaded ones 6 - 8 and 9 - 6 that hair alone sets the voltage apart from node 6's.
  SchemeBuilder spurs = TwoFeeders();
  spurs.Node(8).Um = 10, spurs.Node(9).Um = 10;
  spurs.Branch(6, 8, 0.2, 2.0).Kta = 1;
  spurs.Branch(9, 6, 0.2, 2.0).Kta = 1;
  TCutOptimiser ratios;
  ratios.Open(spurs.Write(dir.Path(), "spurs"));
  ASSERT_TRUE(ratios.Engine.Converged);
  const double u6 = std::abs(FindNode(ratios.Engine, 6)->U);
  EXPECT_NEAR(std::abs(FindNode(ratios.Engine, 8)->U) / u6, 0.9999999, 1e-9);
  EXPECT_NEAR(std::abs(FindNode(ratios.Engine, 9)->U) / u6, 1.000001, 1e-9);

  // Voltage groups without the scheme's 10 kV leave nothing to move.
  IniRec.FlagUn = true, IniRec.GroupUn = "6;35";
  TCutOptimiser none;
  none.Open(stem);
  EXPECT_EQ(none.RowCount(), 0);
  std::vector<std::string> log;
  none.Run([&](const std::string& l) { log.push_back(l); }, {}, {});
  const std::string dP = FloatToStrFixed(none.CurrentLoss * 1000, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"Итерационный процесс:", "0. dP = " + dP + " кВт", "1. dP = " + dP + " кВт",
                                           "Оптимизация = 0.0 кВт", "", "Список оптимизированных разрывов:"}));
}

// What a position weighs: its losses as they are, and every ampere over a line's limit on the paths of the
// tie a thousand times over in the engine's current unit. The line 1 - 2 on the path of the free tie 4 - 7
// carries the loads of nodes 2 to 4, about 50 A; allowed 10 A, then 20 A, its excess differs by 10 A.
TEST(CutOptimiser, AnOverloadWeighsAThousandfoldAgainstTheLosses) {
  CutSettings settings;
  ScriptedMsgBox box;
  TempDir dir;
  double weight[2] = {0, 0};
  for (const int k : {0, 1}) {
    SchemeBuilder s = TwoFeeders();
    s.Branches[0].Idop = k == 0 ? 10 : 20;
    TCutOptimiser opt;
    opt.Open(s.Write(dir.Path(), "two" + std::to_string(k)));
    opt.Engine.RunIterations();
    ASSERT_TRUE(opt.Engine.Converged);
    TCutCols c;
    FillCutCols(opt.Cuts, c);
    int row = 1;
    while (row < opt.RowCount() && c.Sign->Get(row) != 0) ++row;
    const int tie = opt.TieOfRow(row);
    weight[k] = opt.CutFunctional(tie, 0);
    EXPECT_NEAR(opt.CutFunctional(tie, 0.25) - weight[k], 0.25, 1e-9);
  }
  EXPECT_NEAR(weight[0] - weight[1], 1000 * std::sqrt(3.0) * 10 * 0.001, 1e-3);
}

// A tie that is a transformer is no cut of the search unless asked for; the passes end at their limit,
// and a threshold above every saving moves nothing.
TEST(CutOptimiser, TransformerTiesAndThePassLimit) {
  CutSettings settings;
  ScriptedMsgBox box;
  TempDir dir;
  SchemeBuilder withTr = TwoFeeders();
  withTr.Branches[6].Kta = 1;
  const std::string trStem = withTr.Write(dir.Path(), "tr");
  TCutOptimiser except;
  except.Open(trStem);
  IniRec.ExceptTr = false;
  TCutOptimiser all;
  all.Open(trStem);
  EXPECT_EQ(std::pair(except.RowCount(), all.RowCount()), std::pair(3, 4));

  const std::string stem = Feeder33().Write(dir.Path(), "f33");
  const auto run = [&] {
    TCutOptimiser opt;
    opt.Open(stem);
    std::vector<std::string> log;
    opt.Run([&](const std::string& l) { log.push_back(l); }, {}, {});
    return log;
  };
  IniRec.RIter = 1;
  std::vector<std::string> log = run();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[3].rfind("Оптимизация = ", 0), 0u) << log[3];  // after the one pass
  IniRec.RIter = 10, IniRec.Algoritm = 1, IniRec.FlagDP = true, IniRec.dP = 1000;
  log = run();
  EXPECT_NE(std::find(log.begin(), log.end(), "Оптимизация = 0.0 кВт"), log.end());
}

TEST(CutOptimiser, ACutIsNotMovedOntoABranchEndWithoutASwitchingDevice) {
  CutSettings settings;
  ScriptedMsgBox box;
  // The free tie 4 - 7 with the mark "-" (no switching device) at node 4, then at node 7; it is open at 4.
  for (const int end : {1, 2}) {
    SCOPED_TRACE(end);
    SchemeBuilder s = TwoFeeders();
    (end == 1 ? s.Branches[6].MarkCom1 : s.Branches[6].MarkCom2) = "-";
    TempDir dir;
    TCutOptimiser opt;
    opt.Open(s.Write(dir.Path(), "two"));
    TCutCols c;
    FillCutCols(opt.Cuts, c);
    int row = 1;
    while (row < opt.RowCount() && c.Sign->Get(row) != 0) ++row;
    TCutDisplay d;
    // Open at its bare end, the cut may leave it but never comes back; it never goes onto a bare end.
    EXPECT_EQ(opt.ReplaceRow(row, d), end == 1);
    EXPECT_FALSE(opt.ReplaceRow(row, d));
    EXPECT_EQ(c.LRCut->Get(row), end == 1 ? 1 : 0);
  }
}

TEST(CutOptimiser, PassLimitThresholdAndStop) {
  CutSettings settings;
  ScriptedMsgBox box;
  TempDir dir;
  const std::string stem = Feeder33().Write(dir.Path(), "f33");
  // Every move of the whole-chain search saves at least the threshold.
  IniRec.Algoritm = 1, IniRec.FlagDP = true, IniRec.dP = 10;
  TCutOptimiser opt;
  opt.Open(stem);
  opt.Run({}, {}, {});
  TCutCols c;
  FillCutCols(opt.Cuts, c);
  for (int row = 1; row <= c.RowCount; ++row) EXPECT_TRUE(c.dPr->Get(row) == 0 || c.dPr->Get(row) >= 10) << row;
  EXPECT_LT(opt.CurrentLoss, opt.InitialLoss) << "something moved";
  // Stopped in the measuring pass: its line, the summary and the mark.
  TCutOptimiser stopped;
  stopped.Open(stem);
  std::vector<std::string> log;
  stopped.Run([&](const std::string& l) { log.push_back(l); }, {}, [] { return true; });
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(std::tuple(log[1], log[2], log.back()),
            std::tuple("0. dP = 202.7 кВт", "Оптимизация = 0.0 кВт", "<<<< Процесс прерван >>>>"));
}

TEST(CutOptimiser, APositionThatDoesNotConvergeSpoilsNoOther) {
  CutSettings settings;
  ScriptedMsgBox box;
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
    for (int r = 1; r <= opt.RowCount(); ++r) row = c.N1->Get(r) == 12 || c.N2->Get(r) == 12 ? r : row;  // tie 12-22
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
    EXPECT_EQ(std::pair(d.PLabel, d.LossGreen), std::pair(std::string("Режим не сходится"), false));
    // However small its losses come out, a position without a regime weighs more than one with it.
    const double diverged = opt.CutFunctional(opt.TieOfRow(row), 0.001);
    // One branch back: the regime there is the one it had on the way.
    ASSERT_TRUE(opt.ShiftRow(row, 1 - way, d));
    EXPECT_TRUE(d.Converged && d.PLabel.rfind("dP = ", 0) == 0) << d.PLabel;
    EXPECT_GT(diverged, opt.CutFunctional(opt.TieOfRow(row), 0.5));
    for (int i = 0; i < steps; ++i) ASSERT_TRUE(opt.ShiftRow(row, 1 - way, d));
    EXPECT_TRUE(d.Converged);
    EXPECT_NEAR(opt.CurrentLoss, opt.InitialLoss, 1e-9);
  }
  // Stored results from which the opening calculation does not converge: the position shown next is
  // calculated from no-load voltages, not from the ones that ran away.
  IniRec.FlagU0 = 1;
  TempDir dir;
  SchemeBuilder s = Feeder33();
  for (NodeSpec& n : s.Nodes) n.Urez = n.NS == 1 ? 0 : 1, n.Angle = n.NS == 1 ? 0 : 180;
  TCutOptimiser opt;
  opt.Open(s.Write(dir.Path(), "f33"));
  EXPECT_FALSE(opt.Engine.Converged);
  EXPECT_EQ(opt.ShowCurrentRegime(1).PLabel, "dP = 202.700 кВт");
  // The same position shown again: losses no higher than before show green.
  const TCutDisplay again = opt.ShowCurrentRegime(1);
  EXPECT_EQ(std::pair(again.PLabel, again.LossGreen), std::pair(std::string("dP = 202.700 кВт"), true));
}

// A cut moved one branch along its loop and back, by hand, opens the end it opened before, also beside a
// branch with an end without a switching device: "Запись" then writes the same letter. A rule that picks
// the end by the direction of the step alone opens node 4 ("К") after such a walk.
TEST(CutOptimiser, ACutMovedOverABranchWithABareEndAndBackOpensItsOldEnd) {
  CutSettings settings;
  ScriptedMsgBox box;
  // The ring 1-2-3-4-5-1, open at node 3 of the tie 3-4.
  SchemeBuilder ring;
  ring.Node(1, "B").Um = 10.5f;
  for (int ns = 2; ns <= 5; ++ns) ring.Node(ns, "", 0.3, 0.1).Um = 10;
  ring.Branch(1, 2, 0.5, 0.8), ring.Branch(2, 3, 0.5, 0.8), ring.Branch(3, 4, 0.6, 0.9).Commut = "Н";
  ring.Branch(4, 5, 0.5, 0.8), ring.Branch(5, 1, 0.5, 0.8);
  for (const int bare : {1, 3}) {
    for (const int end : {1, 2}) {
      SchemeBuilder s = ring;
      (end == 1 ? s.Branches[bare].MarkCom1 : s.Branches[bare].MarkCom2) = "-";
      TempDir dir;
      const std::string stem = s.Write(dir.Path(), "ring");
      for (const int dir0 : {0, 1}) {
        TCutOptimiser opt;
        opt.Open(stem);
        TCutDisplay d;
        if (!opt.ShiftRow(1, dir0, d)) continue;
        ASSERT_TRUE(opt.ShiftRow(1, 1 - dir0, d));
        opt.Write();
        TDataFile b;
        ReadTableFile(stem + ".VET", b);
        const DAChar* commut = GetColumnAs<DAChar>("Commut", b);
        std::string letters;
        for (int r = 1; r <= b.RowCount; ++r) letters += commut->Get(r) != 0 ? Cp1251ToUtf8(std::string(1, commut->Get(r))) : ".";
        EXPECT_EQ(letters, "..Н..") << "bare end " << end << " of row " << bare + 1 << ", first step " << dir0;
      }
    }
  }
}

// A tie without a switching device at either end is no position a walk along its loop can come back to:
// the run warns, naming the row, and goes on.
TEST(CutOptimiser, ATieWithoutSwitchingDevicesIsReportedWhenTheRunCannotReturnIt) {
  CutSettings settings;
  ScriptedMsgBox box;
  IniRec.Algoritm = 1;
  SchemeBuilder s = TwoFeeders();
  s.Branches[6].MarkCom1 = s.Branches[6].MarkCom2 = "-";
  TempDir dir;
  TCutOptimiser opt;
  opt.Open(s.Write(dir.Path(), "two"));
  TCutCols c;
  FillCutCols(opt.Cuts, c);
  int row = 1;
  while (row < opt.RowCount() && c.Sign->Get(row) != 0) ++row;
  std::vector<std::string> log;
  opt.Run([&](const std::string& l) { log.push_back(l); }, {}, {});
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].text, "Некорректное задание разрыва: строка " + std::to_string(row));
  EXPECT_EQ(std::pair(box.Calls()[0].kind, box.Calls()[0].buttons), std::pair(int(mkWarning), int(mbOk)));
  EXPECT_EQ(log.at(log.size() - 2), "Список оптимизированных разрывов:");
}

}  // namespace
}  // namespace ld::test
