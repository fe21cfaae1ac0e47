// The district's workbook imports over the largest sheets a file under 2 MB can hold: a sheet as
// spreadsheet programs pack it unpacks to a hundred times its size, and each row taken from it costs the
// import far more than its cells. Each file is read or refused within 1 GB and 5 s, in a child process
// whose peak memory and time are held to that bound (CheckBound); the run says which it was.
//
// The files are made once per run in the work folder, in a child of their own, and padded with a part
// of random bytes to 1.99 MB: the packages' own limits then admit the whole sheet. The quick pass makes
// them of a share of the rows, padded to the same share of that size (PassSize).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "child_peak.h"
#include "core/base/error.h"
#include "core/district/import_net_workbooks.h"
#include "core/district/subscriber_books.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "quick.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

// What a file is padded to: 1.99 MB in the full run.
std::size_t FileBytes() { return static_cast<std::size_t>(ld::bench::PassSize(2086666)); }

// The rows of a sheet that has `full` rows in the full run.
int Rows(std::int64_t full) { return static_cast<int>(ld::bench::PassSize(full)); }

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-district-workbooks");
  return dir.path;
}

void UseLayouts() { ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr"; }

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else out += c;
  }
  return out;
}

// A sheet written as streaming writers write it: rows and cells without references, texts shared.
class TSheetXml {
public:
  explicit TSheetXml(std::size_t reserve) {
    xml_.reserve(reserve);
    xml_ += R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
  }
  // A text of the shared table, added once.
  int Shared(const std::string& text) {
    strings_.push_back(text);
    return static_cast<int>(strings_.size()) - 1;
  }
  void Row(int row) { xml_ += "<row r=\"" + std::to_string(row) + "\">"; }
  void NextRow() { xml_ += "<row>"; }
  void Text(int index) { xml_ += "<c t=\"s\"><v>" + std::to_string(index) + "</v></c>"; }
  void Number(const char* value) { (xml_ += "<c><v>") += value, xml_ += "</v></c>"; }
  void Empty() { xml_ += "<c/>"; }
  void EndRow() { xml_ += "</row>"; }

  // The package, padded to FileBytes().
  bool Write(const std::string& path) {
    xml_ += "</sheetData></worksheet>";
    std::string sst = R"(<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)";
    for (const std::string& s : strings_) sst += "<si><t>" + Escaped(s) + "</t></si>";
    sst += "</sst>";
    std::vector<std::pair<std::string, std::string>> parts =
        ld::test::OneSheetWorkbookParts({"Лист1", std::move(xml_), std::move(sst), {}});
    const std::size_t packed = ld::test::BuildZip(parts).size();
    if (packed + 512 > FileBytes()) return false;
    std::string noise(FileBytes() - packed - 512, '\0');
    std::mt19937 random(5);
    for (char& c : noise) c = static_cast<char>(random());
    parts.emplace_back("xl/media/padding.bin", std::move(noise));
    const std::string zip = ld::test::BuildZip(parts);
    std::ofstream(path, std::ios::binary).write(zip.data(), static_cast<std::streamsize>(zip.size()));
    return fs::file_size(path) < (std::uint64_t{2} << 20);
  }

private:
  std::string xml_;
  std::vector<std::string> strings_;
};

std::string Letters(const char* letter, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += letter;
  return out;
}

// The file made once per run, in a child: the sheet's text takes hundreds of megabytes while it is made.
std::string MakeOnce(const std::string& name, const std::function<bool(const std::string&)>& make) {
  const std::string path = (WorkDir() / name).string();
  if (!fs::exists(path) && !ld::bench::RunInChild([&] { return make(path); }).ok) return {};
  return path;
}

