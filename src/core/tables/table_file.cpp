#include "core/tables/table_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_reader.h"
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"
#include "core/tables/text_buffer.h"

namespace ld {

namespace {

void Report(const TProgressProc& progress, float percent) {
  if (progress) progress(percent);
}

// The last progress call of a read or write, also on the way out of a failure.
void ReportDone(const TProgressProc& progress) noexcept {
  try {
    Report(progress, 0);
  } catch (...) {
  }
}

float ColumnPercent(int col, int count) { return static_cast<float>(col * 100) / static_cast<float>(count); }

// A read once the set that holds the file has been ended (RecoverTableSetForRead).
void ReadRecovered(const std::string& fileName, TDataFile& table, TColumnAttr<bool>& stored,
                   const TProgressProc& progress, bool allowed) {
  table = TDataFile();
  TTableFileIn in(fileName, allowed);
  try {
    in.CheckSignature();
    in.ReadHeader();
    in.ReadLayout(table);
    table.Title = in.Title();
    in.CheckRowsFit(table);
    CreateColumns(table, in.RowCount());
    if (in.Restructured()) {
      in.LoadMarks(*table.MarkRec);
      const std::vector<TFileSection> sections = in.ScanSections();
      for (int col = 1; col <= table.NCols; ++col) {
        for (const TFileSection& section : sections) {
          if (section.FieldName == table.FieldName[col]) {
            in.LoadSection(table, col, section);
            stored[col] = true;
            break;
          }
        }
        Report(progress, ColumnPercent(col, table.NCols));
      }
    } else {
      for (int col = 1; col <= table.NCols; ++col) {
        if (table.ColFlag[col] != '+') in.LoadOldColumn(table, col);
        Report(progress, ColumnPercent(col, table.NCols));
      }
      if (in.Reader().Remaining() > 0) in.LoadMarks(*table.MarkRec);
    }
    // What a later write judges the file by: the bytes as read, not just their date.
    if (!in.Stamp(table.FileDate)) in.Fail("файл не удается прочитать");
    Report(progress, 100);
  } catch (...) {
    in.Stamp(table.FileDate);
    in.Close();
    ReportDone(progress);
    throw;
  }
  in.Close();
  ReportDone(progress);
}

}  // namespace

void ReadTableFile(const std::string& fileName, TDataFile& table, const TProgressProc& progress) {
  TColumnAttr<bool> stored{};
  ReadTableFile(fileName, table, stored, progress);
}

void ReadTableFile(const std::string& named, TDataFile& table, TColumnAttr<bool>& stored,
                   const TProgressProc& progress) {
  stored.fill(false);
  if (named.empty()) throw Error("Не задано имя файла");
  const std::string fileName = FamilyFile(named);
  const TGuardUse use;
  const bool allowed = RecoverTableSetForRead(fileName);
  ReadRecovered(fileName, table, stored, progress, allowed);
}

// The stopped run is looked for once, and a question the user answered is not asked again by the read.
bool ReadTableFileOrEmpty(const std::string& named, const std::string& layoutName, TDataFile& table) {
  const std::string fileName = FamilyFile(named);
  const TGuardUse use;
  const bool allowed = RecoverTableSetForRead(fileName);
  if (fileio::FileExists(fileName)) {
    TColumnAttr<bool> stored{};
    stored.fill(false);
    ReadRecovered(fileName, table, stored, {}, allowed);
    return true;
  }
  ReadMaket(layoutName, table);
  CreateColumns(table, 0);
  return false;
}

void WriteTableFile(const std::string& named, TDataFile& table, const TProgressProc& progress) {
  if (named.empty()) throw Error("Не задано имя файла");
  // the family's own file of the kind, whatever the letter case of its name: never a second beside it
  const std::string fileName = FamilyFile(named);
  // One use from the stopped run put back to the table in place: a program it met is waited for and
  // asked about once, whichever of its files each step meets.
  const TGuardUse use;
  const std::string fullPath = fileio::FullFileName(fileName);
  std::string temp;
  // The lock of the write: taken only if absent, so of two writers one wins, and the other waits for it
  // as for a file in use. It records who writes, so that a write killed halfway is known as left over
  // instead of locking the table for good. The old version put back before it is the one the table may
  // have been read from; a run that this write waited for may have been killed meanwhile, and its set
  // is put back before this write replaces the file, never over it.
  TWriteLock lock;
  try {
    RecoverTableSet(fileName);
    TakeWriteLockWaiting(lock, fullPath, false);
    RecoverTableSet(fileName);
    // Judged now that no other writer can replace the file until this write ends.
    RefuseChangedSinceRead(fileName, table);
  } catch (...) {
    ReportDone(progress);
    throw;
  }
  try {
    const TFileStamp written = WriteTableTemporary(fullPath, temp, table, progress);
    TInUseMark mark;
    if (!WaitFileAccess(fileName, mark)) throw FileWriteError(fullPath, "файл занят другой программой");
    // Where the folder's locks fail, a user told that this program may still work may have taken it for
    // a dead one and cleared its lock: the table is then not put in place, and the user hears so.
    if (!lock.StillHeld()) throw FileWriteError(fullPath, kWriteTakenOver);
    // no moment without a whole table file
    if (!RenameOver(temp, fullPath)) {
      const int error = errno;
      throw FileWriteError(fullPath, error == ENOENT && !lock.StillHeld() ? kWriteTakenOver : SystemErrorText(error));
    }
    mark.Release();
    lock.Release();
    // The file as written (a rename keeps its date and bytes), even if another write followed at once.
    table.FileDate = written;
  } catch (const TFileError&) {
    if (!temp.empty()) ::unlink(temp.c_str());
    ReportDone(progress);
    throw;
  } catch (...) {
    if (!temp.empty()) ::unlink(temp.c_str());
    ReportDone(progress);
    throw FileWriteError(fullPath, "файл не записан");
  }
  ReportDone(progress);
}

std::unique_ptr<TDynamicArray> ReadColumnFromFile(const std::string& named, const std::string& fieldName) {
  const std::string fileName = FamilyFile(named);
  const bool allowed = RecoverTableSetForRead(fileName);
  TTableFileIn in(fileName, allowed);
  in.CheckSignature();
  in.ReadHeader();
  // The old format holds its columns without names: no column of it can be told by its field.
  if (!in.Restructured()) in.Fail("файл старого формата, его столбцы не названы, и столбец \"" + fieldName + "\" не найти");
  const int rows = in.RowCount();
  if (fieldName == "MarkRec") {
    auto marks = std::make_unique<DAbyte>(rows);
    in.LoadMarks(*marks);
    marks->Count = rows;
    return marks;
  }
  TDataFile table;
  in.ReadLayout(table);
  int col = 0;
  for (int k = 1; k <= table.NCols && col == 0; ++k) {
    if (table.FieldName[k] == fieldName) col = k;
  }
  if (col == 0) return nullptr;
  in.SkipMarks();
  for (const TFileSection& section : in.ScanSections()) {
    if (section.FieldName != fieldName) continue;
    table.RowCount = rows;
    table.Columns[col] = NewColumnArray(table.ColType[col], rows, table.CtrlSize[col]);
    if (!table.Columns[col]) return nullptr;
    in.LoadSection(table, col, section);
    table.Columns[col]->Count = rows;
    return std::move(table.Columns[col]);
  }
  return NewColumnArray(table.ColType[col], 0, table.CtrlSize[col]);
}

bool FileHasField(const std::string& named, const std::string& fieldName) {
  const std::string fileName = FamilyFile(named);
  const bool allowed = RecoverTableSetForRead(fileName);
  TTableFileIn in(fileName, allowed);
  in.CheckSignature();
  in.ReadHeader();
  if (!in.Restructured()) return false;
  in.SkipMarks();
  for (const TFileSection& section : in.ScanSections()) {
    if (section.FieldName == fieldName) return true;
  }
  return false;
}

int ReadFileRowCount(const std::string& named) {
  const std::string fileName = FamilyFile(named);
  const bool allowed = RecoverTableSetForRead(fileName);
  TTableFileIn in(fileName, allowed);
  if (!in.HasSignature()) return 0;
  in.ReadHeader();
  return in.RowCount();
}

bool IsTableFile(const std::string& fileName) {
  if (HasInUseMark(fileName)) return true;
  const fileio::TFd fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  char bytes[7];
  return fd.IsOpen() && ::read(fd.Get(), bytes, 7) == 7 && std::memcmp(bytes + 1, "ZREGIM", 6) == 0;
}

}  // namespace ld
