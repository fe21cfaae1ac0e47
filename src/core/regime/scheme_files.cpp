#include "core/regime/scheme_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/optim/cut_optimiser.h"
#include "core/optim/ktr_table.h"
#include "core/optim/q_optim.h"
#include "core/optim/t2_stations.h"
#include "core/tables/file_guard.h"
#include "core/tables/formed_base.h"
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
  for (const std::string& file : EmptySchemeReplaced(schemePath).Removed) files.emplace_back(file, nullptr);
  WriteTablesTogether(files);
}

TCopyReplaced EmptySchemeReplaced(const std::string& schemePath) {
  const std::vector<std::string> written = {schemePath + GetMaketExtention(LayoutNodes),
                                            schemePath + GetMaketExtention(LayoutBranches)};
  return ReplacedByCopy(schemePath, written, SchemeFileKinds(), {});
}

namespace {

struct TKindOf {
  std::string layout;  // whose extension the layout file gives; empty for a text of a fixed extension
  const char* ext;     // the text's extension
  const char* what;
};

TFileKinds KindsOf(std::initializer_list<TKindOf> kinds, bool replaced) {
  TFileKinds list;
  for (const TKindOf& kind : kinds) {
    if (kind.layout.empty()) {
      list.emplace_back(kind.ext, kind.what, replaced);
      continue;
    }
    try {
      if (const std::string ext = GetMaketExtention(kind.layout); !ext.empty())
        list.emplace_back(ext, kind.what, replaced);
    } catch (const Error&) {
      // a layout file without this table: no file of that kind is known to the program
    }
  }
  return list;
}

TFileKinds BaseKinds(bool replaced) {
  return KindsOf({{LayoutLines10, "", "таблица линий"},
                  {LayoutTransTP, "", "таблица ТП, РП"},
                  {LayoutLines04, "", "таблица линий 0,4 кВ"},
                  {LayoutSubstInputs, "", "таблица вводов подстанций"},
                  {LayoutSubstFeeders, "", "таблица фидеров подстанций"},
                  {LayoutConsumers, "", "таблица абонентов"},
                  {LayoutMeterPoints, "", "база промышленных абонентов"},
                  {LayoutHouseholds, "", "база бытовых абонентов"},
                  {LayoutSchemeAreas, "", "районы"},
                  {GraphCatalogMaket, "", "каталог графиков нагрузки"},
                  {GraphValuesMaket, "", "значения графиков нагрузки"}},
                 replaced);
}

}  // namespace

TFileKinds BaseFileKinds() { return BaseKinds(true); }

TFileKinds SchemeFileKinds() {
  return KindsOf({{LayoutNodes, "", "узлы схемы"},
                  {LayoutBranches, "", "ветви схемы"},
                  {LayoutLineFlows, "", "перетоки в линиях"},
                  {LayoutKtrTable, "", "таблица отпаек"},
                  {ListLayoutT2, "", "список двухобмоточных трансформаторов"},
                  {ListLayoutT3, "", "список трехобмоточных трансформаторов"},
                  {ListLayoutTR, "", "список трансформаторов с расщепленной обмоткой"},
                  {ListLayoutRT, "", "список токоограничивающих реакторов"},
                  {LayoutSwitchLog, "", "журнал переключений"},
                  {"", ".INI", "дата коммутации схемы"},
                  {"", FormedBaseExt, "сведения о базе РЭС, из которой сформирована схема"},
                  {LayoutNodeVoltages, "", "напряжения узлов, результат расчета"},
                  {LayoutLineLoads, "", "загрузка линий, результат расчета"},
                  {LayoutTransLoads, "", "загрузка трансформаторов, результат расчета"},
                  {LayoutLineLosses, "", "потери в линиях, результат расчета"},
                  {LayoutTransLosses, "", "потери в трансформаторах, результат расчета"},
                  {LayoutNodeEnergy, "", "электропотребление в узлах"},
                  {LayoutBranchEnergy, "", "перетоки электроэнергии"},
                  {LayoutNodeConsumption, "", "потребление электроэнергии"},
                  {LayoutLineEnergy, "", "перетоки электроэнергии в линиях"},
                  {LayoutTransEnergy, "", "перетоки электроэнергии в трансформаторах"},
                  {LayoutLineEnergyLosses, "", "потери электроэнергии в линиях"},
                  {LayoutTransEnergyLosses, "", "потери электроэнергии в трансформаторах"},
                  {LayoutConsumerList, "", "список присоединенных абонентов"},
                  {LayoutEnergyBalances, "", "балансы электроэнергии"},
                  {LayoutCapCurrents, "", "емкостные токи"},
                  {LayoutReactiveSources, "", "источники реактивной мощности"},
                  {LayoutStationSwitching, "", "коммутация двухтрансформаторных подстанций"},
                  {LayoutCutOptimisation, "", "оптимизация разрезов"},
                  {"", ".RGM", "протокол расчета режима"},
                  {"", ".WRG", "результаты расчета потерь"},
                  {"", ".WMS", "контрольные сообщения расчета потерь"}},
                 true);
}

namespace {

// Both families of a stem, the base's tables first, as forming writes them. A scheme's copy replaces the
// scheme and writes over the base's files it has, never removing one (baseReplaced false); a base's copy
// replaces the base and the scheme of its stem, which was formed from the base it replaces.
TFileKinds FamilyKinds(bool baseReplaced) {
  TFileKinds kinds = BaseKinds(baseReplaced);
  for (TFileKind& kind : SchemeFileKinds()) kinds.push_back(std::move(kind));
  return kinds;
}

// The record of the base that the copied scheme was formed from tells of the copy's base as the copy
// writes it, where the source's scheme was its base's; where it was not, the record goes as it is, and the
// copy's scheme is refused as the source's is. A scheme without a record stays without one.
TCopiedBytes CopiedRecord(const std::string& sourceBase, const std::string& newPath) {
  return [sourceBase, newPath](TRunBytes& file, const TRunBytes::TWritten& read) {
    if (UpperCase(ExtractExtension(file.file)) != FormedBaseExt) return;
    if (FormedFromBase(file.bytes, DistrictStampsOf(sourceBase, read), 0))
      file.made = FormedBaseRunBytes(newPath).made;
  };
}

}  // namespace

TCopyReplaced SchemeCopyReplaced(const std::string& schemePath, const std::string& newPath) {
  return CopyReplacedFiles(schemePath, newPath, FamilyKinds(false));
}

void SaveSchemeAs(const std::string& schemePath, const std::string& newPath) {
  const int digits = CopyDigits(newPath);
  CopyTableFiles(
      schemePath, newPath, FamilyKinds(false),
      [digits](const std::string& ext, TDataFile& table) {
        if (digits >= 0) RoundSchemeTable(ext, table, digits);
      },
      CopiedRecord(schemePath, newPath));
}

TCopyReplaced BaseCopyReplaced(const std::string& basePath, const std::string& newBase) {
  return CopyReplacedFiles(basePath, newBase, FamilyKinds(true));
}

void SaveBaseAs(const std::string& basePath, const std::string& newBase) {
  CopyTableFiles(basePath, newBase, FamilyKinds(true), {}, CopiedRecord(basePath, newBase));
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
