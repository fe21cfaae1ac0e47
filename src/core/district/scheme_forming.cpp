#include "core/district/scheme_forming.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/district/form_scheme.h"
#include "core/district/run_locks.h"
#include "core/engine/regime.h"
#include "core/engine/select.h"
#include "core/tables/file_io.h"
#include "core/tables/file_kinds.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_run.h"

namespace ld {

namespace {

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

void Say(const TStageProc& stage, const std::string& text) {
  if (stage) stage(text);
}

// An empty table of a layout titled like the one it stands for.
void EmptyTable(const char* layout, const std::string& title, TDataFile& table) {
  ReadMaket(layout, table);
  CreateColumns(table, 0);
  table.Title = title;
}

// The rows of the source table in the order given, marks included.
void KeepRows(TDataFile& table, const std::vector<std::int32_t>& rows) {
  TDataFile kept;
  EmptyTable(table.Name.c_str(), table.Title, kept);
  int row = 0;
  for (const std::int32_t source : rows) CopyTableRow(table, kept, source, ++row);
  kept.RowCount = row;
  table = std::move(kept);
}

// The elements of the model by the feeder key of their names, the first in tree order for each.
std::unordered_map<std::string, const TRegimeElement*> ElementsByFeederKey(const TRegime& engine) {
  std::unordered_map<std::string, const TRegimeElement*> elements;
  if (engine.Root == nullptr) return elements;
  for (const TRegimeElement* e = engine.Root->NextInTree; e != nullptr; e = e->NextInTree)
    if ((e->Flags & efLoopClosing) == 0 && !e->Name.empty()) elements.emplace(FeederKey(e->Name), e);
  return elements;
}

// The engine names its elements while the object lives.
class TNameModeScope {
public:
  explicit TNameModeScope(TRegime& engine) : engine_(engine), mode_(engine.NameMode) { engine_.NameMode = 1; }
  ~TNameModeScope() { engine_.NameMode = mode_; }
  TNameModeScope(const TNameModeScope&) = delete;
  TNameModeScope& operator=(const TNameModeScope&) = delete;

private:
  TRegime& engine_;
  std::uint8_t mode_;
};

// Cuts the formed tables down to the supply trees of the feeders.
void CutToFeeders(TRegime& engine, const std::vector<std::string>& feeders, TDataFile& nodes, TDataFile& branches,
                  std::vector<std::string>& messages) {
  bool changed = false;
  engine.BuildModel(nodes, branches, changed);
  engine.AnalyzeConfiguration();
  {
    // the trees are found by the name of their head, and taken whole
    const TNameModeScope byName(engine);
    const auto elements = ElementsByFeederKey(engine);
    for (const std::string& feeder : feeders) {
      const auto head = elements.find(FeederKey(feeder));
      if (head == elements.end() || !BuildSupplyTree(engine, head->second->Name, false, true)) {
        messages.push_back("Ошибка построения схемы по фидеру: " + feeder);
      }
    }
  }
  std::vector<std::int32_t> nodeRows, branchRows;
  CollectMarkedConnections(engine, nodeRows, branchRows);
  engine.ClearModel();
  KeepRows(nodes, nodeRows);
  KeepRows(branches, branchRows);
}

void ReportConfiguration(const TRegime& engine, const std::vector<std::string>& unsupplied,
                         const std::vector<std::string>& contours, std::vector<std::string>& messages) {
  const std::string scheme = "Схема \"" + engine.SchemeName + "\"";
  if (!unsupplied.empty()) {
    messages.push_back(scheme + " содержит узлы без питания (" + std::to_string(unsupplied.size()) + ")");
    for (const std::string& name : unsupplied) messages.push_back("   " + name);
  }
  if (engine.ContourCount != 0) {
    messages.push_back(scheme + " содержит замкнутые контура (" + std::to_string(engine.ContourCount) + ")");
    messages.insert(messages.end(), contours.begin(), contours.end());
  }
  messages.push_back("");
  messages.push_back("<<<<< Импорт данных завершен >>>>>");
  messages.push_back("Узлов    = " + std::to_string(engine.NodeCount));
  messages.push_back("Ветвей   = " + std::to_string(engine.BranchCount));
  messages.push_back("Узлов БП = " + std::to_string(engine.BalancingCount));
}

// The engine as the command leaves it whatever happens: no lists, no locks, no model.
class TEngineRun {
public:
  explicit TEngineRun(TRegime& engine) : engine_(engine) { Detach(); }
  ~TEngineRun() {
    engine_.LockFiles = false;
    engine_.ClearModel();
    Detach();
  }
  TEngineRun(const TEngineRun&) = delete;
  TEngineRun& operator=(const TEngineRun&) = delete;

private:
  void Detach() {
    engine_.Errors = nullptr;
    engine_.Unsupplied = nullptr;
    engine_.Contours = nullptr;
  }
  TRegime& engine_;
};

}  // namespace

std::vector<std::string> FeederChoiceItems(const std::string& baseStem) {
  std::vector<std::string> items;
  const std::string file = FamilyFile(baseStem, GetMaketExtention(LayoutSubstFeeders));
  if (!fileio::FileExists(file)) return items;
  TDataFile feeders;
  ReadTableFile(file, feeders);
  const auto* name1 = GetColumnAs<DAString>("Name1", feeders);
  const auto* name2 = GetColumnAs<DAString>("Name2", feeders);
  for (int row = 1; row <= feeders.RowCount; ++row) items.push_back(name1->GetItem(row) + " - " + name2->GetItem(row));
  std::stable_sort(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
    return CompareCp1251(UpperCase(a), UpperCase(b)) < 0;
  });
  return items;
}

