#pragma once
// The scheme's tables replaced by an exchange pair of files (a PNT file and its LIN partner), read by the
// reader that the program's list gives the command.
#include <string>

#include "core/regime/pnt_lin.h"

namespace ld {

class TDataFile;

// "Запись файлов PNT,LIN": the pair of pntFile from the nodes as the window shows them (unsaved edits
// included) and the scheme's branch table at schemePath (none: an empty one), both files in one run.
void ExportPntLinPair(const std::string& pntFile, const std::string& schemePath, const TDataFile& shownNodes,
                      const TPntLinWriteOptions& options);

// The node and branch tables of the scheme at schemePath replaced by the pair of pntFile along the one
// import path: the pair is read whole over the nodes as the window shows them (shownNodes, unsaved edits
// included) and the scheme's branch table (an empty one when it has none), and only then both tables go
// in one run, so that a bad line leaves the scheme as it was and no end of the program leaves the nodes
// of one pair beside the branches of another. The caller holds the scheme's locks from before the read
// to the end. Throws the refusal naming the file.
void ImportPntLinPair(const std::string& pntFile, const std::string& schemePath, const TDataFile& shownNodes);

}  // namespace ld
