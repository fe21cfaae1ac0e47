// Reading a scheme: its two tables, the upgrade of an old branch table, the static load
// characteristics, and the row marks written back.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/model_tables.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"
#include "core/tables/lock_record.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

// Writes one table of the scheme; a caller holding the scheme's locks releases and retakes its own.
void WriteSchemeTable(const std::string& path, TDataFile& table, bool lockFiles) {
  if (lockFiles) UnlockTableFiles(path, table.Extention);
  WriteTableFile(path + table.Extention, table);
  if (lockFiles) LockTableFiles(path, table.Extention);
}


}  // namespace

bool SchemeLocksHeld(const std::string& stem) {
  std::error_code ec;
  return std::filesystem::exists(LockName(FamilyFile(stem, GetMaketExtention(LayoutNodes))), ec) ||
         std::filesystem::exists(LockName(FamilyFile(stem, GetMaketExtention(LayoutBranches))), ec);
}

void TRegime::ReadScheme(const std::string& path) {
  const std::string schemePath = path;  // model building clears SchemePath, which may be the argument
  ReadTables(schemePath);
  AnalyzeConfiguration();
}

void TRegime::ReadTables(const std::string& path) {
  ClearModel();  // a table that fails to read leaves no model behind
  keptTables_.reset();
  Rewritten.clear();
  auto kept = std::make_shared<TKeptTables>();
  TDataFile& nodes = kept->Nodes;
  TDataFile& branches = kept->Branches;
  const std::string nodeFile = path + GetMaketExtention(LayoutNodes);
  ReadTableFile(nodeFile, nodes);
  const std::string branchFile = path + GetMaketExtention(LayoutBranches);
  TColumnAttr<bool> stored{};
  ReadTableFile(branchFile, branches, stored);
  Stage("Чтение схемы", 10);

  const TFileStamp nodesRead = nodes.FileDate;
  TFileStamp branchesRead = branches.FileDate;
  if (!stored[FindColumnIndex("Commut", branches)] && UpgradeBranchTable(path, branches)) {
    WriteSchemeTable(path, branches, LockFiles);
    Rewritten.push_back({branchFile, branchesRead, branches.FileDate});
    branchesRead = branches.FileDate;
  }
  bool changed = false;
  BuildModel(nodes, branches, changed);
  // the renumbered model's pair in one run (the caller's locks of them serve it)
  if (changed) {
    WriteTableSet({{nodeFile, &nodes}, {branchFile, &branches}});
    Rewritten.push_back({nodeFile, nodesRead, nodes.FileDate});
    Rewritten.push_back({branchFile, branchesRead, branches.FileDate});
  }
  // What is in memory now is what the files hold.
  kept->NodeFile = nodeFile;
  kept->BranchFile = branchFile;
  keptTables_ = std::move(kept);
  SchemePath = path;
}

TDataFile& CurrentTable(const std::string& file, std::string& keptFile, TDataFile& kept) {
  // Two writes within one tick of the folder's clock leave one date: the table kept is the file's only
  // where its bytes are those read.
  if (!keptFile.empty() && keptFile == file && FileIsAsStamped(file, kept.FileDate)) {
    return kept;
  }
  keptFile.clear();  // a failed read leaves no table that passes for the file's
  ReadTableFile(file, kept);
  keptFile = file;
  return kept;
}

bool TRegime::UpgradeBranchTable(const std::string& /*path*/, TDataFile& branches) {
  TBranchCols b;
  FillBranchCols(branches, b);
  // Commutation letters of the old columns are Latin; the new column holds the Cyrillic letter.
  const char off = static_cast<char>(206);    // "О"
  const char fixedOff = static_cast<char>(212);  // "Ф"
  const char openN1 = static_cast<char>(205);  // "Н"
  const char openN2 = static_cast<char>(202);  // "К"
  for (int row = 1; row <= b.RowCount; ++row) {
    const char c1 = static_cast<char>(std::toupper(static_cast<unsigned char>(b.Com1->Get(row))));
    const char c2 = static_cast<char>(std::toupper(static_cast<unsigned char>(b.Com2->Get(row))));
    if (c1 == 'O' && c2 == 'O') {
      (*b.Commut)[row] = off;
    } else if (c1 == 'F' || c2 == 'F') {
      (*b.Commut)[row] = fixedOff;
    } else if (c1 == 'O') {
      (*b.Commut)[row] = openN1;
    } else if (c2 == 'O') {
      (*b.Commut)[row] = openN2;
    }

    // "<type>|<mark>|<rest>": the equipment type with its separators goes to TypEqu; a split-winding or
    // three-winding type keeps the winding digit that follows.
    std::string text = b.Text->GetItem(row);
    std::string type;
    for (int part = 0; part < 2; ++part) {
      const std::size_t bar = text.find('|');
      if (bar == std::string::npos) break;
      type += text.substr(0, bar + 1);
      text.erase(0, bar + 1);
    }
    if (Utf8Length(type) > 2 && (type.rfind("TR", 0) == 0 || type.rfind("T3", 0) == 0) && !text.empty()) {
      std::size_t pos = 0;
      NextUtf8Char(text, pos);
      type += text.substr(0, pos);
      text.erase(0, pos);
    }
    b.TypEqu->SetItem(row, type);
    const std::size_t at = text.find("Pos=");
    if (at != std::string::npos) {
      // A position that is no whole number leaves the tap position as it was.
      try {
        (*b.Notv)[row] = static_cast<std::int16_t>(StrToIntZ(TrimTrailSpaces(TrimLeadSpaces(text.substr(at + 4)))));
      } catch (const ConvertError&) {
      }
      text.erase(at);
    }
    b.Mark->SetItem(row, text);
  }
  return true;
}

void TRegime::LoadStaticChars() {
  StaticCharCount = 0;
  const std::string file = FindFileNoCase(StaticCharFile.empty() ? ProgramDir + "sthar_pq.cat" : StaticCharFile);
  if (!std::filesystem::exists(file)) return;
  TDataFile table;
  ReadTableFile(file, table);
  TLoadCharCols c;
  FillLoadCharCols(table, c);
  int count = 0;
  for (int row = 1; row <= c.RowCount; ++row) count = std::max<int>(count, c.Nsh->Get(row));
  StaticCharCount = count;
  for (auto* a : {&A0, &A1, &A2, &B0, &B1, &B2}) a->assign(count + 1, 0.0f);
  for (int row = 1; row <= c.RowCount; ++row) {
    const int n = c.Nsh->Get(row);
    if (n <= 0) continue;
    A0[n] = c.A0->Get(row);
    A1[n] = c.A1->Get(row);
    A2[n] = c.A2->Get(row);
    B0[n] = c.B0->Get(row);
    B1[n] = c.B1->Get(row);
    B2[n] = c.B2->Get(row);
  }
  // A characteristic without coefficients leaves the load as it is.
  for (int n = 1; n <= count; ++n) {
    if (A0[n] + A1[n] + A2[n] == 0) A0[n] = 1;
    if (B0[n] + B1[n] + B2[n] == 0) B0[n] = 1;
  }
}

}  // namespace ld
