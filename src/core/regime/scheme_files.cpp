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
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/file_kinds.h"
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
  if (!std::filesystem::exists(FamilyFile(branchFile)) || FileHasField(branchFile, "Commut")) return false;
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
  for (int k = 0; k < 2; ++k) {
    ReadMaket(k == 0 ? LayoutNodes : LayoutBranches, tables[k]);
    CreateColumns(tables[k], 0);
    tables[k].Title = title;
  }
  WriteNewScheme(schemePath, tables[0], tables[1]);
}

namespace {

std::vector<std::string> NewSchemeFiles(const std::string& schemePath) {
  return {schemePath + GetMaketExtention(LayoutNodes), schemePath + GetMaketExtention(LayoutBranches)};
}

}  // namespace

TCopyReplaced EmptySchemeReplaced(const std::string& schemePath) {
  return ReplacedByCopy(schemePath, NewSchemeFiles(schemePath), SchemeFileKinds(), {});
}

void WriteNewScheme(const std::string& schemePath, TDataFile& nodes, TDataFile& branches) {
  const std::vector<std::string> names = NewSchemeFiles(schemePath);
  std::vector<std::pair<std::string, TDataFile*>> files = {{names[0], &nodes}, {names[1], &branches}};
  for (const std::string& file : EmptySchemeReplaced(schemePath).Removed) files.emplace_back(file, nullptr);
  WriteTablesTogether(files);
}

void CreateEmptyBase(const std::string& basePath) {
  TDataFile lines;
  ReadMaket(LayoutLines10, lines);
  CreateColumns(lines, 0);
  lines.Title = std::filesystem::path(basePath).filename().string();
  std::vector<std::pair<std::string, TDataFile*>> files = {{basePath + lines.Extention, &lines}};
  for (const std::string& file : EmptyBaseReplaced(basePath).Removed) files.emplace_back(file, nullptr);
  WriteTablesTogether(files);
}

TCopyReplaced EmptyBaseReplaced(const std::string& basePath) {
  return ReplacedByCopy(basePath, {basePath + GetMaketExtention(LayoutLines10)},
                        FamilyFileKinds({TFileFamily::Base, TFileFamily::Scheme}), {});
}

TFileKinds BaseFileKinds() { return FamilyFileKinds({TFileFamily::Base}); }

TFileKinds SchemeFileKinds() { return FamilyFileKinds({TFileFamily::Scheme}); }

namespace {

// Both families of a stem, the base's tables first, as forming writes them. A scheme's copy replaces the
// scheme, and the base only where it writes a table of the base (baseReplaced false); a base's copy
// replaces the base and the scheme of its stem, which was formed from the base it replaces.
TFileKinds FamilyKinds(bool baseReplaced) {
  return baseReplaced ? FamilyFileKinds({TFileFamily::Base, TFileFamily::Scheme})
                      : FamilyFileKinds({TFileFamily::Scheme}, {TFileFamily::Base});
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

namespace {

// A scheme without a record of its base, copied without a file of a base of its own onto a stem that
// holds district tables, lands beside a base it was not formed from: the copy gets the record of no base, so
// that its first change on the diagram asks for the scheme to be formed again instead of writing its
// states into that base. A scheme copied with its own base keeps the rule it was held to.
std::vector<TRunBytes> RecordOfNoBase(const std::string& schemePath, const std::string& newPath) {
  if (!fileio::FileExists(FamilyFile(schemePath, GetMaketExtention(LayoutBranches))) ||
      fileio::FileExists(FamilyFile(schemePath, FormedBaseExt)))
    return {};
  // a file of a base's kind in the source makes the copy replace the target's base whole
  for (const TFileKind& kind : BaseFileKinds())
    if (fileio::FileExists(FamilyFile(schemePath, kind.Ext))) return {};
  bool baseThere = false;
  for (const char* layout : DistrictTableLayouts)
    baseThere = baseThere || fileio::FileExists(FamilyFile(newPath, GetMaketExtention(layout)));
  if (!baseThere) return {};
  return {{newPath + FormedBaseExt, FormedBaseBytes(TDistrictStamps{})}};
}

std::vector<std::string> Extensions(const std::vector<TRunBytes>& files) {
  std::vector<std::string> exts;
  for (const TRunBytes& file : files) exts.push_back(ExtractExtension(file.file));
  return exts;
}

}  // namespace

TCopyReplaced SchemeCopyReplaced(const std::string& schemePath, const std::string& newPath) {
  return CopyReplacedFiles(schemePath, newPath, FamilyKinds(false), Extensions(RecordOfNoBase(schemePath, newPath)));
}

void SaveSchemeAs(const std::string& schemePath, const std::string& newPath) {
  const int digits = CopyDigits(newPath);
  CopyTableFiles(
      schemePath, newPath, FamilyKinds(false),
      [digits](const std::string& ext, TDataFile& table) {
        if (digits >= 0) RoundSchemeTable(ext, table, digits);
      },
      CopiedRecord(schemePath, newPath), RecordOfNoBase(schemePath, newPath));
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
                        {},
                        {},
                        {{nodeFile, &nodes}, {branchFile, &branches}},
                        written,
                        [&] { return EmptySchemeReplaced(stem); },
                        "Схема \"" + name + "\" уже существует.",
                        TFileFamily::Scheme});
}

}  // namespace ld
