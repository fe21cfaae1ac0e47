#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/tables/table_ops.h"
#include "support/full_disk.h"
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
  EXPECT_EQ(search(5), 1);
  EXPECT_FALSE(found);
  const int v = 7;
  EXPECT_EQ(BinarySearchColumn(&v, col, 'l', found, 0), 1);
  EXPECT_FALSE(found);

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
}

TEST(TableOps, StableMultiKeySort) {
  Fixture f;
  f.Fill({{2, "б"}, {1, "Б"}, {2, ""}, {1, "а"}, {1, "б"}, {2, "Б"}});
  const std::uint8_t keys[] = {1, 2};
  bool changed = false;
  const std::string* held = f.Name().GetPtr(4);  // a text handed out stays valid through the sort
  SortTable(f.t, 2, keys, changed);
  EXPECT_TRUE(changed);
  EXPECT_EQ(*held, "а");
  EXPECT_EQ(f.Name().GetPtr(1), held);
  // Equal keys ("Б" and "б" in one group) keep their former order; the empty name comes first.
  EXPECT_EQ(f.Names(), "а|Б|б||б|Б");
  EXPECT_EQ(f.Marks(), "425316");
  EXPECT_TRUE(IsTableSorted(f.t, 2, keys));
  SortTable(f.t, 2, keys, changed);
  EXPECT_FALSE(changed);

  // One key sorts by it alone; the fixed-string column orders like texts.
  auto& code = *GetColumnAs<DAFstring>("Code", f.t);
  code.SetItem(1, "яя");
  code.SetItem(3, "ЮЮ");
  const std::uint8_t codeKey[] = {3};
  SortTable(f.t, 1, codeKey, changed);
  EXPECT_EQ(f.Names(), "Б||б|Б|б|а");

  // Texts alike in their first eight characters; letters without a Windows-1251 code order by their
  // code points, whatever follows them.
  f.Fill({{1, "ѳ0"}, {1, "ѣ1"}, {1, "ТП-12345-2"}, {1, "ТП-12345-1"}});
  const std::uint8_t nameKey[] = {2};
  SortTable(f.t, 1, nameKey, changed);
  EXPECT_EQ(f.Names(), "ТП-12345-1|ТП-12345-2|ѣ1|ѳ0");

  // Numbers: a signed 16-bit column orders its negatives first; a NaN goes before every number, the
  // NaNs in their former order.
  TempDir dir;
  LayoutScope scope{dir, "Name=Числа\nExtention=.CHS\nCount=2\nOrder=1\ni,50,6,0,1,1,0,0,N,N\nd,80,12,2,1,1,0,0,V,V\n"};
  TDataFile t;
  ReadMaket("Числа", t);
  CreateColumns(t, 5);
  auto& n = *GetColumnAs<DAsmallint>("N", t);
  auto& v = *GetColumnAs<DAdouble>("V", t);
  const std::int16_t ns[] = {300, -2, 5, -32768, 0};
  const double vs[] = {NAN, 2.5, NAN, 0, -1};
  for (int r = 1; r <= 5; ++r) n[r] = ns[r - 1], v[r] = vs[r - 1], (*t.MarkRec)[r] = static_cast<std::uint8_t>(r);
  auto marks = [&] {
    std::string m;
    for (int r = 1; r <= 5; ++r) m += std::to_string(t.MarkRec->Get(r));
    return m;
  };
  const std::uint8_t byN[] = {1}, byV[] = {2};
  SortTable(t, 1, byN, changed);
  EXPECT_EQ(marks(), "42531");
  SortTable(t, 1, byV, changed);
  EXPECT_EQ(marks(), "31542");
  EXPECT_TRUE(IsTableSorted(t, 1, byV));
}

