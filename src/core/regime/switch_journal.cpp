#include "core/regime/switch_journal.h"

#include <array>
#include <cmath>

#include "core/base/codepage.h"
#include "core/engine/regime.h"
#include "core/tables/journal.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_run.h"

namespace ld {

bool BranchChanged(const TBranchCols& b, int row, const TRecSwt& before) {
  TRecSwt now;
  ReadBranchRec(b, row, now);
  return now.Commut != before.Commut || now.R != before.R || now.X != before.X || now.G != before.G ||
         now.B != before.B || now.Kta != before.Kta || now.Ktr != before.Ktr || now.Ktn != before.Ktn ||
         now.Mark != before.Mark || now.TypEqu != before.TypEqu || now.Regulation != before.Regulation ||
         now.DSName != before.DSName;
}

TSwitchKind SwitchKindOf(char newCommut, char oldCommut) {
  auto upper = [](char c) { return c == 0 ? char32_t(0) : UpperChar(Cp1251Char(static_cast<unsigned char>(c))); };
  const char32_t now = upper(newCommut);
  if (now == upper(oldCommut)) return TSwitchKind::Replacement;
  if (now == 0 || now == U' ') return TSwitchKind::SwitchOn;
  if (now == U'К' || now == U'Н' || now == U'О') return TSwitchKind::SwitchOff;
  if (now == U'П') return TSwitchKind::Damage;
  return TSwitchKind::Other;
}

int InsertSwitchPair(TDataFile& journal, TDataFile& branches, int branchRow, const TRecSwt& before,
                     const TSwitchEntry& entry) {
  TBranchCols b;
  FillBranchCols(branches, b);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDate(entry.Moment, year, month, day);
  DecodeTime(entry.Moment, hour, minute, second, msec);
  const std::int32_t date = year * 10000 + month * 100 + day;
  const std::int32_t n1 = (*b.N1)[branchRow], n2 = (*b.N2)[branchRow];
  const std::uint8_t nl = (*b.Nl)[branchRow];
  const std::int32_t h = hour, m = minute;
  const std::array<const void*, 6> values = {&date, &h, &m, &n1, &n2, &nl};
  std::array<std::uint8_t, 6> keys{};
  int k = 0;
  for (const char* field : {"Date", "Hour", "Mins", "N1", "N2", "Nl"})
    keys[static_cast<std::size_t>(k++)] = static_cast<std::uint8_t>(FindColumnIndex(field, journal));
  bool found = false;
  int hi = journal.RowCount, lo = 1;
  int at = MultiKeySearch(values, keys, 6, found, hi, lo, journal);
  if (found) return 0;
  if (journal.RowCount == 0 || at > journal.RowCount) at = journal.RowCount + 1;
  InsertTableRows(journal, at, 2);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  const std::string moment = FormatDateTime("dd.mm.yyyy hh:nn", entry.Moment);
  const std::string written = FormatDateTime("dd.mm.yyyy hh:nn", entry.Written);
  for (int row : {at, at + 1}) {
    j.DateS->SetItem(row, moment);
    j.Disp->SetItem(row, entry.Disp);
    j.Prim->SetItem(row, entry.Prim);
    (*j.Date)[row] = date;
    (*j.Hour)[row] = h;
    (*j.Mins)[row] = m;
    (*j.BA)[row] = row == at ? 0 : 1;
    j.User->SetItem(row, entry.User);
    j.Time->SetItem(row, written);
  }
  (*journal.MarkRec)[at] = 112;
  ReadSwitchRec(journal, at, before);
  BranchToSwitchLog(branches, journal, branchRow, at + 1);
  return at;
}

std::string JoinSubstationNames(const TRegime& regime, std::int32_t nodeNo, const TBranchCols& branches) {
  std::string names;
  const TRegimeElement* e = regime.FirstElement;
  while (e != nullptr && (e->Number != nodeNo || (e->Flags & (efLoopClosing | efUnsupplied)) != 0)) e = e->Next;
  for (; e != nullptr && (e->Flags & efSource) == 0; e = e->Parent) {
    if (e->BranchIndex <= 0) continue;
    const std::string name = branches.DSName->GetItem(e->BranchIndex);
    std::size_t letters = 0;
    for (const char c : name) letters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    if (letters > 1 && names.find(name) == std::string::npos && (e->Flags & efHasRatio) == 0)
      names = names.empty() ? name : name + ", " + names;
  }
  return names;
}

}  // namespace ld

