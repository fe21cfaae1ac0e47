#pragma once
// A table's bytes on their way to the disk: the table file as its format lays it out, written into the
// temporary file of a write whose lock the caller holds. The runs of several tables and the single
// writes above both come here; nothing here looks at runs, locks or marks.
#include <string>

#include "core/base/callbacks.h"
#include "core/base/dates.h"
#include "core/tables/layout.h"

namespace ld {

// Writes the table into a temporary file of a write of fileName whose lock the caller holds: a file of a
// private name of "<file>.new~" ("<file>.new~.XXXXXX~", made only where that name is free), this writer's
// own, whole, flushed to the disk and dated after the file; `temp` gets its name. No two writers ever
// share one, so a writer puts in place only the table it wrote. It gets the mode of the file it is to
// replace (GiveFolderMode). Returns the date written; throws the write error naming fileName, and leaves
// no temporary then.
TDateTime WriteTableTemporary(const std::string& fileName, std::string& temp, TDataFile& table,
                              const TProgressProc& progress = {});

}  // namespace ld
