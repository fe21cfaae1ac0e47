// The regime engine on generated schemes of 10,000, 100,000 and 1,000,000 nodes: reading the scheme, forming the
// matrices, iterating and writing the results, each alone and all together, against a bare
// forward/backward sweep over plain arrays of the same tree.
//
// Counters: "iterations" of a calculation, the time per iteration of RunIterations and of the bare sweeps,
// their ratios ("ratio" against compact arrays of the tree, "ratio_records" against a bare sweep over the
// engine's own records), "elements_MB" the element records of the model, "peak_MB" the peak resident
// memory of the process. The quick pass runs the schemes of up to 100,000 nodes: those of a million take
// most of its time and its peak of nearly a gigabyte.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <complex>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "engine/scheme_gen.h"
#include "quick.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
using ld::Complex;
using ld::TRegime;
using ld::TRegimeElement;

constexpr int kQuickNodes = 100000;  // the most nodes of the quick pass

// The scheme of that many nodes, written once per run.
const std::string& SchemeOf(int nodes) {
  static const ld::bench::TWorkDir dir("bench-engine");
  static std::map<int, std::string> paths;
  auto it = paths.find(nodes);
  if (it == paths.end()) {
    const std::string path = (dir.path / ("scheme" + std::to_string(nodes))).string();
    ld::bench::WriteScheme(ld::bench::GenerateScheme(nodes, 20240611), path);
    TRegime first;  // the first read writes the row marks back; later reads find them in place
    first.ReadScheme(path);
    it = paths.emplace(nodes, path).first;
  }
  return it->second;
}

double StatusMB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(std::string(key).size())) / 1024.0;
  }
  return 0;
}

void WriteResults(TRegime& r) {
  r.WriteResults(std::string(LD_DATA_DIR) + "/sprav_UN.cat", 0, false, false, 0, 0, 0, 0, true, nullptr, nullptr);
}

void BM_ReadScheme(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  const std::string& path = SchemeOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TRegime r;
    r.ReadScheme(path);
    if (!r.SchemeRead) state.SkipWithError("scheme not read");
    benchmark::DoNotOptimize(r.FirstElement);
  }
}

