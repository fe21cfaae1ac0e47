#pragma once
// Taking graphs over from the catalogue of another scheme or district base.
#include <string>

#include "core/tables/layout.h"

namespace ld {

// The chosen rows of a catalogue are those whose title starts with "~".
inline constexpr char kChosenGraphMark[] = "~";

// Takes every chosen row of `other` (its "~" removed) into `own`, which must be sorted by graph
// number: a new number gets a row where it belongs; an existing one is overwritten only when the
// person answers "Да" to "График № <n> существует в каталоге. Перезаписать его данные ?". A graph
// taken over gets the other row's columns and exactly the other base's value rows of its number,
// which keep the own values table sorted. The own values file (beside ownBase) is written. Returns
// the number of graphs taken over; table file errors throw.
int ImportGraphCatalog(TDataFile& own, const std::string& ownBase, TDataFile& other, const std::string& otherBase);

}  // namespace ld
