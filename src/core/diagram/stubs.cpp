#include "core/base/error.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {



bool TSchemBoxState::CollectSubstation(const std::string&, const std::vector<std::string>&,
                                       std::vector<std::int32_t>&, std::vector<std::int32_t>&,
                                       const std::vector<std::int32_t>&, const std::vector<std::int32_t>&,
                                       const std::vector<std::int32_t>&) {
  throw Error("not yet");
}

bool TSchemBoxState::BuildSubstationModel(const std::string&, std::vector<std::int32_t>, PSElem, TCanvas&,
                                          TSchemeModel&, std::vector<std::int32_t>) {
  throw Error("not yet");
}



}  // namespace ld::diagram
