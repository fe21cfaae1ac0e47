#pragma once
// The numbers of a scheme's tables that a calculation can take: a NaN or an infinity in any of them
// would pass every step of the regime and come out as losses of nan, with no error on the way.
#include <string>

#include "core/tables/layout.h"

namespace ld {

// Empty when every cell of the columns a calculation takes as given (loads, shunts, voltages to hold,
// limits, impedances, ratios) is finite; otherwise the first that is not, with its table, row and
// column: 'Таблица узлов, строка 3, столбец "Pn": значение не является числом'.
std::string NonFiniteSchemeInput(const TDataFile& nodes, const TDataFile& branches);

}  // namespace ld
