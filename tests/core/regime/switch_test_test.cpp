// The switching test over a period: the protocol, the outage and normal-scheme deviation reports, a stop,
// a broken journal and damaged files.
#include "core/regime/switch_test.h"

#include <random>

#include "core/base/error.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_ops.h"
#include "regime_test.h"
#include "support/fuzz_mutations.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

struct NodeRow {
  std::int32_t ns;
  const char* name;
  char sign = 0;
  float um = 10;
};
struct BranchRow {
  std::int32_t n1, n2;
  const char* dsName = "";
  const char* commut = "";
};

class SwitchTestRun : public RegimeTest {
protected:
  SwitchTestRun() {
    settings.Date1 = settings.Date2 = EncodeDate(2004, 3, 5);
    settings.NoSupNorm = 1;
  }

  // The scheme's files as they stand at the start of 5 March 2004, and an empty journal.
  void Scheme(const std::vector<NodeRow>& nodeRows, const std::vector<BranchRow>& branchRows) {
    TDataFile nodes;
    ReadMaket(LayoutNodes, nodes);
    CreateColumns(nodes, static_cast<int>(nodeRows.size()));
    TNodeCols n;
    FillNodeCols(nodes, n);
    for (int r = 1; r <= n.RowCount; ++r) {
      const NodeRow& row = nodeRows[static_cast<std::size_t>(r - 1)];
      (*n.NS)[r] = row.ns, (*n.Sign)[r] = row.sign, (*n.Um)[r] = row.um;
      n.Name->SetItem(r, row.name);
    }
    WriteTableFile(base + GetMaketExtention(LayoutNodes), nodes);
    ReadMaket(LayoutBranches, branches);
    CreateColumns(branches, static_cast<int>(branchRows.size()));
    TBranchCols b;
    FillBranchCols(branches, b);
    for (int r = 1; r <= b.RowCount; ++r) {
      const BranchRow& row = branchRows[static_cast<std::size_t>(r - 1)];
      (*b.N1)[r] = row.n1, (*b.N2)[r] = row.n2, (*b.Commut)[r] = Letter(row.commut);
      b.DSName->SetItem(r, row.dsName);
    }
    WriteTableFile(base + GetMaketExtention(LayoutBranches), branches);
    ReadMaket(LayoutSwitchLog, journal);
    CreateColumns(journal, 0);
  }

  // The branch of row switched to the letter at hh:mm of 5 March 2004, journalled as the window does.
  void Switch(int hour, int minute, int row, const char* letter) {
    TBranchCols b;
    FillBranchCols(branches, b);
    TRecSwt rec;
    ReadBranchRec(b, row, rec);
    const int at = journal.RowCount + 1;
    InsertTableRows(journal, at, 2);
    TSwitchLogCols j;
    FillSwitchLogCols(journal, j);
    for (const int r : {at, at + 1})
      (*j.Date)[r] = 20040305, (*j.Hour)[r] = hour, (*j.Mins)[r] = minute, (*j.BA)[r] = static_cast<std::uint8_t>(r - at);
    ReadSwitchRec(j, at, rec);
    rec.Commut = Letter(letter);
    WriteBranchRec(b, row, rec);
    ReadSwitchRec(j, at + 1, rec);
  }

  TSwitchTestResult Run(std::function<bool()> stop = nullptr) {
    const std::string file = base + GetMaketExtention(LayoutSwitchLog);
    fs::remove(file);
    journal.FileDate = 0;
    WriteTableFile(file, journal);
    lines.clear();
    TSwitchTestTables tables;
    ReadSwitchTestTables(base, tables);
    TSwitchTestCallbacks cb;
    cb.Message = [this](const std::string& line) { lines.push_back(line); };
    cb.StopQuery = std::move(stop);
    return RunSwitchTest(base, tables, EncodeDate(2004, 3, 5), settings, cb);
  }
  std::string Report(const std::string& file) const { return Cp1251ToUtf8(ReadBytes(file)); }

