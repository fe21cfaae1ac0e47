#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/tables/table_ops.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::LayoutScope;
using test::TempDir;

// Key columns: 1 Grp (l), 2 Name (s), 3 Code (t, capacity 4); then values of other types, one hidden.
const char kLayout[] =
    "Name=Проба\nExtention=.PRB\nCount=6\nOrder=1,2\n"
    "l,50,5,0,1,1,0,0,Grp,Группа\n"
    "s,100,20,0,1,1,0,0,Name,Имя\n"
    "t,40,4,0,1,1,0,0,Code,Код\n"
    "d,80,12,2,1,1,0,0,P,P, МВт\n"
    "r,80,12,2,1,1,0,0,Q,Q\n"
    "c,20,1,0,1,0,0,0,Sign,Признак\n";

struct Fixture {
  TempDir dir;
  LayoutScope scope{dir, kLayout};
  TDataFile t;

  // Rows of (group, name); the mark of row r is r.
  void Fill(const std::vector<std::pair<int, std::string>>& rows) {
    FreeTable(t);
    ReadMaket("Проба", t);
    CreateColumns(t, static_cast<int>(rows.size()));
    for (int r = 1; r <= t.RowCount; ++r) {
      Grp()[r] = rows[static_cast<std::size_t>(r - 1)].first;
      Name().SetItem(r, rows[static_cast<std::size_t>(r - 1)].second);
      (*t.MarkRec)[r] = static_cast<std::uint8_t>(r);
    }
  }
  DALongint& Grp() { return *GetColumnAs<DALongint>("Grp", t); }
  DAString& Name() { return *GetColumnAs<DAString>("Name", t); }
  DAdouble& P() { return *GetColumnAs<DAdouble>("P", t); }
  std::string Names() {
    std::string s;
    for (int r = 1; r <= t.RowCount; ++r) s.append(r > 1 ? "|" : "").append(Name().GetItem(r));
    return s;
  }
  std::string Marks() {
    std::string s;
    for (int r = 1; r <= t.RowCount; ++r) s += std::to_string(t.MarkRec->Get(r));
    return s;
  }
};

std::uint8_t CompareTexts(const std::string& a, const std::string& b) { return CompareValues(&a, &b, 's'); }

TEST(TableOps, RowInsertionAndDeletionKeepColumnsAndMarksTogether) {
  Fixture f;
  f.Fill({{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}});
  InsertTableRow(f.t, 2);
  EXPECT_EQ(f.t.RowCount, 4);  // the caller counts
  f.t.RowCount = 5;
  EXPECT_EQ(f.Names(), "a||b|c|d");
  EXPECT_EQ(f.Marks(), "10234");
  EXPECT_EQ(f.Grp()[2], 0);

  DeleteTableRow(f.t, 1);
  f.t.RowCount = 4;
  EXPECT_EQ(f.Names(), "|b|c|d");
  EXPECT_EQ(f.Name().GetItem(5), "");  // the freed last row is empty

  InsertTableRows(f.t, 5, 2);  // appending at the end
  EXPECT_EQ(f.t.RowCount, 6);
  EXPECT_EQ(f.Names(), "|b|c|d||");
  DeleteTableRows(f.t, 2, 3);
  EXPECT_EQ(f.Names(), "|d||");
  EXPECT_EQ(f.Marks(), "0400");
  DeleteTableRows(f.t, 3, 99);  // rows beyond the table are not counted
  EXPECT_EQ(f.t.RowCount, 2);
  EXPECT_EQ(f.Grp()[2], 4);
}

