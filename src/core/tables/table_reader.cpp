#include "core/tables/table_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/text_lines.h"
#include "core/tables/cell_convert.h"
#include "core/tables/layout.h"
#include "core/tables/text_buffer.h"

namespace ld {

namespace {

// Every read of a table that fails says why, here.
[[noreturn]] void ReadError(const std::string& fullPath, const std::string& reason) {
  throw Error("Ошибка чтения файла \"" + fullPath + "\": " + reason);
}

int OpenForRead(const std::string& fileName, const std::string& fullPath, TInUseMark& mark, bool allowed) {
  if (fileName.empty()) throw Error("Не задано имя файла");
  if (const std::string fault = UnreadableFileFault(fileName); !fault.empty()) ReadError(fullPath, fault);
  if (!WaitFileAccess(fileName, mark, allowed)) ReadError(fullPath, "файл занят другой программой");
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    mark.Release();
    ReadError(fullPath, SystemErrorText(error));
  }
  return fd;
}

std::string Bytes(std::int64_t n) { return std::to_string(n) + " байт"; }

struct stat StatOf(const fileio::TFd& fd) {
  struct stat st {};
  ::fstat(fd.Get(), &st);
  return st;
}

}  // namespace

TTableFileIn::TTableFileIn(const std::string& fileName, bool allowed)
    : fullPath_(fileio::FullFileName(fileName)),
      fd_(OpenForRead(fileName, fullPath_, mark_, allowed)),
      reader_(fd_.Get(), StatOf(fd_).st_size) {}

bool TTableFileIn::Stamp(TFileStamp& stamp) {
  const struct stat st = StatOf(fd_);
  stamp = {};
  // a file changed in place since it was opened cannot be told by what was read of it
  if (st.st_size != reader_.Size() || !reader_.HashWhole(stamp.Hash)) return false;
  stamp.Date = fileio::StatDate(st);
  stamp.Size = st.st_size;
  return true;
}

void TTableFileIn::Fail(const std::string& reason) const { ReadError(fullPath_, reason); }

void TTableFileIn::FailCut(const std::string& what, std::int64_t needed) const {
  const std::int64_t left = std::max<std::int64_t>(reader_.Remaining(), 0);
  // the bytes are there and the system would not give them
  if (left >= needed) Fail("файл не удается прочитать: " + what);
  Fail("файл обрезан: на " + what + " нужно " + Bytes(needed) + ", а до конца файла " + Bytes(left));
}

void TTableFileIn::CheckSignature() {
  if (!HasSignature()) Fail("файл не является таблицей (в начале нет подписи ZREGIM)");
}

void TTableFileIn::SkipMarks() {
  if (reader_.Remaining() < rowCount_) FailCut("отметки строк (" + Rows() + ")", rowCount_);
  reader_.Skip(rowCount_);
}

std::string TTableFileIn::Rows() const { return "заявлено строк " + std::to_string(rowCount_); }

void TTableFileIn::ReadLayout(TDataFile& table) const {
  try {
    ReadMaket(layoutName_, table);
  } catch (const Error& e) {
    Fail(e.what());
  }
}

void TTableFileIn::Close() {
  fd_.Close();
  mark_.Release();
}

bool TTableFileIn::HasSignature() {
  char bytes[7];
  return reader_.Read(bytes, 7) && std::memcmp(bytes, "\x06ZREGIM", 7) == 0;
}

void TTableFileIn::ReadHeader() {
  std::string bytes;
  if (!reader_.ReadShortString(bytes)) Fail("файл обрезан в заголовке, на имени макета");
  layoutName_ = Cp1251ToUtf8(bytes);
  if (!reader_.ReadShortString(bytes)) Fail("файл обрезан в заголовке, на названии таблицы");
  title_ = Cp1251ToUtf8(bytes);
  if (!reader_.ReadInt32(rowCount_)) Fail("файл обрезан в заголовке, на числе строк");
  // Every row takes at least one byte of the rest of the file; a larger count is damage, and
  // believing it would allocate whatever it says.
  if (rowCount_ < 0) Fail(Rows() + ": число строк не может быть отрицательным");
  if (rowCount_ > reader_.Remaining())
    Fail("файл обрезан: " + Rows() + ", а после заголовка в файле " + Bytes(reader_.Remaining()) +
         " (не меньше байта на строку)");
  const std::int64_t afterCount = reader_.Pos();
  char marker[12];
  restructured_ = reader_.Skip(1) && reader_.Read(marker, 12) && std::memcmp(marker, "RESTRUCTURED", 12) == 0;
  if (!restructured_) reader_.Seek(afterCount);
}

