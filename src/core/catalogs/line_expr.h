#pragma once
// Line expressions: a line branch described as sections "length*[n]mark-section" joined in series by
// "+" and in parallel by "/", with brackets ("1000*АС-70+500*2ААБ-95/500*ААБ-120"), evaluated against
// the loaded line catalogue to the branch's R, X, G, B, permitted current and length.
#include <string>

namespace ld {

// Evaluates text for the nominal voltage unom (kV). Lengths are in metres, n parallel circuits of a
// section divide its R, X and multiply its G, B and permitted current. With normalise a mark missing
// from the catalogue is looked up again under its family (NormalizeLineMark). typ is 0 to sum every
// section, or a line type letter: sections of other types then add only their length.
// B comes out with the sign of the branch tables (the catalogue's B0 reversed).
// False leaves the reason in CatalogErrorLN and every output 0.
bool ParseLineExpression(const std::string& text, float& R, float& X, float unom, float& G, float& B,
                         float& Idop, float& L, bool normalise, char32_t typ);

}  // namespace ld
