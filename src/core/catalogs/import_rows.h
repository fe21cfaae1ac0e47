#pragma once
// What every graph import shares: appending a catalogue row for a new graph and reading the unit
// text of an outside file.
#include <string>

#include "core/tables/layout.h"

namespace ld {

// Appends a row to the graph catalogue (layout "Каталог графиков") with the given columns, every
// other column zero; returns its row number.
int AppendGraphCatalogRow(TDataFile& catalog, int number, const std::string& title, std::uint8_t kind, int period,
                          char letter, const std::string& unit);

// Whether the catalogue holds a row of that graph number (any order).
bool GraphNumberInCatalog(const TDataFile& catalog, int number);

// The measured quantity and stored unit of a unit text of a metering system's workbook: "МВт" is
// active power, "МВАр" reactive power, "кВ" voltage, whatever the letter case or Latin look-alikes.
// False (letter 0, empty unit) for any other text.
bool GraphUnitOfText(const std::string& text, char& letter, std::string& unit);

}  // namespace ld
