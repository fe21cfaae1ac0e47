#pragma once
// The radius as a scheme of its own, for drawing it with its results: a node table and a branch table
// of the scheme layouts made from the radius rows.
#include <string>

#include "core/tables/layout.h"

namespace ld {

// Colours of the drawn radius (0x00BBGGRR): sources and EMF sources cyan, fault points green.
inline constexpr std::int32_t TkzSourceColor = 0x00FFFF00;
inline constexpr std::int32_t TkzFaultColor = 0x0000FF00;

// Fills nodes ("Узлы схемы", sorted by NS, titled title) and branches ("Ветви схемы", one row per radius
// row) from the radius; the branch current is that of the second pass, in amperes.
void BuildTkzViewTables(const TDataFile& radius, const std::string& title, TDataFile& nodes, TDataFile& branches);

// Writes the radius as a scheme at stem (its node and branch tables, BuildTkzViewTables) in one run.
void WriteTkzViewScheme(const TDataFile& radius, const std::string& title, const std::string& stem);

}  // namespace ld