TEST(TableOps, CopiesAreIndependent) {
  Fixture f;
  f.Fill({{1, "a"}, {2, "b"}});
  f.t.Title = "Заголовок";
  f.P()[2] = 2.5;
  TDataFile copy;
  CopyTable(f.t, copy);
  f.Name().SetItem(1, "changed");
  f.P()[2] = 0;
  FreeTable(f.t);
  EXPECT_EQ(copy.Title, "Заголовок");
  EXPECT_EQ(copy.NOrder, 2);
  ASSERT_EQ(copy.RowCount, 2);
  EXPECT_EQ(GetColumnAs<DAString>("Name", copy)->GetItem(1), "a");
  EXPECT_EQ((*GetColumnAs<DAdouble>("P", copy))[2], 2.5);
  EXPECT_EQ(copy.MarkRec->Get(2), 2);

  TDataFile other;
  CopyTable(copy, other);
  CopyTableRow(copy, other, 1, 2);
  EXPECT_EQ(GetColumnAs<DAString>("Name", other)->GetItem(2), "a");
  EXPECT_EQ((*GetColumnAs<DAdouble>("P", other))[2], 0);
  EXPECT_EQ(other.MarkRec->Get(2), 1);
}

TEST(TableOps, ValueComparison) {
  const std::int16_t i1 = -5, i2 = 3;
  const std::uint16_t w1 = 65535, w2 = 3;
  const std::uint8_t c1 = 0xC0, c2 = 0x41;  // "А" and "A" as Windows-1251 bytes
  const float f1 = 0.1f, f2 = 0.1f;
  const std::int64_t n1 = (std::int64_t{1} << 53) + 1, n2 = std::int64_t{1} << 53;
  EXPECT_EQ(CompareValues(&i1, &i2, 'i'), 1);
  EXPECT_EQ(CompareValues(&w1, &w2, 'w'), 3);
  EXPECT_EQ(CompareValues(&c1, &c2, 'c'), 3);
  EXPECT_EQ(CompareValues(&f1, &f2, 'f'), 2);
  EXPECT_EQ(CompareValues(&n1, &n2, 'n'), 3);
  EXPECT_EQ(CompareValues(&i1, &i2, 'x'), 255);

  EXPECT_EQ(CompareTexts("подстанция", "ПОДСТАНЦИЯ"), 2);
  EXPECT_EQ(CompareTexts("", ""), 2);
  EXPECT_EQ(CompareValues(nullptr, nullptr, 's'), 2);
  EXPECT_EQ(CompareTexts("", " "), 1);
  EXPECT_EQ(CompareTexts("б", "А"), 3);
  EXPECT_EQ(CompareTexts("№1", "А"), 1);  // Windows-1251 order: "№" is 0xB9, before the letters
  EXPECT_EQ(CompareTexts("z", "а"), 1);
  EXPECT_EQ(CompareTexts("ab", "a"), 3);

  DAFstring fixed(4, 2);
  fixed.SetItem(1, "тп1");
  fixed.SetItem(2, "ТП1");
  EXPECT_EQ(CompareValues(fixed.ItemPtr(1), fixed.ItemPtr(2), 't'), 2);
}

