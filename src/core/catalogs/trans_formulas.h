#pragma once
// Completion of a transformer or reactor record found in a catalogue or a passport list: the series
// R and X of each winding, the shunt G and B and the ratios, all referred to the high-voltage side.
// Units in: kVA, kV, kW, %; out: Ω and µS. Missing data give False and the kind's error text.
#include "core/catalogs/catalog_records.h"

namespace ld {

bool CheckT2Params(TRecT2& rec);  // error text in CatalogErrorT2
bool CheckT3Params(TRecT3& rec);  // CatalogErrorT3
bool CheckTRParams(TRecTR& rec);  // CatalogErrorTR
bool CheckRTParams(TRecRT& rec);  // CatalogErrorRT

}  // namespace ld