void TTableFileIn::CheckRowsFit(const TDataFile& table) {
  // Up to this many rows cost little whatever the layout: such a file is read, and a cut one fails at
  // its short column like any other damage.
  constexpr std::int32_t kRowsAllocatedUnchecked = 65536;
  if (rowCount_ <= kRowsAllocatedUnchecked) return;
  std::int64_t perRow = 2;
  if (!restructured_) {
    perRow = 0;
    for (int col = 1; col <= table.NCols; ++col)
      if (table.ColFlag[col] != '+')
        perRow += table.ColType[col] == 's' ? 1 : ElementSizeOf(table.ColType[col], table.CtrlSize[col]);
  }
  if (perRow == 0 || static_cast<std::int64_t>(rowCount_) * perRow <= reader_.Remaining()) return;
  Fail(Rows() + ", а файл этого размера вмещает не более " + std::to_string(reader_.Remaining() / perRow) +
       " (предел числа строк по размеру файла)");
}

std::vector<TFileSection> TTableFileIn::ScanSections() {
  std::vector<TFileSection> sections;
  std::string name;
  // Only the headers are wanted here: reading a whole window at each would read the file twice.
  reader_.SetReadAhead(512);
  while (reader_.Remaining() > 0) {
    TFileSection s;
    std::uint8_t type = 0;
    if (!reader_.ReadShortString(name) || !reader_.ReadByte(type) || !reader_.ReadInt32(s.Size))
      Fail(sections.empty() ? std::string("файл обрезан в заголовке первого столбца")
                            : "файл обрезан в заголовке столбца, следующего за \"" + sections.back().FieldName + "\"");
    s.FieldName = Cp1251ToUtf8(name);
    s.Type = static_cast<char>(type);
    s.DataPos = reader_.Pos();
    const std::string column = "столбец \"" + s.FieldName + "\"";
    if (s.Size < 0) Fail(column + ": заявлена длина " + std::to_string(s.Size) + " байт");
    if (!reader_.Skip(s.Size)) FailCut(column, s.Size);
    sections.push_back(std::move(s));
  }
  reader_.SetReadAhead(0);
  return sections;
}

void TTableFileIn::LoadMarks(DAbyte& marks) {
  marks.EnsureIndex(rowCount_);
  if (rowCount_ > 0 && !reader_.Read(marks.ItemPtr(1), static_cast<std::size_t>(rowCount_)))
    FailCut("отметки строк (" + Rows() + ")", rowCount_);
}

namespace {

// How many of the n bytes at p are zero before the first that is not.
std::size_t ZeroRun(const unsigned char* p, std::size_t n) {
  std::size_t k = 0;
  for (std::uint64_t word = 0; k + sizeof word <= n; k += sizeof word) {
    std::memcpy(&word, p + k, sizeof word);
    if (word != 0) break;
  }
  while (k < n && p[k] == 0) ++k;
  return k;
}

}  // namespace

std::string TTableFileIn::ColumnRows(const TDataFile& table, int col) const {
  return "столбец \"" + table.FieldName[col] + "\" (" + Rows() + ")";
}

void TTableFileIn::FailSize(const TDataFile& table, int col, std::int64_t bytes, std::int64_t elemSize) const {
  Fail("столбец \"" + table.FieldName[col] + "\" занимает " + Bytes(bytes) + ", а " + Rows() + " по " +
       Bytes(elemSize) + " - это " + Bytes(elemSize * rowCount_));
}

void TTableFileIn::FailStrings(const TDataFile& table, int col, int row, bool sized) const {
  Fail(std::string(sized ? "" : "файл обрезан: ") + "столбец \"" + table.FieldName[col] + "\": прочитано текстов " +
       std::to_string(row - 1) + ", а " + Rows());
}

