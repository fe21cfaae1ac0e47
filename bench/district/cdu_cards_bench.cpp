// A district scheme of 100,000 nodes and 120,000 branches written as a CDU card file and read back into
// new tables, as the regime window's export and import do. Counter: MB/s of the card file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/district/cdu_cards.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "work_dir.h"

namespace {

constexpr int kNodes = 100000;
constexpr int kBranches = 120000;

const ld::bench::TWorkDir& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-cdu");
  return dir;
}

// The scheme's node and branch files: a balancing node per 5,000, fixed voltages, loads, shunts, names
// in Cyrillic; branches with transformer ratios and switched-off ones among the lines.
std::string SchemeStem() {
  static const std::string stem = [] {
    ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
    ld::TDataFile nodes, branches;
    ld::ReadMaket(ld::LayoutNodes, nodes);
    ld::CreateColumns(nodes, kNodes);
    auto& ns = *ld::GetColumnAs<ld::DALongint>("NS", nodes);
    auto& name = *ld::GetColumnAs<ld::DAString>("Name", nodes);
    auto& sign = *ld::GetColumnAs<ld::DAChar>("Sign", nodes);
    auto& um = *ld::GetColumnAs<ld::DAsingle>("Um", nodes);
    auto& pn = *ld::GetColumnAs<ld::DAdouble>("Pn", nodes);
    auto& qn = *ld::GetColumnAs<ld::DAdouble>("Qn", nodes);
    auto& qmin = *ld::GetColumnAs<ld::DAsingle>("Qmin", nodes);
    auto& qmax = *ld::GetColumnAs<ld::DAsingle>("Qmax", nodes);
    auto& gs = *ld::GetColumnAs<ld::DAsingle>("Gs", nodes);
    auto& bs = *ld::GetColumnAs<ld::DAsingle>("Bs", nodes);
    for (int row = 1; row <= kNodes; ++row) {
      ns[row] = 100000 + row;
      name.SetItem(row, "ТП-" + std::to_string(row) + " ф." + std::to_string(row % 40) + " ПС Восточная");
      sign[row] = row % 5000 == 1 ? 'b' : row % 997 == 0 ? 'u' : 0;
      um[row] = row % 3 == 0 ? 6.3f : 10.5f;
      pn[row] = 0.001 * (row % 997);
      qn[row] = 0.0005 * (row % 991);
      qmin[row] = -1.5f;
      qmax[row] = 2.5f;
      if (row % 10 == 0) {
        gs[row] = 0.125f * static_cast<float>(row % 17);
        bs[row] = 3.75f;
      }
    }
    ld::ReadMaket(ld::LayoutBranches, branches);
    ld::CreateColumns(branches, kBranches);
    auto& n1 = *ld::GetColumnAs<ld::DALongint>("N1", branches);
    auto& n2 = *ld::GetColumnAs<ld::DALongint>("N2", branches);
    auto& commut = *ld::GetColumnAs<ld::DAChar>("Commut", branches);
    auto& r = *ld::GetColumnAs<ld::DAsingle>("R", branches);
    auto& x = *ld::GetColumnAs<ld::DAsingle>("X", branches);
    auto& b = *ld::GetColumnAs<ld::DAsingle>("B", branches);
    auto& kta = *ld::GetColumnAs<ld::DAsingle>("Kta", branches);
    auto& ktr = *ld::GetColumnAs<ld::DAsingle>("Ktr", branches);
    for (int row = 1; row <= kBranches; ++row) {
      n1[row] = 100000 + (row - 1) % kNodes + 1;
      n2[row] = 100000 + (row * 7) % kNodes + 1;
      commut[row] = row % 50 == 0 ? '\xCE' : 0;
      r[row] = 0.01f * static_cast<float>(row % 313);
      x[row] = 0.02f * static_cast<float>(row % 211);
      b[row] = 0.5f;
      if (row % 20 == 0) {
        kta[row] = 0.0952f;
        ktr[row] = row % 40 == 0 ? 0.001f : 0.0f;
      }
    }
    const std::string s = (WorkDir().path / "Схема").string();
    ld::WriteTableFile(s + ".UZL", nodes);
    ld::WriteTableFile(s + ".VET", branches);
    return s;
  }();
  return stem;
}

void BM_CardExportImport(benchmark::State& state) {
  const std::string stem = SchemeStem();
  const std::string file = (WorkDir().path / "Схема.CDU").string();
  ld::TDataFile nodes, branches;
  ld::ReadMaket(ld::LayoutNodes, nodes);
  ld::ReadMaket(ld::LayoutBranches, branches);
  for (auto _ : state) {
    ld::ExportCardScheme(stem, file);
    ld::FreeTable(nodes);
    ld::CreateColumns(nodes, 0);
    ld::FreeTable(branches);
    ld::CreateColumns(branches, 0);
    int nodeCount = 0, branchCount = 0, balancing = 0, fixed = 0, shunts = 0;
    ld::ImportCardScheme(file, false, nodes, branches, nullptr, nodeCount, branchCount, balancing, fixed, shunts);
    if (nodeCount != kNodes || branchCount != kBranches) state.SkipWithError("rows lost");
    benchmark::DoNotOptimize(nodes.Columns[1].get());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(BM_CardExportImport)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
