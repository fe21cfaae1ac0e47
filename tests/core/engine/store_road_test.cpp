// The write-back into the tables that the calculation read: the same bytes as tables read again, and a
// table that another program wrote between the read and the write-back is read again, its changes kept.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// A source, a line with a transformer behind it, and a node that nothing feeds, so that the first
// read marks rows and writes the tables back before the calculation.
SchemeBuilder Feeder() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  NodeSpec& low = s.Node(3, "", 0.3, 0.1);
  low.Um = 0.4f;
  low.Name = "ТП-3 шины 0,4 кВ";
  s.Node(4, "", 2.0, 1.0).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  BranchSpec& t = s.Branch(2, 3, 5.5, 17.0);
  t.Kta = 25;
  t.Mark = "ТМ-400/10";
  return s;
}

void Write(TRegime& r) { r.WriteResults("", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr); }

// Moves a file's date on, as a copy or a save by another program would.
void Touch(const std::string& file) {
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  timespec times[2] = {st.st_atim, st.st_mtim};
  times[1].tv_sec += 5;
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

TEST(StoreRoad, KeptTablesWriteTheBytesOfTablesReadAgain) {
  NominalVoltages voltages;
  TempDir a, b;
  TRegime ra, rb;
  const std::string pa = Feeder().Read(ra, a.Path());
  const std::string pb = Feeder().Read(rb, b.Path());
  RunRegime(ra);
  RunRegime(rb);
  ASSERT_TRUE(ra.Converged && rb.Converged);
  Write(ra);
  for (const char* ext : {".UZL", ".VET"}) Touch(pb + ext);
  Write(rb);  // both tables read again
  for (const char* ext : {".UZL", ".VET"}) {
    EXPECT_EQ(ReadBytes(pa + ext), ReadBytes(pb + ext)) << ext;
  }
  // And once more from what the first write-back left in memory.
  Write(ra);
  Touch(pb + ".UZL");
  Write(rb);
  EXPECT_EQ(ReadBytes(pa + ".UZL"), ReadBytes(pb + ".UZL"));
  EXPECT_EQ(ReadBytes(pa + ".VET"), ReadBytes(pb + ".VET"));
}

// Also where the other program's save falls within the tick of the read, on a folder that keeps whole
// seconds: its date is the one read.
TEST(StoreRoad, NodeFileChangedMeanwhileIsReadAgain) {
  NominalVoltages voltages;
  for (const bool sameTick : {false, true}) {
    SCOPED_TRACE(sameTick);
    TempDir dir;
    TRegime r;
    r.Accuracy = 1e-10;
    const std::string path = Feeder().Read(r, dir.Path());
    RunRegime(r);
    ASSERT_TRUE(r.Converged);

    // Another program renames a node and adds a note between the calculation and its write-back.
    const std::string nodeFile = path + ".UZL";
    struct stat read {};
    ASSERT_EQ(::stat(nodeFile.c_str(), &read), 0);
    TDataFile other;
    ReadTableFile(nodeFile, other);
    if (sameTick) {
      (*GetColumnAs<DALongint>("NumES", other))[4] = 77;  // one size: only the bytes tell
    } else {
      GetColumnAs<DAString>("Name", other)->SetItem(2, "РП-2 новое имя");
      GetColumnAs<DAString>("Prim", other)->SetItem(4, "отключен на ремонт");
    }
    WriteTableFile(nodeFile, other);
    if (sameTick) {
      const timespec times[2] = {{0, UTIME_OMIT}, read.st_mtim};
      ASSERT_EQ(::utimensat(AT_FDCWD, nodeFile.c_str(), times, 0), 0);
    }
    Write(r);

    TDataFile nodes, branches;
    ReadTableFile(nodeFile, nodes);
    ReadTableFile(path + ".VET", branches);
    if (!sameTick) {
      EXPECT_EQ(TTextColumn("Name", nodes).Get(2), "РП-2 новое имя");
      EXPECT_EQ(TTextColumn("Prim", nodes).Get(4), "отключен на ремонт");
    }
    EXPECT_EQ(TTextColumn("Name", nodes).Get(3), "ТП-3 шины 0,4 кВ");
    if (sameTick) {
      EXPECT_EQ(TNumberColumn("NumES", nodes).Get(4), 77);
    }
    // The results are those of the calculation: the hand-checked voltage of the two-node line with the
    // transformer's load on it, and nothing for the unsupplied node.
    EXPECT_NEAR(TNumberColumn("Urez", nodes).Get(1), 10.5, 1e-9);
    EXPECT_GT(TNumberColumn("Urez", nodes).Get(2), 10.0);
    EXPECT_LT(TNumberColumn("Urez", nodes).Get(2), 10.5);
    EXPECT_EQ(TNumberColumn("Urez", nodes).Get(4), 0);
    EXPECT_EQ(TTextColumn("Mark", branches).Get(2), "ТМ-400/10");
    EXPECT_EQ(TTextColumn("Name2", branches).Get(2), "ТП-3 шины 0,4 кВ");
    const double sourceP = -TNumberColumn("Pbal", nodes).Get(1);
    EXPECT_NEAR(sourceP, 1.3 + r.TotalLosses(), 1e-7);
  }
}

// Node numbers far apart find their rows as numbers close together do, the first of two rows of one
// number included, and a branch between numbers no row has is reported with those numbers.
TEST(StoreRoad, NodeNumbersFarApartFindTheirRows) {
  NominalVoltages voltages;
  auto schemeOf = [](const std::vector<std::int32_t>& numbers) {
    SchemeBuilder s = Feeder();
    for (std::size_t k = 0; k < s.Nodes.size(); ++k) s.Nodes[k].NS = numbers[k];
    s.Branches[0].N1 = numbers[1];
    s.Branches[0].N2 = numbers[0];
    s.Branches[1].N1 = numbers[1];
    s.Branches[1].N2 = numbers[2];
    s.Node(numbers[1], "", 5.0, 5.0).Um = 10;  // a second row of node 2: never fed
    return s;
  };
  auto voltagesOf = [&](const std::vector<std::int32_t>& numbers) {
    TempDir dir;
    TRegime r;
    schemeOf(numbers).Read(r, dir.Path());
    RunRegime(r);
    EXPECT_TRUE(r.Converged);
    Write(r);
    TDataFile nodes;
    ReadTableFile((dir.Path() / "scheme.UZL").string(), nodes);
    std::vector<double> u;
    for (int row = 1; row <= nodes.RowCount; ++row) u.push_back(TNumberColumn("Urez", nodes).Get(row));
    return u;
  };
  auto errorsOf = [&](const std::vector<std::int32_t>& numbers) {
    SchemeBuilder s = schemeOf(numbers);
    s.Branch(numbers[4] + 1, numbers[4] + 3);
    TempDir dir;
    TRegime r;
    std::vector<std::string> errors;
    r.Errors = &errors;
    s.Read(r, dir.Path());
    return errors;
  };
  const std::vector<std::int32_t> close = {1, 2, 3, 4, 5}, far = {-7, 2000000000, 55, 100001, -2000000000};
  const std::vector<double> u = voltagesOf(close);
  EXPECT_EQ(voltagesOf(far), u);
  EXPECT_GT(u[1], 10.0);
  EXPECT_EQ(u[4], 0);
  EXPECT_EQ(errorsOf(close), (std::vector<std::string>{"Схема \"Тестовая схема\". Отсутствует узел : 6",
                                                       "Схема \"Тестовая схема\". Отсутствует узел : 8"}));
  EXPECT_EQ(errorsOf(far), (std::vector<std::string>{"Схема \"Тестовая схема\". Отсутствует узел : -1999999999",
                                                     "Схема \"Тестовая схема\". Отсутствует узел : -1999999997"}));
}

}  // namespace
}  // namespace ld::test