// Short strings of rows 1..RowCount, none of them past `end`.
void TTableFileIn::LoadStrings(std::int64_t end, TDataFile& table, int col, bool sameType, bool sized) {
  auto* strings = sameType ? dynamic_cast<DAString*>(table.Columns[col].get()) : nullptr;
  if (strings) {
    strings->EnsureIndex(rowCount_);
    // A section's texts take at least its bytes less the length bytes (more in UTF-8, where a Cyrillic
    // letter takes two). A column of the old format has no size of its own.
    const std::int64_t least = end - reader_.Pos() - rowCount_;
    if (sized && least > 0) strings->ReserveText(static_cast<std::size_t>(least));
  }
  std::string text;
  char decoded[3 * 255 + 1];  // a short string of 255 bytes at most, each 3 bytes of UTF-8 at most
  // The rows are taken a buffer's window at a time: every short string that lies whole in it, and runs
  // of empty texts (most cells of a scheme's text columns) at once.
  for (int row = 1; row <= rowCount_;) {
    const std::int64_t left = end - reader_.Pos();
    const auto window =
        static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(reader_.BufferSize())));
    const unsigned char* p = left > 0 ? reader_.Peek(window) : nullptr;
    if (!p) FailStrings(table, col, row, sized);
    std::size_t at = 0;
    while (row <= rowCount_ && at < window) {
      if (p[at] == 0) {
        const int run = static_cast<int>(std::min<std::size_t>(ZeroRun(p + at, window - at),
                                                               static_cast<std::size_t>(rowCount_ - row + 1)));
        if (strings) {
          strings->SetNewEmpty(row, row + run - 1);
        } else {
          for (int k = 0; k < run; ++k) {
            text.clear();
            StoreCellText(table, row + k, col, text);
          }
        }
        row += run;
        at += static_cast<std::size_t>(run);
        continue;
      }
      const std::size_t length = p[at];
      if (at + 1 + length > window) break;  // read whole from the next window, or past the end
      const std::string_view bytes(reinterpret_cast<const char*>(p) + at + 1, length);
      if (strings) {
        strings->SetNew(row, std::string_view(decoded, DecodeCp1251To(bytes, decoded)));
      } else {
        DecodeCp1251Into(bytes, text);
        StoreCellText(table, row, col, text);
      }
      ++row;
      at += 1 + length;
    }
    if (at == 0) FailStrings(table, col, row, sized);  // a text that runs past the end
    reader_.Skip(static_cast<std::int64_t>(at));
  }
}

void TTableFileIn::LoadFixed(TDataFile& table, int col, std::int64_t bytes) {
  TDynamicArray* array = table.Columns[col].get();
  if (rowCount_ == 0) return;
  const std::int64_t needed = static_cast<std::int64_t>(rowCount_) * array->ElemSize();
  if (bytes != needed) FailSize(table, col, bytes, array->ElemSize());
  array->EnsureIndex(rowCount_);
  if (!reader_.Read(array->ItemPtr(1), static_cast<std::size_t>(bytes)))
    FailCut(ColumnRows(table, col), needed);
}

void TTableFileIn::LoadSection(TDataFile& table, int col, const TFileSection& section) {
  reader_.Seek(section.DataPos);
  const char type = table.ColType[col];
  const std::int64_t end = section.DataPos + section.Size;
  if (section.Type == 's') {
    LoadStrings(end, table, col, type == 's', true);
    return;
  }
  int elemSize = ElementSizeOf(section.Type, 0);
  if (section.Type == 't') {
    // A fixed string's capacity is not in the file: its element size is what the rows divide into.
    if (rowCount_ == 0) return;
    if (section.Size % rowCount_ != 0 || section.Size == 0)
      Fail("столбец \"" + section.FieldName + "\" занимает " + Bytes(section.Size) + ", что не делится на " + Rows());
    elemSize = section.Size / rowCount_;
  }
  if (elemSize == 0) return;  // a type this program does not know: its values become empty texts
  if (section.Type == type && elemSize == table.Columns[col]->ElemSize()) {
    LoadFixed(table, col, section.Size);
    return;
  }
  // Another type, or a fixed string of another capacity: carried over value by value as text.
  if (static_cast<std::int64_t>(elemSize) * rowCount_ != section.Size) FailSize(table, col, section.Size, elemSize);
  std::vector<unsigned char> element(static_cast<std::size_t>(elemSize));
  for (int row = 1; row <= rowCount_; ++row) {
    if (!reader_.Read(element.data(), element.size()))
      FailCut(ColumnRows(table, col), static_cast<std::int64_t>(elemSize) * rowCount_);
    std::string text = StoredValueText(section.Type, element.data(), elemSize);
    StoreCellText(table, row, col, text);
  }
}

void TTableFileIn::LoadOldColumn(TDataFile& table, int col) {
  if (table.ColType[col] == 's') {
    LoadStrings(reader_.Size(), table, col, true, false);
  } else {
    LoadFixed(table, col, static_cast<std::int64_t>(rowCount_) * table.Columns[col]->ElemSize());
  }
}

}  // namespace ld
