#include "core/tables/table_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/tables/file_io.h"
#include "core/tables/file_modes.h"
#include "core/tables/lock_record.h"
#include "core/tables/text_buffer.h"

namespace ld {

namespace {

void Report(const TProgressProc& progress, float percent) {
  if (progress) progress(percent);
}

float ColumnPercent(int col, int count) { return static_cast<float>(col * 100) / static_cast<float>(count); }

bool IsComputed(const std::string& fieldName) { return !fieldName.empty() && fieldName.back() == '*'; }

// A failure while writing: turned into the write error by WriteTableFile.
struct TWriteFailure {};

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

// A new version is dated after the one it replaces where the folder keeps times that fine, so that the
// date shown moves on; whether a file changed is judged by its bytes too (FileChanged), since a share
// may keep whole seconds and give two quick writes one date.
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

// What went into a temporary: its size and the hash of its bytes as they went out.
struct TWritten {
  std::int64_t size = 0;
  std::uint64_t hash = 0;
};

// Writes the table into the open file of its new version: empty, or why it could not be written.
std::string WriteTable(int fd, TDataFile& table, const TProgressProc& progress, TWritten& written) {
  fileio::TFileWriter out(fd);
  try {
    WriteBody(out, table, progress);
    if (!out.Flush()) throw TWriteFailure();
  } catch (const TWriteFailure&) {
    return out.ErrorCode() != 0 ? SystemErrorText(out.ErrorCode()) : "файл не записан";
  }
  written = {out.Pos(), out.Hash()};
  return {};
}

// The frame of every temporary of a write: made under a private name of "<file>.new~", of the folder's
// mode, written by `write` (empty, or why it failed; what it wrote), dated after the file, stamped,
// flushed and closed.
template <typename TWrite>
TFileStamp WriteTemporary(const std::string& fileName, std::string& temp, const TWrite& write) {
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
  TWritten bytes;
  if (const std::string failure = write(fd.Get(), bytes); !failure.empty()) fail(failure);
  MakeTimeNewer(fd.Get(), fileName);
  // What a later write of this table judges the file by: the bytes as they went to the file, and the
  // date the file has now.
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) fail(SystemErrorText(errno));
  if (st.st_size != bytes.size) fail(SystemErrorText(EIO));
  TFileStamp written;
  written.Date = fileio::StatDate(st);
  written.Size = bytes.size;
  written.Hash = bytes.hash;
  if (::fsync(fd.Get()) != 0 || !fd.Close()) fail(SystemErrorText(errno));
  temp = own;
  return written;
}

}  // namespace

TFileStamp WriteTableTemporary(const std::string& fileName, std::string& temp, TDataFile& table,
                              const TProgressProc& progress) {
  return WriteTemporary(fileName, temp,
                        [&](int fd, TWritten& written) { return WriteTable(fd, table, progress, written); });
}

TFileStamp WriteBytesTemporary(const std::string& fileName, std::string& temp, const std::string& bytes) {
  return WriteTemporary(fileName, temp, [&](int fd, TWritten& written) {
    if (!WriteFileBytes(fd, bytes.data(), bytes.size())) return SystemErrorText(errno != 0 ? errno : EIO);
    written = {static_cast<std::int64_t>(bytes.size()), HashOfBytes(bytes.data(), bytes.size())};
    return std::string();
  });
}

std::string ChangedMeanwhileText(const std::string& fullPath) {
  return "Файл \"" + fullPath + "\" был изменен. Необходимо открыть файл заново";
}

void RefuseChangedSinceRead(const std::string& fileName, const TDataFile& table) {
  RefuseChangedSinceRead(fileName, table.FileDate);
}

void RefuseChangedSinceRead(const std::string& fileName, const TFileStamp& read) {
  if (FileChanged(fileName, read)) throw TChangedSinceRead(ChangedMeanwhileText(fileio::FullFileName(fileName)));
}

}  // namespace ld
