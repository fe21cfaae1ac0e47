#pragma once
// The result views of a calculated scheme: read-only tables built from the node and branch tables that
// the regime calculation wrote ("Напряжения узлов", "Загрузка линий", "Загрузка трансформаторов",
// "Потери в линиях", "Потери в трансформаторах"). Nothing here writes a file.
#include <cstdint>

#include "core/base/callbacks.h"
#include "core/tables/layout.h"

namespace ld {

// Which rows and in which units: District 0 takes every district, another number only the rows with
// that Nr; Dimension 1 shows powers in kW, kvar, kVA (currents stay in A).
struct TResultViewOptions {
  int District = 0;
  std::uint8_t Dimension = 0;
  TProgressProc Progress;  // 0..100 while the rows are gone through
};

// "Напряжения узлов": voltage and deviation of each node from its nominal voltage (a balancing or
// fixed-voltage node is measured against the nominal voltage nearest to its Um).
void BuildVoltageView(const TDataFile& nodes, const TResultViewOptions& options, TDataFile& result);

// "Загрузка линий" (lines = true) or "Загрузка трансформаторов": the flows at both ends and the loading
// in per cent of the permitted current or power, most loaded first.
void BuildLoadView(const TDataFile& branches, bool lines, const TResultViewOptions& options, TDataFile& result);

// "Потери в линиях" or "Потери в трансформаторах": series and shunt losses of each branch.
void BuildLossView(const TDataFile& branches, bool lines, const TResultViewOptions& options, TDataFile& result);

}  // namespace ld