  const std::string base = dir / "Фидер";
  TSwitchTestSettings settings;
  TDataFile branches, journal;
  std::vector<std::string> lines;
};

TEST_F(SwitchTestRun, ProtocolAndOutagesFollowTheSwitchings) {
  // A substation feeding a chain ТП2 .. ТП5 by "Ф1", a reserve "Ф3" to ТП3, ТП6 hanging open off ТП5.
  settings.SnrReport = false;
  Scheme({{1, "ПС1.1", 'B'}, {2, "ТП2"}, {3, "ТП3"}, {4, "ТП4"}, {5, "ТП5"}, {6, "ТП6"}},
         {{1, 2, "Ф1"}, {2, 3}, {3, 4}, {4, 5}, {5, 6, "", "О"}, {1, 3, "Ф3", "О"}});
  // a row of a branch the scheme does not have, at the very start of the period
  InsertTableRows(journal, 1, 2);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  for (const int r : {1, 2}) (*j.Date)[r] = 20040305, (*j.N1)[r] = 77, (*j.N2)[r] = 78, (*j.BA)[r] = r == 2;
  Switch(10, 30, 3, "О");
  // ТП3 loses and regains its supply within one minute
  Switch(12, 45, 2, "О");
  Switch(12, 45, 3, "");
  Switch(12, 45, 6, "");
  // the last switchings: a loop closes and ТП6 gets its supply
  Switch(14, 5, 2, "");
  Switch(14, 5, 5, "");
  const TSwitchTestResult result = Run();
  EXPECT_TRUE(result.Replayed);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Норма узлов без питания : 1",
                       "Норма замкнутых контуров: 0",
                       "",
                       "Дата переключения     Узлов без питания     Замкнутых контуров     Продолжительность",
                       "05.03.2004 00:00: ветвь 77 - 78 не найдена в таблице ветвей схемы",
                       "05.03.2004 00:00      1 узлов (0)           0 контуров (0)           10 час  30 мин",
                       "05.03.2004 10:30      3 узлов (+2)          0 контуров (0)            2 час  15 мин",
                       // whole seconds: fractional hours make 19 and 54 minutes of these
                       "05.03.2004 12:45      1 узлов (0)           0 контуров (0)            1 час  20 мин",
                       "05.03.2004 14:05      0 узлов (-1)          1 контуров (+1)           9 час  55 мин",
                   }));
  // ТП6 gets its supply at the period's last switching and is reported without it only up to then
  EXPECT_EQ(Report(OutageReportFile(base)),
            "ТП6\t05.03.2004 00:00\t05.03.2004 14:05\t845\r\n"
            "ТП4\t05.03.2004 10:30\t05.03.2004 12:45\t135\r\n"
            "ТП5\t05.03.2004 10:30\t05.03.2004 12:45\t135\r\n");

  // an outage of 1 h 40 min: its whole minutes from whole seconds too (fractional hours make 99 of them)
  Scheme({{1, "ПС1.1", 'B'}, {2, "ТП2"}, {3, "ТП3"}}, {{1, 2, "Ф1"}, {2, 3}});
  Switch(10, 30, 2, "О");
  Switch(12, 10, 2, "");
  EXPECT_TRUE(Run().Replayed);
  EXPECT_EQ(Report(OutageReportFile(base)), "ТП3\t05.03.2004 10:30\t05.03.2004 12:10\t100\r\n");
}

