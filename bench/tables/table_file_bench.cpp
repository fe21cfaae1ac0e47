// Reading and writing a node table of 100,000 rows and, in the full run only, of 1,000,000, with every
// column of its layout, each beside the same bytes read and written plainly (read() and write() of the
// whole file, the write made durable as the table's is): what the table store adds to the bytes it moves,
// its stamp of every byte included. Counters: MB/s of the file and the peak memory of the process.
// Opening a district's many small tables, each read looking for a stopped run of several tables first,
// and writing two small tables together, where the run's own records weigh most.
// The look for a stopped run alone, against a stat of each table. Locking and unlocking each small
// table: one guard file made, held and removed a table, where the guard's own cost weighs most.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/tables/table_file.h"
#include "quick.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
constexpr int kSizes[] = {100000, 1000000};
constexpr int kQuickRows = 100000;  // the most rows of the quick pass

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-tables");
  return dir.path;
}

// A node table as a district scheme holds it: names and notes in Cyrillic, loads and results in every
// numeric column.
void FillNodes(ld::TDataFile& t, int rows) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::ReadMaket(ld::LayoutNodes, t);
  ld::CreateColumns(t, rows);
  t.Title = "Схема РЭС, расчетный режим";
  for (int k = 1; k <= t.NCols; ++k) {
    ld::TDynamicArray& a = *t.Columns[k];
    for (int row = 1; row <= rows; ++row) {
      switch (t.ColType[k]) {
        case 'l': static_cast<ld::DALongint&>(a)[row] = row * k; break;
        case 'i': static_cast<ld::DAsmallint&>(a)[row] = static_cast<std::int16_t>(row % 1000); break;
        case 'b': static_cast<ld::DAbyte&>(a)[row] = static_cast<std::uint8_t>(row % 3); break;
        case 'c': static_cast<ld::DAChar&>(a)[row] = row % 50 == 0 ? 'B' : 0; break;
        case 'f': static_cast<ld::DAsingle&>(a)[row] = 0.001f * static_cast<float>(row % 9973) + k; break;
        case 'd': static_cast<ld::DAdouble&>(a)[row] = 1e-4 * row + k; break;
        case 's':
          static_cast<ld::DAString&>(a).SetItem(
              row, "ПС-110 Восточная ф." + std::to_string(row % 40) + " ТП-" + std::to_string(row));
          break;
        default: break;
      }
    }
  }
}

// The node table of one size and its file as the table store writes it, made when that size is first
// asked for; the size before goes then, so that a million rows are held once.
struct TNodes {
  int rows = 0;
  ld::TDataFile table;
  std::string file;
  std::string bytes;  // the file's, for the plain write
};

TNodes& NodesOf(int rows) {
  static TNodes nodes;
  if (nodes.rows != rows) {
    if (!nodes.file.empty()) fs::remove(nodes.file);
    nodes = TNodes();
    FillNodes(nodes.table, rows);
    nodes.file = (WorkDir() / ("nodes" + std::to_string(rows) + ".UZL")).string();
    ld::WriteTableFile(nodes.file, nodes.table);
    std::ifstream in(nodes.file, std::ios::binary);
    nodes.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    nodes.rows = rows;
  }
  return nodes;
}

void SetCounters(benchmark::State& state, const std::string& file) {
  const double megabytes = static_cast<double>(fs::file_size(file)) / 1e6;
  state.counters["MB/s"] = benchmark::Counter(megabytes, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = megabytes;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The rows of a sized benchmark, or 0 where the quick pass passes its size over.
int RowsOf(benchmark::State& state) {
  const auto rows = static_cast<int>(state.range(0));
  return ld::bench::RunsAtSize(state, rows, kQuickRows) ? rows : 0;
}

void BM_PlainCopy(benchmark::State& state) {
  const int rows = RowsOf(state);
  if (rows == 0) return;
  const std::string source = NodesOf(rows).file;
  const std::string target = (WorkDir() / "copy.bin").string();
  std::vector<char> buffer(256 * 1024);
  for (auto _ : state) {
    const int in = open(source.c_str(), O_RDONLY);
    const int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ssize_t got = 0;
    while ((got = read(in, buffer.data(), buffer.size())) > 0) {
      if (write(out, buffer.data(), static_cast<std::size_t>(got)) != got) state.SkipWithError("write failed");
    }
    close(in);
    close(out);
  }
  SetCounters(state, source);
  fs::remove(target);
}

// The node file's bytes into a buffer of the read's window, as a read of a table takes them.
void BM_PlainRead(benchmark::State& state) {
  const int rows = RowsOf(state);
  if (rows == 0) return;
  const std::string file = NodesOf(rows).file;
  std::vector<char> buffer(256 * 1024);
  for (auto _ : state) {
    const int in = open(file.c_str(), O_RDONLY);
    ssize_t got = 0, total = 0;
    while ((got = read(in, buffer.data(), buffer.size())) > 0) total += got;
    close(in);
    benchmark::DoNotOptimize(total);
  }
  SetCounters(state, file);
}

// The node file's bytes into a new file, flushed to the disk as a table's write flushes its file.
void BM_PlainWrite(benchmark::State& state) {
  const int rows = RowsOf(state);
  if (rows == 0) return;
  const TNodes& nodes = NodesOf(rows);
  const std::string target = (WorkDir() / "plain.bin").string();
  constexpr std::size_t kPiece = 256 * 1024;
  for (auto _ : state) {
    const int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t at = 0; at < nodes.bytes.size(); at += kPiece) {
      const std::size_t n = std::min(kPiece, nodes.bytes.size() - at);
      if (write(out, nodes.bytes.data() + at, n) != static_cast<ssize_t>(n)) state.SkipWithError("write failed");
    }
    if (fsync(out) != 0) state.SkipWithError("fsync failed");
    close(out);
  }
  SetCounters(state, nodes.file);
  fs::remove(target);
}

void BM_WriteNodeTable(benchmark::State& state) {
  const int rows = RowsOf(state);
  if (rows == 0) return;
  const std::string file = (WorkDir() / "written.UZL").string();
  ld::TDataFile& t = NodesOf(rows).table;
  for (auto _ : state) {
    t.FileDate = 0;
    ld::WriteTableFile(file, t);
  }
  SetCounters(state, file);
  fs::remove(file);
}

void BM_ReadNodeTable(benchmark::State& state) {
  const int rows = RowsOf(state);
  if (rows == 0) return;
  const std::string file = NodesOf(rows).file;
  for (auto _ : state) {
    ld::TDataFile t;
    ld::ReadTableFile(file, t);
    benchmark::DoNotOptimize(t.RowCount);
  }
  SetCounters(state, file);
}

// Size by size, each table's read and write beside the plain ones of its bytes.
[[maybe_unused]] const bool registered = [] {
  for (const int rows : kSizes) {
    benchmark::RegisterBenchmark("BM_PlainCopy", BM_PlainCopy)->Arg(rows)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PlainWrite", BM_PlainWrite)->Arg(rows)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_WriteNodeTable", BM_WriteNodeTable)->Arg(rows)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PlainRead", BM_PlainRead)->Arg(rows)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_ReadNodeTable", BM_ReadNodeTable)->Arg(rows)->Unit(benchmark::kMillisecond);
  }
  return true;
}();

