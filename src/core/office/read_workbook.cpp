#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "core/base/error.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/sheet_sink.h"
#include "core/office/workbook.h"
#include "core/office/xls_file.h"
#include "core/office/xlsx_file.h"
#include "core/office/zip_part.h"

namespace ld {

namespace {

// What the cells of a whole workbook take in memory: 32 MB and 200 bytes for each byte of the file,
// never more than the machine's memory. A cell kept whole costs several times the bytes that the file
// spends on it (a map node of about a hundred bytes for a cell of fifteen, a shared text copied into
// every cell that names it), so a file of a megabyte whose parts unpack within their limits, or a
// legacy file of many cells naming one long text, would otherwise hold gigabytes. The bound leaves
// twice the room of the unpacked parts' own: a sound file's cells stay well inside it.
class TCellBudget {
public:
  explicit TCellBudget(const std::string& path)
      : budget_(path, "ячейки книги занимают в памяти",
                office::TFileScaledLimit(office::FileSize(path), office::kHeldAnyFile, office::kHeldPerFileByte,
                                         office::PhysicalMemory())) {}

  // An unreadable cell's map node: the links and colour, the row and column, why and a view of its value;
  // a value is counted as if it were new to the sheet (a node of the sheet's values and its bytes), as
  // a file may give every cell a value of its own.
  void TakeUnreadable(std::size_t valueBytes) {
    budget_.Take(4 * sizeof(void*) + sizeof(std::pair<const std::pair<int, int>, Worksheet::TUnreadable>) +
                 (valueBytes == 0 ? 0 : 4 * sizeof(void*) + sizeof(std::string)) +
                 (valueBytes > std::string().capacity() ? valueBytes + 1 : 0));
  }

  void Take(std::size_t textBytes) {
    // a map node: the tree's links and colour, the cell's row and column, the cell; a text past the
    // string's own buffer takes its bytes besides
    budget_.Take(4 * sizeof(void*) + sizeof(std::pair<const std::pair<int, int>, SheetCell>) +
                 (textBytes > std::string().capacity() ? textBytes + 1 : 0));
  }

private:
  office::TFileScaledBudget budget_;
};

// Every worksheet kept whole as a Worksheet.
class TWholeBook : public office::TBookSink {
public:
  explicit TWholeBook(const std::string& path) : path_(path), budget_(path) {}

  bool WantsCells() const override { return true; }
  office::TSheetSink* Sheet(const std::string& name, bool hidden) override {
    TSheet* sheet = sheets_.emplace_back(std::make_unique<TSheet>(name, path_, strings, budget_)).get();
    sheet->sheet.SetHidden(hidden);
    return sheet;
  }
  office::TRawBook Take() {
    office::TRawBook book;
    for (const auto& sheet : sheets_) book.sheets.push_back(std::move(sheet->sheet));
    return book;
  }

private:
  struct TSheet : office::TSheetSink {
    TSheet(const std::string& name, const std::string& path, const office::TStringTable& table, TCellBudget& cells)
        : sheet(name), strings(table), budget(cells) {
      sheet.SetFileName(path);
    }
    void Number(int row, int col, double value) override {
      budget.Take(0);
      sheet.SetNumber(row, col, value);
    }
    void Date(int row, int col, double serial) override {
      budget.Take(0);
      sheet.SetDate(row, col, serial);
    }
    void Text(int row, int col, std::string_view text) override {
      budget.Take(text.size());
      sheet.SetText(row, col, std::string(text));
    }
    void Shared(int row, int col, std::uint32_t index) override {
      const std::string_view text = strings.At(index);
      budget.Take(text.size());
      sheet.SetText(row, col, std::string(text));
    }
    void Unreadable(int row, int col, UnreadableCell why, std::string_view value) override {
      budget.TakeUnreadable(value.size());
      sheet.SetUnreadable(row, col, why, std::string(value));
    }
    office::TRawSheet sheet;
    const office::TStringTable& strings;
    TCellBudget& budget;
  };
  std::string path_;
  TCellBudget budget_;
  std::vector<std::unique_ptr<TSheet>> sheets_;
};

// The names of the worksheets alone: no cell is read.
class TSheetNames : public office::TBookSink {
public:
  bool WantsCells() const override { return false; }
  office::TSheetSink* Sheet(const std::string& name, bool /*hidden*/) override {
    names.push_back(name);
    return nullptr;
  }
  std::vector<std::string> names;
};

}  // namespace

const office::TRawSheet& office::FirstSheet(const TRawBook& book, const std::string& file) {
  if (book.sheets.empty()) throw Error("Ошибка чтения файла \"" + file + "\": в книге нет листов");
  const TRawSheet& first = book.sheets.front();
  if (first.Hidden()) throw Error(HiddenFirstSheetMessage(file, first.Name()));
  return first;
}

namespace office {

void ReadWorkbookInto(const std::string& path, TBookSink& book) {
  const std::string prefix = "Ошибка чтения файла \"" + path + "\"";
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw Error(prefix + ": это папка, а не файл");
  // The contents decide, not the name: workbooks saved as ".xls" by newer programs are often .xlsx inside.
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(prefix + ": файл не открывается");
  char head[4] = {};
  if (!in.read(head, sizeof head)) throw Error(prefix + ": файл не является книгой электронной таблицы");
  in.close();
  if (head[0] == 'P' && head[1] == 'K')
    ReadXlsxInto(path, book);
  else
    ReadXlsInto(path, book);
}

}  // namespace office

office::TRawBook ReadWorkbook(const std::string& path) {
  TWholeBook book(path);
  office::ReadWorkbookInto(path, book);
  return book.Take();
}

office::TRawBook ReadXlsx(const std::string& path) {
  TWholeBook book(path);
  office::ReadXlsxInto(path, book);
  return book.Take();
}

office::TRawBook ReadXls(const std::string& path) {
  TWholeBook book(path);
  office::ReadXlsInto(path, book);
  return book.Take();
}

std::vector<std::string> ReadSheetNames(const std::string& path) {
  TSheetNames book;
  office::ReadWorkbookInto(path, book);
  return book.names;
}

}  // namespace ld
