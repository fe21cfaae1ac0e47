#include "core/district/form_scheme.h"

#include <filesystem>
#include <memory>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/catalog_units.h"
#include "core/district/form_context.h"
#include "core/district/station_index.h"
#include "core/tables/element_names.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"

namespace ld {

TFormSchemeOptions TFormSchemeOptions::FromSettings(const TIniRec& ini) {
  TFormSchemeOptions o;
  o.EERM = ini.EERM_D2;
  o.Tgf = ini.tgf;
  o.Koef = ini.Koef;
  o.SNR = ini.SNR;
  o.T04 = ini.T04;
  o.L04 = ini.L04;
  o.CutMark = ini.CutMark;
  o.ChkTr = ini.ChkTr;
  o.PrefTP = ini.PrefTP;
  o.Kv = {ini.Kv_0, ini.Kv_1, ini.Kv_2, ini.Kv_3, ini.Kv_4, ini.Kv_5};
  return o;
}

std::string FeederKey(const std::string& name) { return NormalizeName(TrimName(name)); }

namespace forming {

TSchemeForming::TSchemeForming(const TFormSchemeOptions& options, TDataFile& nodes, TDataFile& branches,
                               TDataFile& flows, std::vector<std::string>& errors)
    : o_(options), nodeTable_(nodes), branchTable_(branches), flowTable_(flows), errors_(errors) {}

void TSchemeForming::Message(const char* label, int row, const std::string& text) {
  errors_.push_back(std::string(label) + ", строка " + std::to_string(row) + ": " + text);
}

void TSchemeForming::Prepare(int nodeBound, int branchBound, int flowBound) {
  reg_.Reserve(static_cast<std::size_t>(nodeBound));
  CreateColumns(branchTable_, branchBound);
  FillBranchCols(branchTable_, b_);
  CreateColumns(flowTable_, flowBound);
  FillLineFlowCols(flowTable_, f_);
  joined_.reserve(static_cast<std::size_t>(branchBound));
}

int TSchemeForming::NewBranch() { return ++branchCount_; }
int TSchemeForming::NewFlow() { return ++flowCount_; }

void TSchemeForming::RaiseSupplyVoltages() {
  for (int ns = 1; ns <= reg_.Count(); ++ns)
    if (reg_[ns].Sign == 'b') reg_[ns].Um *= 1.05f;
}

void TSchemeForming::CheckTransformers() {
  std::vector<std::string> prefixes;
  const std::string list = RemoveBlanks(o_.PrefTP);
  for (std::size_t from = 0; from <= list.size();) {
    const std::size_t comma = std::min(list.find(',', from), list.size());
    // An empty prefix would name every node a station.
    if (comma > from) prefixes.push_back(UpperCase(list.substr(from, comma - from)));
    from = comma + 1;
  }
  std::vector<std::string> lines;
  for (const int ns : reg_.NameOrder()) {
    const TFormNode& node = reg_[ns];
    if (node.Peak != 0 || node.Um <= 1.0f) continue;
    const std::string upper = UpperCase(node.Name);
    for (const std::string& prefix : prefixes)
      if (upper.compare(0, prefix.size(), prefix) == 0) {
        lines.push_back("Не задан тр-тор в узле: " + node.Name);
        break;
      }
  }
  errors_.insert(errors_.end(), lines.begin(), lines.end());
}

void TSchemeForming::ClearPeaks() {
  for (int ns = 1; ns <= reg_.Count(); ++ns) reg_[ns].Peak = 0;
}

void TSchemeForming::CheckDoubleStations() {
  const std::vector<int> order = reg_.NameOrder();
  std::vector<std::string> keys;
  keys.reserve(order.size());
  for (const int ns : order) keys.push_back(SubstationOf(reg_[ns].Name));
  // positions in name order by station; a station is reported at its first node without a "."
  const TStationIndex stations(keys);
  for (std::size_t k = 0; k < order.size(); ++k) {
    const TFormNode& node = reg_[order[k]];
    if (node.Name.find('.') != std::string::npos) continue;
    bool twin = false;
    for (const int at : stations.Find(keys[k])) {
      const TFormNode& section = reg_[order[static_cast<std::size_t>(at) - 1]];
      if (section.Name.find('.') != std::string::npos && section.Um == node.Um) twin = true;
    }
    if (twin) errors_.push_back("Дублирование ТП.1(2) и ТП: " + node.Name);
  }
}

void TSchemeForming::Finish() {
  const int count = reg_.Count();
  CreateColumns(nodeTable_, count);
  TNodeCols n;
  FillNodeCols(nodeTable_, n);
  const std::vector<int> order = reg_.NameOrder();
  for (int row = 1; row <= count; ++row) {
    const int ns = order[static_cast<std::size_t>(row) - 1];
    const TFormNode& node = reg_[ns];
    (*n.NS)[row] = ns;
    n.Name->SetNew(row, node.Name);
    (*n.Sign)[row] = node.Sign;
    (*n.Nr)[row] = node.Nr;
    (*n.Peak)[row] = node.Peak;
    (*n.Um)[row] = node.Um;
    (*n.A)[row] = node.A;
    if (!node.Balans.empty()) n.Balans->SetNew(row, node.Balans);
    if (!node.Snom.empty()) n.Snom->SetNew(row, node.Snom);
    if (!node.Prim.empty()) n.Prim->SetNew(row, node.Prim);
    (*n.Kvi)[row] = node.Kvi;
    (*n.Pn)[row] = node.Pn;
    (*n.Qn)[row] = node.Qn;
    (*n.Pg)[row] = node.Pg;
    (*n.Qg)[row] = node.Qg;
    (*n.WPn)[row] = node.WPn;
    (*n.WQn)[row] = node.WQn;
    (*n.WPg)[row] = node.WPg;
    (*n.WQg)[row] = node.WQg;
    (*n.WPpr)[row] = node.WPpr;
    (*n.WQpr)[row] = node.WQpr;
    (*n.WPbt)[row] = node.WPbt;
    (*n.WQbt)[row] = node.WQbt;
    (*n.dWPa)[row] = node.dWPa;
    (*n.dWQa)[row] = node.dWQa;
    (*n.Ng_n)[row] = node.Ng_n;
    (*n.Nq_n)[row] = node.Nq_n;
    (*n.Ng_g)[row] = node.Ng_g;
    (*n.Nq_g)[row] = node.Nq_g;
  }
  branchTable_.RowCount = branchCount_;
  flowTable_.RowCount = flowCount_;
}

}  // namespace forming

namespace {

// A district table of the base: its file when there is one, else an empty table of the layout.
struct TBaseTable {
  std::string fileName;
  bool exists = false;
  TDataFile table;

