// The views of the period losses: which rows each view takes, the sums, the loading order and units,
// the node voltage deviations, and the loss panel's voltage choices.
#include "core/regime/energy_views.h"

#include "regime_test.h"

namespace ld::test {
namespace {

struct Flow {
  const char* t;
  float ul, idop, imax, sdop, smax;
  double dWPz = 0, dWPy = 0;
  std::int32_t nr = 0;
};

class EnergyViews : public RegimeTest {
protected:
  TDataFile energy, nodes, view;
  void Flows(const std::vector<Flow>& flows) {
    ReadMaket(LayoutBranchEnergy, energy);
    CreateColumns(energy, static_cast<int>(flows.size()));
    energy.Title = "Период";
    TBranchEnergyCols e;
    FillBranchEnergyCols(energy, e);
    for (int i = 1; i <= e.RowCount; ++i) {
      const Flow& f = flows[static_cast<std::size_t>(i - 1)];
      (*e.N1)[i] = i, (*e.N2)[i] = 100 + i, (*e.T)[i] = Letter(f.t), (*e.Ul)[i] = f.ul;
      (*e.Idop)[i] = f.idop, (*e.Imax)[i] = f.imax, (*e.Sdop)[i] = f.sdop, (*e.Smax)[i] = f.smax;
      (*e.dWPz)[i] = f.dWPz, (*e.dWPy)[i] = f.dWPy, (*e.Nr)[i] = f.nr;
      (*energy.MarkRec)[i] = static_cast<std::uint8_t>(i);
    }
  }
};

TEST_F(EnergyViews, LinesByFallingLoadingTheUnratedLast) {
  Flows({{"", 10, 0, 50, 0, 0}, {"", 10, 100, 80, 0, 0}, {"Т", 10, 0, 0, 0.4f, 0.2f}, {"", 10, 100, 95, 0, 0},
         {"Р", 10, 100, 99, 0, 0}});
  std::vector<int> progress;
  BuildEnergyLoadView(energy, true, view, [&](int p) { progress.push_back(p); });
  TLineEnergyCols v;
  FillLineEnergyCols(view, v);
  ASSERT_EQ(v.RowCount, 3);
  EXPECT_EQ(view.Title, "Период");
  EXPECT_EQ(v.N1->Get(1), 4);
  EXPECT_FLOAT_EQ(v.Ip->Get(1), 95);
  EXPECT_EQ(v.N1->Get(2), 2);
  EXPECT_FLOAT_EQ(v.Ip->Get(2), 80);
  EXPECT_EQ(v.N1->Get(3), 1);
  EXPECT_FLOAT_EQ(v.Ip->Get(3), 0);
  EXPECT_EQ(view.MarkRec->Get(1), 4);  // the source row's mark goes with it
  EXPECT_EQ(progress, (std::vector<int>{20, 40, 60, 80, 100}));

  BuildEnergyLoadView(energy, false, view);
  TTransEnergyCols t;
  FillTransEnergyCols(view, t);
  ASSERT_EQ(t.RowCount, 1);
  EXPECT_FLOAT_EQ(t.Sdop->Get(1), 400);
  EXPECT_FLOAT_EQ(t.Smax->Get(1), 200);
  EXPECT_FLOAT_EQ(t.Sp->Get(1), 50);
}

TEST_F(EnergyViews, LossesSumLoadAndNoLoad) {
  Flows({{"", 10, 0, 0, 0, 0, 3, 1}, {"Т", 10, 0, 0, 0, 0, 5, 2}});
  BuildEnergyLossView(energy, true, view);
  TLineELossCols l;
  FillLineELossCols(view, l);
  ASSERT_EQ(l.RowCount, 1);
  EXPECT_DOUBLE_EQ(l.dWPl->Get(1), 4);
  EXPECT_FLOAT_EQ(l.Ul->Get(1), 10);
  BuildEnergyLossView(energy, false, view);
  TTransELossCols t;
  FillTransELossCols(view, t);
  ASSERT_EQ(t.RowCount, 1);
  EXPECT_EQ(t.N1->Get(1), 2);
  EXPECT_DOUBLE_EQ(t.dWPt->Get(1), 7);
}

TEST_F(EnergyViews, NodeDeviationsAndVoltageChoices) {
  ReadMaket(LayoutNodeEnergy, nodes);
  CreateColumns(nodes, 2);
  TNodeEnergyCols n;
  FillNodeEnergyCols(nodes, n);
  auto set = [](TDynamicArray* a, int row, double v) {
    if (a->TypeLetter() == 'l') (*static_cast<DALongint*>(a))[row] = static_cast<std::int32_t>(v);
    else if (a->TypeLetter() == 'f') (*static_cast<DAsingle*>(a))[row] = static_cast<float>(v);
    else (*static_cast<DAdouble*>(a))[row] = v;
  };
  set(n.NS, 1, 7), set(n.Unom, 1, 10), set(n.Umin, 1, 9.5), set(n.Umax, 1, 10.5), set(n.WPn, 1, 123);
  set(n.NS, 2, 3), set(n.Unom, 2, 0), set(n.Umin, 2, 9.5);
  BuildNodeConsumptionView(nodes, view);
  TNodeVoltDevCols v;
  FillNodeVoltDevCols(view, v);
  ASSERT_EQ(v.RowCount, 2);
  int row7 = v.NS->Get(1) == 7 ? 1 : 2;
  EXPECT_FLOAT_EQ(v.dUmin->Get(row7), -5);
  EXPECT_FLOAT_EQ(v.dUmax->Get(row7), 5);
  EXPECT_DOUBLE_EQ(v.WPn->Get(row7), 123);
  EXPECT_FLOAT_EQ(v.dUmin->Get(3 - row7), 0);

  Flows({{"", 10, 0, 0, 0, 0, 0, 0, 5}, {"", 0.4f, 0, 0, 0, 0, 0, 0, 2}, {"", 0, 0, 0, 0, 0, 0, 0, 5},
         {"Т", 10, 0, 0, 0, 0}});
  const TLossChoices c = EnergyLossChoices(energy);
  EXPECT_EQ(c.Voltages, (std::vector<std::string>{"0.4", "10"}));
  EXPECT_EQ(c.Districts, (std::vector<std::int32_t>{2, 5}));
}

}  // namespace
}  // namespace ld::test
