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


std::string TSchemBoxState::CaptionText(const SElem&) const { throw Error("not yet"); }
void TSchemBoxState::WrapCaption(std::string&, TCanvas&, bool, int&, int&, int) const { throw Error("not yet"); }
std::string TSchemBoxState::ImpedanceText(int) const { throw Error("not yet"); }
std::string TSchemBoxState::AdmittanceText(int) const { throw Error("not yet"); }
std::string TSchemBoxState::RatioText(int) const { throw Error("not yet"); }
int TSchemBoxState::NearestNominalVoltage(int) const { throw Error("not yet"); }
int WindingOf(std::string_view) { throw Error("not yet"); }

}  // namespace ld::diagram