constexpr int kSmallTables = 200;

// Small node tables of 50 rows, as a district's feeders are kept.
const std::vector<std::string>& SmallFiles() {
  static const std::vector<std::string> files = [] {
    ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
    ld::TDataFile t;
    ld::ReadMaket(ld::LayoutNodes, t);
    ld::CreateColumns(t, 50);
    std::vector<std::string> names;
    for (int k = 0; k < kSmallTables; ++k) {
      names.push_back((WorkDir() / ("feeder" + std::to_string(k) + ".UZL")).string());
      t.FileDate = 0;
      ld::WriteTableFile(names.back(), t);
    }
    return names;
  }();
  return files;
}

void BM_ReadSmallTables(benchmark::State& state) {
  const std::vector<std::string>& files = SmallFiles();
  for (auto _ : state) {
    for (const std::string& file : files) {
      ld::TDataFile t;
      ld::ReadTableFile(file, t);
      benchmark::DoNotOptimize(t.RowCount);
    }
  }
  state.counters["tables/s"] = benchmark::Counter(kSmallTables, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadSmallTables)->Unit(benchmark::kMillisecond);

// The look for a stopped run that every read makes first, beside one stat of each table: with no record
// beside a table the two cost the same.
void BM_LookForStoppedRuns(benchmark::State& state) {
  const std::vector<std::string>& files = SmallFiles();
  for (auto _ : state)
    for (const std::string& file : files) ld::RecoverTableSet(file);
  state.counters["tables/s"] = benchmark::Counter(kSmallTables, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LookForStoppedRuns)->Unit(benchmark::kMicrosecond);

void BM_StatSmallTables(benchmark::State& state) {
  const std::vector<std::string>& files = SmallFiles();
  for (auto _ : state) {
    for (const std::string& file : files) {
      struct stat st {};
      benchmark::DoNotOptimize(::stat(file.c_str(), &st));
    }
  }
  state.counters["tables/s"] = benchmark::Counter(kSmallTables, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StatSmallTables)->Unit(benchmark::kMicrosecond);

void BM_LockSmallTables(benchmark::State& state) {
  const std::vector<std::string>& files = SmallFiles();
  for (auto _ : state) {
    for (const std::string& file : files) {
      const std::string base = file.substr(0, file.size() - 4);
      ld::LockTableFiles(base, ".UZL");
      ld::UnlockTableFiles(base, ".UZL");
    }
  }
  state.counters["tables/s"] = benchmark::Counter(kSmallTables, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LockSmallTables)->Unit(benchmark::kMillisecond);

// Two tables written over the files they were read from, as a command saves what it opened: each pass
// of the loop replaces the pair that the pass before it wrote.
void BM_WriteTwoSmallTablesTogether(benchmark::State& state) {
  const std::string files[] = {(WorkDir() / "together.UZL").string(), (WorkDir() / "together.VET").string()};
  std::vector<ld::TDataFile> tables(2);
  for (std::size_t k = 0; k < 2; ++k) {
    fs::copy_file(SmallFiles()[k], files[k], fs::copy_options::overwrite_existing);
    ld::ReadTableFile(files[k], tables[k]);
  }
  for (auto _ : state) ld::WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}});
}
BENCHMARK(BM_WriteTwoSmallTablesTogether)->Unit(benchmark::kMillisecond);

}  // namespace
