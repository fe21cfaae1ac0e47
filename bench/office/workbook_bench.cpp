// Reading a measurement workbook of 20,000 rows by 8 columns (numbers, repeated texts, dates) as a
// legacy .xls and as an .xlsx file. Counters: MB/s of the file, cells per second and the peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/office/sheet_raw_cells.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "support/xls_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRows = 20000;
constexpr int kCols = 8;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-office");
  return dir.path;
}

// Little-endian fields of records and of the container.
struct TBytes {
  std::string s;
  TBytes& Put(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(i < 8 ? (v >> (8 * i)) & 0xFF : 0));
    return *this;
  }
  TBytes& Record(unsigned type, const std::string& body) {
    Put(type, 2).Put(body.size(), 2);
    s += body;
    return *this;
  }
};

std::string FeederName(int i) { return "Feeder " + std::to_string(i % 100); }

// Column 1 a text of 100 different ones, column 2 a date, the others numbers.
ld::Workbook MakeBook() {
  ld::Workbook book;
  book.sheets.emplace_back("Data");
  ld::Worksheet& sheet = book.sheets.back();
  for (int r = 1; r <= kRows; ++r) {
    sheet.SetText(r, 1, FeederName(r));
    sheet.SetDate(r, 2, 45000 + r / 24.0);
    for (int c = 3; c <= kCols; ++c) sheet.SetNumber(r, c, r * 0.5 + c);
  }
  return book;
}

// The same cells as BIFF8 records in the tests' compound document.
std::string MakeXls() {
  TBytes strings;
  strings.Put(kRows, 4).Put(100, 4);
  for (int i = 0; i < 100; ++i) {
    const std::string text = FeederName(i);
    strings.Put(text.size(), 2).Put(0, 1);
    strings.s += text;
  }
  TBytes globals;
  globals.Record(0x0809, TBytes().Put(0x0600, 2).Put(5, 2).Put(0, 8).s).Record(0x0042, TBytes().Put(1200, 2).s);
  for (const unsigned format : {0u, 14u}) globals.Record(0x00E0, TBytes().Put(0, 2).Put(format, 2).Put(0, 16).s);
  globals.Record(0x00FC, strings.s);
  const std::size_t sheetAt = globals.s.size() + 4 + 12 + 4;
  globals.Record(0x0085, TBytes().Put(sheetAt, 4).Put(0, 2).Put(4, 1).Put(0, 1).s + "Data").Record(0x000A, "");
  TBytes sheet;
  sheet.Record(0x0809, TBytes().Put(0x0600, 2).Put(0x10, 2).Put(0, 8).s);
  for (int r = 0; r < kRows; ++r) {
    sheet.Record(0x00FD, TBytes().Put(r, 2).Put(0, 2).Put(0, 2).Put((r + 1) % 100, 4).s);
    for (int c = 1; c < kCols; ++c) {
      const double value = c == 1 ? 45000 + (r + 1) / 24.0 : (r + 1) * 0.5 + c + 1;
      std::uint64_t bits = 0;
      std::memcpy(&bits, &value, 8);
      sheet.Record(0x0203, TBytes().Put(r, 2).Put(c, 2).Put(c == 1 ? 1 : 0, 2).Put(bits, 8).s);
    }
  }
  sheet.Record(0x000A, "");
  return ld::test::XlsContainer(globals.s + sheet.s);
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

void Read(benchmark::State& state, const std::string& path) {
  const auto size = static_cast<std::int64_t>(fs::file_size(path));
  for (auto _ : state) {
    const auto book = ld::ReadWorkbook(path);
    if (book.sheets.at(0).Cells().size() != static_cast<std::size_t>(kRows * kCols)) state.SkipWithError("cells lost");
    benchmark::DoNotOptimize(book);
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["cells/s"] = benchmark::Counter(double(kRows) * kCols * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["peak MB"] = PeakMegabytes();
}

void BM_ReadLegacyWorkbook(benchmark::State& state) {
  const std::string path = (WorkDir() / "data.xls").string();
  if (!fs::exists(path)) std::ofstream(path, std::ios::binary) << MakeXls();
  Read(state, path);
}
BENCHMARK(BM_ReadLegacyWorkbook)->Unit(benchmark::kMillisecond);

void BM_ReadWorkbook(benchmark::State& state) {
  const std::string path = (WorkDir() / "data.xlsx").string();
  if (!fs::exists(path)) ld::WriteXlsx(path, MakeBook());
  Read(state, path);
}
BENCHMARK(BM_ReadWorkbook)->Unit(benchmark::kMillisecond);

}  // namespace
