#pragma once
// Binary table files: one table per file, named by a base path and the extension of its layout.
// A file holds the signature "ZREGIM", the layout name, the title, the row count, "RESTRUCTURED",
// the row marks and one section per stored column (field name, type letter, byte count, data).
// Columns are matched by field name when read, so a file written under an older layout still reads;
// files of the old format without sections read too. File names are UTF-8 paths; texts inside the
// files are Windows-1251.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/base/callbacks.h"
#include "core/base/dynarray.h"
#include "core/tables/file_guard.h"
#include "core/tables/layout.h"

namespace ld {

// Reads a table file into the table (cleared first), loading the layout named in the file; a run of
// several tables stopped halfway that holds the file is put back first (RecoverTableSet), as in every
// read and write below. Throws "Не задано имя файла", 'Ошибка чтения файла "<path>"' (missing, refused
// or damaged file) or the layout's errors.
void ReadTableFile(const std::string& fileName, TDataFile& table, const TProgressProc& progress = {});
// The same, telling for each column 1..NCols whether the file holds a section of it (a file of the old
// format holds none), as FileHasField would tell without opening the file again.
void ReadTableFile(const std::string& fileName, TDataFile& table, TColumnAttr<bool>& stored,
                   const TProgressProc& progress = {});

// The table file, or an empty table of the layout when nothing of that name exists; a file that exists
// but cannot be read fails as in ReadTableFile. True when the file existed.
bool ReadTableFileOrEmpty(const std::string& fileName, const std::string& layoutName, TDataFile& table);

// Writes the table in the new format under the write's lock "<file>~" into a temporary file of its own
// ("<file>.new~.XXXXXX~", made only where that name is free, so that nothing found there is written
// through and no other writer's table is ever put in place), flushes it to the disk and puts it in place
// of the old file in one step, so a failed or interrupted write leaves the old file whole. A write whose
// lock another program removed meanwhile (kWriteTakenOver) puts nothing in place. Another write of the file (a single one or a run's) is waited for as a file in use and
// past the wait refused ("файл занят другой программой"); the lock of a writer that is gone is cleared
// at once, and a run of the file that was stopped meanwhile is put back before this write replaces the
// file. Refuses a user's lock and a file changed since the table was read (CheckFileFree); other
// failures give 'Ошибка записи файла "<path>": <reason>' (TFileError).
void WriteTableFile(const std::string& fileName, TDataFile& table, const TProgressProc& progress = {});

// Writes several tables of one folder together, all or none (TTableRun, table_run.h). The run takes the
// write lock of each table ("<file>~") in the order of their names, as a single write does (a lock that
// this program took with LockTableFiles serves as it stands), and keeps it until its records are gone:
// another writer is waited for, and past the wait the run is refused ("файл занят другой программой").
// Each "<file>" of the list goes to a temporary file of the run's own beside it ("<file>.new~.XXXXXX~"),
// and only once every one was written do
// they take the old files' places, each while its file is not in use by another read or write
// (WaitFileAccess). Every old file keeps a second name ("<file>.old~") until the run is over, and when
// one cannot take its place, those replaced before it get their old files back. A write that fails
// leaves every file as it was and no temporary file or second name behind; errors name the table's own
// file. While the tables take their places a record of the run lies beside each ("<file>.set~"), held
// by the run while it lives, and a commit mark ends the run in one step once every table is in place;
// a program killed at any moment leaves the set to be ended whole at the next use of any of its
// tables (RecoverTableSet). A table that cannot be put back after a failure keeps the records, so the
// next use tries again and names it. A second name already taken (an old version that a failed write
// could not put back, named in its message) is never overwritten or removed: the run keeps the old file
// under the next free name ("<file>.old2~", ...) and names the earlier ones to the user (ShowMsgForm)
// once the tables are in place. The caller's own locks of the files stay as they are. A file given
// without a table (nullptr) is removed by the run, as one step of it, kept and put back as a replaced one.
void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& files);
// Ends a run of WriteTablesTogether that holds the file, if its record lies beside it: a run that still
// goes on (in this or another program) is waited for as a table in use is; a run that was stopped before
// its commit mark gets every replaced table's old version back and loses the tables it made, and the
// user is told which files where a table was not as before; a run stopped after it has what it left removed, silently. A record that the
// other tables it names do not carry was not left by a stopped run: it changes no table, goes, and the
// user is told of it. Called by every read and write of a table file; without a record beside the file
// it costs one look at the folder. A record that cannot be followed (damaged, a table in use past the
// wait and refused, a rename refused) throws, naming the files, and everything stays on the disk for
// the next try.
void RecoverTableSet(const std::string& fileName);
// How WriteTablesTogether puts a new table in its file's place: true when it did (a failing one sets
// errno). Tests install one that fails, as a file system that refuses the rename would; an empty one is
// the system's rename. Returns the one installed before.
using TTableRenamer = std::function<bool(const std::string& temp, const std::string& file)>;
TTableRenamer SetTableRenamer(TTableRenamer renamer);

// One column of a file as a new array of the layout's type with the file's rows (Count = rows);
// "MarkRec" gives the row marks. A field the layout knows but the file lacks gives an empty array; a
// field the layout does not know gives nullptr. A file of the old format has no sections to find a column
// by: it fails with the read error.
std::unique_ptr<TDynamicArray> ReadColumnFromFile(const std::string& fileName, const std::string& fieldName);
bool FileHasField(const std::string& fileName, const std::string& fieldName);
// The row count of the header; 0 for a file that does not begin with the signature.
int ReadFileRowCount(const std::string& fileName);
// True for a file in use or beginning with the table signature.
bool IsTableFile(const std::string& fileName);

// A table file of the layout with no rows.
void CreateEmptyTableFile(const std::string& fileName, const std::string& layoutName, const std::string& title);

// Copies one file: a table file is read (restructured to its current layout) and written with the
// destination's path as title; any other file is copied as it is. The source is locked meanwhile.
void CopyTableFile(const std::string& source, const std::string& destination);
// Copies every file "<source base>.<ext>" to "<destination base>.<ext>".
void CopyTableFiles(const std::string& sourceBase, const std::string& destinationBase);
// Deletes every file "<base>.<ext>" (a run of several of them stopped halfway put back first); nothing is
// deleted when one of them is locked.
void DeleteTableFiles(const std::string& basePath);

}  // namespace ld
