// The industrial subscriber base of a large district from a workbook as spreadsheet programs write it
// (cell references, styles, the texts shared, or inline as streaming writers put them): 5,000 to
// 1,000,000 metering points read from the first sheet, sorted and written as the base's table. The
// target: a million rows within 60 s and 4 GB on one core, time and memory growing in step with the
// rows. The peak memory is that of one import run in a child process; the workbook is made in another
// child, so that neither figure holds the other. The quick pass reads the smallest book only: the
// larger ones take minutes to make and read three times.
#include <benchmark/benchmark.h>
#include <zip.h>

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "child_peak.h"
#include "core/base/import_number.h"
#include "core/district/subscriber_books.h"
#include "core/tables/layout.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
constexpr int kQuickPoints = 5000;  // the most points of the quick pass

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-subscriber-workbook");
  return dir.path;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '"') out += "&quot;";
    else if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else out += c;
  }
  return out;
}

// The sheet and its shared strings: each text once in the table, as spreadsheet programs keep them, or
// each text in its cell.
class TBookText {
public:
  TBookText(int rows, bool inlineTexts) : inline_(inlineTexts) {
    sheet_.reserve(static_cast<std::size_t>(rows) * 700);
    sheet_ += R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
              R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
  }
  void BeginRow(int row) {
    row_ = row;
    sheet_ += "<row r=\"" + std::to_string(row) + "\" spans=\"1:14\">";
  }
  void Text(int col, const std::string& text) {
    if (inline_) {
      sheet_ += "<c r=\"" + ld::SheetCellName(row_, col) + "\" s=\"1\" t=\"inlineStr\"><is><t>" +
                Escaped(text) + "</t></is></c>";
      return;
    }
    auto [it, added] = index_.try_emplace(text, static_cast<int>(index_.size()));
    if (added) strings_ += "<si><t>" + Escaped(text) + "</t></si>";
    ++textCells_;
    sheet_ += "<c r=\"" + ld::SheetCellName(row_, col) + "\" s=\"1\" t=\"s\"><v>" +
              std::to_string(it->second) + "</v></c>";
  }
  void Number(int col, const std::string& value) {
    sheet_ += "<c r=\"" + ld::SheetCellName(row_, col) + "\" s=\"2\"><v>" + value + "</v></c>";
  }
  void EndRow() { sheet_ += "</row>"; }

  std::string Sheet() { return sheet_ + "</sheetData></worksheet>"; }
  std::string Strings() const {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count=")" +
           std::to_string(textCells_) + "\" uniqueCount=\"" + std::to_string(index_.size()) + "\">" + strings_ + "</sst>";
  }

private:
  std::string sheet_, strings_;
  std::unordered_map<std::string, int> index_;
  long long textCells_ = 0;
  int row_ = 0;
  bool inline_;
};

bool WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) return false;
  for (const auto& [name, text] : parts) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    if (!source || zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
      zip_discard(zip);
      return false;
    }
  }
  return zip_close(zip) == 0;
}

// Two heading rows, then one metering point per row: four points of a contract, stations in no order.
bool MakeWorkbook(const std::string& path, int points, bool inlineTexts) {
  TBookText book(points, inlineTexts);
  book.BeginRow(1);
  book.Text(1, "Реестр точек учета");
  book.EndRow();
  book.BeginRow(2);
  const char* heads[] = {"№", "Договор", "Абонент", "Точка учета", "Адрес", "ТП", "Время", "Мощность",
                         "Счетчик", "Тип", "Коэф.", "Энергия", "Расход", "Доля"};
  for (int c = 1; c <= 14; ++c) book.Text(c, heads[c - 1]);
  book.EndRow();
  const char* kinds[] = {"АЕ спож.", "РЕ спож.", "АЕ ген.", "РЕ ген."};
  for (int i = 0; i < points; ++i) {
    const int contract = i / 4, station = (contract * 7919) % 20000;
    book.BeginRow(i + 3);
    book.Number(1, std::to_string(i + 1));
    book.Text(2, std::to_string(100000 + contract));
    book.Text(3, "ООО \"Абонент " + std::to_string(contract) + "\"");
    book.Text(4, "Точка учета " + std::to_string(i % 4 / 2 + 1));
    book.Text(5, "ул. Лесная, д. " + std::to_string(contract % 300 + 1) + ", корп. " + std::to_string(contract / 300));
    book.Text(6, "ТП-" + std::to_string(station) + (i % 3 == 0 ? ".Т1" : i % 3 == 1 ? ".Т2.Л" + std::to_string(i % 7) : ".1"));
    book.Number(7, "8760");
    book.Number(8, std::to_string(i % 500 + 15) + ".5");
    book.Number(9, std::to_string(5000000 + i));
    book.Text(10, i % 2 ? "СА4У-И672М" : "Меркурий 230");
    book.Number(11, "40");
    book.Text(12, kinds[i % 4]);
    book.Number(13, std::to_string(i % 9973) + ".25");
    book.Number(14, std::to_string(i % 97) + ".125");
    book.EndRow();
  }
  const std::string strings = book.Strings();
  const std::string sheet = book.Sheet();
  // a workbook of inline texts has no table of them
  const auto parts = ld::test::OneSheetWorkbookParts(
      {"Точки", sheet, inlineTexts ? std::string() : strings,
       R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><cellXfs count="3">)"
       R"(<xf numFmtId="0"/><xf numFmtId="49"/><xf numFmtId="2"/></cellXfs></styleSheet>)"});
  return WriteZip(path, parts);
}

std::string Workbook(int points, bool inlineTexts) {
  const std::string path =
      (WorkDir() / ((inlineTexts ? "inline" : "prom") + std::to_string(points) + ".xlsx")).string();
  if (!fs::exists(path) && !ld::bench::RunInChild([&] { return MakeWorkbook(path, points, inlineTexts); }).ok)
    return {};
  return path;
}

bool ImportOnce(const std::string& file, const std::string& stem) {
  ld::TSubscriberXlsRequest request;
  request.BaseStem = stem;
  request.Prom = true;
  request.PathProm = file;
  std::vector<std::string> info;
  return ld::ImportSubscriberBasesXls(request, info) == ld::LayoutMeterPoints && info.empty();
}

void ImportWorkbook(benchmark::State& state, bool inlineTexts) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  const int points = static_cast<int>(state.range(0));
  if (!ld::bench::RunsAtSize(state, points, kQuickPoints)) return;
  const std::string file = Workbook(points, inlineTexts);
  if (file.empty()) {
    state.SkipWithError("the workbook could not be made");
    return;
  }
  const std::string stem = (WorkDir() / "Район").string();
  for (auto _ : state)
    if (!ImportOnce(file, stem)) state.SkipWithError("import failed");
  state.SetItemsProcessed(state.iterations() * points);
  const ld::bench::TChildPeak peak = ld::bench::RunInChild([&] { return ImportOnce(file, stem); });
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1048576.0;
  state.counters["peak_MB"] = peak.peakMB;
  state.counters["bytes_per_row"] = peak.peakMB * 1048576.0 / points;
}

void BM_IndustrialBaseFromWorkbook(benchmark::State& state) { ImportWorkbook(state, false); }
BENCHMARK(BM_IndustrialBaseFromWorkbook)
    ->Arg(kQuickPoints)
    ->Arg(25000)
    ->Arg(250000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_IndustrialBaseFromInlineTexts(benchmark::State& state) { ImportWorkbook(state, true); }
BENCHMARK(BM_IndustrialBaseFromInlineTexts)
    ->Arg(kQuickPoints)
    ->Arg(25000)
    ->Arg(250000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
