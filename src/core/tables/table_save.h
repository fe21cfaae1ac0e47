#pragma once
// A table saved from its editor together with the tables that change with it.
#include <string>
#include <utility>
#include <vector>

namespace ld {

class TDataFile;

// The edited table at its file and the tables that change with it (a catalogue of graphs with its
// values, renumbered or cut with it) in one run (WriteTablesTogether): no end of the program leaves the
// catalogue without the values of its graphs or with the values of one it lost. Each table read from its
// file is judged as the run judges it (a change since its read refuses the save, nothing written); the
// caller's own locks of them are released before, as a single write needs.
void SaveTableWith(const std::string& file, TDataFile& table,
                   const std::vector<std::pair<std::string, TDataFile*>>& together);

}  // namespace ld
