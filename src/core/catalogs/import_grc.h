#pragma once
// Taking graphs over from the catalogue of another scheme or district base.
#include <memory>
#include <string>
#include <vector>

#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// The chosen rows of a catalogue are those whose title starts with "~".
inline constexpr char kChosenGraphMark[] = "~";

// Takes every chosen row of `other` (its "~" removed) into `own`, which must be sorted by graph
// number: a new number gets a row where it belongs; an existing one is overwritten only when the
// person answers "Да" to "График № <n> существует в каталоге. Перезаписать его данные ?". A graph
// taken over gets the other row's columns and exactly the other values table's rows of its number,
// which keep the own values table sorted. Both own tables change in memory only: the caller writes
// them together. Returns the number of graphs taken over.
// Reads the catalogue chosen as its file `file` (the other base is the name less its last four
// characters; its values file is found whatever the letter case of its name) and that base's values
// table, whole, as the import offers them: a file that is no table,
// cannot be read, or is a table of another layout is refused naming it, and so is a catalogue of graphs
// without its values file beside it, naming the file it lacks. What it took: the catalogue's
// graphs that have value rows, counted for the closing message; a graph of none is not taken, and the
// first such is the reason given when no graph has any.
TImportTaken ReadGraphCatalogFile(const std::string& file, std::unique_ptr<TDataFile>& catalog,
                                  std::unique_ptr<TDataFile>& values);

// A chosen graph of no value row in otherValues is not taken: it is named in notTaken (when given).
int ImportGraphCatalog(TDataFile& own, TDataFile& ownValues, TDataFile& other, const TDataFile& otherValues,
                       std::vector<std::string>* notTaken = nullptr);

}  // namespace ld
