#include "core/diagram/scheme_files.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/diagram/schem_state.h"
#include "core/engine/electric.h"
#include "core/tables/colmaps_results.h"
#include "core/tables/base_writeback.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/formed_base.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_writer.h"

namespace ld::diagram {

namespace {

// The district tables beside a scheme, in the order of their dates.
constexpr const std::array<const char*, 4>& kDistrictLayouts = DistrictTableLayouts;

std::array<TFileStamp*, 4> DistrictDates(TSchemBoxState& box) {
  return {&box.DateRSL, &box.DateRTP, &box.DateR04, &box.DateRSV};
}

// The district tables as the control last read or wrote them.
TDistrictStamps SeenDistrictStamps(TSchemBoxState& box) {
  TDistrictStamps seen;
  const auto dates = DistrictDates(box);
  for (std::size_t k = 0; k < seen.size(); ++k) seen[k] = *dates[k];
  return seen;
}

// Every failure of a scheme file names the file: a damaged header may name a layout that is not
// there, and that error alone does not say which file asked for it.
[[noreturn]] void ThrowNamingFile(const Error& e, const std::string& path) {
  const std::string full = fileio::FullFileName(path);
  if (std::string_view(e.what()).find(full) != std::string_view::npos) throw e;
  throw Error("Ошибка чтения файла \"" + full + "\": " + e.what());
}

void ReadNamedTable(const std::string& path, TDataFile& table) {
  try {
    ReadTableFile(path, table);
  } catch (const Error& e) {
    ThrowNamingFile(e, path);
  }
}

// The table of a layout from base + its extension; an absent file gives the layout with no rows.
std::unique_ptr<TDataFile> ReadSchemeTable(const std::string& base, const char* layout, bool& exists) {
  auto table = std::make_unique<TDataFile>();
  const std::string path = FamilyFile(base, GetMaketExtention(layout));
  exists = fileio::FileExists(path);
  if (exists) {
    ReadNamedTable(path, *table);
  } else {
    ReadMaket(layout, *table);
    CreateColumns(*table, 0);
  }
  return table;
}

// A column map of a table read from path; a file of another layout names the file in its error.
template <typename Cols>
void FillMap(void (*fill)(const TDataFile&, Cols&), const TDataFile& table, Cols& cols, const std::string& path) {
  try {
    fill(table, cols);
  } catch (const Error& e) {
    ThrowNamingFile(e, path);
  }
}

char32_t Letter(const DAChar* column, int row) {
  if (column == nullptr) return 0;
  const auto byte = static_cast<unsigned char>(column->Get(row));
  return byte == 0 ? 0 : UpperChar(Cp1251Char(byte));
}

// The switch columns and the equipment text of every branch row, as the district tables and the
// switching journal read them.
void SettleSwitchColumns(TBranchCols& b) {
  for (int row = 1; row <= b.RowCount; ++row) {
    char com1 = 0, com2 = 0;
    bool known = true;
    switch (Letter(b.Commut, row)) {
      case 0: break;
      case U'Н': com1 = 'o'; break;
      case U'К':
      case U'Ф': com2 = 'o'; break;
      case U'О':
      case U'П': com1 = com2 = 'o'; break;
      default: known = false; break;
    }
    if (known) {
      (*b.Com1)[row] = com1;
      (*b.Com2)[row] = com2;
    }
    std::string text = Utf8Left(b.TypEqu->GetItem(row) + b.Mark->GetItem(row), kShortStringMax);
    if (const std::int16_t tap = b.Notv->Get(row); tap != 0) text += "Pos=" + IntToStr(tap);
    b.Text->SetItem(row, text);
  }
}

// The file name of a path without its folder.
std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the scheme's tables in one run with the files given: a program that ends halfway leaves the
// scheme as it was or as saved, never new nodes with the branches before, nor a district base switched
// under a scheme that is not. This control's own locks of them serve the run. The files given go first,
// as forming writes them. With the base (withBase), the district tables are brought to the scheme in the
// same run (WriteSchemeWithBase) and take the stamps of what it wrote, and the record the control holds
// is the one the run wrote. False: a branch does not match its element, and nothing was written.
bool WriteSchemeTables(TSchemBoxState& box, std::vector<std::pair<std::string, TDataFile*>> files,
                       std::vector<TRunBytes> bytes, bool withBase) {
  TDataFile* energies = box.BranchEnergyChanged ? box.BranchEnergyTable.get() : nullptr;
  for (TDataFile* table : {box.NodeTable.get(), box.BranchTable.get(), box.FlowTable.get(), energies})
    if (table != nullptr) files.emplace_back(box.SchemeBase + table->Extention, table);
  if (!withBase) {
    WriteTableSet(files, bytes);
    return true;
  }
  TSchemeWithBaseWritten written;
  if (!WriteSchemeWithBase(
          {box.SchemeBase, box.BranchTable.get(), std::move(files), std::move(bytes), box.FormedBase, NeutralTapOf},
          written))
    return false;
  // The district tables as this save wrote them; the others as the control saw them before, which its
  // locks kept as they were: a write of another workstation is never taken for one seen.
  const auto dates = DistrictDates(box);
  for (std::size_t k = 0; k < dates.size(); ++k)
    if (written.Base[k].Known()) *dates[k] = written.Base[k];
  if (written.Record) box.FormedBase = std::move(written.Record);
  return true;
}

void ReleaseLocks(TSchemBoxState& box) {
  if (!box.LockedExtList.empty()) UnlockTableFiles(box.LockedBase, box.LockedExtList);
  box.LockedBase.clear();
  box.LockedExtList.clear();
}

}  // namespace

void TakeRewrittenStamp(TSchemBoxState& box, const std::string& file, const TFileStamp& read,
                        const TFileStamp& written) {
  if (box.SchemeBase.empty() || !read.Known()) return;
  for (TDataFile* table : {box.NodeTable.get(), box.BranchTable.get()})
    if (table != nullptr && table->FileDate == read &&
        fileio::FullFileName(FamilyFile(box.SchemeBase, table->Extention)) == fileio::FullFileName(FamilyFile(file)))
      table->FileDate = written;
}

void FillGivenFlowRows(TSchemBoxState& box) {
  const int branches = box.BranchTable ? box.BranchCols.RowCount : 0;
  box.GivenFlowRow.assign(static_cast<std::size_t>(branches), 0);
  if (branches == 0 || !box.FlowTable || box.FlowCols.RowCount == 0) return;
  const TLineFlowCols& f = box.FlowCols;
  // The first flow row of each unordered pair of ends and line number that gives a flow.
  std::map<std::tuple<std::int32_t, std::int32_t, std::uint8_t>, std::int32_t> first;
  for (int j = f.RowCount; j >= 1; --j) {
    const std::int16_t typ = f.Typ->Get(j);
    if (typ != 4 && typ != 5) continue;
    const std::int32_t a = f.N1->Get(j), b = f.N2->Get(j);
    first[{std::min(a, b), std::max(a, b), f.Nl->Get(j)}] = j;
  }
  const TBranchCols& c = box.BranchCols;
  for (int i = 1; i <= branches; ++i) {
    const std::int32_t a = c.N1->Get(i), b = c.N2->Get(i);
    const auto it = first.find({std::min(a, b), std::max(a, b), c.Nl->Get(i)});
    if (it != first.end()) box.GivenFlowRow[static_cast<std::size_t>(i) - 1] = it->second;
  }
}

void LoadScheme(TSchemBoxState& box, const std::string& base) {
  struct ShownNode {
    std::int32_t Row, NS;
  };
  struct ShownBranch {
    std::int32_t Row, N1, N2;
  };
  std::vector<ShownNode> shownNodes;
  std::vector<ShownBranch> shownBranches;
  for (const std::int32_t row : box.NodeSet)
    shownNodes.push_back({row, box.NodeCols.NS != nullptr ? box.NodeCols.NS->Get(row) : 0});
  for (const std::int32_t row : box.LineSet)
    shownBranches.push_back({row, box.BranchCols.N1 != nullptr ? box.BranchCols.N1->Get(row) : 0,
                             box.BranchCols.N2 != nullptr ? box.BranchCols.N2->Get(row) : 0});

  // Everything is read before the control is touched, so a file that fails leaves it as it was.
  bool exists = false, flowsExist = false;
  auto nodes = ReadSchemeTable(base, LayoutNodes, exists);
  auto branches = ReadSchemeTable(base, LayoutBranches, exists);
  auto flows = ReadSchemeTable(base, LayoutLineFlows, flowsExist);
  auto nodeEnergy = ReadSchemeTable(base, LayoutNodeEnergy, exists);
  auto branchEnergy = ReadSchemeTable(base, LayoutBranchEnergy, exists);
  TNodeCols nodeCols;
  TBranchCols branchCols;
  TLineFlowCols flowCols;
  TNodeEnergyCols nodeEnergyCols;
  TBranchEnergyCols branchEnergyCols;
  FillMap(FillNodeCols, *nodes, nodeCols, base + GetMaketExtention(LayoutNodes));
  FillMap(FillBranchCols, *branches, branchCols, base + GetMaketExtention(LayoutBranches));
  FillMap(FillLineFlowCols, *flows, flowCols, base + GetMaketExtention(LayoutLineFlows));
  FillMap(FillNodeEnergyCols, *nodeEnergy, nodeEnergyCols, base + GetMaketExtention(LayoutNodeEnergy));
  FillMap(FillBranchEnergyCols, *branchEnergy, branchEnergyCols, base + GetMaketExtention(LayoutBranchEnergy));
  std::optional<std::string> formedBase = ReadFormedBase(base);
  TDataFile areas;
  TSchemeAreaCols areaCols;
  const std::string areaFile = FamilyFile(base, GetMaketExtention(LayoutSchemeAreas));
  const bool areasExist = fileio::FileExists(areaFile);
  if (areasExist) {
    ReadNamedTable(areaFile, areas);
    FillMap(FillSchemeAreaCols, areas, areaCols, areaFile);
  }

  box.NodeSet.clear();
  box.LineSet.clear();
  box.SchemeBase = base;
  box.LockExtList = ".UZL,.VET";
  box.NodeTable = std::move(nodes);
  box.BranchTable = std::move(branches);
  box.FlowTable = std::move(flows);
  box.NodeEnergyTable = std::move(nodeEnergy);
  box.BranchEnergyTable = std::move(branchEnergy);
  box.BranchEnergyChanged = false;
  box.FormedBase = std::move(formedBase);
  box.NodeCols = nodeCols;
  box.BranchCols = branchCols;
  box.FlowCols = flowCols;
  box.NodeEnergyCols = nodeEnergyCols;
  box.BranchEnergyCols = branchEnergyCols;
  if (flowsExist) box.LockExtList += ",.PL";

  const auto dates = DistrictDates(box);
  for (std::size_t k = 0; k < kDistrictLayouts.size(); ++k) {
    const std::string path = FamilyFile(base, GetMaketExtention(kDistrictLayouts[k]));
    if (fileio::FileExists(path)) {
      *dates[k] = FileStampOf(path);
      box.LockExtList += "," + GetMaketExtention(kDistrictLayouts[k]);
    } else {
      *dates[k] = 0;
    }
  }

  FillGivenFlowRows(box);

  // A scheme without districts shows none, rather than those of the scheme loaded before.
  box.AreaNumbers.clear();
  box.AreaNames.clear();
  box.AreaColors.clear();
  if (areasExist)
    for (int row = 1; row <= areaCols.RowCount; ++row) {
      box.AreaNumbers.push_back(IntToStr(areaCols.Nr->Get(row)));
      box.AreaNames.push_back(areaCols.Name->GetItem(row));
      box.AreaColors.push_back(areaCols.Color->Get(row));
    }

  const TNodeCols& n = box.NodeCols;
  std::unordered_map<std::int32_t, std::int32_t> rowOfNumber;
  for (const ShownNode& s : shownNodes) {
    if (s.Row >= 1 && s.Row <= n.RowCount && n.NS->Get(s.Row) == s.NS) {
      box.NodeSet.push_back(s.Row);
      continue;
    }
    if (rowOfNumber.empty())
      for (int row = n.RowCount; row >= 1; --row) rowOfNumber[n.NS->Get(row)] = row;
    if (const auto it = rowOfNumber.find(s.NS); it != rowOfNumber.end()) box.NodeSet.push_back(it->second);
  }
  const TBranchCols& b = box.BranchCols;
  std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> rowOfEnds;
  for (const ShownBranch& s : shownBranches) {
    if (s.Row >= 1 && s.Row <= b.RowCount && b.N1->Get(s.Row) == s.N1 && b.N2->Get(s.Row) == s.N2) {
      box.LineSet.push_back(s.Row);
      continue;
    }
    if (rowOfEnds.empty())
      for (int row = b.RowCount; row >= 1; --row) {
        const std::int32_t a = b.N1->Get(row), c = b.N2->Get(row);
        rowOfEnds[{std::min(a, c), std::max(a, c)}] = row;
      }
    if (const auto it = rowOfEnds.find({std::min(s.N1, s.N2), std::max(s.N1, s.N2)}); it != rowOfEnds.end())
      box.LineSet.push_back(it->second);
  }
}

bool SaveScheme(TSchemBoxState& box, bool ask, bool checkBase, int& answer) {
  std::vector<std::pair<std::string, TDataFile*>> with;
  with.swap(box.WrittenWith);
  std::vector<TRunBytes> bytesWith;
  bytesWith.swap(box.WrittenBytesWith);
  bool result = true;
  answer = 1;
  if (ask) answer = ShowMsgForm("Сохранить схему \"" + FileNamePart(box.SchemeBase) + "\" ?", mkWarning, mbYesNoCancel);
  bool refused = false;
  if (answer == 1 && box.Modified && box.NodeTable && box.BranchTable) {
    FillBranchCols(*box.BranchTable, box.BranchCols);
    SettleSwitchColumns(box.BranchCols);
    if (!box.SchemeBase.empty()) {
      try {
        refused = !WriteSchemeTables(box, with, bytesWith, checkBase);
      } catch (const TChangedSinceRead&) {
        // Saved by another meanwhile: this drawing can never be saved, and nobody edits the scheme any
        // more. It stays as drawn until "Нет" reads the files again.
        ReleaseLocks(box);
        throw;
      }
    }
    if (!refused && box.OnSaveProc) box.OnSaveProc(box.NodeTable.get(), box.BranchTable.get());
  }
  if (answer != 2 && !refused) {
    box.Modified = false;
    box.BranchEnergyChanged = false;
    ReleaseLocks(box);
  }
  if (answer == 2) result = false;
  if (answer == 0) {
    box.NodeSet.clear();
    box.LineSet.clear();
    if (!box.SchemeBase.empty()) LoadScheme(box, box.SchemeBase);
    box.RebuildScheme(box.OriginX, box.OriginY);
  }
  if (refused) result = false;
  return result;
}

bool SaveSchemeWith(TSchemBoxState& box, const std::vector<std::pair<std::string, TDataFile*>>& tables,
                    const std::vector<TRunBytes>& files, bool checkBase, int& answer) {
  box.WrittenWith = tables;
  box.WrittenBytesWith = files;
  return SaveScheme(box, false, checkBase, answer);
}

void CheckBaseFilesUnchanged(TSchemBoxState& box) {
  // A scheme that came from no files has nothing on disk to guard.
  if (box.SchemeBase.empty()) return;
  for (const TDataFile* table : {box.NodeTable.get(), box.BranchTable.get(), box.FlowTable.get(),
                                 box.NodeEnergyTable.get(), box.BranchEnergyTable.get()})
    if (table != nullptr) CheckFileFree(box.SchemeBase + table->Extention, table->FileDate);
  std::array<std::string, 4> paths;
  for (std::size_t k = 0; k < kDistrictLayouts.size(); ++k) {
    paths[k] = FamilyFile(box.SchemeBase, GetMaketExtention(kDistrictLayouts[k]));
    CheckFileFree(paths[k], 0);
  }
  const TDistrictStamps seen = SeenDistrictStamps(box);
  bool changed = false;
  for (std::size_t k = 0; k < paths.size(); ++k)
    if (fileio::FileExists(paths[k]) && !FileIsAsStamped(paths[k], seen[k])) changed = true;
  // a base edited after the scheme was formed from it
  if (box.BranchTable && !FormedFromBase(box.FormedBase, seen, box.BranchTable->FileDate.Date)) changed = true;
  if (changed)
    throw Error(
        "Файлы базы РЭС (*.RSL, *.RTP, *.R04, *.RSV) были изменены. Необходимо в задаче \"База РЭС\" "
        "сформировать схему и загрузить ее заново в задаче \"Z-режим\"");
}

void StartChange(TSchemBoxState& box) {
  if (!box.Modified) {
    CheckBaseFilesUnchanged(box);
    // Locks still held from before are given up first: the table store refuses our own locks too.
    ReleaseLocks(box);
    if (!box.SchemeBase.empty()) {
      LockTableFiles(box.SchemeBase, box.LockExtList);
      box.LockedBase = box.SchemeBase;
      box.LockedExtList = box.LockExtList;
    }
  }
  box.Modified = true;
}

void DropFirstChange(TSchemBoxState& box) {
  box.Modified = false;
  ReleaseLocks(box);
}

TTablesBackup::TTablesBackup(TSchemBoxState& box) : box_(box) {
  if (box.Modified) return;  // the first change is behind: nothing can refuse the command any more
  auto copy = [](const std::unique_ptr<TDataFile>& table) {
    std::unique_ptr<TDataFile> result;
    if (table) {
      result = std::make_unique<TDataFile>();
      CopyTable(*table, *result);
    }
    return result;
  };
  nodes_ = copy(box.NodeTable);
  branches_ = copy(box.BranchTable);
  flows_ = copy(box.FlowTable);
}

TTablesBackup::~TTablesBackup() = default;

void TTablesBackup::StartChange() {
  try {
    diagram::StartChange(box_);
  } catch (...) {
    Restore();
    throw;
  }
}

void TTablesBackup::Restore() {
  if (nodes_ && box_.NodeTable) {
    CopyTable(*nodes_, *box_.NodeTable);
    FillNodeCols(*box_.NodeTable, box_.NodeCols);
  }
  if (branches_ && box_.BranchTable) {
    CopyTable(*branches_, *box_.BranchTable);
    FillBranchCols(*box_.BranchTable, box_.BranchCols);
  }
  if (flows_ && box_.FlowTable) {
    CopyTable(*flows_, *box_.FlowTable);
    FillLineFlowCols(*box_.FlowTable, box_.FlowCols);
  }
}

}  // namespace ld::diagram
