// Books whose formats cost the most a cell: a column of numbers under a fraction of four-digit runs
// ("# ????/????"), whose nearest fraction among 9,999 denominators is found for every cell read; a
// column under a code of one digit and 127 escaped letters, the longest a program writes, rendered for
// every cell; and a column of texts under '@' written 252 times and a sign, which a cell shows 252 times over
// (150,000 such texts would take 300 MB: that book is refused by name, within the same bounds).
// Each book is opened and every cell taken as a text column takes it (Name), within 1 GB and 5 s in a
// child (the run fails otherwise); the loop times the open and the reads. Full pass: 150,000 rows, a
// file under 2 MB; the quick pass: 2,000. Counters: the file's size, the cells read, and the child's
// peak memory and time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_peak.h"
#include "core/base/error.h"
#include "core/office/sheet_reader.h"
#include "quick.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

int Rows() { return ld::bench::QuickPass() ? 2000 : 150000; }

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-number-formats");
  return dir.path;
}

// A book of one column under `code`; each row's cell made by `cell` from its row number.
std::string Book(const std::string& name, const std::string& code, std::string (*cell)(int row)) {
  const std::string path = (WorkDir() / name).string();
  std::string sheet = "<worksheet><sheetData>";
  for (int r = 1; r <= Rows(); ++r) {
    const std::string row = std::to_string(r);
    sheet += "<row r=\"" + row + "\"><c r=\"A" + row + "\" s=\"1\"" + cell(r) + "</c></row>";
  }
  sheet += "</sheetData></worksheet>";
  const std::string styles = "<styleSheet><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"" + code +
                             "\"/></numFmts><cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>";
  std::ofstream(path, std::ios::binary) << ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Лист1", sheet, "", styles}));
  return path;
}

std::string FractionCell(int row) { return "><v>" + std::to_string(row * 1.0009765625 + row * 3.7e-7) + "</v>"; }
std::string TextCell(int row) { return " t=\"inlineStr\"><is><t>л" + std::to_string(row) + "</t></is>"; }

const std::string& FractionBook() {
  // split where the runs meet the slash, which would otherwise read as a trigraph
  static const std::string path = Book("дроби.xlsx", "# ????" "/????", FractionCell);
  return path;
}

const std::string& LiteralBook() {
  static const std::string path = [] {
    std::string code = "0";
    for (int i = 0; i < 127; ++i) code += "\\x";
    return Book("буквы.xlsx", code, FractionCell);
  }();
  return path;
}

const std::string& RepeatedTextBook() {
  static const std::string path = Book("повторы.xlsx", std::string(252, '@') + "\\-", TextCell);
  return path;
}

// Every cell of the book as a text column takes it; false when one is not taken. A book whose format
// would repeat its texts past what the reader keeps for them may be refused by name instead.
bool ReadAll(const std::string& path, bool mayRefuse) {
  try {
    ld::TSheetReader reader;
    reader.Open(path);
    for (int row = 1; row <= reader.LastRow(); ++row)
      if (!reader.Value(row, 1).Name()) return false;
    return reader.LastRow() == Rows();
  } catch (const ld::Error& e) {
    return mayRefuse && std::string(e.what()).find("повторяет тексты ячеек") != std::string::npos;
  }
}

void ReadBook(benchmark::State& state, const std::string& path, bool mayRefuse = false) {
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin([&] { return ReadAll(path, mayRefuse); });
  if (!ld::bench::CheckBound(state, child)) return;
  for (auto _ : state) {
    if (!ReadAll(path, mayRefuse)) {
      state.SkipWithError("a cell of the book was not taken");
      return;
    }
  }
  state.counters["file_KB"] = static_cast<double>(fs::file_size(path)) / 1024.0;
  state.counters["cells"] = Rows();
}

void BM_FractionFormatColumn(benchmark::State& state) { ReadBook(state, FractionBook()); }
BENCHMARK(BM_FractionFormatColumn)->Unit(benchmark::kMillisecond);

void BM_LongLiteralFormatColumn(benchmark::State& state) { ReadBook(state, LiteralBook()); }
BENCHMARK(BM_LongLiteralFormatColumn)->Unit(benchmark::kMillisecond);

void BM_RepeatedTextFormatColumn(benchmark::State& state) { ReadBook(state, RepeatedTextBook(), true); }
BENCHMARK(BM_RepeatedTextFormatColumn)->Unit(benchmark::kMillisecond);

}  // namespace
