#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/inifile.h"
#include "core/tables/file_io.h"
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"
#include "core/tables/colmaps.h"
#include "core/tables/journal.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_ops.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::LayoutScope;

char Cp(const char* letter) { return Utf8ToCp1251(letter)[0]; }

TDateTime At(int y, int m, int d, int h = 0, int mi = 0) { return EncodeDate(y, m, d) + EncodeTime(h, mi, 0); }

// Every cell of a table as text, to compare whole tables.
std::string Cells(const TDataFile& t) {
  std::string s;
  for (int r = 1; r <= t.RowCount; ++r) {
    for (int k = 1; k <= t.NCols; ++k) s += GetCellText(t, r, k, true) + "\t";
    s += "\n";
  }
  return s;
}

// A scheme of three branches and a journal written the way the switching commands write it: the
// state of the branch before and after each operation.
struct Replay {
  LayoutScope scope{(test::DataDir() / "maket.zr").string()};
  TDataFile branches, journal, walk;
  TBranchCols b;
  test::ScriptedMsgBox box;
  std::vector<std::string> messages;

  Replay() {
    ReadMaket(LayoutBranches, branches);
    CreateColumns(branches, 3);
    FillBranchCols(branches, b);
    const int ends[3][2] = {{1, 2}, {2, 3}, {3, 4}};
    for (int i = 1; i <= 3; ++i) {
      (*b.N1)[i] = ends[i - 1][0];
      (*b.N2)[i] = ends[i - 1][1];
      (*b.Nl)[i] = 1;
      (*b.Kta)[i] = 1;
      (*b.R)[i] = 0.5f * i;
      b.Name1->SetItem(i, "Узел " + std::to_string(ends[i - 1][0]));
    }
    b.Mark->SetItem(3, "ТМ-400");
    ReadMaket(LayoutSwitchLog, journal);
    CreateColumns(journal, 0);
    CopyTable(branches, walk);
  }

  // Appends one operation on a branch row of the walked scheme.
  void Op(TDateTime when, int row, const std::function<void(TBranchCols&)>& change) {
    const int before = journal.RowCount + 1;
    InsertTableRows(journal, before, 2);
    TSwitchLogCols j;
    FillSwitchLogCols(journal, j);
    BranchToSwitchLog(walk, journal, row, before);
    TBranchCols w;
    FillBranchCols(walk, w);
    change(w);
    BranchToSwitchLog(walk, journal, row, before + 1);
    const double packed = DateTimeToPacked(when);
    int y, m, d, s, mi, h;
    DecodePackedDateTime(packed, y, m, d, s, mi, h);
    for (int r = before; r <= before + 1; ++r) {
      (*j.Date)[r] = y * 10000 + m * 100 + d;
      (*j.Hour)[r] = h;
      (*j.Mins)[r] = mi;
      (*j.BA)[r] = static_cast<std::uint8_t>(r - before);
    }
  }

  // Three operations: branch 1-2 off and on again, then the transformer 3-4 replaced.
  void Standard() {
    Op(At(2004, 3, 1, 10), 1, [](TBranchCols& w) { (*w.Commut)[1] = Cp("О"); });
    Op(At(2004, 3, 2, 12, 30), 1, [](TBranchCols& w) { (*w.Commut)[1] = 0; });
    Op(At(2004, 3, 3, 8), 3, [](TBranchCols& w) {
      w.Mark->SetItem(3, "ТМ-630");
      (*w.Kta)[3] = 1.05f;
      (*w.R)[3] = 0.9f;
      (*w.Notv)[3] = 2;
    });
  }

  bool Apply(TDateTime from, TDateTime to, bool show = false) {
    return ApplySwitchJournal(branches, journal, show, from, to, &messages);
  }
};

// The switching date goes into the scheme's settings file as one read of it saw them: a save of the file
// by another workstation since (its own key, within the tick of the read) refuses the run and stays; made
// again, the date goes beside the other's key. A scheme without the file gets one.
TEST(SwitchJournal, TheSwitchingDateGoesOverTheSettingsItWasMadeFrom) {
  test::TempDir dir;
  const std::string base = dir / "Схема", file = CurDateSwtFile(base);
  const TDateTime t0 = EncodeDate(2026, 11, 2) + 0.5, t1 = EncodeDate(2026, 11, 3) + 0.25;
  TRunBytes run = CurDateSwtRunBytes(base, t0);
  WriteTablesTogether({}, {run});
  EXPECT_EQ(ReadSchemeSwitchDate(base), t0);

  run = CurDateSwtRunBytes(base, t1);
  const auto read = std::filesystem::last_write_time(file);
  TIniFile(file).WriteString("Вид", "Масштаб", "2");
  std::filesystem::last_write_time(file, read);
  EXPECT_EQ(test::ErrorOf([&] { WriteTablesTogether({}, {run}); }), ChangedMeanwhileText(fileio::FullFileName(file)));
  EXPECT_EQ(ReadSchemeSwitchDate(base), t0);

  WriteTablesTogether({}, {CurDateSwtRunBytes(base, t1)});
  EXPECT_EQ(ReadSchemeSwitchDate(base), t1);
  EXPECT_EQ(TMemIniFile(file).ReadString("Вид", "Масштаб", ""), "2");
}