  TBaseTable(const std::string& stem, const char* layout) {
    fileName = FamilyFile(stem, GetMaketExtention(layout));
    std::error_code ec;
    exists = std::filesystem::is_regular_file(fileName, ec);
    if (exists) {
      ReadTableFile(fileName, table);
    } else {
      ReadMaket(layout, table);
      CreateColumns(table, 0);
    }
  }
  // Adds the table to those the run writes back to the base.
  void WriteBack(std::vector<std::pair<std::string, TDataFile*>>& written) { written.emplace_back(fileName, &table); }
};

// The catalogues and the base's passport lists of one run, freed whatever happens.
struct TRunCatalogs {
  TRunCatalogs(const std::string& stem, const std::string& catalogPath) {
    LoadCatalogLN(catalogPath, false);
    LoadListT2(stem + GetMaketExtention(ListLayoutT2), false);
    LoadCatalogT2(catalogPath, false);
    LoadListT3(stem + GetMaketExtention(ListLayoutT3), false);
    LoadCatalogT3(catalogPath, false);
    LoadListTR(stem + GetMaketExtention(ListLayoutTR), false);
    LoadCatalogTR(catalogPath, false);
    LoadListRT(stem + GetMaketExtention(ListLayoutRT), false);
    LoadCatalogRT(catalogPath, false);
  }
  ~TRunCatalogs() {
    FreeCatalogLN();
    FreeListT2(), FreeCatalogT2();
    FreeListT3(), FreeCatalogT3();
    FreeListTR(), FreeCatalogTR();
    FreeListRT(), FreeCatalogRT();
  }
  TRunCatalogs(const TRunCatalogs&) = delete;
  TRunCatalogs& operator=(const TRunCatalogs&) = delete;
};

}  // namespace

void FormCalcScheme(const std::string& stem, const std::string& catalogPath, const TFormSchemeOptions& options,
                    TDataFile& nodes, TDataFile& branches, TDataFile& flows, int& nodeCount, int& branchCount,
                    int& supplyCount, const TProgressProc& onProgress, const std::vector<std::string>& feederList,
                    std::vector<std::string>& errors, TDistrictStamps* baseStamps) {
  nodeCount = branchCount = supplyCount = 0;
  const auto progress = [&](float percent) {
    if (onProgress) onProgress(percent);
  };
  TBaseTable lines(stem, LayoutLines10), stations(stem, LayoutTransTP), lines04(stem, LayoutLines04),
      feeds(stem, LayoutSubstInputs), feeders(stem, LayoutSubstFeeders), journal(stem, LayoutSwitchLog);
  const TRunCatalogs catalogs(stem, catalogPath);

  const bool eerm = options.EERM;
  const bool withLines04 = options.T04 && options.L04 && !eerm;
  const int nl = lines.table.RowCount, nt = stations.table.RowCount, n04 = lines04.table.RowCount;
  const int nf = feeds.table.RowCount, nfd = feeders.table.RowCount;
  forming::TSchemeForming run(options, nodes, branches, flows, errors);
  run.Prepare(2 * nl + 3 * nt + n04 + nf, nl + 2 * nt + n04 + 3 * nf, 2 * nf + nfd);

  progress(10);
  run.FormLines(lines.table);
  progress(40);
  run.FormStations(stations.table);
  run.RaiseSupplyVoltages();
  if (options.ChkTr) run.CheckTransformers();
  run.ClearPeaks();
  progress(80);
  run.CheckDoubleStations();
  if (withLines04) run.FormLines04(lines04.table);
  if (!options.FeederSelection) run.FormFeeds(feeds.table);
  run.FormFeeders(feeders.table, feederList);
  if (!eerm) run.RenumberJournal(journal.table);

  run.Finish();
  // The base's tables go back in one run (the caller's locks of them serve it): a program that ends
  // halfway leaves none of them renumbered, not the journal without its lines.
  std::vector<std::pair<std::string, TDataFile*>> written;
  if (journal.table.RowCount > 0) journal.WriteBack(written);
  if (lines.exists) lines.WriteBack(written);
  if (options.T04 && stations.exists && !eerm) stations.WriteBack(written);
  if (withLines04 && lines04.exists) lines04.WriteBack(written);
  if (feeds.exists) feeds.WriteBack(written);
  WriteTablesTogether(written);
  if (baseStamps != nullptr) {
    // in the order of DistrictTableLayouts
    const TBaseTable* district[] = {&lines, &stations, &lines04, &feeds};
    for (std::size_t k = 0; k < baseStamps->size(); ++k)
      (*baseStamps)[k] = district[k]->exists ? district[k]->table.FileDate : TFileStamp();
  }
  nodeCount = nodes.RowCount;
  branchCount = branches.RowCount;
  supplyCount = run.SupplyCount;
  progress(100);

  if (options.SNR && run.HasNormal) {
    nodes.Title += " СНР";
    branches.Title += " СНР";
    flows.Title += " СНР";
  }
}

}  // namespace ld