namespace ld {

void SetSupplyNamesFromTables(TDataFile& journal, int row, const TDataFile& nodes, const TDataFile& branches) {
  TDataFile n, b;
  CopyTable(nodes, n);
  CopyTable(branches, b);
  TRegime model;
  bool renumbered = false;
  model.BuildModel(n, b, renumbered);
  model.AnalyzeConfiguration();
  TBranchCols bc;
  FillBranchCols(b, bc);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  j.Fider1->SetItem(row, JoinSubstationNames(model, (*j.N1)[row], bc));
  j.Fider2->SetItem(row, JoinSubstationNames(model, (*j.N2)[row], bc));
}

std::vector<TJournalMoment> JournalMoments(TDataFile& journal) {
  std::vector<TJournalMoment> moments;
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  double last = -1;
  for (int r = 1; r <= journal.RowCount; ++r) {
    const std::int32_t hour = (*j.Hour)[r], minute = (*j.Mins)[r];
    if ((*j.BA)[r] != 1 || hour < 0 || hour >= 24 || minute < 0 || minute >= 60) continue;
    const double packed = (*j.Date)[r] + (hour * 3600 + minute * 60) * 0.00001;
    if (packed == last) continue;
    TDateTime moment = 0;
    try {
      moment = PackedToDateTime(packed);
    } catch (const std::exception&) {
      continue;  // a row without a calendar date names no moment to move to
    }
    last = packed;
    std::string text = PackedDateTimeToStr(60, packed) + "...";
    const std::string note = j.Prim->GetItem(r);
    if (!note.empty()) text += note + "...";
    switch (SwitchKindOf((*j.Commut)[r], r > 1 ? (*j.Commut)[r - 1] : char(0))) {
      case TSwitchKind::Replacement: text += "тр-тор/линия "; break;
      case TSwitchKind::SwitchOn: text += "вкл. "; break;
      case TSwitchKind::SwitchOff: text += "откл. "; break;
      case TSwitchKind::Damage: text += "повр. "; break;
      case TSwitchKind::Other: break;
    }
    const std::string name1 = j.Name1->GetItem(r), name2 = j.Name2->GetItem(r);
    text += (name1.empty() ? std::to_string((*j.N1)[r]) : name1) + " - " +
            (name2.empty() ? std::to_string((*j.N2)[r]) : name2);
    moments.push_back({moment, text});
  }
  return moments;
}

int CurrentMoment(const std::vector<TJournalMoment>& moments, TDateTime t) {
  int current = -1;
  for (std::size_t i = 0; i < moments.size(); ++i)
    if (moments[i].Moment <= t + 1e-9) current = static_cast<int>(i);
  return current;
}

TDateTime SchemeSwitchMoment(const std::string& schemeBase) {
  const TDateTime stored = ReadSchemeSwitchDate(schemeBase);
  return stored != 0 ? stored : Now();
}

bool ReconfigureScheme(const std::string& schemeBase, TDateTime moment) {
  const std::string branchFile = schemeBase + GetMaketExtention(LayoutBranches);
  TDataFile branches, journal;
  ReadTableFileOrEmpty(branchFile, LayoutBranches, branches);
  ReadTableFileOrEmpty(schemeBase + GetMaketExtention(LayoutSwitchLog), LayoutSwitchLog, journal);
  if (!ApplySwitchJournal(branches, journal, true, SchemeSwitchMoment(schemeBase), moment, nullptr)) return false;
  TElementTables district;
  if (!PrepareElementTables(schemeBase, branches, district)) return false;
  // The district tables before the branches: a district table newer than the branches is taken for
  // one changed since the scheme was formed.
  std::vector<std::pair<std::string, TDataFile*>> tables = district.Files();
  tables.emplace_back(branchFile, &branches);
  WriteTablesTogether(tables, {CurDateSwtRunBytes(schemeBase, moment)});
  return true;
}

}  // namespace ld
