#include "core/district/load_analysis.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/tables/colmaps_int16.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

// The table of a layout from its file, or an empty one.
TDataFile ReadOrEmpty(const std::string& baseStem, const char* layout) {
  TDataFile table;
  ReadTableFileOrEmpty(baseStem + GetMaketExtention(layout), layout, table);
  return table;
}

// The upper-cased letter of a character cell is one of the letters.
bool LetterIn(char cell, std::u32string_view letters) {
  if (cell == 0) return false;
  return letters.find(UpperChar(Cp1251Char(static_cast<unsigned char>(cell)))) != std::u32string_view::npos;
}

constexpr std::u32string_view kNotConsumer = U"+-ПС";  // a feed's or station's metering kind
constexpr std::u32string_view kNotLoad = U"+-С";
constexpr std::u32string_view kNotGeneration = U"+-";

class TWalker {
public:
  explicit TWalker(const TLoadAnalysisCallbacks& callbacks) : callbacks_(callbacks) {}

  // Every row of a table, with the caption shown and the bar moving by tenths from 0.
  void Walk(const std::string& caption, int rows, const std::function<void(int)>& row) {
    if (callbacks_.Stage) callbacks_.Stage(caption);
    int bar = 0, last = 0;
    Move(bar);
    const int step = rows / 10 == 0 ? rows : rows / 10;
    for (int i = 1; i <= rows; ++i) {
      row(i);
      if (i - last >= step) {
        last += step;
        bar = std::min(100, bar + static_cast<int>(Round(step * 100.0 / rows)));
        Move(bar);
      }
    }
  }

private:
  void Move(int bar) {
    if (callbacks_.Progress) callbacks_.Progress(static_cast<float>(bar));
  }
  const TLoadAnalysisCallbacks& callbacks_;
};

const DAdouble& Doubles(const TDataFile& table, const char* field) { return *GetColumnAs<DAdouble>(field, table); }
const DAChar& Chars(const TDataFile& table, const char* field) { return *GetColumnAs<DAChar>(field, table); }

// A 16-bit integer column, "i" or "w".
TInt16Column Int16(const TDataFile& table, const char* field) {
  TDynamicArray* array = GetColumnArray(field, table);
  if (array == nullptr || (array->TypeLetter() != 'i' && array->TypeLetter() != 'w')) ThrowFieldNotFound(field, table);
  return TInt16Column(array);
}

}  // namespace

