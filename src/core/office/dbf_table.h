#pragma once
// dBase tables (.dbf) as the district imports read them: one table opened by its full path, its record
// count, a walk from the first record to the last that passes over the records marked deleted, and
// field values found by name and read as text.
//
// Texts that are well-formed UTF-8 of names (TCodePageTally::Utf8) are UTF-8 whatever the header says: an
// office suite saving a base in UTF-8 names no code page, and a converter leaves the byte it found. Other
// texts are decoded by the table's language-driver byte: 201 (Russian Windows), 3 and 87 (Windows
// ANSI) mean Windows-1251; 38 (Russian DOS) and every other value but 0 mean the DOS code page 866, in
// which the billing programs of the districts keep their bases. A header that names no code page (0, as
// office suites write every base they save, whatever code page they were told) is told by its texts: the
// letters of Windows-1251 lie at 0xC0-0xFF and those of 866 at 0x80-0xAF and 0xE0-0xEF, where 866 keeps
// box drawing at 0xB0-0xDF, which no name holds, and a letter of no Russian word in one reading counts
// against it (TCodePageTally). Names of lower-case letters read as names in both (866 "тёс" is
// Windows-1251 "всб", 866 "№8" is "ь8"), however rare their letters in one of them: where the bytes do not
// decide with a margin, the user is asked (AskCodePage), shown the first name that reads differently as
// it reads in each; an answer that declines refuses the table. Every field's value is a TOutsideValue, so
// that an import takes it only through the rules of names and numbers. A character field loses only its
// trailing padding, so leading blanks stay as stored; every other field (numbers, dates, logicals) comes
// trimmed on both sides.
// Numbers that later dBase variants keep in binary (integer, double and currency fields) come as numbers.
// A character field of Clipper and its successors may be wider than 255; a Visual FoxPro varchar field
// gives its value as long as its length byte says. A memo field gives its text from the table's memo file
// (dbf_memo.h), never the block number the record holds. A tab inside a text, which billing programs copy
// from their addresses, is given as a blank, and so is a line break inside a memo's text (a note typed
// over several lines: office suites write Alt+Enter as CR LF); for each the walk keeps a note naming the
// row and the field (TakeNotes).
//
// A file is checked whole before the first record is read: a header, field descriptors, a record length
// or a record count that do not fit the file refuse it, so a walk never meets a record that is not
// there and never reads a field from another's bytes. The records start where the header's length says:
// the descriptors end at their terminator, and zero bytes after it (Clipper and its successors write
// one) or a Visual FoxPro table's name of its database are padding.
//
// A record or a field that cannot be read is named by the row its caller's messages give the record:
// the walk numbers the records it gives from 1, or as the caller says (First, Next with a row), so that a
// fault of the file and a fault of a text the import finds in the same record are told by one number.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/error.h"
#include "core/base/outside_value.h"

namespace ld {

namespace office {
class TDbfMemoFile;
}

// A record of an open table that cannot be read: what() is 'Ошибка чтения файла "<path>": <reason>'.
class TDbfReadError : public Error {
public:
  TDbfReadError(const std::string& path, std::string reason);
  // Why, without the file's name.
  const std::string& Reason() const { return reason_; }

private:
  std::string reason_;
};

class TDbfTable {
public:
  TDbfTable();
  ~TDbfTable();
  TDbfTable(const TDbfTable&) = delete;
  TDbfTable& operator=(const TDbfTable&) = delete;

  // Opens the table, closing the one open before. False when the file cannot be read as a dBase table;
  // error then holds 'Ошибка чтения файла "<path>": <reason>' and no table is open.
  bool Open(const std::string& path, std::string& error);
  // Why the last Open refused its file, without the file's name (what error holds after the path);
  // empty when it opened the file.
  const std::string& OpenFault() const { return openFault_; }
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  const std::string& FileName() const { return path_; }

  // Records of the file, those marked deleted included.
  int RecordCount() const { return recordCount_; }
  // 866, 1251 or UTF-8 (kCodePageUtf8).
  int CodePage() const { return codePage_; }

