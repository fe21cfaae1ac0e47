// Branch parameters recalculated from the scheme's passport lists and the catalogues.
#include "core/regime/recalc.h"

#include <algorithm>

#include "core/base/strings.h"
#include "core/catalogs/catalog_records.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/trans_formulas.h"
#include "regime_test.h"
#include "support/table_rows.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    files.push_back(e.path().string() + " " + (e.is_regular_file() ? std::to_string(e.file_size()) : "dir"));
  std::sort(files.begin(), files.end());
  return files;
}

using Recalc = RegimeTest;

TEST_F(Recalc, RowsFromListsWithTapsAndMessages) {
  fs::create_directories(dir.Path() / "cat");
  const std::string scheme = dir / "s";
  const std::string good = "ВН-РПН-П-19-10-1.78";
  WriteRows(scheme + ".LT2", ListLayoutT2,
            {{"Т1", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "0", "0", ""},
             {"Т2", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "0", "0", "ВН-РПН-П-x-10-1.78"},
             {"Т3", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "0", "0", good},
             {"Т4", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "0", "0", good + ";ВН-ТПР-П-9-5-1"}});
  WriteRows(scheme + ".LT3", ListLayoutT3,
            {{"АТ1", "ТДТН-40000/110", "40000", "66.7", "100", "115", "38.5", "11", "200", "200", "200", "10.5", "17",
              "6", "0", "0", "ВН-РПН-П-19-10-1.78"}});
  WriteRows(scheme + ".LRT", ListLayoutRT, {{"Р1", "РБ-10-630-0.56", "10", "630", "0.56", "0", "3"}});

  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  const char* typEqu[] = {"T2|Т1|0", "T3|АТ1|1", "RT|Р1|", "T2|Т2|0", "T2|Т3|0", "T2|Т1|x",
                          "LN|10|",  "T2|Т4|0",  "T2|Т9|0", "RX||",   "T2|Т3|0"};
  const int rows = static_cast<int>(std::size(typEqu));
  CreateColumns(branches, rows);
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int r = 1; r <= rows; ++r) b.TypEqu->SetItem(r, typEqu[r - 1]), (*b.R)[r] = 1, (*b.X)[r] = 2;
  b.Notv[5] = 25;  // beyond the 19 positions
  b.Regulation->SetItem(10, good);
  (*b.Ktn)[10] = 2, b.Notv[10] = 11, b.Notv[11] = 12;
  const auto before = Listing(dir.Path());

  const std::vector<std::string> info =
      RecalcBranchParams(branches, {dir / "cat/", scheme, true}, [](int) {});

  EXPECT_NEAR(b.R->Get(1), 7.935, 1e-3);
  EXPECT_NEAR(b.X->Get(1), 138.636, 1e-3);

  EXPECT_NEAR(b.Sdop->Get(2), 40 * 0.667, 1e-3);  // the medium winding's share of the rating

  // The taps: a zero Notv takes the in-phase neutral, a zero Ntpr the quadrature one.
  EXPECT_EQ((std::vector<int>{b.Notv.Get(8), b.Ntpr.Get(8)}), (std::vector<int>{10, 5}));
  EXPECT_NEAR(b.Kta->Get(8), 10.4545, 1e-4);
  EXPECT_NEAR(b.Kta->Get(11), 115.0 / 11 * (1 + 2 * 0.0178), 1e-4);

  // a line without mark is left alone, and so are the rows that fail
  EXPECT_EQ((std::vector<float>{b.R->Get(6), b.R->Get(7), b.R->Get(9)}), (std::vector<float>{1, 1, 1}));
  ASSERT_EQ(info.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(info.begin(), info.begin() + 3),
            (std::vector<std::string>{"строка 4: неверно задана регулировка трансформатора",
                                      "строка 5: ошибка расчета Ктр", "Строка 6: \"x\" не является целым числом"}));
  EXPECT_EQ(info[3].rfind("строка 9: ", 0), 0u) << info[3];
  EXPECT_EQ(Listing(dir.Path()), before);  // nothing written, no catalogue created
}

}  // namespace
}  // namespace ld::test
