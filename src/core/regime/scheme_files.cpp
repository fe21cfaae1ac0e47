#include "core/regime/scheme_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/optim/cut_optimiser.h"
#include "core/optim/q_optim.h"
#include "core/optim/t2_stations.h"
#include "core/tables/file_guard.h"
#include "core/tables/journal.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"

namespace ld {

std::string SchemeCaption(const std::string& schemePath) {
  const std::string name = std::filesystem::path(schemePath).filename().string();
  return "Z-режим - " + name + DateTimeCaption(ReadSchemeSwitchDate(schemePath));
}

bool UpgradeOldBranchFile(const std::string& branchFile) {
  if (!std::filesystem::exists(branchFile) || FileHasField(branchFile, "Commut")) return false;
  if (!FileHasField(branchFile, "Com1") || !FileHasField(branchFile, "Com2")) return false;
  TDataFile branches;
  ReadTableFile(branchFile, branches);
  // The row conversion is the engine's own, so a scheme read by the engine before it was opened here
  // sees the same letters.
  TRegime converter;
  converter.UpgradeBranchTable(RemoveExtension(branchFile), branches);
  WriteTableFile(branchFile, branches);
  return true;
}

double RoundToDigits(double value, int digits) {
  if (!std::isfinite(value)) return value;
  // 15 significant digits first, as a fixed-point text of that precision would hold them.
  char text[64];
  std::snprintf(text, sizeof text, "%.14e", value);
  const double significant = std::strtod(text, nullptr);
  if (std::fabs(significant) >= 1e15) return significant;
  std::snprintf(text, sizeof text, "%.*f", digits, significant);
  return std::strtod(text, nullptr);
}

namespace {

template <typename Array>
bool HasColumns(const TDataFile& table, std::initializer_list<const char*> fields) {
  for (const char* field : fields)
    if (dynamic_cast<Array*>(GetColumnArray(field, table)) == nullptr) return false;
  return true;
}

template <typename Array>
void RoundColumns(TDataFile& table, std::initializer_list<const char*> fields, int digits) {
  for (const char* field : fields) {
    Array* column = GetColumnAs<Array>(field, table);
    for (int row = 1; row <= table.RowCount; ++row)
      (*column)[row] = static_cast<typename Array::value_type>(RoundToDigits((*column)[row], digits));
  }
}

// The decimals that a copy's name asks for ("NAME<d>-"); -1 for any other name.
int CopyDigits(const std::string& newPath) {
  if (newPath.size() < 2 || newPath.back() != '-') return -1;
  const char digit = newPath[newPath.size() - 2];
  return digit < '0' || digit > '9' ? -1 : digit - '0';
}

// Rounds a node (".UZL") or branch (".VET") table of a copy that has every column rounded; any other
// table, or one that lacks a column, stays as it is.
void RoundSchemeTable(const std::string& ext, TDataFile& table, int digits) {
  const std::initializer_list<const char*> nodeDoubles = {"Pn", "Qn", "Pg", "Qg", "Angle"};
  const std::initializer_list<const char*> nodeSingles = {"Um", "Gs", "Bs", "Qmin", "Qmax"};
  const std::initializer_list<const char*> branchSingles = {"R", "X", "G", "B", "Kta", "Ktr", "Ktn"};
  if (ext == ".UZL" && HasColumns<DAdouble>(table, nodeDoubles) && HasColumns<DAsingle>(table, nodeSingles)) {
    RoundColumns<DAdouble>(table, nodeDoubles, digits);
    RoundColumns<DAsingle>(table, nodeSingles, digits);
  } else if (ext == ".VET" && HasColumns<DAsingle>(table, branchSingles)) {
    RoundColumns<DAsingle>(table, branchSingles, digits);
  }
}

}  // namespace

void RoundSchemeCopy(const std::string& newPath) {
  const int digits = CopyDigits(newPath);
  if (digits < 0) return;
  try {
    TDataFile nodes, branches;
    ReadTableFile(newPath + ".UZL", nodes);
    ReadTableFile(newPath + ".VET", branches);
    RoundSchemeTable(".UZL", nodes, digits);
    RoundSchemeTable(".VET", branches, digits);
    WriteTableSet({{newPath + ".UZL", &nodes}, {newPath + ".VET", &branches}});
  } catch (const Error&) {
    // the copy stays as it was made
  }
}

void CreateEmptyScheme(const std::string& schemePath, const std::string& title) {
  TDataFile tables[2];
  std::vector<std::pair<std::string, TDataFile*>> files;
  for (int k = 0; k < 2; ++k) {
    ReadMaket(k == 0 ? LayoutNodes : LayoutBranches, tables[k]);
    CreateColumns(tables[k], 0);
    tables[k].Title = title;
    files.emplace_back(schemePath + tables[k].Extention, &tables[k]);
  }
  for (const std::string& file : TableFamilyFiles(schemePath))
    if (std::none_of(files.begin(), files.end(), [&](const auto& f) { return f.first == file; }))
      files.emplace_back(file, nullptr);
  WriteTablesTogether(files);
}

namespace {

// What both families of a stem keep: the journal, the areas and load graphs that the base window and the
// loss calculation share, and the texts of the calculations with the INI of the switching moment.
constexpr const char* kSharedLayouts[] = {LayoutSwitchLog, LayoutSchemeAreas, GraphCatalogMaket, GraphValuesMaket};
constexpr const char* kSharedTexts[] = {".RGM", ".WMS", ".WRG", ".INI"};

std::vector<std::string> FileKinds(std::initializer_list<const char*> layouts) {
  std::vector<std::string> kinds(std::begin(kSharedTexts), std::end(kSharedTexts));
  const auto add = [&kinds](const char* layout) {
    try {
      if (const std::string ext = GetMaketExtention(layout); !ext.empty()) kinds.push_back(ext);
    } catch (const Error&) {
      // a layout file without this table: no file of that kind is known to the program
    }
  };
  for (const char* layout : kSharedLayouts) add(layout);
  for (const char* layout : layouts) add(layout);
  return kinds;
}

}  // namespace

std::vector<std::string> BaseFileKinds() {
  return FileKinds({LayoutLines10, LayoutLines04, LayoutTransTP, LayoutSubstInputs, LayoutSubstFeeders,
                    LayoutConsumers, LayoutMeterPoints, LayoutHouseholds});
}

std::vector<std::string> SchemeFileKinds() {
  return FileKinds({LayoutNodes, LayoutBranches, LayoutLineFlows, LayoutNodeVoltages, LayoutLineLoads,
                    LayoutTransLoads, LayoutLineLosses, LayoutTransLosses, LayoutNodeEnergy, LayoutBranchEnergy,
                    LayoutNodeConsumption, LayoutLineEnergy, LayoutTransEnergy, LayoutLineEnergyLosses,
                    LayoutTransEnergyLosses, LayoutConsumerList, LayoutEnergyBalances, LayoutCapCurrents,
                    LayoutReactiveSources, LayoutStationSwitching, LayoutCutOptimisation});
}

void SaveSchemeAs(const std::string& schemePath, const std::string& newPath) {
  const int digits = CopyDigits(newPath);
  CopyTableFiles(schemePath, newPath, SchemeFileKinds(), [digits](const std::string& ext, TDataFile& table) {
    if (digits >= 0) RoundSchemeTable(ext, table, digits);
  });
}

TImportEnd ImportSchemeFile(const std::string& file, const TSchemeFileRead& read,
                            const std::function<void()>& written) {
  const std::string stem = RemoveExtension(file);
  const std::string nodeFile = stem + GetMaketExtention(LayoutNodes), branchFile = stem + GetMaketExtention(LayoutBranches);
  const std::string name = std::filesystem::path(stem).filename().string();
  TDataFile nodes, branches;
  return RunFileImport({file,
                        [&] {
                          ReadMaket(LayoutNodes, nodes);
                          CreateColumns(nodes, 0);
                          ReadMaket(LayoutBranches, branches);
                          CreateColumns(branches, 0);
                          const TImportTaken taken = read(file, nodes, branches);
                          nodes.Title = branches.Title = name;
                          return taken;
                        },
                        [&] { return std::vector<std::string>{nodeFile, branchFile}; },
                        "Схема \"" + name + "\" уже существует. Заменить?",
                        {{nodeFile, &nodes}, {branchFile, &branches}},
                        written});
}

}  // namespace ld
