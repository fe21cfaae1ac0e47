#pragma once
// Recalculation of the branch parameters of a scheme from the equipment catalogues and the scheme's
// passport lists, after catalogue data have changed. The table changes in memory only.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/tables/layout.h"

namespace ld {

// "kind|list name|side": the kind before the first "|", the list name up to the second, the rest read
// as the side 0..255 (empty: 0). A rest that is no integer throws ConvertError.
void SplitTypEqu(const std::string& text, std::string& kind, std::string& listName, std::uint8_t& side);

struct TRecalcSources {
  std::string CatalogFolder;  // ends with the path separator
  std::string SchemePath;     // base path of the scheme, for its passport lists
  bool CutMark = true;        // a line mark missing from the catalogue is looked up under its family
};

// Recomputes every row of a branch table ("Ветви схемы" or "Переключения") and returns the lines for
// the message panel: rows whose equipment was not found, whose regulation cannot be read or whose
// ratio cannot be calculated. Such rows keep their values. progress gets 0..100 as rows pass.
std::vector<std::string> RecalcBranchParams(TDataFile& branches, const TRecalcSources& sources,
                                            const std::function<void(int)>& progress = {});

}  // namespace ld