// The sort agrees with a plain stable sort by CompareValues over thousands of rows: texts alike in many
// leading characters, letters in both cases, characters without a Windows-1251 code, malformed bytes,
// duplicates, negative numbers and -0 beside 0.
TEST(TableOps, SortAgreesWithValueComparison) {
  Fixture f;
  std::mt19937 random(7);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  const std::vector<std::string> starts = {"", "Подстанция ", "подстанция ", "ТП-12345", "ТП-1234", "Ab", "aB"};
  const std::vector<std::string> pieces = {"а", "Я", "я", "ё", "Ё", "z", "Z", "0", "9", "-", ".", " ", "ѣ", "€",
                                           "中", "\xD0", "\xFF", "\xE0\x80", "\xD0\xD0\xB0", "ÿ", "\x01"};
  std::vector<std::pair<int, std::string>> rows;
  for (int r = 0; r < 3000; ++r) {
    std::string name = starts[pick(starts.size())];
    for (std::size_t k = pick(pick(2) == 0 ? 3 : 14); k > 0; --k) name += pieces[pick(pieces.size())];
    rows.emplace_back(static_cast<int>(pick(7)) - 3, name);
  }
  const std::vector<std::vector<std::uint8_t>> keySets = {{2}, {2, 1}, {1, 2}, {3, 2}, {4, 2}, {6, 3, 1}};
  for (const std::vector<std::uint8_t>& keys : keySets) {
    f.Fill(rows);
    auto& code = *GetColumnAs<DAFstring>("Code", f.t);
    auto& id = *GetColumnAs<DAreal>("Q", f.t);
    auto& sign = *GetColumnAs<DAChar>("Sign", f.t);
    const double ps[] = {0.0, -0.0, 1.5, -1.5, -1e300, 1e-300};
    for (int r = 1; r <= f.t.RowCount; ++r) {
      code.SetItem(r, pieces[pick(pieces.size())] + pieces[pick(pieces.size())]);
      f.P()[r] = ps[pick(6)];
      sign[r] = static_cast<char>(pick(256));
      id[r] = r;
    }
    std::vector<int> expected(static_cast<std::size_t>(f.t.RowCount));
    std::iota(expected.begin(), expected.end(), 1);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
      for (const std::uint8_t k : keys) {
        const char type = f.t.ColType[k];
        if (type == 's' || type == 't') {
          const auto text = [&](int r) {
            return type == 's' ? f.Name().GetItem(r) : code.GetItem(r);
          };
          const std::string ta = text(a), tb = text(b);
          if (ta.empty() || tb.empty()) {
            if (ta.empty() != tb.empty()) return ta.empty();
            continue;
          }
          const int c = CompareCp1251(UpperCase(ta), UpperCase(tb));
          if (c != 0) return c < 0;
          continue;
        }
        const std::uint8_t c =
            CompareValues(ValuePtr(*f.t.Columns[k], type, a), ValuePtr(*f.t.Columns[k], type, b), type);
        if (c != 2) return c == 1;
      }
      return false;
    });
    bool changed = false;
    SortTable(f.t, static_cast<int>(keys.size()), keys, changed);
    std::vector<int> got;
    for (int r = 1; r <= f.t.RowCount; ++r) got.push_back(static_cast<int>(id[r]));
    EXPECT_EQ(got, expected) << "keys " << int{keys[0]} << (keys.size() > 1 ? "," + std::to_string(keys[1]) : "");
    EXPECT_TRUE(IsTableSorted(f.t, static_cast<int>(keys.size()), keys));
  }
}

// A sort reports its way by row, ends with 100 and then 0; a table already in order reports nothing.
TEST(TableOps, SortReportsItsProgress) {
  Fixture f;
  f.Fill({{2, "б"}, {1, "Б"}, {2, ""}, {1, "а"}, {1, "б"}, {2, "Б"}});
  std::vector<float> calls;
  const TProgressProc progress = [&](float p) { calls.push_back(p); };
  const std::uint8_t keys[] = {1, 2};
  bool changed = false;
  SortTable(f.t, 2, keys, changed, progress);
  EXPECT_EQ(calls, (std::vector<float>{100.0f / 6, 200.0f / 6, 50, 400.0f / 6, 500.0f / 6, 100, 100, 0}));
  calls.clear();
  SortTable(f.t, 2, keys, changed, progress);
  EXPECT_TRUE(calls.empty());

  // A longer table steps by a tenth of its rows.
  Fixture h;
  std::vector<std::pair<int, std::string>> rows;
  for (int r = 0; r < 25; ++r) rows.emplace_back(25 - r, "");
  h.Fill(rows);
  SortTable(h.t, 1, keys, changed, progress);
  ASSERT_EQ(calls.size(), 14u);  // rows 2, 4 .. 24, then 100 and 0
  EXPECT_EQ(std::tuple(calls[0], calls[11], calls[12], calls[13]), std::tuple(8.0f, 96.0f, 100.0f, 0.0f));
  EXPECT_EQ(std::pair(h.Grp()[1], h.Grp()[25]), std::pair(1, 25));
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

  // A disk that fills halfway keeps the previous export and says so.
  const std::string previous = test::ReadBytes(name);
  for (int k = 1; k <= f.t.NCols; ++k) f.t.Visible[k] = 1;
  {
    test::FullDisk disk(10);
    EXPECT_EQ(test::ErrorOf([&] { ExportTableText(name, f.t); }), test::FullDiskMessage(name));
  }
  EXPECT_EQ(test::ReadBytes(name), previous);
}

}  // namespace
}  // namespace ld
