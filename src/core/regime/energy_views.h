#pragma once
// The views of a period loss calculation: read-only tables derived from the energy-flow table
// ("Перетоки электроэнергии") and the node energy table ("Электропотребление в узлах") that the
// calculation wrote beside the scheme. Nothing here writes a file.
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/regime/loss_panel.h"
#include "core/tables/layout.h"

namespace ld {

// "Потери эл.энергии в линиях" (lines) or "Потери эл.энергии в тр-рах": load and no-load losses of each
// line (no equipment letter) or transformer ("Т") and their sums.
void BuildEnergyLossView(const TDataFile& branchEnergy, bool lines, TDataFile& result,
                         const TProgressProc& progress = {});

// "Перетоки эл.энергии в линиях" or "Перетоки эл.энергии в тр-рах": the flows at both ends and the
// loading, the transformers' powers in kVA; most loaded first, rows without a permitted value last.
void BuildEnergyLoadView(const TDataFile& branchEnergy, bool lines, TDataFile& result,
                         const TProgressProc& progress = {});

// "Потребление эл.энергии": the energies of each node and its voltage deviations in per cent of the
// nominal voltage, in the layout's order.
void BuildNodeConsumptionView(const TDataFile& nodeEnergy, TDataFile& result, const TProgressProc& progress = {});

// The choices of the loss panel over the energy-flow table: the distinct non-zero voltages (to the
// hundredth of a kV) and district numbers, ascending.
TLossChoices EnergyLossChoices(const TDataFile& branchEnergy);

}  // namespace ld