std::string FeederOfChoice(const std::string& item) {
  const std::size_t at = item.find(" - ");
  return FeederKey(at == std::string::npos ? std::string() : item.substr(at + 3));
}

std::string FormingBaseExtensions() {
  return LayoutExtensions({LayoutLines10, LayoutTransTP, LayoutLines04, LayoutSubstInputs, LayoutSwitchLog});
}

std::string FormingSchemeExtensions() {
  std::string extensions;
  for (const TFileKind& kind : FormedSchemeKinds()) extensions += (extensions.empty() ? "" : ",") + kind.Ext;
  return extensions;
}

void SpreadDistrictNumbers(TRegime& engine, TDataFile& branches) {
  if (engine.Root == nullptr) return;
  auto* nr = GetColumnAs<DALongint>("Nr", branches);
  for (TRegimeElement* e = engine.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    const TRegimeElement* parent = e->Parent;
    if (e->BranchIndex == 0 || parent == nullptr || parent->BranchIndex == 0) continue;
    if ((*nr)[e->BranchIndex] == 0) (*nr)[e->BranchIndex] = (*nr)[parent->BranchIndex];
  }
}

TSchemeFormingResult FormSchemeFromBase(const std::string& baseStem, bool feederMode,
                                        const std::vector<std::string>& feeders, TRegime& engine,
                                        const TSchemeConverter& converter, const TSchemeFormingCallbacks& callbacks,
                                        std::vector<std::string>& messages) {
  if (!converter) throw std::invalid_argument("FormSchemeFromBase: no converter");
  TSchemeFormingResult result;
  // Declared first: they outlive the engine's hold on them.
  std::vector<std::string> unsupplied, contours;
  TRunTableLocks baseLocks(baseStem, FormingBaseExtensions());
  TRunTableLocks schemeLocks;
  const TEngineRun run(engine);
  engine.ModelError = false;

  const std::string title = FileNameOf(baseStem);
  TDataFile nodes, branches, flows;
  EmptyTable(LayoutNodes, title, nodes);
  EmptyTable(LayoutBranches, title, branches);
  EmptyTable(LayoutLineFlows, title, flows);

  messages.push_back("[Формирование схемы]");
  Say(callbacks.Stage, "  Формирование схемы ...  ");
  TDistrictStamps base;
  converter(baseStem, feederMode, feeders, nodes, branches, flows, callbacks.Progress, messages, base);

  if (feederMode) CutToFeeders(engine, feeders, nodes, branches, messages);

  const std::filesystem::path folder = std::filesystem::path(baseStem).parent_path();
  result.SchemeStem = (folder / nodes.Title).string();
  schemeLocks.Lock(result.SchemeStem, FormingSchemeExtensions());
  engine.LockFiles = true;

  messages.push_back("");
  messages.push_back("[Контроль конфигурации]");
  Say(callbacks.Stage, "  Конфигурация ...  ");
  engine.Errors = &messages;
  engine.Unsupplied = &unsupplied;
  engine.Contours = &contours;
  bool changed = false;
  engine.BuildModel(nodes, branches, changed);
  engine.AnalyzeConfiguration();
  if (IniRec.NrToAll) SpreadDistrictNumbers(engine, branches);
  engine.Errors = nullptr;
  ReportConfiguration(engine, unsupplied, contours, messages);

  // One run: a program that ends halfway leaves the scheme it found or the new one, never new nodes
  // with the branches of the scheme before; and the record of the base it was formed from with it, so
  // that its first change on the diagram is judged by the base's bytes. A scheme under another stem than
  // the base's (the normal regime's) has no base beside it: a record there would speak of another scheme.
  std::vector<std::pair<std::string, TDataFile*>> written = {{result.SchemeStem + nodes.Extention, &nodes},
                                                             {result.SchemeStem + branches.Extention, &branches}};
  if (fileio::FileExists(FamilyFile(baseStem, GetMaketExtention(LayoutSubstInputs))) ||
      fileio::FileExists(FamilyFile(baseStem, GetMaketExtention(LayoutSubstFeeders))))
    written.emplace_back(result.SchemeStem + flows.Extention, &flows);
  std::vector<TRunBytes> record;
  if (fileio::FullFileName(result.SchemeStem) == fileio::FullFileName(baseStem))
    record.push_back({FamilyFile(result.SchemeStem, FormedBaseExt), FormedBaseBytes(base)});
  // What forming writes anew and it does not write now (the flows of a base without substations, the
  // record under another stem) goes with the scheme it replaces, whatever its letter case, once asked.
  std::vector<std::string> made;
  for (const auto& [file, table] : written) made.push_back(file);
  for (const TRunBytes& bytes : record) made.push_back(bytes.file);
  const TCopyReplaced replaced = ReplacedByCopy(result.SchemeStem, made, FormedSchemeKinds(), {});
  if (!replaced.Removed.empty() && callbacks.Replace && !callbacks.Replace(replaced)) return result;
  for (const std::string& file : replaced.Removed) written.emplace_back(file, nullptr);
  WriteTablesTogether(written, record);
  result.Written = true;
  return result;
}

}  // namespace ld