// A network workbook of two-cell rows from row 4 to the sheet's last: every row a branch section whose
// four transformer cells are empty, so each row would make four station rows.
std::string TwoCellNetwork(int nameLength) {
  const int last = Rows(1048576);
  const std::string name = "сеть-2-" + std::to_string(nameLength) + "-" + std::to_string(last) + ".xlsx";
  return MakeOnce(name, [nameLength, last](const std::string& path) {
    TSheetXml sheet(std::size_t{64} << 20);
    const int a = sheet.Shared("ТП-" + Letters("А", nameLength - 4) + "1");
    const int b = sheet.Shared("ТП-" + Letters("Б", nameLength - 4) + "2");
    sheet.Row(1);
    sheet.Number("10");
    sheet.EndRow();
    sheet.Row(4);
    for (int r = 4; r <= last; ++r) {
      if (r > 4) sheet.NextRow();
      sheet.Text(a);
      sheet.Text(b);
      sheet.EndRow();
    }
    return sheet.Write(path);
  });
}

// A network workbook of full rows: begin, end, length, mark, subscriber flag and four transformers.
std::string FullNetwork(int rows) {
  return MakeOnce("сеть-полная-" + std::to_string(rows) + ".xlsx", [rows](const std::string& path) {
    TSheetXml sheet(std::size_t{200} << 20);
    const int a = sheet.Shared("ТП-101"), b = sheet.Shared("ТП-102"), mark = sheet.Shared("АС-50");
    sheet.Row(1);
    sheet.Number("10");
    sheet.EndRow();
    sheet.Row(4);
    for (int r = 0; r < rows; ++r) {
      if (r > 0) sheet.NextRow();
      sheet.Text(a), sheet.Text(b), sheet.Number("0.25"), sheet.Text(mark), sheet.Number("1");
      sheet.Number("400"), sheet.Number("250"), sheet.Number("160"), sheet.Number("100");
      sheet.EndRow();
    }
    return sheet.Write(path);
  });
}

// An industrial sheet of full rows after its two heading rows. With unreadable, each of the row's four
// numbers that the import reads (capacity, ratio and the two energies) is the text "x" instead.
std::string FullIndustrial(int rows, bool unreadable = false) {
  const std::string name = std::string(unreadable ? "пром-x-" : "пром-полная-") + std::to_string(rows) + ".xlsx";
  return MakeOnce(name, [rows, unreadable](const std::string& path) {
    TSheetXml sheet(std::size_t{200} << 20);
    const int heading = sheet.Shared("Реестр"), contract = sheet.Shared("Д-1001"),
              subscriber = sheet.Shared("ООО \"Абонент\""), point = sheet.Shared("Точка учета 1"),
              address = sheet.Shared("ул. Лесная, д. 5"), station = sheet.Shared("ТП-17.Т1"),
              meter = sheet.Shared("Меркурий 230"), kind = sheet.Shared("АЕ спож."), x = sheet.Shared("x");
    const auto number = [&](const char* value) { unreadable ? sheet.Text(x) : sheet.Number(value); };
    sheet.Row(1);
    sheet.Text(heading);
    sheet.EndRow();
    sheet.Row(2);
    sheet.Text(heading);
    sheet.EndRow();
    for (int r = 0; r < rows; ++r) {
      sheet.NextRow();
      sheet.Number("1"), sheet.Text(contract), sheet.Text(subscriber), sheet.Text(point), sheet.Text(address);
      sheet.Text(station), sheet.Number("8760"), number("15.5"), sheet.Number("5000001"), sheet.Text(meter);
      number("40"), sheet.Text(kind), number("1200.25"), number("12.125");
      sheet.EndRow();
    }
    return sheet.Write(path);
  });
}

// An industrial sheet down to the sheet's last row after its two heading rows, each row a point of the
// cells that tell a point's row: its number, contract and station (as many elements as the package's
// reader admits for each row of a file under 2 MB). The check of the sheet's kind and the reader each
// walk every row.
std::string KeyIndustrial(int rows) {
  return MakeOnce("пром-ключи-" + std::to_string(rows) + ".xlsx", [rows](const std::string& path) {
    TSheetXml sheet(std::size_t{200} << 20);
    const int heading = sheet.Shared("Реестр"), contract = sheet.Shared("Д-1001"), station = sheet.Shared("ТП-17.Т1");
    sheet.Row(1);
    sheet.Text(heading);
    sheet.EndRow();
    sheet.Row(2);
    sheet.Text(heading);
    sheet.EndRow();
    for (int r = 0; r < rows; ++r) {
      sheet.NextRow();
      sheet.Number("1"), sheet.Text(contract), sheet.Empty(), sheet.Empty(), sheet.Empty(), sheet.Text(station);
      sheet.EndRow();
    }
    return sheet.Write(path);
  });
}

