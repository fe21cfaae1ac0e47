#pragma once
// The period view of the time data: what a calculation over a period (slice by slice) reads of the
// engine after ApplyTimeData has kept the graph series.
//
// Use: build the model, ApplyTimeData(TypCalcPQ, Step, Date1, Date2, first slice end, KeepSeries true),
// then Capture. Capture must follow that ApplyTimeData directly: it reads the element graph numbers as
// the cache slots that ApplyTimeData left in them, and the loads of the elements as the loads read for
// the period (graph values of the first slice, energies turned into average powers, table values).
//
// Slices count from 1. In graph mode (TypCalcPQ 3) the slices are the points of the graph grid of the
// step; in the other modes the slices end at the switching moments of the period and at its end.
// Moments are PackedDateTime values.
//
// The view keeps its data by node row and branch row, not by element, so that it survives the model
// being rebuilt after a switching (model building gives the elements their cache slots back).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/engine/regime.h"

namespace ld {

// Quantities that a graph of an element describes; the order is that of the result graphs.
enum class TPeriodQuantity : std::uint8_t { Voltage, LoadP, GenerationP, LoadQ, GenerationQ, RatioKta, RatioKtr };

// A graph of an element that the engine kept for the period.
struct TPeriodGraph {
  TPeriodQuantity Quantity = TPeriodQuantity::Voltage;
  std::int32_t Number = 0;    // the scheme's graph number; below zero: a result graph to be written
  std::int32_t Slot = 0;      // the engine's cache slot (1-based)
  std::int32_t NodeRow = 0;   // node row of a node quantity (voltage, loads)
  std::int32_t BranchRow = 0; // branch row of a ratio
  std::vector<double> Values; // one per slice, filled by the calculation when it stores result graphs
};

class TPeriodData {
public:
  // False with Msg when the graph grid of the period cannot be counted (graph mode only).
  bool Capture(const TRegime& regime, std::uint8_t TypCalcPQ, int Step, TDateTime Date1, TDateTime Date2,
               std::string& Msg);

  std::uint8_t Mode() const { return mode_; }
  int Step() const { return step_; }
  int SliceCount() const { return static_cast<int>(sliceEnds_.size()); }
  double PeriodStart() const { return periodStart_; }  // 00:00 of Date1
  double SliceEnd(int slice) const;                     // 0 outside 1..SliceCount
  const std::vector<double>& SliceEnds() const { return sliceEnds_; }
  // Length of a slice in hours: the step in graph mode, otherwise the time since the previous end.
  double SliceHours(int slice) const;

  // Loads as read for the period, per node row (item 0 unused): Load1 = (Pn, -Qn), Load2 = (-Pg, Qg).
  const std::vector<Complex>& ReadLoad1() const { return readLoad1_; }
  const std::vector<Complex>& ReadLoad2() const { return readLoad2_; }

  // The value of a node's voltage graph at a slice (kV), by node row; 0 when the node has none. Voltage
  // graphs are kept for the balancing and fixed-voltage nodes.
  double NodeVoltage(int nodeRow, int slice) const;
  // All of a slice's voltage-graph values by node row (item 0 unused; empty without voltage graphs).
  std::vector<double> VoltagesByNodeRow(int slice) const;
  // The same keyed by node number.
  std::map<std::int32_t, double> VoltagesByNodeNumber(int slice) const;

  // Every kept graph of an element, in tree order and within an element in the order of the quantities.
  std::vector<TPeriodGraph>& Graphs() { return graphs_; }
  const std::vector<TPeriodGraph>& Graphs() const { return graphs_; }
  bool HasResultGraphs() const;

  // Hours of supply of each node over the period, by node row (item 0 unused): the working time.
  const std::vector<double>& WorkingHours() const { return workingHours_; }

  // Puts the slice's graph values into the model: node loads and generations from their graphs (a part
  // without a graph takes the load read, or keeps the present one with keepOther), a node without any
  // load graph the loads read unless keepOther; voltages of balancing nodes and of fixed-voltage
  // branches. False with the element in zeroSource when a balancing node then has the voltage 0.
  bool ApplySlice(TRegime& regime, int slice, bool keepOther, const TRegimeElement** zeroSource) const;

  // The node loads of the model, kept by node row across a rebuild of the model.
  void SaveLoads(const TRegime& regime);
  // Every node of the (rebuilt) model takes its saved loads back; unsupplied elements get none.
  void RestoreLoads(TRegime& regime) const;

private:
  const std::vector<double>* Series(std::int32_t slot) const;
  double SeriesValue(std::int32_t slot, int slice) const;

  const TRegime* regime_ = nullptr;
  std::uint8_t mode_ = 0;
  int step_ = 0;
  double periodStart_ = 0;
  std::vector<double> sliceEnds_;
  std::vector<Complex> readLoad1_, readLoad2_, savedLoad1_, savedLoad2_;
  std::vector<std::int32_t> voltageSlot_;  // per node row
  std::vector<std::int32_t> nodeNumber_;   // per node row
  std::vector<TPeriodGraph> graphs_;
  std::vector<double> workingHours_;
};

}  // namespace ld
