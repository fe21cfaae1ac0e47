#include "core/tables/switch_rec.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/element_names.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

// ---- the switch record ----------------------------------------------------------------------------

namespace {

// The branch table and the journal keep the record's fields in columns of the same names and types,
// so one pair of copies serves both maps.
template <class Cols>
void LoadRec(const Cols& c, int row, TRecSwt& rec) {
  rec.N1 = c.N1->Get(row);
  rec.N2 = c.N2->Get(row);
  rec.Nl = c.Nl->Get(row);
  rec.Name1 = c.Name1->GetItem(row);
  rec.Name2 = c.Name2->GetItem(row);
  rec.DSName = c.DSName->GetItem(row);
  rec.TypEqu = c.TypEqu->GetItem(row);
  rec.Mark = c.Mark->GetItem(row);
  rec.Regulation = c.Regulation->GetItem(row);
  rec.Notv = c.Notv->Get(row);
  rec.Ntpr = c.Ntpr->Get(row);
  rec.Commut = c.Commut->Get(row);
  rec.Ul = c.Ul->Get(row);
  rec.R = c.R->Get(row);
  rec.X = c.X->Get(row);
  rec.G = c.G->Get(row);
  rec.B = c.B->Get(row);
  rec.Kta = c.Kta->Get(row);
  rec.Ktr = c.Ktr->Get(row);
  rec.Ktn = c.Ktn->Get(row);
  rec.Idop = c.Idop->Get(row);
  rec.Sdop = c.Sdop->Get(row);
}

template <class Cols>
void StoreRec(const Cols& c, int row, const TRecSwt& rec) {
  (*c.N1)[row] = rec.N1;
  (*c.N2)[row] = rec.N2;
  (*c.Nl)[row] = rec.Nl;
  c.Name1->SetItem(row, rec.Name1);
  c.Name2->SetItem(row, rec.Name2);
  c.DSName->SetItem(row, rec.DSName);
  c.TypEqu->SetItem(row, rec.TypEqu);
  c.Mark->SetItem(row, rec.Mark);
  c.Regulation->SetItem(row, rec.Regulation);
  (*c.Notv)[row] = rec.Notv;
  (*c.Ntpr)[row] = rec.Ntpr;
  (*c.Commut)[row] = rec.Commut;
  (*c.Ul)[row] = rec.Ul;
  (*c.R)[row] = rec.R;
  (*c.X)[row] = rec.X;
  (*c.G)[row] = rec.G;
  (*c.B)[row] = rec.B;
  (*c.Kta)[row] = rec.Kta;
  (*c.Ktr)[row] = rec.Ktr;
  (*c.Ktn)[row] = rec.Ktn;
  (*c.Idop)[row] = rec.Idop;
  (*c.Sdop)[row] = rec.Sdop;
}

}  // namespace

void ReadBranchRec(const TBranchCols& c, int row, TRecSwt& rec) { LoadRec(c, row, rec); }
void WriteBranchRec(const TBranchCols& c, int row, const TRecSwt& rec) { StoreRec(c, row, rec); }
void ReadSwitchLogRec(const TSwitchLogCols& c, int row, TRecSwt& rec) { LoadRec(c, row, rec); }
void ReadSwitchRec(const TSwitchLogCols& c, int row, const TRecSwt& rec) { StoreRec(c, row, rec); }

void ReadBranchRec(TDataFile& branches, int row, TRecSwt& rec) {
  TBranchCols c;
  FillBranchCols(branches, c);
  ReadBranchRec(c, row, rec);
}

void ReadSwitchRec(TDataFile& journal, int row, const TRecSwt& rec) {
  TSwitchLogCols c;
  FillSwitchLogCols(journal, c);
  ReadSwitchRec(c, row, rec);
}

void BranchToSwitchLog(TDataFile& branches, TDataFile& journal, int branchRow, int journalRow) {
  TRecSwt rec;
  ReadBranchRec(branches, branchRow, rec);
  ReadSwitchRec(journal, journalRow, rec);
}

void SwitchLogToBranch(TDataFile& branches, TDataFile& journal, int branchRow, int journalRow) {
  TSwitchLogCols jc;
  FillSwitchLogCols(journal, jc);
  TBranchCols bc;
  FillBranchCols(branches, bc);
  TRecSwt rec;
  ReadSwitchLogRec(jc, journalRow, rec);
  WriteBranchRec(bc, branchRow, rec);
}

// ---- write-back into the district element tables --------------------------------------------------

