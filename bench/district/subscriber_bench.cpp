// The industrial subscriber base of a large district from a dBase file: 250,000 to 1,000,000 metering
// points read, sorted by station, contract, point and kind of energy, and written as the base's table
// (the target: a million within 5 s on one core). The peak memory of one import, run in a child process,
// shows that it grows in step with the records. A household base of 1.99 MB whose every record's energy
// is unreadable, each a message, is read within 1 GB and 5 s (CheckBound).
#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <filesystem>
#include <string>
#include <vector>

#include "child_peak.h"
#include "core/base/codepage.h"
#include "core/district/subscriber_dbf.h"
#include "core/tables/layout.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-subscribers");
  return dir.path;
}

struct TField {
  const char* name;
  DBFFieldType type;
  int width, decimals;
};

const TField kFields[] = {
    {"RES_ID", FTInteger, 3, 0},     {"NAMETP", FTString, 20, 0},   {"NTR", FTString, 6, 0},
    {"FEEDER", FTString, 10, 0},     {"NDOG", FTString, 10, 0},     {"ABONENT", FTString, 40, 0},
    {"NUMCOUNTER", FTString, 12, 0}, {"NUMPOINT", FTInteger, 4, 0}, {"TYPCOUNTER", FTInteger, 2, 0},
    {"DEVICE", FTString, 1, 0},      {"KTOK", FTDouble, 8, 1},      {"KOEF", FTDouble, 8, 1},
    {"W", FTDouble, 12, 2},          {"WT", FTDouble, 12, 2},       {"WS", FTDouble, 12, 2}};

void Put(std::string& record, int& at, const std::string& value, int width, bool number) {
  const std::string v = value.substr(0, static_cast<std::size_t>(width));
  const std::string pad(static_cast<std::size_t>(width) - v.size(), ' ');
  record.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(width), number ? pad + v : v + pad);
  at += width;
}

// Points of 20,000 stations in the billing program's order (by contract), in the DOS code page.
std::string IndustrialBase(int records) {
  const std::string file = (WorkDir() / ("prom" + std::to_string(records) + ".dbf")).string();
  if (fs::exists(file)) return file;
  DBFHandle h = DBFCreateEx(file.c_str(), "LDID/38");
  for (const TField& f : kFields) DBFAddField(h, f.name, f.type, f.width, f.decimals);
  int length = 1;
  for (const TField& f : kFields) length += f.width;
  std::string record(static_cast<std::size_t>(length), ' ');
  for (int r = 0; r < records; ++r) {
    const int contract = r / 4, station = (contract * 7919) % 20000;
    int at = 1;
    Put(record, at, "7", 3, true);
    Put(record, at, ld::Utf8ToCp866("тп-" + std::to_string(station) + (r % 3 ? ".1" : "")), 20, false);
    Put(record, at, ld::Utf8ToCp866("т" + std::to_string(r % 2 + 1)), 6, false);
    Put(record, at, ld::Utf8ToCp866("л" + std::to_string(r % 5)), 10, false);
    Put(record, at, std::to_string(100000 + contract), 10, false);
    Put(record, at, ld::Utf8ToCp866("ООО \"Абонент " + std::to_string(contract) + "\""), 40, false);
    Put(record, at, std::to_string(5000000 + r), 12, false);
    Put(record, at, std::to_string(r % 4 + 1), 4, true);
    Put(record, at, std::to_string(r % 3), 2, true);
    Put(record, at, r % 10 ? "y" : "k", 1, false);
    Put(record, at, "40.0", 8, true);
    Put(record, at, "1.0", 8, true);
    Put(record, at, std::to_string(r % 9973) + ".25", 12, true);
    Put(record, at, "12.50", 12, true);
    Put(record, at, std::to_string(r % 9973 + 20) + ".75", 12, true);
    DBFWriteTuple(h, r, record.data());
  }
  DBFClose(h);
  return file;
}

bool ImportOnce(const std::string& file, const std::string& stem) {
  ld::TSubscriberDbfRequest request;
  request.BaseStem = stem;
  request.Prom = true;
  request.PathProm = file;
  request.DistrictNo = 7;
  std::vector<std::string> info;
  return ld::ImportSubscriberBasesDbf(request, info) == ld::LayoutMeterPoints && info.empty();
}

void BM_IndustrialBaseFromDbf(benchmark::State& state) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  const int records = static_cast<int>(state.range(0));
  const std::string file = IndustrialBase(records);
  const std::string stem = (WorkDir() / "Район").string();
  for (auto _ : state)
    if (!ImportOnce(file, stem)) state.SkipWithError("import failed");
  state.SetItemsProcessed(state.iterations() * records);
  const ld::bench::TChildPeak peak = ld::bench::RunInChild([&] { return ImportOnce(file, stem); });
  state.counters["peak_MB"] = peak.peakMB;
  state.counters["bytes_per_record"] = peak.peakMB * 1024 * 1024 / records;
}
BENCHMARK(BM_IndustrialBaseFromDbf)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The most households a file of 1.99 MB holds: a one-letter station and an energy of three characters
// that is no number, five bytes a record.
std::string UnreadableHouseholds() {
  const std::string file = (WorkDir() / "byt-unreadable.dbf").string();
  if (fs::exists(file)) return file;
  DBFHandle h = DBFCreateEx(file.c_str(), "LDID/38");
  DBFAddField(h, "NAME_TP", FTString, 1, 0);
  DBFAddField(h, "W", FTString, 3, 0);
  const int records = static_cast<int>((1.99 * 1024 * 1024 - 32 - 2 * 32 - 2) / 5);
  for (int r = 0; r < records; ++r) {
    char record[] = " 1  x";
    DBFWriteTuple(h, r, record);
  }
  DBFClose(h);
  return file;
}

void BM_HouseholdBaseOfUnreadableEnergies(benchmark::State& state) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  const std::string file = UnreadableHouseholds();
  const std::string stem = (WorkDir() / "Район").string();
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1048576.0;
  const auto importOnce = [&] {
    ld::TSubscriberDbfRequest request;
    request.BaseStem = stem;
    request.Byt = true;
    request.PathByt = file;
    std::vector<std::string> info;
    // the first thousand messages and the line of how many more
    return ld::ImportSubscriberBasesDbf(request, info) == ld::LayoutHouseholds && info.size() == 1001;
  };
  for (auto _ : state) {
    const ld::bench::TChildPeak child = ld::bench::RunInChild(importOnce);
    if (!ld::bench::CheckBound(state, child)) return;
  }
}
BENCHMARK(BM_HouseholdBaseOfUnreadableEnergies)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
