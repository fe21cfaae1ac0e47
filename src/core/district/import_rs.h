#pragma once
// A new district base from district network files "*.RS": tables of the layout "Формат РЭС 10(6) кВ",
// one row per element of a 6-10 kV network, listed line by line. Every source row becomes a row of the
// line table; the transformers listed at row ends and the given loads become rows of the station table.
// The nominal voltage of each row is worked out from supply names, transformer marks and the rows
// before it; rows whose voltage had to be assumed are listed in the messages.
#include <string>
#include <vector>

#include "core/district/base_import.h"

namespace ld {

// Reads the files in the order given into a new base of the stem (the tables' title is the stem's file
// name). Messages: "<file name>. Строка <j>. <text>" per doubtful row, the first kMaxImportMessages of
// them and a line of how many more. Progress restarts at 0 for each
// file and advances by 10 at every tenth of its rows. A file that cannot be read as a district network
// table throws ld::Error naming it; so does a row whose load taken is no finite number or whose
// Transform list names more than 999 transformers, naming the row and the field (and the station), or
// whose list brings the transformers of its file's lists past 100,000, naming the row and the field, or
// a row that gives a text longer than the field of the new base it goes to (names, note, mark, the
// voltage a supply name or a transformer mark gives, a station transformer's name and mark with its
// voltages), naming the row and the source's field; a file none of whose rows names a node (no rows at
// all, say) is refused by its name (RefuseIfNothingTaken), whatever the other files give. Nothing is
// made then. A supply row's dispatch designation is its end's name, kept whole in Name2 beside it, and
// is not checked. Returns the rows that name a node, of all the files.
TImportTaken ImportDistrictFiles(const std::vector<std::string>& files, const std::string& baseStem,
                                 TBaseImport& base, const TImportProgress& progress = {});

// The voltage text of a supply name: the text after the station name's "." when another "." follows
// it ("ПС.35.10" gives "10", "ПС.В.35.10" gives "35.10"). False, with name "?", when none follows or
// what remains is no number; the name is changed either way.
bool ExtractFeedVoltage(std::string& name);

}  // namespace ld