namespace {

bool SameName(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

// One branch of the scheme against its element's row of the base: what is written of it into the base.
// The base is brought to the scheme, not to the scheme's last save: a switching saved while the base was
// not written to, or a tap written into the scheme alone, reaches the base with the next write-back.
struct TWriteBack {
  const TBranchCols& b;
  int i;

  // A state letter: the base keeps its own byte where it reads as the scheme's state (a lower-case or
  // Latin look-alike of the same letter is the same state, and so is a letter the table's forming reads
  // as the scheme's: reads).
  void Letter(DAChar* column, int j, DAChar* TBranchCols::*from, char32_t (*reads)(char) = DistrictLetter) const {
    const char now = (b.*from)->Get(i);
    if (reads(column->Get(j)) != DistrictLetter(now)) (*column)[j] = now;
  }
  // A text (a mark, a dispatcher's name): a base text that differs from the scheme's only in letter case
  // or blanks at its ends, or that the scheme holds none of, stays as the base has it.
  void Text(DAString* column, int j, DAString* TBranchCols::*from) const {
    const std::string now = (b.*from)->GetItem(i);
    const std::string trimmed = TrimName(now);
    if (!trimmed.empty() && UpperCase(trimmed) != UpperCase(TrimName(column->GetView(j)))) column->SetItem(j, now);
  }
};

// One element table beside the scheme, its rows ordered by key through a permutation.
struct ElementTable {
  std::string ext;
  const char* title;
  std::string fileName;
  std::unique_ptr<TDataFile> owned = std::make_unique<TDataFile>();
  TDataFile& table = *owned;
  DALongint keys;
  DALongint perm;

  void IndexBy(DALongint* idx) {
    const int n = table.RowCount;
    for (int r = 1; r <= n; ++r) {
      keys[r] = idx->Get(r);
      perm[r] = r;
    }
    InsertSorted(keys, 'l', n, &perm);
  }
  // The element row of a key, 0 when no element has it.
  int Find(std::int32_t key) const {
    bool found = false;
    const int at = BinarySearchColumn(&key, keys, 'l', found, table.RowCount);
    return found ? perm.Get(at) : 0;
  }
};

// Checks every branch of one element table and carries what the drawing changed over; the first branch
// row that does not match its element, or 0.
int MatchTable(ElementTable& e, const TBranchCols& b, const TNeutralTap& neutral, int& matched) {
  const auto rows = b.RowCount;
  auto linked = [&](int i) { return b.ExtFile->GetItem(i) == e.ext && b.Idx->Get(i) != 0; };
  auto put = [&](int i) {
    ++matched;
    return TWriteBack{b, i};
  };
  if (e.ext == ".RSL") {
    TLine10Cols l;
    FillLine10Cols(e.table, l);
    e.IndexBy(l.Idx);
    const std::vector<TLine10Ends> ends = ComposeLine10Ends(l);
    for (int i = 1; i <= rows; ++i) {
      if (!linked(i)) continue;
      const int j = e.Find(b.Idx->Get(i));
      if (j == 0) continue;
      // A transformer or reactor branch carries no circuit number of its row.
      const TLine10Ends& end = ends[static_cast<std::size_t>(j)];
      if (!SameName(b.Name1->GetItem(i), end.Name1) || !SameName(b.Name2->GetItem(i), end.Name2) ||
          (!IsEquipmentLineRow(l, j) && b.Nl->Get(i) != l.Nl->Get(j)))
        return i;
      const TWriteBack w = put(i);
      w.Letter(l.Commut, j, &TBranchCols::Commut);
      w.Text(l.KodLine, j, &TBranchCols::Mark);
      w.Text(l.DSNum, j, &TBranchCols::DSName);
    }
  } else if (e.ext == ".RTP") {
    TTransTPCols t;
    FillTransTPCols(e.table, t);
    e.IndexBy(t.Idx);
    const bool name2Shown = StationName2Shown(e.table);
    for (int i = 1; i <= rows; ++i) {
      if (!linked(i)) continue;
      const std::int32_t idx = b.Idx->Get(i);
      const int j = e.Find(std::abs(idx));
      if (j == 0) continue;
      const TStationNames names = ComposeStationNames(t, j, name2Shown);
      if (idx > 0) {
        if (!SameName(b.Name1->GetItem(i), names.Station) || !SameName(b.Name2->GetItem(i), names.Low)) return i;
        const TWriteBack w = put(i);
        w.Letter(t.Commut, j, &TBranchCols::Commut, StationLetter);
        w.Text(t.Transform, j, &TBranchCols::Mark);
        // A station without a tap of its own is formed at its regulation's neutral: that is no tap to write.
        const std::int16_t tap = b.Notv->Get(i);
        if (t.Notv->Get(j) != 0 || !neutral || tap != neutral(b.Regulation->GetItem(i))) (*t.Notv)[j] = tap;
      } else {
        if (!SameName(b.Name1->GetItem(i), names.Low) || !SameName(b.Name2->GetItem(i), names.Third)) return i;
        put(i).Letter(t.CommutC, j, &TBranchCols::Commut, StationLetter);
      }
    }
  } else if (e.ext == ".R04") {
    TLine04Cols l;
    FillLine04Cols(e.table, l);
    e.IndexBy(l.Idx);
    for (int i = 1; i <= rows; ++i) {
      if (!linked(i)) continue;
      const int j = e.Find(b.Idx->Get(i));
      if (j == 0) continue;
      const TLine04Ends end = ComposeLine04Ends(l, j);
      if (!SameName(b.Name1->GetItem(i), end.Name1) || !SameName(b.Name2->GetItem(i), end.Name2)) return i;
      const TWriteBack w = put(i);
      w.Letter(l.Commut, j, &TBranchCols::Commut);
      w.Text(l.KodLine, j, &TBranchCols::Mark);
    }
  } else {
    TSubstInputCols s;
    FillSubstInputCols(e.table, s);
    e.IndexBy(s.Idx);
    for (int i = 1; i <= rows; ++i) {
      if (!linked(i)) continue;
      const std::int32_t idx = b.Idx->Get(i);
      const int j = e.Find(std::abs(idx));
      if (j == 0) continue;
      const TFeedEnds end = ComposeFeedEnds(s, j);
      if (idx > 0) {
        if (!SameName(b.Name1->GetItem(i), end.Subst) || !SameName(b.Name2->GetItem(i), end.Bus)) return i;
        put(i).Letter(s.B, j, &TBranchCols::Commut);
      } else {
        if (!SameName(b.Name1->GetItem(i), end.Bus) || !SameName(b.Name2->GetItem(i), end.Link)) return i;
        put(i).Letter(s.ComPS, j, &TBranchCols::Commut);
      }
    }
  }
  return 0;
}

}  // namespace

struct TElementTables::TTable {
  std::string fileName;
  std::unique_ptr<TDataFile> table;
};

TElementTables::TElementTables() = default;
TElementTables::~TElementTables() = default;

std::vector<std::pair<std::string, TDataFile*>> TElementTables::Files() const {
  std::vector<std::pair<std::string, TDataFile*>> files;
  for (const auto& t : tables_) files.emplace_back(t->fileName, t->table.get());
  return files;
}

bool PrepareElementTables(const std::string& basePath, TDataFile& branches, TElementTables& tables,
                          const TNeutralTap& neutral) {
  static const std::pair<const char*, const char*> kTables[] = {
      {".RSL", "Линии 10(6) кВ"},
      {".RTP", "Трансформаторы ТП,РП"},
      {".R04", "Линии 0.4 кВ"},
      {".RSV", "Вводы подстанций"},
  };
  tables.tables_.clear();
  if (basePath.empty()) return true;
  TBranchCols b;
  FillBranchCols(branches, b);
  std::vector<std::unique_ptr<TElementTables::TTable>> read;
  int matched = 0;  // branches formed from an element that found it
  for (const auto& [ext, title] : kTables) {
    const std::string fileName = FamilyFile(basePath, ext);
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) continue;
    ElementTable e;
    e.ext = ext;
    e.title = title;
    e.fileName = fileName;
    ReadTableFile(fileName, e.table);
    if (const int row = MatchTable(e, b, neutral, matched); row != 0) {
      ShowMsgForm("Таблица \"Ветви схемы\" (строка " + std::to_string(row) + ") не соответствует таблице \"" +
                      title + "\". Необходимо заново загрузить схему",
                  mkError, mbOk);
      return false;
    }
    read.push_back(std::make_unique<TElementTables::TTable>(TElementTables::TTable{fileName, std::move(e.owned)}));
  }
  int linked = 0;
  for (int i = 1; i <= b.RowCount; ++i)
    for (const auto& [ext, title] : kTables)
      if (b.ExtFile->GetItem(i) == ext && b.Idx->Get(i) != 0) ++linked;
  tables.tables_ = std::move(read);
  tables.allFound_ = matched == linked;
  return true;
}

}  // namespace ld
