#pragma once
// A table's bytes on their way to the disk: the table file as its format lays it out, written into the
// temporary file of a write whose lock the caller holds. The runs of several tables and the single
// writes above both come here; nothing here looks at runs, locks or marks.
#include <string>

#include "core/base/callbacks.h"
#include "core/base/dates.h"
#include "core/tables/layout.h"

namespace ld {

// Writes the table into the temporary file of a write of fileName whose lock the caller holds: whole,
// flushed to the disk and dated after the file under a private name of temp ("<temp>.XXXXXX~", made
// only if it is free), which then takes temp's place by a rename, so that nothing found under temp is
// ever written through. It gets the mode of the file it is to replace (GiveFolderMode). Returns the date
// written; throws the write error naming fileName.
TDateTime WriteTableTemporary(const std::string& fileName, const std::string& temp, TDataFile& table,
                              const TProgressProc& progress = {});

}  // namespace ld
