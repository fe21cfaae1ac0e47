#pragma once
// Sums over the tables of a calculated scheme: power and energy losses by equipment kind, voltage class,
// district and ownership, and the powers behind tg(f) per voltage class.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/tables/colmaps.h"

namespace ld {

// Equipment kinds of the loss sums; a sum's kind is the position in this list plus 1, 0 is all kinds.
extern const std::array<std::string, 6> EquipmentKinds;
// The two sides a network may belong to, beside the equipment kinds.
extern const std::array<std::string, 2> EquipmentOwners;

struct TLossSums {
  double dPLoad = 0, dQLoad = 0;      // load losses, in R and X
  double dPNoLoad = 0, dQNoLoad = 0;  // no-load losses, in the shunts
  double dPTotal = 0;                 // of the whole scheme, whatever the filters
  double dPActive = 0, dPReactive = 0;  // shares of the load losses caused by active and reactive flows
};

// The cable ('К') or overhead ('В') sections of a line expression (mark) at voltage unom, summed to
// R, X, G, B; false with the catalogue's error text.
using TLinePartEvaluator = std::function<bool(const std::string& mark, float unom, char32_t lineType, float& R,
                                              float& X, float& G, float& B, std::string& error)>;

// The evaluator over the loaded line catalogue (LoadCatalogLN), marks looked up by family when the
// settings' CutMark is on.
bool CatalogLineSections(const std::string& mark, float unom, char32_t lineType, float& R, float& X, float& G,
                         float& B, std::string& error);

// Filters: kind (EquipmentKinds position + 1, 0 all), nominal voltage (0 all), district (0 all),
// ownership by the letter of column A (0 all, 1 main networks, 2 subscribers' "А", 3 ownerless "Б",
// 4 other companies' "С"). Message lines of line expressions that fail go to messages when given.
// Kinds 2 and 3 split each line by its sections: through linePart when given, else through the line
// catalogue of the settings' catalogue folder, loaded for the sum (and freed after it).
TLossSums SumPowerLossesByCriteria(const TNodeCols& nodes, const TBranchCols& branches, int kind, double unom,
                                   int district, int ownership, std::vector<std::string>* messages,
                                   const TLinePartEvaluator& linePart = {});

// The same over the energy tables of a period (kWh).
TLossSums SumEnergyLossesByCriteria(const TNodeEnergyCols& nodes, const TBranchEnergyCols& branches, int kind,
                                    double unom, int district, int ownership, std::vector<std::string>* messages,
                                    const TLinePartEvaluator& linePart = {});

// Active and reactive power per voltage class, items 1 (below 35 kV), 2 (35 kV) and 3 (above).
struct TClassPowers {
  std::array<double, 4> P{}, Q{};
};
TClassPowers CalcTgByVoltageClass(const TNodeCols& nodes, const TBranchCols& branches);

}  // namespace ld