// A households sheet down to the sheet's last row but one: a station's name, then 999 rows of its
// feeders, each a number, a feeder, a count of subscribers and their energy. With unreadable, the count
// and the energy are the text "x": every row gives two messages, of which the import keeps the first.
std::string FullHouseholds(bool unreadable) {
  const int last = Rows(1048575);
  const std::string name = std::string(unreadable ? "быт-x-" : "быт-полная-") + std::to_string(last) + ".xlsx";
  return MakeOnce(name, [unreadable, last](const std::string& path) {
    TSheetXml sheet(std::size_t{200} << 20);
    const int x = sheet.Shared("x");
    for (int r = 1; r <= last; ++r) {
      r == 1 ? sheet.Row(1) : sheet.NextRow();
      if (r % 1000 == 1) {
        sheet.Text(sheet.Shared("ТП-" + std::to_string(r / 1000 + 1)));
      } else {
        sheet.Number("1"), sheet.Number("3");
        if (unreadable)
          sheet.Text(x), sheet.Text(x);
        else
          sheet.Number("120"), sheet.Number("2750.25");
      }
      sheet.EndRow();
    }
    return sheet.Write(path);
  });
}

// the rows of each of the base's two tables, a share of them in the quick pass as the sheet's rows
int BaseRows() { return Rows(5000); }

// A technical sheet of 10,000 inputs and 10,000 feeders named over and over; a third of the base's names
// are not in it, so that a look-up that walks the sheet would walk all of it for each of them.
std::string Technical(int rows) {
  return MakeOnce("тех-" + std::to_string(rows) + ".xlsx", [rows](const std::string& path) {
    TSheetXml sheet(std::size_t{100} << 20);
    std::vector<int> names;
    for (int k = 1; k <= 2 * BaseRows(); ++k) {
      names.push_back(sheet.Shared("ВВОД " + std::to_string(k)));
      names.push_back(sheet.Shared("Ф-" + std::to_string(k)));
    }
    sheet.Row(1);
    sheet.Text(names[0]);
    sheet.EndRow();
    for (int r = 0; r < rows; ++r) {
      sheet.NextRow();
      sheet.Text(names[static_cast<std::size_t>(r) % names.size()]);
      sheet.Number("1500"), sheet.Number("700"), sheet.Number("40"), sheet.Number("20");
      sheet.EndRow();
    }
    return sheet.Write(path);
  });
}

// The base's inputs and feeders, 5,000 rows each, under the stem.
bool MakeTechnicalBase(const std::string& stem) {
  UseLayouts();
  const std::pair<const char*, const char*> tables[] = {{ld::LayoutSubstInputs, "NamePS"},
                                                        {ld::LayoutSubstFeeders, "Line"}};
  for (const auto& [layout, field] : tables) {
    ld::TDataFile t;
    ld::ReadMaket(layout, t);
    ld::CreateColumns(t, BaseRows());
    t.Title = "База";
    auto* names = ld::GetColumnAs<ld::DAString>(field, t);
    for (int r = 1; r <= BaseRows(); ++r)
      names->SetItem(r, (field[0] == 'N' ? "Ввод " : "Ф-") + std::to_string(3 * r));
    ld::WriteTableFile(stem + ld::GetMaketExtention(layout), t);
  }
  return true;
}

// The import in a child, held to the bound; the child says on stderr whether the file was refused.
void RunBounded(benchmark::State& state, const std::string& file, const std::function<void()>& import) {
  if (file.empty()) {
    state.SkipWithError("the workbook could not be made");
    return;
  }
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1048576.0;
  for (auto _ : state) {
    const ld::bench::TChildPeak child = ld::bench::RunInChild([&] {
      try {
        import();
        std::fprintf(stderr, "read: %s\n", file.c_str());
      } catch (const ld::Error& e) {
        std::fprintf(stderr, "refused: %s\n", e.what());
        // a refusal names the file
        return std::string(e.what()).find(file) != std::string::npos;
      }
      return true;
    });
    if (!ld::bench::CheckBound(state, child)) return;
  }
}

