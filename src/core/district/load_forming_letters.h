#pragma once
// The one-letter marks that load forming reads and writes in the district tables (Windows-1251 bytes of
// character columns) and the comparisons of names it makes.
#include <string_view>

namespace ld::loadforming {

// "Р" (Cyrillic): in `Commut` a transformer switched off by load forming, in `CommutC` an open coupler.
inline constexpr char kSwitchedOff = '\xD0';

// Names equal in upper case.
bool SameName(std::string_view a, std::string_view b);
// `PM` whose letter, normalised, is "С" (Latin "C" counts): own needs, never a substitute nor switched off.
bool IsOwnNeeds(char pm);
// `Device` marking a valid meter: the Latin letter Y in either case.
bool IsLatinY(char device);

}  // namespace ld::loadforming
