#pragma once
// A table's bytes on their way to the disk: the table file as its format lays it out, written into the
// temporary file of a write whose lock the caller holds, and the one judgement of whether the file
// changed since its table was read. The runs of several tables and the single writes above both come
// here; nothing here looks at runs, locks or marks.
#include <string>

#include "core/base/callbacks.h"
#include "core/base/error.h"
#include "core/base/dates.h"
#include "core/tables/file_stamp.h"
#include "core/tables/layout.h"

namespace ld {

// Writes the table into a temporary file of a write of fileName whose lock the caller holds: a file of a
// private name of "<file>.new~" ("<file>.new~.XXXXXX~", made only where that name is free), this writer's
// own, whole, flushed to the disk and dated after the file; `temp` gets its name. No two writers ever
// share one, so a writer puts in place only the table it wrote. It gets the mode of the file it is to
// replace (GiveFolderMode). Returns the stamp of what was written; throws the write error naming fileName, and leaves
// no temporary then.
TFileStamp WriteTableTemporary(const std::string& fileName, std::string& temp, TDataFile& table,
                              const TProgressProc& progress = {});
// The same for a file that is not a table: its bytes as they are.
TFileStamp WriteBytesTemporary(const std::string& fileName, std::string& temp, const std::string& bytes);

// The refusal of a write over a file changed since its table was read: a save of that table can never
// succeed, so its editor gives up its editing mark rather than keep another workstation out.
class TChangedSinceRead : public Error {
public:
  using Error::Error;
};

// Refuses (throws TChangedSinceRead with ChangedMeanwhileText) a write of the table over its file where
// the file was changed since the table was read from it: its date, size or bytes are not those the table
// was read or written with, or it is not there any more (FileDate, FileChanged). A table that was not read
// from a file (an unknown stamp) is written wherever it goes. A share that keeps whole seconds gives two
// writes one date, never one content. Every writer judges it while it holds the file's write lock, before
// it replaces anything: a writer that held the lock when the table was looked at first may have written
// since. An edit judges it as it begins, by the stamp its table was read with.
void RefuseChangedSinceRead(const std::string& fileName, const TDataFile& table);
void RefuseChangedSinceRead(const std::string& fileName, const TFileStamp& read);
// The refusal of a write over a file that was changed since its table was read from it.
std::string ChangedMeanwhileText(const std::string& fullPath);

}  // namespace ld