void BM_NetworkWorkbookOfTwoCellRows(benchmark::State& state) {
  UseLayouts();
  const std::string file = TwoCellNetwork(static_cast<int>(state.range(0)));
  RunBounded(state, file, [&] {
    ld::TBaseImport base;
    ld::ImportNetWorkbooks({file}, (WorkDir() / "Сеть").string(), base);
  });
}
BENCHMARK(BM_NetworkWorkbookOfTwoCellRows)->Arg(6)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_NetworkWorkbookOfFullRows(benchmark::State& state) {
  UseLayouts();
  // the quick pass reads the smallest of the sheets of one kind: each costs it seconds to make and read
  if (!ld::bench::RunsAtSize(state, state.range(0), 600000)) return;
  const std::string file = FullNetwork(Rows(state.range(0)));
  RunBounded(state, file, [&] {
    ld::TBaseImport base;
    ld::ImportNetWorkbooks({file}, (WorkDir() / "Сеть").string(), base);
  });
}
BENCHMARK(BM_NetworkWorkbookOfFullRows)->Arg(600000)->Arg(889000)->Unit(benchmark::kMillisecond)->Iterations(1);

// One import of a subscriber sheet, each time into a base of its own stem.
void ImportSubscriberSheet(benchmark::State& state, const std::string& file, bool industrial) {
  RunBounded(state, file, [&] {
    ld::TSubscriberXlsRequest request;
    request.BaseStem = (WorkDir() / (industrial ? "Пром" : "Быт")).string();
    if (industrial) {
      request.Prom = true;
      request.PathProm = file;
    } else {
      request.Byt = true;
      request.PathByt = file;
    }
    std::vector<std::string> info;
    ld::ImportSubscriberBasesXls(request, info);
  });
}

void BM_IndustrialSheetOfFullRows(benchmark::State& state) {
  UseLayouts();
  if (!ld::bench::RunsAtSize(state, state.range(0), 374950)) return;
  ImportSubscriberSheet(state, FullIndustrial(Rows(state.range(0))), true);
}
BENCHMARK(BM_IndustrialSheetOfFullRows)->Arg(374950)->Arg(390000)->Arg(582000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A million points of three cells each: the file is far under 2 MB, and the rows are walked by the check
// of the sheet's kind before the reader takes them.
void BM_IndustrialSheetOfKeyRows(benchmark::State& state) {
  UseLayouts();
  ImportSubscriberSheet(state, KeyIndustrial(Rows(state.range(0))), true);
}
BENCHMARK(BM_IndustrialSheetOfKeyRows)->Arg(1048574)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same rows with none of their numbers readable: a message for each, of which the import keeps the
// first and counts the rest. It costs about what the sheet of sound numbers costs.
void BM_IndustrialSheetOfUnreadableNumbers(benchmark::State& state) {
  UseLayouts();
  ImportSubscriberSheet(state, FullIndustrial(Rows(state.range(0)), true), true);
}
BENCHMARK(BM_IndustrialSheetOfUnreadableNumbers)->Arg(374950)->Unit(benchmark::kMillisecond)->Iterations(1);

// The households sheet of sound numbers (0) and of unreadable ones (1).
void BM_HouseholdsSheetOfFullRows(benchmark::State& state) {
  UseLayouts();
  ImportSubscriberSheet(state, FullHouseholds(state.range(0) != 0), false);
}
BENCHMARK(BM_HouseholdsSheetOfFullRows)->ArgName("unreadable")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TechnicalSheetAgainstABase(benchmark::State& state) {
  UseLayouts();
  const std::string file = Technical(Rows(state.range(0)));
  const std::string stem = (WorkDir() / "Тех").string();
  static const bool base = MakeTechnicalBase(stem);
  benchmark::DoNotOptimize(base);
  RunBounded(state, file, [&] {
    ld::TSubscriberXlsRequest request;
    request.BaseStem = stem;
    request.Tech = true;
    request.PathTech = file;
    std::vector<std::string> info;
    ld::ImportSubscriberBasesXls(request, info);
  });
}
BENCHMARK(BM_TechnicalSheetAgainstABase)->Arg(700000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