TLoadAnalysisSums SumLoadDistribution(const std::string& baseStem, const TLoadAnalysisCallbacks& callbacks) {
  TLoadAnalysisSums s;
  TWalker walker(callbacks);
  if (callbacks.Stage) callbacks.Stage("  Чтение файлов ... ");
  const TDataFile industrial = ReadOrEmpty(baseStem, LayoutMeterPoints);
  const TDataFile household = ReadOrEmpty(baseStem, LayoutHouseholds);
  const TDataFile stations = ReadOrEmpty(baseStem, LayoutTransTP);
  const TDataFile inputs = ReadOrEmpty(baseStem, LayoutSubstInputs);
  const TDataFile feeders = ReadOrEmpty(baseStem, LayoutSubstFeeders);
  const TDataFile lines04 = ReadOrEmpty(baseStem, LayoutLines04);
  const TDataFile nodes = ReadOrEmpty(baseStem, LayoutNodes);
  const TDataFile flows = ReadOrEmpty(baseStem, LayoutLineFlows);

  {
    const auto& link = *GetColumnAs<DAString>("LinkTP", industrial);
    const auto& kind = *GetColumnAs<DAbyte>("TypCounter", industrial);
    const DAdouble &w = Doubles(industrial, "W"), &wt = Doubles(industrial, "Wt"), &wl = Doubles(industrial, "Wl");
    walker.Walk("  База промышленных абонентов ... ", industrial.RowCount, [&](int i) {
      if (link.GetView(i).empty()) return;
      if (kind.Get(i) == 1) {
        s.IndCons += w.Get(i);
        s.IndLoss += wt.Get(i) + wl.Get(i);
      } else if (kind.Get(i) == 0) {
        s.IndGen += w.Get(i);
      }
    });
  }
  {
    const auto& link = *GetColumnAs<DAString>("LinkTP", household);
    const DAdouble& w = Doubles(household, "W");
    walker.Walk("  База бытовых абонентов ... ", household.RowCount, [&](int i) {
      if (!link.GetView(i).empty()) s.HouseCons += w.Get(i);
    });
  }

  // Feeds formed from meters count in the base, feeds metered as consumers among the loads added by hand.
  const auto feeds = [&](const TDataFile& table, bool manual) {
    const DAChar& b = Chars(table, "B");
    const DAdouble &pop = Doubles(table, "WPop"), &pom = Doubles(table, "WPom"), &loss = Doubles(table, "dWPa");
    const DAdouble &p = Doubles(table, "P"), &pm = Doubles(table, "Pm");
    const TInt16Column t = Int16(table, "T");
    walker.Walk("  Фидеры 10(6) кВ ... ", table.RowCount, [&](int i) {
      const int type = std::abs(t.Get(i));
      if (type != 4 && type != 5) return;
      if (manual) {
        if (LetterIn(b.Get(i), U"П")) {
          s.ManFedCons += p.Get(i);
          s.ManFedGen += pm.Get(i);
        }
      } else if (!LetterIn(b.Get(i), kNotConsumer)) {
        s.FedCons += pop.Get(i);
        s.FedGen += pom.Get(i);
        s.FedLoss += loss.Get(i);
      }
    });
  };
  // Rows of the types -4, -5 were formed from the subscriber bases; 4, 5 were given by hand.
  const auto loads = [&](const TDataFile& table, const char* caption, bool manual, double& cons, double& gen,
                         double* loss) {
    const DAChar& pm = Chars(table, "PM");
    const DAdouble &pn = Doubles(table, "Pn"), &pg = Doubles(table, "Pg"), &dw = Doubles(table, "dWPa");
    const TInt16Column t = Int16(table, "T");
    walker.Walk(caption, table.RowCount, [&](int i) {
      if (loss != nullptr) *loss += dw.Get(i);
      const int type = t.Get(i);
      if (manual ? (type != 4 && type != 5) : (type != -4 && type != -5)) return;
      if (!LetterIn(pm.Get(i), kNotLoad)) cons += pn.Get(i);
      if (!LetterIn(pm.Get(i), kNotGeneration)) gen += pg.Get(i);
    });
  };
  feeds(inputs, false);
  feeds(feeders, false);
  loads(stations, "  Трансформаторы ТП, РП ... ", false, s.TpCons, s.TpGen, &s.TpLoss);
  loads(lines04, "  Линии 0.4 кВ ... ", false, s.L04Cons, s.L04Gen, &s.L04Loss);
  feeds(inputs, true);
  feeds(feeders, true);
  loads(stations, "  Трансформаторы ТП, РП ... ", true, s.ManTpCons, s.ManTpGen, nullptr);
  loads(lines04, "  Линии 0.4 кВ ... ", true, s.ManL04Cons, s.ManL04Gen, nullptr);

  {
    const DAChar& sign = Chars(nodes, "Sign");
    const DAdouble &wpn = Doubles(nodes, "WPn"), &wpg = Doubles(nodes, "WPg"), &loss = Doubles(nodes, "dWPa");
    walker.Walk("  Z-режим ... ", nodes.RowCount, [&](int i) {
      if (!LetterIn(sign.Get(i), kNotLoad)) s.ZNodCons += wpn.Get(i);
      if (!LetterIn(sign.Get(i), kNotGeneration)) s.ZNodGen += wpg.Get(i);
      s.ZNodLoss += loss.Get(i);
    });
  }
  {
    const DAChar& pm = Chars(flows, "PM");
    const auto& n2 = *GetColumnAs<DALongint>("N2", flows);
    const DAdouble &pr = Doubles(flows, "Pr"), &pl = Doubles(flows, "Pl");
    walker.Walk("  Z-режим ... ", flows.RowCount, [&](int i) {
      if (!LetterIn(pm.Get(i), U"П") || n2.Get(i) != 0) return;
      s.ZFlowCons += pr.Get(i);
      s.ZFlowGen += pl.Get(i);
    });
  }
  return s;
}

