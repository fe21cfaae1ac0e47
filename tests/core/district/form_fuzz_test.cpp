// Seeded random district bases, and damaged table files, through scheme forming: no crash, and a
// formed scheme that holds together whatever the cells say.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "core/base/error.h"
#include "core/tables/table_ops.h"
#include "form_fixture.h"
#include "support/fuzz_mutations.h"

namespace ld::test {
namespace {

using FormFuzz = FormTest;

class CellPicker {
public:
  explicit CellPicker(unsigned seed) : random_(seed) {}
  std::string From(std::initializer_list<const char*> choices) {
    return *(choices.begin() + random_() % choices.size());
  }
  std::string Name() {
    static const char* parts[] = {"ТП-1", "тп-1", "TП-1", "1", "2", "ТП-2.", "ТП-2.1", "ТП-2.А", "РК-", "ПС", ".", " ", "Т1",
                                  "", "отп1_1", "ы", "!"};
    std::string name;
    for (unsigned k = random_() % 3; k > 0; --k) name += parts[random_() % std::size(parts)];
    return name;
  }
  Rows Table(int rows, int cols, const std::function<std::string(int)>& cell) {
    Rows out;
    for (int r = 0; r < rows; ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < cols; ++c) row.push_back(cell(c));
      out.push_back(row);
    }
    return out;
  }
  std::mt19937& Random() { return random_; }

private:
  std::mt19937 random_;
};

TEST_F(FormFuzz, RandomBasesFormConsistentSchemes) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    CellPicker p(seed);
    const auto letter = [&] { return p.From({"", "+", "П", "п", "Т", "T", "Р", "P", "Н", "H", "К", "О", "o", "Ф", "Б", "С", "x"}); };
    const auto integer = [&] { return p.From({"", "0", "1", "-4", "7", "3", "5", "-32768"}); };
    const auto real = [&] { return p.From({"", "0", "100", "-4", "0.75", "1e30", "10.5"}); };
    Base(LayoutLines10, p.Table(30, 18, [&](int c) {
      switch (c) {
        case 1: case 9: case 10: return letter();
        case 2: case 3: return p.Name();
        case 4: return p.From({"", "1", "2"});
        case 5: return p.From({"", "1000*АС-50", "АС-50!x", "ШСВ", "ТМ-400/10/0.4", "(", "1*АВВГ-95/2*АС-70"});
        case 6: return p.From({"", "10", "10/0.4", "0.4", "/", "x/y", "6"});
        case 13: return p.From({"", "T2||", "TR||1", "T3|x|9", "RT||", "LN|10|", "|||", "T2|Т1|300"});
        default: return std::string();
      }
    }));
    Base(LayoutTransTP, p.Table(12, 30, [&](int c) {
      switch (c) {
        case 1: case 3: case 4: return p.Name();
        case 2: return p.From({"", "Т1", "2"});
        case 5: return p.From({"", "ТМ-400/10/0.4", "ТМ-x/10", "ТМ", "-/", "ТМ-630/10/0.4/7"});
        case 6: return p.From({"", "T2||", "TR||2", "XX"});
        case 8: case 9: case 26: case 27: return letter();
        case 12: return p.From({"", "1"});
        case 13: return integer();
        case 14: case 15: case 16: case 17: case 24: return real();
        default: return std::string();
      }
    }));
    Base(LayoutLines04, p.Table(10, 14, [&](int c) {
      switch (c) {
        case 0: case 2: return p.Name();
        case 1: return p.From({"", "Т1"});
        case 3: return p.From({"", "100*АВВГ-95", "?"});
        case 4: return p.From({"", "0", "9"});
        case 5: return integer();
        case 10: case 11: return real();
        case 6: case 7: case 8: return letter();
        default: return std::string();
      }
    }));
    Base(LayoutSubstInputs, p.Table(6, 12, [&](int c) {
      switch (c) {
        case 0: case 1: case 2: return p.Name();
        case 5: case 6: return letter();
        case 4: return integer();
        case 3: case 7: case 8: case 11: return real();
        default: return std::string();
      }
    }));
    Base(LayoutSubstFeeders, p.Table(6, 12, [&](int c) {
      switch (c) {
        case 0: case 1: return p.Name();
        case 6: return letter();
        case 5: return integer();
        case 7: case 11: return real();
        default: return std::string();
      }
    }));
    options.T04 = seed % 2 == 0;
    options.L04 = seed % 3 != 0;
    options.EERM = seed % 5 == 0;
    options.SNR = seed % 7 == 0;
    options.FeederSelection = seed % 11 == 0;
    options.ChkTr = seed % 4 == 0;
    options.PrefTP = ",ТП,";
    Form({p.Name()});

    ASSERT_EQ(nodeCount, nodes.RowCount) << seed;
    std::set<int> numbers;
    for (int r = 1; r <= nodes.RowCount; ++r) numbers.insert(n.NS->Get(r));
    EXPECT_EQ(static_cast<int>(numbers.size()), nodeCount) << seed;
    EXPECT_TRUE(numbers.empty() || (*numbers.begin() == 1 && *numbers.rbegin() == nodeCount)) << seed;
    const std::uint8_t key[] = {static_cast<std::uint8_t>(FindColumnIndex("Name", nodes))};
    EXPECT_TRUE(IsTableSorted(nodes, 1, key)) << seed;
    for (int r = 1; r <= branches.RowCount; ++r) {
      EXPECT_TRUE(b.N1->Get(r) >= 1 && b.N1->Get(r) <= nodeCount) << seed << " branch " << r;
      EXPECT_TRUE(b.N2->Get(r) >= 1 && b.N2->Get(r) <= nodeCount) << seed << " branch " << r;
    }
    for (const std::string& e : errors) EXPECT_FALSE(e.empty()) << seed;
  }
}

TEST_F(FormFuzz, DamagedBaseFilesAreRefusedWithTheStoreError) {
  Base(LayoutLines10, {{"1", "П", "ПС", "ТП-1", "", "1000*АС-50", "10"}, {"1", "", "ТП-1", "ТП-2"}});
  const std::string valid = ReadBytes(File(LayoutLines10));
  std::mt19937 random(41);
  for (int k = 0; k < 30; ++k) {
    WriteBytes(File(LayoutLines10), Mutate(valid, random));
    try {
      Form();
    } catch (const Error&) {
      UnlockTableFiles(Stem(), ".RSL,.RTP,.R04,.RSV,.SWT");
    }
  }
}

}  // namespace
}  // namespace ld::test
