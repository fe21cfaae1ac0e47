#pragma once
// The load, voltage and ratio graphs of a scheme applied to its model for a calculated moment.
#include <cstdint>
#include <memory>
#include <string>

#include "core/base/dates.h"
#include "core/base/dynarray.h"
#include "core/catalogs/graph_loads.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"

namespace ld {

// Stores a copy of Values (points 1..Count) in the next slot of the engine's graph cache, remembers
// GraphNumber for that slot and replaces GraphNumber by the slot number (slots count from 1; slot k
// is regime.GraphCache[k - 1]).
void CacheGraph(TRegime& regime, std::int32_t& GraphNumber, const DAdouble& Values);

// One application of the graphs: the period Date1..Date2 (whole days), the moment CalcDate, the grid
// of Step seconds and the load mode TypCalcPQ (3: the value at the moment, and voltage and ratio
// graphs too). The graph tables are opened and the grid counted when first needed. Every message is
// reported through the engine; each Apply returns false when a failure must end the stage.
class TMomentGraphs {
public:
  TMomentGraphs(TRegime& regime, std::uint8_t TypCalcPQ, int Step, TDateTime Date1, TDateTime Date2,
                TDateTime CalcDate, bool KeepSeries);
  ~TMomentGraphs();
  TMomentGraphs(const TMomentGraphs&) = delete;
  TMomentGraphs& operator=(const TMomentGraphs&) = delete;

  // Load and generation of a node element from its graphs, its energies or, when it loses supply
  // within the period, its switching moments.
  bool ApplyLoads(TRegimeElement& e);
  // The voltage of a source or of a fixed-voltage node's fictitious branch at the moment.
  bool ApplyVoltage(TRegimeElement& e);
  // The ratio of a branch at the moment, given as the table gives it (from N1 to N2).
  bool ApplyRatios(TRegimeElement& e);

private:
  void Open();
  bool Grid();
  int CatalogRow(int number) const;
  std::string Unit(int row) const;
  bool ReadOnGrid(int number, TGraphSeries& series, std::string& msg);
  bool LoadPair(TRegimeElement& e, std::int32_t& pGraph, std::int32_t& qGraph, Complex& load, bool generation);

  TRegime& regime_;
  std::uint8_t mode_;
  int step_;
  TDateTime date1_, date2_, calcDate_;
  double moment_;  // CalcDate packed
  bool keepSeries_;

  bool opened_ = false;
  std::unique_ptr<TDataFile> catalog_, values_;
  TGraphCatalogCols catalogCols_;
  bool gridCounted_ = false;
  DAdouble grid_;
};

}  // namespace ld