namespace {

class TReport {
public:
  void Text(const std::string& line) { lines.push_back(line); }
  void Rule() { lines.emplace_back("------------------------------------"); }
  void Value(const std::string& caption, double value, double generation) {
    std::string line = caption + Number(value) + " кВтч";
    if (generation != 0) line += ", генерация :" + Number(generation) + " кВтч";
    lines.push_back(line);
  }
  std::vector<std::string> lines;

private:
  static std::string Number(double v) { return FitLeft(FloatToStrNumber(v, 0), 12); }
};

}  // namespace

std::vector<std::string> LoadAnalysisReport(const TLoadAnalysisSums& s) {
  const double baseCons = s.FedCons + s.TpCons + s.L04Cons;
  const double baseLoss = s.TpLoss + s.L04Loss + s.FedLoss;
  const double baseGen = s.FedGen + s.TpGen + s.L04Gen;
  const double manCons = s.ManFedCons + s.ManTpCons + s.ManL04Cons;
  const double manGen = s.ManFedGen + s.ManTpGen + s.ManL04Gen;
  const double meterTotal = s.IndCons + s.IndLoss + s.HouseCons;
  const double zCons = s.ZNodCons + s.ZNodLoss + s.ZFlowCons;
  const double zGen = s.ZNodGen + s.ZFlowGen;

  TReport r;
  r.Text("База пром. и быт.");
  r.Rule();
  r.Value("Всего потребление :", meterTotal, s.IndGen);
  r.Value("  по счетчикам    :", s.IndCons + s.HouseCons, s.IndGen);
  r.Value("    пром. абон.   :", s.IndCons, s.IndGen);
  r.Value("    быт.  абон.   :", s.HouseCons, 0);
  r.Value("  потери в тр/лин :", s.IndLoss, 0);
  r.Rule();

  r.Text("");
  r.Text("База РЭС");
  r.Rule();
  r.Value("  тр-ры ТП, РП    :", s.TpCons, s.TpGen);
  r.Value("  потери в тр-рах :", s.TpLoss, 0);
  r.Value("  линии 0.4 кВ    :", s.L04Cons, s.L04Gen);
  r.Value("  потери в линиях :", s.L04Loss, 0);
  r.Value("  фидеры 10(6) кВ :", s.FedCons, s.FedGen);
  r.Value("  потери (фидеры) :", s.FedLoss, 0);
  r.Text("итого");
  r.Value("  по счетчикам    :", baseCons, baseGen);
  r.Value("  потери в тр/лин :", baseLoss, 0);
  r.Value("Всего потребление :", baseCons + baseLoss, baseGen);
  r.Value("Небаланс          :", meterTotal - (baseCons + baseLoss), s.IndGen - baseGen);
  r.Rule();

  r.Text("");
  r.Text("База РЭС (добавлено вручную)");
  r.Rule();
  r.Value("  тр-ры ТП, РП    :", s.ManTpCons, s.ManTpGen);
  r.Value("  линии 0.4 кВ    :", s.ManL04Cons, s.ManL04Gen);
  r.Value("  фидеры 10(6) кВ :", s.ManFedCons, s.ManFedGen);
  r.Value("Всего по базе РЭС :", baseCons + baseLoss + manCons, baseGen + manGen);
  r.Rule();

  r.Text("");
  r.Text("База Z-режим");
  r.Rule();
  r.Value("  узлы схемы      :", s.ZNodCons, s.ZNodGen);
  r.Value("  перетоки в лин. :", s.ZFlowCons, s.ZFlowGen);
  r.Text("итого");
  r.Value("  по счетчикам    :", s.ZNodCons + s.ZFlowCons, zGen);
  r.Value("  потери в тр/лин :", s.ZNodLoss, 0);
  r.Value("Всего потребление :", zCons, zGen);
  r.Value("Небаланс          :", zCons - (baseCons + baseLoss + manCons), zGen - (baseGen + manGen));
  r.Rule();
  return r.lines;
}

}  // namespace ld
