// Painting and scrolling the grid cost the same whatever the table's row count: only the rows in the
// window are turned into text. Compare the 1,000 and 1,000,000 row cases.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/base/codepage.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/grid/data_grid.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_grid";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string maket = (std::filesystem::temp_directory_path() / "bench_grid_maket.zr").string();
    std::ofstream out(maket, std::ios::binary);
    out << ld::Utf8ToCp1251(
        "Name=Замер\r\nExtention=.BNC\r\nCount=5\r\nOrder=1\r\n"
        "l,50,10,0,1,1,0,0,Nr,Номер\r\ns,140,40,0,1,1,0,0,Name,Название\r\n"
        "d,90,15,3,1,1,0,0,U,Напряжение\r\nf,80,10,2,1,1,0,0,P,Мощность\r\nr,90,15,2,1,1,0,0,Q,Реактив\r\n");
    out.close();
    ld::MaketFileName = maket;
    return new QApplication(argc, argv);  // lives as long as the process, as an application object does
  }();
  return *app;
}

// A grid of 800 x 600 pixels over a table of the given rows with values in every cell.
std::unique_ptr<ld::gui::TDataGrid5> MakeGrid(int rows) {
  App();
  ld::TDataFile table;
  ld::ReadMaket("Замер", table);
  ld::CreateColumns(table, rows);
  auto* nr = static_cast<ld::DALongint*>(table.Columns[1].get());
  auto* name = static_cast<ld::DAString*>(table.Columns[2].get());
  auto* u = static_cast<ld::DAdouble*>(table.Columns[3].get());
  auto* p = static_cast<ld::DAsingle*>(table.Columns[4].get());
  auto* q = static_cast<ld::DAreal*>(table.Columns[5].get());
  for (int r = 1; r <= rows; ++r) {
    (*nr)[r] = r;
    if (r % 7 == 0) name->SetItem(r, "ТП-" + std::to_string(r));
    (*u)[r] = 10.5 + r * 1e-3;
    (*p)[r] = static_cast<float>(r % 1000) * 1.5f;
    (*q)[r] = r * 12.25;
  }
  auto grid = std::make_unique<ld::gui::TDataGrid5>();
  grid->resize(800, 600);
  grid->AssignTable(table, 1, 1, 1);
  ld::FreeTable(table);
  return grid;
}

void BM_PaintWindow(benchmark::State& state) {
  auto grid = MakeGrid(static_cast<int>(state.range(0)));
  grid->GotoRow(static_cast<int>(state.range(0)) / 2);
  QImage image(grid->size(), QImage::Format_ARGB32);
  for (auto _ : state) {
    grid->render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_PaintWindow)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_PageAndJump(benchmark::State& state) {
  auto grid = MakeGrid(static_cast<int>(state.range(0)));
  QImage image(grid->size(), QImage::Format_ARGB32);
  for (auto _ : state) {
    grid->PageDown();
    grid->Last();
    grid->render(&image);
    grid->First();
    grid->WheelScroll(-120);
    benchmark::DoNotOptimize(grid->FirstRow());
  }
}
BENCHMARK(BM_PageAndJump)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Opening reads the file (linear in its rows, the table store's part) and builds the window, which
// adds nothing that grows with the rows.
void BM_OpenFile(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string path =
      (std::filesystem::temp_directory_path() / ("bench_grid_" + std::to_string(rows) + ".BNC")).string();
  {
    auto grid = MakeGrid(rows);
    ld::WriteTableFile(path, *grid->GetTable());
  }
  ld::gui::TDataGrid5 grid;
  grid.resize(800, 600);
  for (auto _ : state) {
    grid.OpenFile(path, 1, 1, 1, false, false, false);
    grid.Last();
    benchmark::DoNotOptimize(grid.FirstRow());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_OpenFile)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
