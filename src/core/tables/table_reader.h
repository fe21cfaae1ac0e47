#pragma once
// An open table file being read. Nothing in a file is trusted: every count and length is checked
// against the bytes the file really holds, and a file that does not add up fails with
// 'Ошибка чтения файла "<path>": <reason>', the reason saying what was found (a cut file: what it
// declares and how many bytes it holds).
#include <cstdint>
#include <string>
#include <vector>

#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"

namespace ld {

struct TFileSection {
  std::string FieldName;  // UTF-8
  char Type = 0;
  std::int64_t DataPos = 0;
  std::int32_t Size = 0;
};

class TTableFileIn {
public:
  // Opens the file for reading under its in-use mark; throws "Не задано имя файла" for an empty
  // name and the read error for a missing or refused file. allowed: the user has allowed access to
  // the file in this read already (WaitFileAccess).
  explicit TTableFileIn(const std::string& fileName, bool allowed = false);

  // 'Ошибка чтения файла "<path>": <reason>': every refusal of a read of a table comes through here.
  [[noreturn]] void Fail(const std::string& reason) const;
  // Fails for a file that ends inside `what`, which takes `needed` bytes from the current position.
  [[noreturn]] void FailCut(const std::string& what, std::int64_t needed) const;
  // Fails for a file that does not begin with the table signature.
  void CheckSignature();
  // The file as opened, its bytes hashed as the read took them (and those it did not take, read now): a
  // newer file put in its place meanwhile is not this one. False (the stamp unknown) where its bytes
  // cannot be read whole.
  bool Stamp(TFileStamp& stamp);
  fileio::TFileReader& Reader() { return reader_; }

  bool HasSignature();  // reads the 7 signature bytes
  // Reads the header after the signature (layout name, title, row count, format marker).
  void ReadHeader();
  const std::string& LayoutName() const { return layoutName_; }
  // The columns of the layout the file names, from the layout file; a name the layout file lacks (a
  // damaged or foreign file) is this file's read error.
  void ReadLayout(TDataFile& table) const;
  const std::string& Title() const { return title_; }
  std::int32_t RowCount() const { return rowCount_; }
  bool Restructured() const { return restructured_; }
  // Before any row is allocated: more than 65536 rows that the header declares must fit the rest of
  // the file, each taking at least its least bytes (old format: every stored column of the layout;
  // new format: its mark and a byte of some column). Throws ld::Error naming the file and that limit.
  void CheckRowsFit(const TDataFile& table);

  // New format, positioned after the marks: the sections to the end of the file.
  std::vector<TFileSection> ScanSections();
  // Loads a section into column col of the table, by its own type or converted through text.
  void LoadSection(TDataFile& table, int col, const TFileSection& section);
  // Old format: the next RowCount values of column col.
  void LoadOldColumn(TDataFile& table, int col);
  // The RowCount mark bytes at the current position into a mark array, or passed over.
  void LoadMarks(DAbyte& marks);
  void SkipMarks();

  // Closes the file and clears its in-use mark.
  void Close();

private:
  // Short strings of rows 1..RowCount up to `end`; `sized`: end is that of the column's own section.
  void LoadStrings(std::int64_t end, TDataFile& table, int col, bool sameType, bool sized);
  void LoadFixed(TDataFile& table, int col, std::int64_t bytes);
  std::string Rows() const;  // "заявлено строк <RowCount>"
  std::string ColumnRows(const TDataFile& table, int col) const;
  [[noreturn]] void FailSize(const TDataFile& table, int col, std::int64_t bytes, std::int64_t elemSize) const;
  [[noreturn]] void FailStrings(const TDataFile& table, int col, int row, bool sized) const;

  std::string fullPath_;
  TInUseMark mark_;
  fileio::TFd fd_;
  fileio::TFileReader reader_;
  std::string layoutName_;
  std::string title_;
  std::int32_t rowCount_ = 0;
  bool restructured_ = false;
};

}  // namespace ld
