// Two-transformer stations: finding them, the automatic search against losses worked out by hand, and
// the letters written back.
#include <gtest/gtest.h>

#include "core/base/settings.h"
#include "core/optim/t2_stations.h"
#include "core/optim/q_fixture.h"

namespace ld::test::optim {
namespace {

struct Station {
  TempDir dir;
  std::string path;
  TT2Optimiser opt;

  // Sections loaded with p MW each.
  explicit Station(double p) {
    IniRec.Prec = 1e-6f;
    path = (dir.Path() / "t2").string();
    WriteNodeTable(path, {{1, "B", "ПС1.Шины 10", 10, 0, 0, 0}, {2, "", "ПС1.С1", 10, p, 0, 0}, {3, "", "ПС1.С2", 10, p, 0, 0}});
    QBranch section(2, 3);  // between the sections, open
    section.Commut = "о";
    WriteBranchTable(path, {Transformer(1, 2, "Т1"), Transformer(1, 3, "Т2"), section});
  }
  ~Station() { IniRec.Prec = 0.001f; }
  TT2Cols Cols() {
    TT2Cols c;
    FillT2Cols(opt.Stations, c);
    return c;
  }
};

TEST(T2Stations, LightLoadSwitchesOneTransformerOffHeavyLoadKeepsBothUnsuppliedIsNoRow) {
  Station light(0.1);
  light.opt.Open(light.path);
  ASSERT_EQ(light.opt.RowCount(), 1);
  std::vector<std::string> lines;
  light.opt.Run(0.1, [&](const std::string& s) { lines.push_back(s); }, {}, {});
  TT2Cols c = light.Cols();
  // The two transformers are alike: which goes off is a matter of rounding (equal criteria take T1).
  const int off = c.STo->Get(1);
  ASSERT_TRUE(off == 1 || off == 2) << off;
  EXPECT_NEAR(c.dPr->Get(1), 0.927, 0.01);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[1].rfind("0. dP = 3.0", 0), 0u) << lines[1];
  EXPECT_EQ(lines.back().rfind("1. ПС1 Т1 (ТМ-630), Т2 (ТМ-630): 3 ==> " + std::to_string(off) + " ==> 0.9", 0), 0u)
      << lines.back();
  EXPECT_EQ(Letters(light.path), "--O");  // nothing written yet
  light.opt.Write();
  EXPECT_EQ(Letters(light.path), off == 1 ? "O--" : "-O-");
  EXPECT_EQ(std::pair(light.Cols().ST->Get(1), light.Cols().STo->Get(1)), std::pair(off, 0));

  Station heavy(0.25);
  heavy.opt.Open(heavy.path);
  heavy.opt.Run(0.1, {}, {}, {});
  EXPECT_EQ(std::tuple(heavy.Cols().STo->Get(1), heavy.Cols().dPr->Get(1), heavy.opt.SwitchingList().size()),
            std::tuple(0, 0.0f, std::size_t{1}));
  heavy.opt.Write();  // the found state written back: exactly one letter
  EXPECT_EQ(Letters(heavy.path), "--O");

  // A station that no balancing node supplies is no row.
  QBranch open(12, 13);
  open.Commut = "О";
  WriteNodeTable(heavy.path, {{1, "B", "ПС1", 10, 0, 0, 0}, {11, "", "ПС3", 10, 0, 0, 0}, {12, "", "ПС3.С1", 10, 0.1, 0, 0},
                              {13, "", "ПС3.С2", 10, 0.1, 0, 0}});
  WriteBranchTable(heavy.path, {Transformer(11, 12, "Т6"), Transformer(11, 13, "Т7"), open});
  heavy.opt.Open(heavy.path);
  EXPECT_EQ(heavy.opt.RowCount(), 0);
}

}  // namespace
}  // namespace ld::test::optim
