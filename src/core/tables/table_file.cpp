#include "core/tables/table_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_reader.h"
#include "core/tables/table_run.h"
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

bool IsComputed(const std::string& fieldName) { return !fieldName.empty() && fieldName.back() == '*'; }

// A failure while writing: turned into the write error by WriteTableFile.
struct TWriteFailure {};
// The file changed since it was read, found once the write holds the temporary file.
struct TChangedMeanwhile {};

// Writes one stored column's section (name, letter, byte count, data rows 1..RowCount).
void WriteSection(fileio::TFileWriter& out, const TDataFile& t, int col) {
  const char type = t.ColType[col];
  TDynamicArray* array = t.Columns[col].get();
  if (array && array->TypeLetter() != type) throw TWriteFailure();
  out.WriteShortString(Utf8ToCp1251(t.FieldName[col]));
  out.WriteByte(static_cast<std::uint8_t>(type));
  const std::int64_t countPos = out.Pos();
  out.WriteInt32(0);
  const int rows = t.RowCount;
  if (type == 's') {
    const auto* strings = static_cast<const DAString*>(array);
    std::int64_t bytes = 0;
    const bool noText = strings == nullptr || strings->TextCapacity() == 0;
    if (noText) {
      // A column that never held a text (most of a scheme's are such): a zero length byte a row.
      for (std::int64_t left = rows; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, fileio::TFileWriter::kCapacity));
        char* room = out.Room(n);
        if (room == nullptr) throw TWriteFailure();
        std::memset(room, 0, n);
        out.Commit(n);
        left -= static_cast<std::int64_t>(n);
      }
      bytes = rows;
    }
    for (int row = 1; row <= rows && !noText; ++row) {
      const std::string_view text = strings->GetView(row);
      if (text.empty()) {
        char* room = out.Room(1);
        if (room == nullptr) throw TWriteFailure();
        room[0] = 0;
        out.Commit(1);
        ++bytes;
        continue;
      }
      // Encoded straight into the write buffer: never more bytes than the UTF-8 text.
      char* room = out.Room(1 + text.size());
      if (room == nullptr) throw TWriteFailure();
      const std::size_t length = std::min<std::size_t>(EncodeCp1251To(text, room + 1), 255);
      room[0] = static_cast<char>(length);
      out.Commit(1 + length);
      bytes += 1 + static_cast<std::int64_t>(length);
    }
    if (bytes > INT32_MAX) throw TWriteFailure();
    out.PatchInt32(countPos, static_cast<std::int32_t>(bytes));
    return;
  }
  const int elemSize = array ? array->ElemSize() : ElementSizeOf(type, t.CtrlSize[col]);
  if (elemSize == 0) throw TWriteFailure();
  const std::int64_t bytes = static_cast<std::int64_t>(rows) * elemSize;
  if (bytes > INT32_MAX) throw TWriteFailure();
  if (rows > 0) {
    if (array) {
      array->EnsureIndex(rows);
      out.Write(array->ItemPtr(1), static_cast<std::size_t>(bytes));
    } else {
      const std::vector<unsigned char> zeros(static_cast<std::size_t>(bytes));
      out.Write(zeros.data(), zeros.size());
    }
  }
  out.PatchInt32(countPos, static_cast<std::int32_t>(bytes));
}

void WriteBody(fileio::TFileWriter& out, TDataFile& t, const TProgressProc& progress) {
  out.Write("\x06ZREGIM", 7);
  out.Flush();  // at once: others who find the temporary file see a write in progress, not a lock
  out.WriteShortString(Utf8ToCp1251(t.Name));
  out.WriteShortString(Utf8ToCp1251(t.Title));
  out.WriteInt32(t.RowCount);
  out.Write("\x0CRESTRUCTURED", 13);
  if (t.RowCount > 0) {
    if (!t.MarkRec) t.MarkRec = std::make_unique<DAbyte>(t.RowCount);
    t.MarkRec->EnsureIndex(t.RowCount);
    out.Write(t.MarkRec->ItemPtr(1), static_cast<std::size_t>(t.RowCount));
  }
  for (int col = 1; col <= t.NCols; ++col) {
    if (IsComputed(t.FieldName[col])) continue;  // computed columns live only in memory
    WriteSection(out, t, col);
    if (!out.Ok()) throw TWriteFailure();
    Report(progress, ColumnPercent(col, t.NCols));
  }
  Report(progress, 100);
}

// A new version's modification time must differ from the one it replaces, or a workstation that read
// the old version would not see the change: file times can be coarser than two quick writes.
void MakeTimeNewer(int fd, const std::string& target) {
  struct stat mine {}, old {};
  if (::fstat(fd, &mine) != 0 || ::stat(target.c_str(), &old) != 0) return;
  const auto& a = mine.st_mtim;
  const auto& b = old.st_mtim;
  if (a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec)) return;
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1] = b;
  times[1].tv_nsec += 1000000;  // 1 ms: well above the resolution of the date kept in the table
  if (times[1].tv_nsec >= 1000000000) {
    times[1].tv_nsec -= 1000000000;
    ++times[1].tv_sec;
  }
  ::futimens(fd, times);
}

