#include "core/regime/switch_journal.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "core/tables/base_writeback.h"
#include "core/tables/file_io.h"
#include "core/tables/formed_base.h"
#include "core/tables/layout.h"
#include "core/tables/journal.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_run.h"

namespace ld {

bool SwitchingKeepsJournal(const std::string& schemeBase, bool journalSetting) {
  return journalSetting || fileio::FileExists(FamilyFile(schemeBase, GetMaketExtention(LayoutSwitchLog)));
}

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

namespace {

// The six keys that identify an entry (Date, Hour, Mins, N1, N2, Nl) of a branch row at a moment, and where
// the journal holds them or would take them.
struct TEntryKeys {
  std::int32_t Date = 0, Hour = 0, Mins = 0, N1 = 0, N2 = 0;
  std::uint8_t Nl = 0;
  int At = 0;
  bool Found = false;
};

TEntryKeys SearchEntry(TDataFile& journal, const TBranchCols& b, int branchRow, TDateTime moment) {
  TEntryKeys k;
  int year = 0, month = 0, day = 0, second = 0, msec = 0;
  DecodeDate(moment, year, month, day);
  DecodeTime(moment, k.Hour, k.Mins, second, msec);
  k.Date = year * 10000 + month * 100 + day;
  k.N1 = b.N1->Get(branchRow), k.N2 = b.N2->Get(branchRow), k.Nl = b.Nl->Get(branchRow);
  const std::array<const void*, 6> values = {&k.Date, &k.Hour, &k.Mins, &k.N1, &k.N2, &k.Nl};
  std::array<std::uint8_t, 6> keys{};
  int i = 0;
  for (const char* field : {"Date", "Hour", "Mins", "N1", "N2", "Nl"})
    keys[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(FindColumnIndex(field, journal));
  int hi = journal.RowCount, lo = 1;
  k.At = MultiKeySearch(values, keys, 6, k.Found, hi, lo, journal);
  if (k.Found) {
    // the entry's first row, whichever of its rows the search met
    TSwitchLogCols j;
    FillSwitchLogCols(journal, j);
    auto same = [&](int row) {
      return j.Date->Get(row) == k.Date && j.Hour->Get(row) == k.Hour && j.Mins->Get(row) == k.Mins &&
             j.N1->Get(row) == k.N1 && j.N2->Get(row) == k.N2 && j.Nl->Get(row) == k.Nl;
    };
    while (k.At > 1 && same(k.At - 1)) --k.At;
  }
  return k;
}

}  // namespace

int FindSwitchEntry(TDataFile& journal, TDataFile& branches, int branchRow, TDateTime moment) {
  TBranchCols b;
  FillBranchCols(branches, b);
  const TEntryKeys k = SearchEntry(journal, b, branchRow, moment);
  return k.Found ? k.At : 0;
}

std::string DuplicateEntryText(int row, TDateTime moment) {
  return "Дублирование записи: строка " + std::to_string(row) +
         " журнала переключений уже содержит переключение этой ветви в " +
         FormatDateTime("dd.mm.yyyy hh:nn", moment) +
         ". Одна ветвь переключается не более одного раза в минуту: измените время или дату записи";
}

std::string EntryBeforeBranchText(TDataFile& journal, TDataFile& branches, int branchRow, TDateTime moment) {
  constexpr double kMinute = 1.0 / 1440;
  TBranchCols b;
  FillBranchCols(branches, b);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  const std::int32_t n1 = b.N1->Get(branchRow), n2 = b.N2->Get(branchRow);
  const std::uint8_t nl = b.Nl->Get(branchRow);
  int lastRow = 0;
  TDateTime last = 0;
  for (int r = 1; r <= j.RowCount; ++r) {
    const std::int32_t a = j.N1->Get(r), c = j.N2->Get(r);
    if (!((a == n1 && c == n2) || (a == n2 && c == n1)) || j.Nl->Get(r) != nl) continue;
    const std::int32_t hour = j.Hour->Get(r), minute = j.Mins->Get(r);
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60) continue;
    TDateTime t = 0;
    try {
      t = PackedToDateTime(j.Date->Get(r) + (hour * 3600.0 + minute * 60.0) / 100000.0);
    } catch (const std::exception&) {
      continue;  // a row without a calendar date is no moment of the branch
    }
    if (lastRow == 0 || t > last) lastRow = r, last = t;
  }
  // whole minutes: an entry in the minute of the branch's last one is a repetition, told as such
  if (lastRow == 0 || std::floor(moment / kMinute + 1e-6) >= std::floor(last / kMinute + 1e-6)) return {};
  return "Запись переключения на " + FormatDateTime("dd.mm.yyyy hh:nn", moment) +
         " раньше последней записи этой ветви в журнале переключений (строка " + std::to_string(lastRow) + ", " +
         FormatDateTime("dd.mm.yyyy hh:nn", last) + "). Новая запись должна быть позже " +
         FormatDateTime("dd.mm.yyyy hh:nn", last) + ": измените время или дату записи";
}

std::string SwitchEntryRefusal(TDataFile& journal, TDataFile& branches, int branchRow, TDateTime moment) {
  if (const int row = FindSwitchEntry(journal, branches, branchRow, moment); row != 0)
    return DuplicateEntryText(row, moment);
  return EntryBeforeBranchText(journal, branches, branchRow, moment);
}

TDateTime ProposedSwitchMoment(TDataFile& journal, TDateTime now) {
  constexpr double kMinute = 1.0 / 1440;
  TDateTime proposed = std::floor(now / kMinute + 1e-6) * kMinute;
  const std::vector<TJournalMoment> moments = JournalMoments(journal);
  for (const TJournalMoment& m : moments) proposed = std::max(proposed, m.Moment + kMinute);
  return proposed;
}

int InsertSwitchPair(TDataFile& journal, TDataFile& branches, int branchRow, const TRecSwt& before,
                     const TSwitchEntry& entry) {
  TBranchCols b;
  FillBranchCols(branches, b);
  const TEntryKeys k = SearchEntry(journal, b, branchRow, entry.Moment);
  if (k.Found) return 0;
  int at = k.At;
  const std::int32_t date = k.Date, h = k.Hour, m = k.Mins;
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
  SetSupplyNames(journal, row, model, b);
}

void SetSupplyNames(TDataFile& journal, int row, const TRegime& model, const TDataFile& branches) {
  TBranchCols bc;
  FillBranchCols(branches, bc);
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
  TSchemeWithBaseWritten written;
  return WriteSchemeWithBase({schemeBase, &branches, {{branchFile, &branches}}, {CurDateSwtRunBytes(schemeBase, moment)},
                              ReadFormedBase(schemeBase), NeutralTapOf},
                             written);
}

}  // namespace ld
