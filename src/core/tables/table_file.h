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
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"

namespace ld {

// Every reader and writer below, and every run of several tables, takes a file of a family under the name
// the family has for it (FamilyFile: "X.uzl" for "X.UZL"), so that a family copied from another system or
// spelled by another workstation is read and written where it is, never made anew beside itself.

// Reads a table file into the table (cleared first), loading the layout named in the file; a run of
// several tables stopped halfway that holds the file is put back first (RecoverTableSet), as in every
// read and write below. Throws "Не задано имя файла", 'Ошибка чтения файла "<path>": <reason>' (a
// missing, refused, cut or damaged file, saying which and, for a cut one, what it declares and holds) or
// the layout's errors.
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
// The families of files that a stem holds, each made, replaced and removed whole (file_kinds.h).
enum class TFileFamily { Other, Base, Scheme, TkzData, LoadVariants };
// A kind of file that a family of a stem holds: its extension (with its point), what it is in the words
// a question to the user names it by ("таблица отпаек"), whether a copy replaces it, and its family: a
// target's file of a replaced kind that the source lacks is removed by the copy; one of a kind that is
// not replaced is removed only where the copy writes a file of its family (its family goes whole), and
// otherwise stays (a copy that has one writes it over, named). The order of a list is the order in which
// a copy writes its files.
struct TFileKind {
  std::string Ext;
  std::string What;
  bool Replaced = true;
  TFileFamily Family = TFileFamily::Other;
  std::string Layout;  // the layout of a table's kind; empty for a file that is no table
  TFileKind(std::string ext, std::string what, bool replaced = true, TFileFamily family = TFileFamily::Other)
      : Ext(std::move(ext)), What(std::move(what)), Replaced(replaced), Family(family) {}
};
using TFileKinds = std::vector<TFileKind>;
// The kind of a file among kinds, its extension compared whatever its letter case; nullptr for none.
const TFileKind* FindFileKind(const TFileKinds& kinds, const std::string& file);

// What a copy onto a stem replaces there: the files it writes over, and the files of the target's family
// that the source lacks, which the copy removes. The target's files are found whatever the letter case of
// their stem and extension; a file of the family is one of a replaced kind or of the kind of a file the
// copy writes. A file of another kind (of no replaced kind, or of no family) and a file of another stem
// that only begins the same are no part of it, nor is a file of the copy's source, whatever letter case
// the two stems differ in; a file of a kind that is not replaced is part of it where the copy writes a
// file of that kind's family. Each list is sorted; What holds the words of each file's kind. What programs
// that are gone left there beside files that are no longer there (a lock, an in-use mark, a run's record)
// is cleared first, as the next use of those files.
struct TCopyReplaced {
  std::vector<std::string> Written;
  std::vector<std::string> Removed;
  struct TNamed {
    std::string File, What;  // a file of either list, what it is
    TFileFamily Family = TFileFamily::Other;
  };
  std::vector<TNamed> Named;
  bool Empty() const { return Written.empty() && Removed.empty(); }
};
// written: the destination's files that the copy writes; sources: the files it copies from.
TCopyReplaced ReplacedByCopy(const std::string& destinationBase, const std::vector<std::string>& written,
                             const TFileKinds& kinds, const std::vector<std::string>& sources);
// The same for CopyTableFiles, which writes a file for every file of the source's stem, and the files the
// copy makes that the source lacks (`made`: their extensions). Onto the source's own stem (SameStem)
// nothing: CopyTableFiles copies nothing there.
TCopyReplaced CopyReplacedFiles(const std::string& sourceBase, const std::string& destinationBase,
                                const TFileKinds& kinds, const std::vector<std::string>& made = {});
// What a command does to the family it replaces, for the words of its question: a copy of another
// stem's family, a new empty family ("Создать", forming, a written fragment or equivalent), or one made
// from a file of another program.
enum class TReplacedBy { Copy, Create, Import };
// The question asked before a command of the family `family` replaces what it names: exists ("База с
// таким именем уже существует.") where files of that family (or of no family) are among them, then a
// line naming the files written over ("Будут заменены файлы: Копия.RSL (таблица линий), ...") and one
// naming those removed ("Будут удалены файлы, которых в копии не будет: Копия.SWT (журнал
// переключений)"), each by its file name and what it is ("прочий файл" for a file of no known kind),
// then "Перезаписать ?". The files of another family go on lines of their own that name it ("Будут
// заменены файлы базы РЭС: ..."); where only such files are replaced, the question begins by saying
// that the other family exists. What does not hold the removed files: "в копии" for a copy, the new
// family for the others ("в новой схеме").
std::string CopyReplaceQuestion(const std::string& exists, const TCopyReplaced& replaced, TReplacedBy by,
                                TFileFamily family);
// Whether two stems are one, however each path is written ("a/./b", a relative path) and whatever the
// letter case of its name (SameFileName). A copy of a
// family onto its own stem copies nothing and asks nothing: the command is the save it began with.
bool SameStem(const std::string& stem, const std::string& other);
// Copies every file "<source base>.<ext>" to "<destination base>.<ext>", as CopyTableFile copies one, in
// the order of kinds (files of no kind last): the tables and then the other files in one run
// (WriteTablesTogether), and in the same run the files of the destination's family that the source
// lacks (CopyReplacedFiles with kinds) are removed, so that a copy over an earlier family leaves that
// one whole or the whole new copy, and nothing of the earlier one beside the new; change, where given,
// gets each table (with its file's extension) before it is written. The source tables are locked
// meanwhile, all of them before the first is read.
// copied, where given, gets each file that is no table as the copy is to write it (the source's bytes),
// with the stamps of the source's tables as the copy read them, and may have the run make its bytes
// instead (TRunBytes::made): a file that says what the copy's tables are. made: files the copy writes in
// the same run that the source lacks, by their extensions (one of the destination's family there is
// written over, not removed).
using TTableChange = std::function<void(const std::string& ext, TDataFile& table)>;
using TCopiedBytes = std::function<void(TRunBytes& file, const TRunBytes::TWritten& read)>;
void CopyTableFiles(const std::string& sourceBase, const std::string& destinationBase, const TFileKinds& kinds,
                    const TTableChange& change = {}, const TCopiedBytes& copied = {},
                    const std::vector<TRunBytes>& made = {});
// Writes the tables of one set together (WriteTablesTogether, which refuses, as WriteTableFile does, a
// table read from its file that was changed there since), with the files of bytes beside them.
void WriteTableSet(const std::vector<std::pair<std::string, TDataFile*>>& files);
void WriteTableSet(const std::vector<std::pair<std::string, TDataFile*>>& files, const std::vector<TRunBytes>& bytes);
// The files of a base path's family (FamilyExtension: stem and extension whatever their letter case), each
// under the name it has in the folder. A name that ends in "~" is a lock, a write in progress or an in-use
// marker; a name with a further point belongs to another base ("scheme.a.UZL" is a table of "scheme.a",
// not of "scheme").
std::vector<std::string> TableFamilyFiles(const std::string& basePath);
// Deletes every file "<base>.<ext>" (a run of several of them stopped halfway put back first); nothing is
// deleted when one of them is locked.
void DeleteTableFiles(const std::string& basePath);

}  // namespace ld