  // Moves to the first (next) record that is not marked deleted; false at the end of the table. The
  // record is numbered `row` in the messages (First: 1, Next: one more than the record before, unless the
  // caller gives its own number, as an import that numbers only the records it takes does). A record that
  // cannot be read throws TDbfReadError naming the file and that row.
  bool First(int row = 1);
  bool Next();
  bool Next(int row);
  bool Eof() const { return current_ < 0; }
  // The position of the current record in the file, from 1 (deleted records counted).
  int RecNo() const { return current_ + 1; }
  // The number the messages give the current record.
  int Row() const { return row_; }

  // The number of the field of that name (letter case ignored), -1 when the table has none.
  int FieldIndex(std::string_view name) const;
  bool HasField(std::string_view name) const { return FieldIndex(name) >= 0; }
  // The value of a field of the current record; empty for an absent field or off the walk. A memo
  // field's text that cannot be read (its file missing or damaged) throws TDbfReadError naming the row,
  // the field and the memo file.
  TOutsideValue Value(int field) const;
  TOutsideValue Value(std::string_view name) const { return Value(FieldIndex(name)); }
  // The name of a field as the header gives it, upper-cased; empty for a field the table lacks.
  std::string FieldName(int field) const;

  // The notes the reading made since the last call (a tab or a line break given as a blank), each naming
  // the file, the row and the field, for the import's messages; at most kMaxImportMessages, the rest
  // counted in a last line.
  std::vector<std::string> TakeNotes();

private:
  // The tests of the reader see a field's text as it is decoded, before any rule.
  friend struct TDbfTableProbe;
  struct TField {
    std::string Name;  // upper-cased
    char Type = 'C';
    int Offset = 0, Width = 0;
    int VarBit = -1;  // a Visual FoxPro varchar's "varlength" bit in _NullFlags; -1 for a fixed width
  };
  bool Load(int record);
  bool Seek(int from, int row);
  // Whether the record keeps the field's value shorter than the field, its length in the field's last
  // byte (then in length).
  bool VarLength(const char* record, const TField& f, int& length) const;
  // The field's bytes in the record as the file keeps its text: a varchar's to its length, a memo's
  // from the memo file (false with the fault), any other's whole.
  bool RawText(const char* record, const TField& f, std::string& bytes, std::string& fault) const;
  // The text of a field of the current record, decoded, its padding cut (see Value).
  std::string Text(int field) const;
  // Gives the kind of blank (a tab, a line break) as a blank; a note names the field when one stood
  // inside the text. kinds: the bits of the notes already made for the field in this record.
  void Blanked(std::string& text, const TField& f, unsigned char& kinds) const;
  // Tells UTF-8 texts under any header, and the code page of a table whose header names none (unnamed)
  // by its texts, asking the user where they do not decide; why the table is refused (the question
  // declined), empty when codePage_ is set.
  std::string TellCodePage(bool unnamed);
  // "строка <row>, поле <name>: <reason>", as every fault of a record reads.
  std::string RecordFault(const TField& f, const std::string& reason) const;

  void* handle_ = nullptr;  // the library's table handle
  std::string path_;
  std::string openFault_;
  int recordCount_ = 0;
  int recordLength_ = 0;
  int codePage_ = 866;
  int current_ = -1;
  int row_ = 0;  // the number the messages give the current record
  const char* record_ = nullptr;  // the current record's bytes, the deletion mark first
  std::vector<TField> fields_;
  const TField* nullFlags_ = nullptr;  // _NullFlags of a Visual FoxPro table
  bool binaryMemo_ = false;            // a memo field holds its block number in four bytes (Visual FoxPro)
  std::unique_ptr<office::TDbfMemoFile> memo_;  // the memo file, when the table has a memo field
  // The current record's texts read from the memo file, per field: read once however often asked.
  mutable std::vector<std::optional<std::string>> memoTexts_;
  // The notes made for each field of the current record (bits by kind), so that a field read twice gives
  // one note of each kind.
  mutable std::vector<unsigned char> noted_;
  mutable std::vector<std::string> notes_;
  mutable std::size_t notesLeftOut_ = 0;
};

}  // namespace ld
