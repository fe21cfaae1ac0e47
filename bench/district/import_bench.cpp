// New district bases from outside network data: a network table of 60,000 rows (about 90,000
// transformers, near the most one file may give) and a folder of 500 feeder files of 200 lines each, read and built into the line and station tables in memory (the
// target: within a second each, on one core).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/district/import_psh.h"
#include "core/district/import_rs.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-district");
  return dir.path;
}

// Feeders of 200 rows: the supply, a main line of stations with two or three transformers each and
// tap-off groups of pole numbers, which repeat from feeder to feeder as they do in a district.
std::string NetworkTable(int rows) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  const std::string file = (WorkDir() / "сеть.RS").string();
  if (fs::exists(file)) return file;
  ld::TDataFile t;
  ld::ReadMaket(ld::LayoutDistrict10, t);
  ld::CreateColumns(t, rows);
  ld::TDistrict10Cols c;
  ld::FillDistrict10Cols(t, c);
  auto* transform = static_cast<ld::DAString*>(c.Transform);
  const char plus = static_cast<char>(ld::Cp1251Code(U'+'));
  const char supply = static_cast<char>(ld::Cp1251Code(U'П'));
  std::string previous;
  for (int r = 1; r <= rows; ++r) {
    const int feeder = (r - 1) / 200, k = (r - 1) % 200;
    const std::string station = "ТП-" + std::to_string(feeder) + "-" + std::to_string(k);
    if (k == 0) {
      (*c.Sign)[r] = supply;
      c.Name1->SetItem(r, "ПС-" + std::to_string(feeder % 40) + ".35.10");
      c.Name2->SetItem(r, "Ф-" + std::to_string(feeder));
      previous = "ПС-" + std::to_string(feeder % 40) + ".35.10";
    } else if (k % 10 >= 6) {
      // a tap-off of poles: "+" rows between numbered poles
      (*c.Sign)[r] = plus;
      c.Name1->SetItem(r, k % 10 == 6 ? previous : std::to_string(k % 10 - 6));
      c.Name2->SetItem(r, k % 10 == 9 ? station + ".2" : std::to_string(k % 10 - 5));
      c.KodLine->SetItem(r, "АС-35 0.12");
      if (k % 10 == 9) transform->SetItem(r, "2ТМ-250,ТМ-160");
    } else {
      c.Name1->SetItem(r, previous);
      c.Name2->SetItem(r, station);
      c.KodLine->SetItem(r, "АС-50 0.35");
      transform->SetItem(r, k % 3 == 0 ? "ТМ-400,ТМ-250" : "2ТМ-630");
      (*c.TypPQ)[r] = k % 4 == 0 ? 1 : 0;
      (*c.P)[r] = 0.25f;
      (*c.Q)[r] = 0.1f;
      previous = station;
    }
  }
  ld::WriteTableFile(file, t);
  return file;
}

void BM_ImportNetworkTable(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string file = NetworkTable(rows);
  for (auto _ : state) {
    ld::TBaseImport base;
    ld::ImportDistrictFiles({file}, (WorkDir() / "База").string(), base);
    benchmark::DoNotOptimize(base.Stations.RowCount);
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ImportNetworkTable)->Arg(60000)->Unit(benchmark::kMillisecond);

std::string Piece(const std::string& n1, const std::string& n2, const std::string& state, const std::string& mark,
                  const std::string& km, const std::string& trans) {
  return ld::Utf8ToCp866(ld::FitRight(n1, 8) + " " + ld::FitRight(n2, 8) + " " + ld::FitRight(state, 4) + " " +
                         ld::FitRight(mark, 9) + ld::FitLeft(km, 8) + " " + trans) +
         "\r\n";
}

// 500 feeder files of 200 lines, half of them in five subfolders.
fs::path FeederFolder(int files, int lines) {
  const fs::path folder = WorkDir() / "фидеры";
  if (fs::exists(folder)) return folder;
  for (int f = 0; f < files; ++f) {
    const fs::path dir = f % 2 == 0 ? folder : folder / ("р" + std::to_string(f % 5));
    fs::create_directories(dir);
    std::string text = ld::Utf8ToCp866("Фидер " + std::to_string(f) + "\r\n---\r\n");
    std::string previous = "ФИД" + std::to_string(f % 10);
    for (int k = 0; k < lines; ++k) {
      // a name fills at most its 8 columns
      const std::string next = "Т" + std::to_string(f) + "-" + std::to_string(k);
      const char* state = k % 7 == 3 ? "+" : (k % 11 == 5 ? "=" : (k % 13 == 0 ? "ОВ" : ""));
      text += Piece(previous, next, state, k % 17 == 0 ? "ШИНЫ" : "АС-50", "0.35", k % 3 == 0 ? "ТМ-400" : "-");
      if (*state == 0) previous = next;
    }
    std::ofstream(dir / ("ф" + std::to_string(f) + ".psh"), std::ios::binary) << text;
  }
  return folder;
}

void BM_ImportFeederFolder(benchmark::State& state) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  const int files = static_cast<int>(state.range(0)), lines = static_cast<int>(state.range(1));
  const fs::path folder = FeederFolder(files, lines);
  for (auto _ : state) {
    ld::TBaseImport base;
    ld::ImportPshFolder((folder / "База").string(), base);
    benchmark::DoNotOptimize(base.Lines.RowCount);
  }
  state.SetItemsProcessed(state.iterations() * files * lines);
}
BENCHMARK(BM_ImportFeederFolder)->Args({500, 200})->Unit(benchmark::kMillisecond);

}  // namespace