TEST(TableOps, BinaryAndMultiKeySearch) {
  DALongint col;
  const int values[] = {10, 20, 20, 20, 50};
  for (int r = 1; r <= 5; ++r) col[r] = values[r - 1];
  bool found = true;
  auto search = [&](int v) { return BinarySearchColumn(&v, col, 'l', found, 5); };
  EXPECT_EQ(search(60), 6);
  EXPECT_FALSE(found);
  EXPECT_EQ(search(20), 4);
  EXPECT_TRUE(found);
  EXPECT_EQ(search(10), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(search(50), 5);
  EXPECT_EQ(search(5), 1);
  EXPECT_FALSE(found);
  EXPECT_EQ(search(15), 2);
  EXPECT_EQ(search(30), 5);
  const int v = 7;
  EXPECT_EQ(BinarySearchColumn(&v, col, 'l', found, 0), 1);
  EXPECT_FALSE(found);

  // Every insertion point of a longer column agrees with a linear scan.
  DALongint even;
  for (int r = 1; r <= 40; ++r) even[r] = 2 * r;
  for (int x = 0; x <= 82; ++x) {
    const int row = BinarySearchColumn(&x, even, 'l', found, 40);
    EXPECT_EQ(found, x % 2 == 0 && x >= 2 && x <= 80) << x;
    EXPECT_EQ(row, found ? x / 2 : std::min((x + 2) / 2, 41)) << x;
  }

  Fixture f;
  f.Fill({{1, "а"}, {1, "б"}, {2, "а"}, {2, "В"}, {2, "в"}, {3, "а"}});
  const std::uint8_t keys[] = {1, 2};
  const int grp = 2;
  const std::string name = "в";
  const void* both[] = {&grp, &name};
  int lo = 1, hi = f.t.RowCount;
  EXPECT_EQ(MultiKeySearch(both, keys, 2, found, hi, lo, f.t), 5);
  EXPECT_TRUE(found);
  EXPECT_EQ(lo, 4);
  EXPECT_EQ(hi, 5);

  const std::string missing = "б";
  const void* partly[] = {&grp, &missing};
  lo = 1;
  hi = f.t.RowCount;
  EXPECT_EQ(MultiKeySearch(partly, keys, 2, found, hi, lo, f.t), 4);  // within the run of group 2
  EXPECT_FALSE(found);
  EXPECT_EQ(lo, 3);
  EXPECT_EQ(hi, 5);

  lo = 3;
  hi = 2;
  EXPECT_EQ(MultiKeySearch(both, keys, 2, found, hi, lo, f.t), 1);
  EXPECT_FALSE(found);
}

TEST(TableOps, StableMultiKeySort) {
  Fixture f;
  f.Fill({{2, "б"}, {1, "Б"}, {2, ""}, {1, "а"}, {1, "б"}, {2, "Б"}});
  std::vector<float> calls;
  const TProgressProc progress = [&](float p) { calls.push_back(p); };
  const std::uint8_t keys[] = {1, 2};
  bool changed = false;
  SortTable(f.t, 2, keys, changed, progress);
  EXPECT_TRUE(changed);
  // Equal keys ("Б" and "б" in one group) keep their former order; the empty name comes first.
  EXPECT_EQ(f.Names(), "а|Б|б||б|Б");
  EXPECT_EQ(f.Marks(), "425316");
  EXPECT_EQ(calls, (std::vector<float>{100.0f / 6, 200.0f / 6, 50, 400.0f / 6, 500.0f / 6, 100, 100, 0}));
  EXPECT_TRUE(IsTableSorted(f.t, 2, keys));

  calls.clear();
  SortTable(f.t, 2, keys, changed, progress);
  EXPECT_FALSE(changed);
  EXPECT_TRUE(calls.empty());

  // One key sorts by it alone; the fixed-string column orders like texts.
  Fixture g;
  g.Fill({{0, "x"}, {0, "y"}, {0, "z"}});
  auto& code = *GetColumnAs<DAFstring>("Code", g.t);
  code.SetItem(1, "яя");
  code.SetItem(2, "");
  code.SetItem(3, "ЮЮ");
  const std::uint8_t codeKey[] = {3};
  SortTable(g.t, 1, codeKey, changed);
  EXPECT_EQ(g.Names(), "y|z|x");

  // Progress steps by a tenth of the rows.
  Fixture h;
  std::vector<std::pair<int, std::string>> rows;
  for (int r = 0; r < 25; ++r) rows.emplace_back(25 - r, "");
  h.Fill(rows);
  calls.clear();
  SortTable(h.t, 1, keys, changed, progress);
  ASSERT_EQ(calls.size(), 14u);  // rows 2, 4 .. 24, then 100 and 0
  EXPECT_FLOAT_EQ(calls[0], 8);
  EXPECT_FLOAT_EQ(calls[11], 96);
  EXPECT_EQ(h.Grp()[1], 1);
  EXPECT_EQ(h.Grp()[25], 25);
}

TEST(TableOps, InsertSortedMovesThePermutationAlong) {
  DAdouble values;
  DALongint perm;
  const double v[] = {35, 0.4, 10, 0.4, 6};
  for (int r = 1; r <= 5; ++r) {
    values[r] = v[r - 1];
    perm[r] = r;
  }
  EXPECT_TRUE(InsertSorted(values, 'd', 5, &perm));
  EXPECT_EQ(std::vector<double>(values.Data() + 1, values.Data() + 6), (std::vector<double>{0.4, 0.4, 6, 10, 35}));
  EXPECT_EQ(std::vector<int>(perm.Data() + 1, perm.Data() + 6), (std::vector<int>{2, 4, 5, 3, 1}));
  EXPECT_FALSE(InsertSorted(values, 'd', 5, &perm));

  DAString texts;
  texts.SetItem(1, "в");
  texts.SetItem(2, "А");
  texts.SetItem(3, "б");
  EXPECT_TRUE(InsertSorted(texts, 's', 3, nullptr));
  EXPECT_EQ(texts.GetItem(1) + texts.GetItem(2) + texts.GetItem(3), "Абв");
}

TEST(TableOps, FindRowByText) {
  Fixture f;
  f.Fill({{1, "ПС Северная"}, {2, "тп-5"}, {3, "ТП-5"}, {4, "ТП-51"}});
  test::ScriptedMsgBox box;
  int row = 0;
  EXPECT_TRUE(FindRowByText("Name", "тп-5", f.t, false, row));
  EXPECT_EQ(row, 2);
  EXPECT_TRUE(FindRowByText("Name", "тп-5", f.t, false, row));
  EXPECT_EQ(row, 3);
  row = 0;
  EXPECT_TRUE(FindRowByText("Name", "ТП-5", f.t, true, row));  // equal in any letter case, not "ТП-51"
  EXPECT_EQ(row, 2);
  EXPECT_TRUE(FindRowByText("Name", "ТП-5", f.t, true, row));
  EXPECT_EQ(row, 3);
  row = 0;
  EXPECT_TRUE(FindRowByText("Grp", "4", f.t, true, row));
  EXPECT_EQ(row, 4);
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_FALSE(FindRowByText("Name", "ТП", f.t, false, row));
  EXPECT_EQ(row, 0);
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].text, "Поиск закончен");
  EXPECT_EQ(box.Calls()[0].kind, mkInfo);
  EXPECT_THROW(FindRowByText("Нет", "x", f.t, false, row), Error);
}

