#include "core/regime/scheme_files.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/engine/regime.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

std::string SchemeCaption(const std::string& schemePath) {
  const std::string name = std::filesystem::path(schemePath).filename().string();
  return "Z-режим - " + name + DateTimeCaption(ReadCurDateSwt(schemePath));
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
void RoundColumns(TDataFile& table, std::initializer_list<const char*> fields, int digits) {
  for (const char* field : fields) {
    Array* column = GetColumnAs<Array>(field, table);
    for (int row = 1; row <= table.RowCount; ++row)
      (*column)[row] = static_cast<typename Array::value_type>(RoundToDigits((*column)[row], digits));
  }
}

}  // namespace

void RoundSchemeCopy(const std::string& newPath) {
  if (newPath.size() < 2 || newPath.back() != '-') return;
  const char digit = newPath[newPath.size() - 2];
  if (digit < '0' || digit > '9') return;
  const int digits = digit - '0';
  try {
    TDataFile nodes;
    ReadTableFile(newPath + ".UZL", nodes);
    RoundColumns<DAdouble>(nodes, {"Pn", "Qn", "Pg", "Qg", "Angle"}, digits);
    RoundColumns<DAsingle>(nodes, {"Um", "Gs", "Bs", "Qmin", "Qmax"}, digits);
    WriteTableFile(newPath + ".UZL", nodes);
    TDataFile branches;
    ReadTableFile(newPath + ".VET", branches);
    RoundColumns<DAsingle>(branches, {"R", "X", "G", "B", "Kta", "Ktr", "Ktn"}, digits);
    WriteTableFile(newPath + ".VET", branches);
  } catch (const Error&) {
    // the copy stays as far as it was rounded
  }
}

}  // namespace ld