void BM_FormMatrices(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  TRegime r;
  r.ReadScheme(SchemeOf(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    r.FormMatrices();
    if (!r.MatricesFormed) state.SkipWithError("matrices not formed");
  }
  state.counters["contours"] = r.TotalContourCount;
  state.counters["entries"] = r.MatrixEntryCount;
}

void BM_RunIterations(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  TRegime r;
  r.ReadScheme(SchemeOf(static_cast<int>(state.range(0))));
  r.FormMatrices();
  std::size_t iterations = 0;
  for (auto _ : state) {
    r.VoltagesSet = false;
    r.RunIterations();
    if (!r.Converged) state.SkipWithError("no convergence");
    iterations += r.ResidualsU.size();
  }
  state.counters["iterations"] = static_cast<double>(iterations) / static_cast<double>(state.iterations());
  state.counters["time_per_iteration"] =
      benchmark::Counter(static_cast<double>(iterations), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WriteResults(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  TRegime r;
  r.Calculate(SchemeOf(static_cast<int>(state.range(0))), 0, 0, 0, 0, 0);
  for (auto _ : state) WriteResults(r);
}

// The whole road of a calculation command: read, calculate, write the results back.
void BM_ReadCalculateWrite(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  const std::string& path = SchemeOf(static_cast<int>(state.range(0)));
  double elements = 0;
  for (auto _ : state) {
    TRegime r;
    r.Calculate(path, 0, 0, 0, 0, 0);
    elements = static_cast<double>(r.Elements().Count() * sizeof(TRegimeElement)) / 1e6;
    if (!r.Converged) state.SkipWithError("no convergence");
    WriteResults(r);
  }
  state.counters["elements_MB"] = elements;
  // The peak of the whole process: run one size alone (--benchmark_filter=ReadCalculateWrite/100000).
  state.counters["peak_MB"] = StatusMB("VmHWM:");
}

// Resets the peak resident memory of the process, so that a later reading shows the peak of what
// followed (the scheme generation before it holds more than the road itself).
void ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// The whole road again, stage by stage, as Calculate runs it: reading the tables (up to the stage
// text "Чтение схемы"), model building with the configuration analysis, the time data, the matrices, the iterations and
// the write-back with the protocol. Counters in milliseconds per road; "cpu_ms" the processor time of the
// whole road (on a shared machine the wall times also hold the waits for a processor);
// "peak_KB_per_node" the growth of the process's peak memory over the road, per node of the scheme.
void BM_RoadStages(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  const int nodes = static_cast<int>(state.range(0));
  const std::string& path = SchemeOf(nodes);
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  double read = 0, build = 0, apply = 0, form = 0, iterate = 0, write = 0, cpu = 0, peak = 0;
  for (auto _ : state) {
    malloc_trim(0);  // what earlier runs freed must not hide the road's own growth
    const double before = StatusMB("VmRSS:");
    ResetPeak();
    const std::clock_t c0 = std::clock();
    const auto t0 = Clock::now();
    auto tablesRead = t0;
    {
      TRegime r;
      r.OnStage = [&](const std::string& text) {
        if (text == "Чтение схемы") tablesRead = Clock::now();
      };
      r.ReadScheme(path);
      const auto t1 = Clock::now();
      r.ApplyTimeData(0, 0, 0, 0, 0, false);
      const auto t15 = Clock::now();
      r.FormMatrices();
      const auto t2 = Clock::now();
      r.RunIterations();
      if (!r.Converged) state.SkipWithError("no convergence");
      const auto t3 = Clock::now();
      WriteResults(r);
      const auto t4 = Clock::now();
      read += ms(t0, tablesRead);
      build += ms(tablesRead, t1);
      apply += ms(t1, t15);
      form += ms(t15, t2);
      iterate += ms(t2, t3);
      write += ms(t3, t4);
      cpu += 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
      peak = std::max(peak, StatusMB("VmHWM:") - before);
    }
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["read_ms"] = read / runs;
  state.counters["build_ms"] = build / runs;
  state.counters["time_data_ms"] = apply / runs;
  state.counters["form_ms"] = form / runs;
  state.counters["iterate_ms"] = iterate / runs;
  state.counters["write_ms"] = write / runs;
  state.counters["cpu_ms"] = cpu / runs;
  state.counters["peak_KB_per_node"] = peak * 1024.0 / nodes;
}

// The same tree as plain arrays in tree order: one iteration of load currents from the voltages, the
// currents summed from the leaves to the root and the voltages carried from the root to the leaves.
struct BareTree {
  std::vector<int> parent;
  std::vector<Complex> k, z, load, shunt, u, i, j;
};

BareTree BareTreeOf(const TRegime& r) {
  BareTree t;
  std::map<const TRegimeElement*, int> index;
  for (const TRegimeElement* e = r.Root; e != nullptr; e = e->NextInTree) {
    index[e] = static_cast<int>(t.parent.size());
    t.parent.push_back(e->Parent != nullptr ? index[e->Parent] : -1);
    t.k.push_back(e->K);
    t.z.push_back(Complex(e->R, e->X));
    t.load.push_back((e->Flags & ld::efLoopClosing) != 0 ? Complex(0, 0) : e->Load);
    t.shunt.push_back(Complex(e->Gs, -e->Bs) * 1e-6);
    t.u.push_back(e->U);
  }
  t.i.assign(t.u.size(), Complex(0, 0));
  t.j.assign(t.u.size(), Complex(0, 0));
  return t;
}

void BareIteration(BareTree& t) {
  const std::size_t n = t.u.size();
  for (std::size_t e = 0; e < n; ++e) {
    const double u2 = std::norm(t.u[e]);
    t.i[e] = t.j[e] = (u2 > 0 ? t.load[e] * t.u[e] / u2 : Complex(0, 0)) + t.shunt[e] * t.u[e];
  }
  for (std::size_t e = n; e-- > 1;) t.i[t.parent[e]] += t.i[e] * std::conj(t.k[e]);
  for (std::size_t e = 1; e < n; ++e) t.u[e] = t.k[e] * t.u[t.parent[e]] - t.z[e] * t.i[e];
}

void BM_BareSweep(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  TRegime r;
  r.Calculate(SchemeOf(static_cast<int>(state.range(0))), 0, 0, 0, 0, 0);
  BareTree t = BareTreeOf(r);
  for (auto _ : state) {
    BareIteration(t);
    benchmark::DoNotOptimize(t.u.data());
  }
}

// A bare backward/forward sweep over the engine's own records, walked in arrays of the two orders.
struct RecordOrders {
  std::vector<TRegimeElement*> tree;  // without the root
  std::vector<Complex> sum;           // current sums by tree position
  std::vector<int> parent;            // tree position of the parent, -1 for the root
};

RecordOrders RecordOrdersOf(TRegime& r) {
  RecordOrders o;
  std::map<const TRegimeElement*, int> index;
  index[r.Root] = -1;
  for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    index[e] = static_cast<int>(o.tree.size());
    o.tree.push_back(e);
  }
  for (TRegimeElement* e : o.tree) o.parent.push_back(index[e->Parent]);
  o.sum.assign(o.tree.size(), Complex(0, 0));
  return o;
}

void BareRecordSweep(RecordOrders& o) {
  for (std::size_t p = o.tree.size(); p-- > 0;) {
    TRegimeElement* e = o.tree[p];
    e->I = o.sum[p] + e->ILoad;
    o.sum[p] = Complex(0, 0);
    if (o.parent[p] >= 0) o.sum[o.parent[p]] += e->I * std::conj(e->K);
  }
  for (TRegimeElement* e : o.tree) e->U = e->K * e->Parent->U - Complex(e->R, e->X) * e->I;
}

// One iteration of the engine (node step, both sweeps, the loop and fixed-voltage correction) against
// one bare iteration over compact arrays of the same tree, and against a bare sweep over its records.
void BM_IterationAgainstBareSweep(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), kQuickNodes)) return;
  TRegime r;
  r.Calculate(SchemeOf(static_cast<int>(state.range(0))), 0, 0, 0, 0, 0);
  BareTree t = BareTreeOf(r);
  double engine = 0, bare = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    r.VoltagesSet = false;
    r.RunIterations();
    engine += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
              static_cast<double>(r.ResidualsU.size());
    start = std::chrono::steady_clock::now();
    BareIteration(t);
    benchmark::DoNotOptimize(t.u.data());
    bare += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  TRegime copy;
  copy.Calculate(SchemeOf(static_cast<int>(state.range(0))), 0, 0, 0, 0, 0);
  RecordOrders orders = RecordOrdersOf(copy);
  const int sweeps = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < sweeps; ++k) BareRecordSweep(orders);
  const double records = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / sweeps;
  const double runs = static_cast<double>(state.iterations());
  state.counters["engine_us_per_iteration"] = engine / runs * 1e6;
  state.counters["bare_us_per_iteration"] = bare / runs * 1e6;
  state.counters["records_us_per_sweep"] = records * 1e6;
  state.counters["ratio"] = engine / bare;
  state.counters["ratio_records"] = engine / runs / records;
}

BENCHMARK(BM_ReadScheme)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormMatrices)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunIterations)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteResults)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCalculateWrite)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoadStages)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSweep)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IterationAgainstBareSweep)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