TEST(TableOps, TextExportIsTabSeparatedWindows1251) {
  Fixture f;
  f.Fill({{1, "ТП-1"}, {0, ""}});
  f.P()[1] = 1234567.891;
  (*GetColumnAs<DAreal>("Q", f.t))[1] = 1234.5;
  (*GetColumnAs<DAChar>("Sign", f.t))[1] = 'B';  // hidden column
  GetColumnAs<DAFstring>("Code", f.t)->SetItem(2, "К1");
  const std::string name = f.dir / "textfile.txt";
  ExportTableText(name, f.t);
  const std::string nbsp = "\u00A0";
  EXPECT_EQ(test::ReadBytes(name), Utf8ToCp1251("№ п/п\tГруппа\tИмя\tКод\tP, МВт\tQ\r\n"
                                                "1\t1\tТП-1\t\t1234567.89\t1" + nbsp + "234.50\r\n"
                                                "2\t\t\tК1\t\t\r\n"));

  for (int k = 1; k <= f.t.NCols; ++k) f.t.Visible[k] = 0;
  ExportTableText(name, f.t);
  EXPECT_EQ(test::ReadBytes(name), Utf8ToCp1251("№ п/п\r\n1\r\n2\r\n"));
  EXPECT_THROW(ExportTableText((f.dir / "none") + "/x.txt", f.t), Error);
}

}  // namespace
}  // namespace ld