TEST(SwitchJournal, ForwardAndBackwardOverTheSameOperations) {
  Replay r;
  r.Standard();
  const std::string original = Cells(r.branches);

  EXPECT_TRUE(r.Apply(At(2004, 2, 29), At(2004, 2, 29)));
  EXPECT_TRUE(r.Apply(At(2004, 2, 29), At(2004, 2, 29, 23)));  // no operation in between
  EXPECT_TRUE(r.Apply(At(2004, 3, 5), At(2004, 3, 4)));
  EXPECT_EQ(Cells(r.branches), original);

  ASSERT_TRUE(r.Apply(At(2004, 2, 29), At(2004, 3, 1, 10)));  // an operation at the moment itself counts
  EXPECT_EQ(r.b.Commut->Get(1), Cp("О"));
  // The second operation is checked against the state after the first and switches the branch on.
  ASSERT_TRUE(r.Apply(At(2004, 3, 1, 10), At(2004, 3, 4)));
  EXPECT_EQ(r.b.Commut->Get(1), 0);
  EXPECT_EQ(r.b.Mark->GetItem(3), "ТМ-630");
  EXPECT_EQ(r.b.Kta->Get(3), 1.05f);
  EXPECT_EQ(r.b.Notv->Get(3), 2);
  EXPECT_EQ(Cells(r.branches), Cells(r.walk));

  // Backward undoes the newest first, back to the state before the first operation.
  ASSERT_TRUE(r.Apply(At(2004, 3, 4), At(2004, 3, 2)));
  EXPECT_EQ(r.b.Mark->GetItem(3), "ТМ-400");
  EXPECT_EQ(r.b.Commut->Get(1), Cp("О"));
  ASSERT_TRUE(r.Apply(At(2004, 3, 2), At(2004, 2, 1)));
  EXPECT_EQ(Cells(r.branches), original);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_TRUE(r.box.Calls().empty());
}

TEST(SwitchJournal, MisfitsAreReportedAndTheTableStaysUnchanged) {
  {
    Replay r;  // the branch of one operation was deleted from the scheme
    r.Standard();
    TSwitchLogCols j;
    FillSwitchLogCols(r.journal, j);
    (*j.N1)[5] = (*j.N1)[6] = 7;
    (*j.N2)[5] = (*j.N2)[6] = 8;
    const std::string original = Cells(r.branches);
    EXPECT_FALSE(r.Apply(At(2004, 2, 29), At(2004, 3, 4), true));
    EXPECT_EQ(r.messages, std::vector<std::string>{"Журнал переключений: Ветвь 7 - 8 не найдена в таблице ветвей схемы"});
    ASSERT_EQ(r.box.Calls().size(), 1u);
    EXPECT_EQ(r.box.Calls()[0].kind, mkError);
    EXPECT_EQ(r.box.Calls()[0].buttons, mbOk);
    EXPECT_EQ(Cells(r.branches), original);
  }
  {
    Replay r;  // the scheme is not in the state the journal expects
    r.Standard();
    (*r.b.Commut)[1] = Cp("Н");
    EXPECT_FALSE(r.Apply(At(2004, 2, 29), At(2004, 3, 2)));
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"Журнал переключений, строка 1: не соответствие коммутации (должно быть \"Н\")"});
    r.messages.clear();
    (*r.b.Commut)[1] = 0;
    r.b.Mark->SetItem(1, "АС-70");
    (*r.b.Kta)[1] = 1.002f;  // the ratio message replaces the mark message of the same row
    EXPECT_FALSE(r.Apply(At(2004, 2, 29), At(2004, 3, 2)));
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0],
              "Журнал переключений, строка 1: не соответствие коэффициента трансформации (должно быть \"1.002\")");
    r.messages.clear();
    (*r.b.Kta)[1] = 1.0005f;  // within the tolerance
    EXPECT_FALSE(r.Apply(At(2004, 2, 29), At(2004, 3, 2)));
    EXPECT_EQ(r.messages,
              std::vector<std::string>{
                  "Журнал переключений, строка 1: не соответствие параметров тр-ра/линии (должно быть \"АС-70\")"});
    EXPECT_EQ(r.b.Commut->Get(1), 0);
  }
}

}  // namespace
}  // namespace ld
