#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "core/base/error.h"
#include "core/office/sheet_sink.h"
#include "core/office/workbook.h"
#include "core/office/xls_file.h"
#include "core/office/xlsx_file.h"

namespace ld {

namespace {

// Every worksheet kept whole as a Worksheet.
class TWholeBook : public office::TBookSink {
public:
  bool WantsCells() const override { return true; }
  office::TSheetSink* Sheet(const std::string& name) override {
    return sheets_.emplace_back(std::make_unique<TSheet>(name, strings)).get();
  }
  Workbook Take() {
    Workbook book;
    for (const auto& sheet : sheets_) book.sheets.push_back(std::move(sheet->sheet));
    return book;
  }

private:
  struct TSheet : office::TSheetSink {
    TSheet(const std::string& name, const office::TStringTable& table) : sheet(name), strings(table) {}
    void Number(int row, int col, double value) override { sheet.SetNumber(row, col, value); }
    void Date(int row, int col, double serial) override { sheet.SetDate(row, col, serial); }
    void Text(int row, int col, std::string_view text) override { sheet.SetText(row, col, std::string(text)); }
    void Shared(int row, int col, std::uint32_t index) override {
      sheet.SetText(row, col, std::string(strings.At(index)));
    }
    Worksheet sheet;
    const office::TStringTable& strings;
  };
  std::vector<std::unique_ptr<TSheet>> sheets_;
};

// The names of the worksheets alone: no cell is read.
class TSheetNames : public office::TBookSink {
public:
  bool WantsCells() const override { return false; }
  office::TSheetSink* Sheet(const std::string& name) override {
    names.push_back(name);
    return nullptr;
  }
  std::vector<std::string> names;
};

}  // namespace

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

Workbook ReadWorkbook(const std::string& path) {
  TWholeBook book;
  office::ReadWorkbookInto(path, book);
  return book.Take();
}

Workbook ReadXlsx(const std::string& path) {
  TWholeBook book;
  office::ReadXlsxInto(path, book);
  return book.Take();
}

Workbook ReadXls(const std::string& path) {
  TWholeBook book;
  office::ReadXlsInto(path, book);
  return book.Take();
}

std::vector<std::string> ReadSheetNames(const std::string& path) {
  TSheetNames book;
  office::ReadWorkbookInto(path, book);
  return book.names;
}

}  // namespace ld