TEST_F(SwitchTestRun, DeviationsFromTheNormalSchemePairDepartureAndReturn) {
  // ТП4 and КТП5.1 are fed by "Ф1" of ПС1; "Ф2" of ПС2 and "Ф3" of ТЭЦ-3 stand open towards them. The
  // nodes behind КТП5.1 never enter the report: "Ф6", "ЛР7", a name with two dots, no voltage.
  Scheme({{1, "ПС1.1", 'B'}, {2, "ПС2.1", 'b'}, {3, "ТЭЦ-3.1", 'B'}, {4, "ТП4"}, {5, "КТП5.1"}, {6, "Ф6"},
          {7, "ЛР7"}, {8, "ТП8.1.2"}, {9, "ТП9", 0, 0}},
         {{1, 4, "Ф1"}, {2, 4, "Ф2", "О"}, {3, 4, "Ф3", "К"}, {4, 5}, {5, 6}, {5, 7}, {5, 8}, {5, 9}});
  settings.OutageReport = false;
  // Normal to ПС2, to ТЭЦ-3 and back, each move closing a loop first, the return made by the
  // period's last switching.
  Switch(8, 0, 2, "");
  Switch(8, 10, 1, "О");
  Switch(9, 0, 3, "");
  Switch(9, 10, 2, "О");
  Switch(10, 0, 1, "");
  Switch(10, 10, 3, "К");
  EXPECT_TRUE(Run().Replayed);
  EXPECT_EQ(Report(SnrReportFile(base)),
            "1\t05.03.2004 00:00\t08:10\t\t\t4; 5_1С\tФ1\tПС ПС1\tФ2\tПС ПС2\r\n"
            "2\t05.03.2004 00:00\t09:10\t\t\t4; 5_1С\tФ2\tПС ПС2\tФ3\tТЭЦ-3\r\n"
            "3\t\t\t05.03.2004 00:00\t10:10\t4; 5_1С\tФ3\tТЭЦ-3\tФ1\tПС ПС1\r\n");
}

TEST_F(SwitchTestRun, StopAndBrokenJournalStillWriteTheReports) {
  Scheme({{1, "ПС1.1", 'B'}, {2, "ТП2"}, {3, "ТП3"}}, {{1, 2, "Ф1"}, {2, 3, "", "О"}});
  Switch(10, 30, 2, "");
  Switch(11, 0, 2, "О");
  TSwitchTestResult result = Run([] { return true; });
  EXPECT_TRUE(result.Stopped);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[5], "<<<< Процесс прерван >>>>");
  EXPECT_EQ(Report(OutageReportFile(base)), "ТП3\t05.03.2004 00:00\t06.03.2004 00:00\t1440\r\n");

  // the first switching recorded from a state the branch never had: the replay's message, no analysis,
  // both reports written empty
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  (*j.Commut)[1] = Letter("П");
  result = Run();
  EXPECT_FALSE(result.Replayed);
  EXPECT_EQ(lines, (std::vector<std::string>{"Журнал переключений, строка 1: не соответствие коммутации (должно быть \"О\")"}));
  EXPECT_EQ(ReadBytes(OutageReportFile(base)), "");
}

TEST_F(SwitchTestRun, DamagedFilesEndInAnErrorNamingTheFile) {
  Scheme({{1, "ПС1.1", 'B'}, {2, "ТП2"}, {3, "ТП3"}}, {{1, 2, "Ф1"}, {2, 3, "", "О"}});
  Switch(10, 30, 2, "");
  Switch(11, 0, 2, "О");
  Run();
  const std::vector<std::string> files = {base + GetMaketExtention(LayoutSwitchLog),
                                          base + GetMaketExtention(LayoutBranches),
                                          base + GetMaketExtention(LayoutNodes)};
  std::vector<std::string> valid;
  for (const std::string& f : files) valid.push_back(ReadBytes(f));
  std::mt19937 random(2407);
  for (int i = 0; i < 24; ++i) {
    const std::size_t k = static_cast<std::size_t>(i) % files.size();
    WriteBytes(files[k], Mutate(valid[k], random));
    try {
      TSwitchTestTables tables;
      ReadSwitchTestTables(base, tables);
      RunSwitchTest(base, tables, EncodeDate(2004, 3, 5), settings, {});
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(fs::path(files[k]).filename().string()), std::string::npos)
          << i << ": " << e.what();
    }
    WriteBytes(files[k], valid[k]);
    ASSERT_TRUE(NoLocks()) << i;
  }
}

}  // namespace
}  // namespace ld::test
