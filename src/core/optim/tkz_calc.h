#pragma once
// The three-phase short-circuit calculation over a calculation radius: every source and fault point
// becomes a balancing node (a fault point of practically zero voltage), loads are zero, and one
// steady-state solution of the engine gives the fault currents and voltages.
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/tables/layout.h"

namespace ld {

// The node and branch tables that a pass fills for the engine, kept for many passes: the layouts are
// read once, and a pass clears only the cells that the one before it wrote.
struct TTkzCalcTables {
  TDataFile Nodes, Branches;
  TTkzCalcTables();
  // Both tables empty but for their row counts.
  void Prepare(int nodeRows, int branchRows);
};

// One pass over the radius table ("Радиус т.к.з."): without the "Е" rows' EMF sources into Ikz/Fkz,
// with them into Ikz0/Fkz0; voltages into U1 (not on "С" and "Е" rows, where U1 is the EMF), F1, U2,
// F2. The pass's current columns are cleared first, so a pass that fails leaves none of an earlier
// calculation; when the engine reports a model error or zero contours nothing else is written.
// title names the scheme in the engine's messages. Returns whether the results were written.
bool CalcShortCircuit(TRegime& regime, TDataFile& radius, const std::string& title, bool WithEmf,
                      TTkzCalcTables* tables = nullptr);

// Both passes as the window runs them, the engine's messages of either pass into errors. A radius
// without "Е" rows takes the second pass's results from the first, which solved the same network.
// Returns whether both passes wrote their results.
bool CalcTkzRadius(TRegime& regime, TDataFile& radius, const std::string& title, std::vector<std::string>& errors,
                   TTkzCalcTables* tables = nullptr);

// The angle of a voltage a + jb in degrees, as the radius shows it: 90 on the imaginary axis.
double TkzVoltageAngle(double a, double b);

}  // namespace ld