// Writes the table into the open file of a new version of target, dated after target: empty, or why
// it could not be written.
std::string WriteDated(int fd, const std::string& target, TDataFile& table, const TProgressProc& progress) {
  fileio::TFileWriter out(fd);
  try {
    WriteBody(out, table, progress);
    if (!out.Flush()) throw TWriteFailure();
  } catch (const TWriteFailure&) {
    return out.ErrorCode() != 0 ? SystemErrorText(out.ErrorCode()) : "файл не записан";
  }
  MakeTimeNewer(fd, target);
  return {};
}

// A read once the set that holds the file has been ended (RecoverTableSetForRead).
void ReadRecovered(const std::string& fileName, TDataFile& table, TColumnAttr<bool>& stored,
                   const TProgressProc& progress, bool allowed) {
  table = TDataFile();
  TTableFileIn in(fileName, allowed);
  try {
    if (!in.HasSignature()) in.Fail();
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
    Report(progress, 100);
  } catch (...) {
    in.Close();
    table.FileDate = in.FileDate();
    ReportDone(progress);
    throw;
  }
  in.Close();
  table.FileDate = in.FileDate();
  ReportDone(progress);
}

}  // namespace

void ReadTableFile(const std::string& fileName, TDataFile& table, const TProgressProc& progress) {
  TColumnAttr<bool> stored{};
  ReadTableFile(fileName, table, stored, progress);
}

void ReadTableFile(const std::string& fileName, TDataFile& table, TColumnAttr<bool>& stored,
                   const TProgressProc& progress) {
  stored.fill(false);
  if (fileName.empty()) throw Error("Не задано имя файла");
  const bool allowed = RecoverTableSetForRead(fileName);
  ReadRecovered(fileName, table, stored, progress, allowed);
}

// The stopped run is looked for once, and a question the user answered is not asked again by the read.
bool ReadTableFileOrEmpty(const std::string& fileName, const std::string& layoutName, TDataFile& table) {
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

TDateTime WriteTableTemporary(const std::string& fileName, std::string& temp, TDataFile& table,
                              const TProgressProc& progress) {
  temp.clear();
  std::string own;
  fileio::TFd fd(CreatePrivateFile(WriteTempName(fileName), FolderFileMode(fileName, fileName), own));
  if (!fd.IsOpen()) throw FileWriteError(fileName, SystemErrorText(errno));
  const auto fail = [&](const std::string& why) {
    ::unlink(own.c_str());
    throw FileWriteError(fileName, why);
  };
  GiveFolderMode(fd.Get(), fileName, fileName);
  ReleaseCachedPages(fileName);
  if (const std::string failure = WriteDated(fd.Get(), fileName, table, progress); !failure.empty()) fail(failure);
  struct stat written {};
  if (::fstat(fd.Get(), &written) != 0 || ::fsync(fd.Get()) != 0 || !fd.Close()) fail(SystemErrorText(errno));
  temp = own;
  return fileio::StatDate(written);
}

void WriteTableFile(const std::string& fileName, TDataFile& table, const TProgressProc& progress) {
  if (fileName.empty()) throw Error("Не задано имя файла");
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
  } catch (...) {
    ReportDone(progress);
    throw;
  }
  try {
    // Checked again now that no other writer can replace the file until this write ends.
    if (table.FileDate != 0) {
      const double current = fileio::FileDateOf(fileName);
      if (current != 0 && current != table.FileDate) throw TChangedMeanwhile();
    }
    const TDateTime written = WriteTableTemporary(fullPath, temp, table, progress);
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
    // The date of the file as written (a rename keeps it), even if another write followed at once.
    table.FileDate = written;
  } catch (const TChangedMeanwhile&) {
    ReportDone(progress);
    throw Error("Файл \"" + fullPath + "\" был изменен. Необходимо открыть файл заново");
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

std::unique_ptr<TDynamicArray> ReadColumnFromFile(const std::string& fileName, const std::string& fieldName) {
  const bool allowed = RecoverTableSetForRead(fileName);
  TTableFileIn in(fileName, allowed);
  if (!in.HasSignature()) in.Fail();
  in.ReadHeader();
  // The old format holds its columns without names: no column of it can be told by its field.
  if (!in.Restructured()) in.Fail();
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
  if (!in.Reader().Skip(rows)) in.Fail();
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

bool FileHasField(const std::string& fileName, const std::string& fieldName) {
  const bool allowed = RecoverTableSetForRead(fileName);
  TTableFileIn in(fileName, allowed);
  if (!in.HasSignature()) in.Fail();
  in.ReadHeader();
  if (!in.Restructured()) return false;
  if (!in.Reader().Skip(in.RowCount())) in.Fail();
  for (const TFileSection& section : in.ScanSections()) {
    if (section.FieldName == fieldName) return true;
  }
  return false;
}

int ReadFileRowCount(const std::string& fileName) {
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
