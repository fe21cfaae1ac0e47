// A node table file of 1 MB whose header declares a million rows of the node layout (about 300 MB once
// allocated): it must be refused before the rows are allocated, within 1 GB and 5 s (the run fails when
// it is read). Counters: the file's size and the peak memory of one refusal in a child process.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "child_peak.h"
#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/tables/table_file.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
constexpr std::int32_t kDeclaredRows = 1000000;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-tables-damaged");
  return dir.path;
}

// An empty node table as the table store writes it, then the row count of its header raised to a
// million and a mark byte for each row put after the format marker.
const std::string& DamagedFile() {
  static const std::string file = [] {
    ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
    ld::TDataFile t;
    ld::ReadMaket(ld::LayoutNodes, t);
    ld::CreateColumns(t, 0);
    t.Title = "Т";
    const std::string name = (WorkDir() / "damaged.UZL").string();
    ld::WriteTableFile(name, t);
    std::string bytes;
    {
      std::ifstream in(name, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::size_t count = 7 + 1 + ld::Utf8ToCp1251(ld::LayoutNodes).size() + 1 + ld::Utf8ToCp1251(t.Title).size();
    for (int i = 0; i < 4; ++i) bytes[count + i] = static_cast<char>((kDeclaredRows >> (8 * i)) & 0xFF);
    bytes.insert(count + 4 + 13, std::string(kDeclaredRows, '\0'));
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
    return name;
  }();
  return file;
}

void BM_RefuseRowsBeyondTheFile(benchmark::State& state) {
  const std::string& file = DamagedFile();
  const std::optional<double> peakMB = ld::bench::TimeRefusal(state, [&] {
    ld::TDataFile t;
    ld::ReadTableFile(file, t);
  });
  if (!peakMB) return;
  state.counters["file_KB"] = static_cast<double>(fs::file_size(file)) / 1024.0;
  state.counters["peak_MB"] = *peakMB;
}
BENCHMARK(BM_RefuseRowsBeyondTheFile)->Unit(benchmark::kMillisecond);

}  // namespace
