#include "core/diagram/energy_meter.h"

#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

const char* const kMeterTypeLabels[kMeterTypeCount][4] = {
    {"WP -->", "WQ -->", "WP <--", "WQ <--"},
    {"WP -->", "cos", "WP <--", "cos"},
    {"WP -->", "tg", "WP <--", "tg"},
};

namespace {

constexpr std::int16_t kStoredType = 4;
constexpr char kBalancingLetter = '\xC1';  // "Б" in the files' code page

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

TMeterDefaults& MeterDefaults() {
  static TMeterDefaults defaults;
  return defaults;
}

int MeterTypeOfCode(int code, int remembered) {
  if (code == 4) return mtWPWQ;
  if (code == 5) return mtWPTg;
  return remembered >= 0 && remembered < kMeterTypeCount ? remembered : mtWPWQ;
}

int AccountingIndex(char letter) { return letter == '+' ? 1 : letter == '-' ? 2 : 0; }

bool IsNodeTypeLetter(char sign) {
  const char c = UpperAscii(sign);
  return c == 'B' || c == 'U' || c == 'W';
}

std::string CheckMeterEntry(const TMeterEntry& entry, double defaultCos) {
  if (entry.Type != mtWPCos) return {};
  const bool defaultUsable = defaultCos > 0 && defaultCos <= 1;
  for (const double c : {entry.Qr, entry.Ql}) {
    if (c < 0 || c > 1 || std::isnan(c)) return "Неверно задан COS";
    if (c == 0 && !defaultUsable) return "Неверно задан COS";
  }
  return {};
}

void ConvertMeterEnergies(TMeterEntry& entry, double defaultCos, double defaultTg) {
  for (auto [p, q] : {std::pair{&entry.Pr, &entry.Qr}, std::pair{&entry.Pl, &entry.Ql}}) {
    if (entry.Type == mtWPCos) {
      const double c = *q == 0 ? defaultCos : *q;
      *q = *p * std::sqrt(1 / (c * c) - 1);
    } else if (entry.Type == mtWPTg) {
      *q = *p * (*q == 0 ? defaultTg : *q);
    }
  }
}

char MeterLetter(const TMeterEntry& entry) {
  if (entry.Accounting == 1) return '+';
  if (entry.Accounting == 2) return '-';
  return AccountingIndex(entry.Letter) == 0 ? entry.Letter : 0;
}

void ReadLineMeter(const TLineFlowCols& flows, const TBranchCols& branches, int branchRow, int flowRow,
                   int rememberedType, TMeterEntry& entry) {
  entry = {};
  const int f = flowRow;
  if (f > 0) {
    entry.Pr = flows.Pr->Get(f), entry.Qr = flows.Qr->Get(f), entry.Pl = flows.Pl->Get(f), entry.Ql = flows.Ql->Get(f);
    entry.Ngr = flows.Ngr->Get(f), entry.Nqr = flows.Nqr->Get(f);
    entry.Ngl = flows.Ngl->Get(f), entry.Nql = flows.Nql->Get(f);
    entry.N1 = flows.N1->Get(f), entry.N2 = flows.N2->Get(f), entry.Nl = flows.Nl->Get(f);
    entry.Name1 = flows.Name1->GetItem(f), entry.Name2 = flows.Name2->GetItem(f);
    entry.Line = flows.Line->GetItem(f);
    entry.Balance = flows.B->Get(f) == 0;
    entry.Letter = flows.PM->Get(f);
    entry.Place = flows.NK->Get(f) == 1 ? 1 : 0;
    entry.Ngp = flows.Ngp->Get(f);
  } else {
    entry.N1 = branches.N1->Get(branchRow), entry.N2 = branches.N2->Get(branchRow);
    entry.Nl = branches.Nl->Get(branchRow);
    entry.Name1 = branches.Name1->GetItem(branchRow), entry.Name2 = branches.Name2->GetItem(branchRow);
    entry.Line = branches.DSName->GetItem(branchRow);
  }
  entry.Type = MeterTypeOfCode(f > 0 ? flows.Typ->Get(f) : 0, rememberedType);
  entry.Accounting = AccountingIndex(entry.Letter);
}

int WriteLineMeter(TDataFile& flowTable, int flowRow, const TMeterEntry& entry) {
  if (flowRow <= 0) {
    InsertTableRows(flowTable, flowTable.RowCount + 1, 1);
    flowRow = flowTable.RowCount;
  }
  TLineFlowCols c;
  FillLineFlowCols(flowTable, c);
  const int r = flowRow;
  (*c.N1)[r] = entry.N1, (*c.N2)[r] = entry.N2, (*c.Nl)[r] = entry.Nl;
  c.Name1->SetItem(r, entry.Name1);
  c.Name2->SetItem(r, entry.Name2);
  c.Line->SetItem(r, entry.Line);
  (*c.NK)[r] = static_cast<std::int16_t>(entry.Place);
  (*c.PM)[r] = MeterLetter(entry);
  (*c.B)[r] = entry.Balance ? 0 : 1;
  (*c.Typ)[r] = kStoredType;
  (*c.Pr)[r] = entry.Pr, (*c.Qr)[r] = entry.Qr, (*c.Pl)[r] = entry.Pl, (*c.Ql)[r] = entry.Ql;
  (*c.Ngr)[r] = entry.Ngr, (*c.Nqr)[r] = entry.Nqr, (*c.Ngl)[r] = entry.Ngl, (*c.Nql)[r] = entry.Nql;
  (*c.Ngp)[r] = entry.Ngp;
  return r;
}

void WriteFeederMeter(const std::string& fileName, const TMeterEntry& entry) {
  if (!fileio::FileExists(fileName)) return;
  TDataFile table;
  TSubstFeederCols c;
  try {
    ReadTableFile(fileName, table);
    if (table.Name != LayoutSubstFeeders) throw Error("Неверный формат таблицы");
    FillSubstFeederCols(table, c);
  } catch (const Error& e) {
    // The layout's own errors name the layout; the person needs the file.
    const std::string text = e.what();
    if (text.find(fileio::FullFileName(fileName)) != std::string::npos) throw;
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(fileName) + "\": " + text);
  }
  int r = 0;
  for (int i = 1; i <= c.RowCount && r == 0; ++i)
    if (c.Name1->GetItem(i) == entry.Name1 && c.Name2->GetItem(i) == entry.Name2 && c.Nl->Get(i) == entry.Nl) r = i;
  if (r == 0) {
    InsertTableRows(table, table.RowCount + 1, 1);
    FillSubstFeederCols(table, c);
    r = c.RowCount;
  }
  c.Name1->SetItem(r, entry.Name1);
  c.Name2->SetItem(r, entry.Name2);
  (*c.Nl)[r] = entry.Nl;
  c.Line->SetItem(r, entry.Line);
  (*c.NK)[r] = static_cast<std::int16_t>(entry.Place);
  if (const char letter = MeterLetter(entry); letter != 0)
    (*c.B)[r] = letter;
  else if (entry.Balance)
    (*c.B)[r] = kBalancingLetter;
  (*c.T)[r] = kStoredType;
  (*c.P)[r] = entry.Pr, (*c.Q)[r] = entry.Qr, (*c.Pm)[r] = entry.Pl, (*c.Qm)[r] = entry.Ql;
  (*c.Ng)[r] = entry.Ngr, (*c.Nqp)[r] = entry.Nqr, (*c.Npm)[r] = entry.Ngl, (*c.Nqm)[r] = entry.Nql;
  (*c.Ngp)[r] = entry.Ngp;
  WriteTableFile(fileName, table);
}

void ReadNodeMeter(const TNodeCols& nodes, int row, int rememberedType, TMeterEntry& entry) {
  entry = {};
  entry.N1 = nodes.NS->Get(row);
  entry.Name1 = nodes.Name->GetItem(row);
  entry.Line = nodes.Prim->GetItem(row);
  entry.Pr = nodes.WPn->Get(row), entry.Qr = nodes.WQn->Get(row);
  entry.Pl = nodes.WPg->Get(row), entry.Ql = nodes.WQg->Get(row);
  entry.Ngr = nodes.Ng_n->Get(row), entry.Nqr = nodes.Nq_n->Get(row);
  entry.Ngl = nodes.Ng_g->Get(row), entry.Nql = nodes.Nq_g->Get(row);
  entry.Type = MeterTypeOfCode(0, rememberedType);
  entry.Letter = nodes.Sign->Get(row);
  entry.Accounting = IsNodeTypeLetter(entry.Letter) ? 0 : AccountingIndex(entry.Letter);
}

void WriteNodeMeter(TNodeCols& nodes, int row, const TMeterEntry& entry) {
  // A balancing, fixed-voltage or energy-load node stays what it is: the letter is its type.
  if (!IsNodeTypeLetter(nodes.Sign->Get(row)))
    (*nodes.Sign)[row] = entry.Accounting == 1 ? '+' : entry.Accounting == 2 ? '-' : '\0';
  (*nodes.WPn)[row] = entry.Pr, (*nodes.WQn)[row] = entry.Qr;
  (*nodes.WPg)[row] = entry.Pl, (*nodes.WQg)[row] = entry.Ql;
  (*nodes.Ng_n)[row] = entry.Ngr, (*nodes.Nq_n)[row] = entry.Nqr;
  (*nodes.Ng_g)[row] = entry.Ngl, (*nodes.Nq_g)[row] = entry.Nql;
  nodes.Prim->SetItem(row, entry.Line);
}

bool ShiftMeter(const TBranchCols& branches, const TNodeCols& nodes, std::vector<std::int32_t>& flowRowMap,
                int& branchRow, bool towardsBegin, TMeterEntry& entry) {
  const std::int32_t n = towardsBegin ? entry.N1 : entry.N2;
  int count = 0, other = 0;
  for (int r = 1; r <= branches.RowCount; ++r) {
    if (r == branchRow) continue;
    if (branches.N1->Get(r) == n || branches.N2->Get(r) == n) ++count, other = r;
  }
  if (count != 1 || static_cast<int>(flowRowMap.size()) <= std::max(branchRow, other)) return false;
  if (flowRowMap[branchRow] == 0 || flowRowMap[other] != 0) return false;
  const std::int32_t m = branches.N1->Get(other) == n ? branches.N2->Get(other) : branches.N1->Get(other);
  int mRow = 0;
  for (int r = 1; r <= nodes.RowCount && mRow == 0; ++r)
    if (nodes.NS->Get(r) == m) mRow = r;
  if (mRow == 0) return false;
  if (towardsBegin) {
    entry.N2 = entry.N1, entry.Name2 = entry.Name1;
    entry.N1 = m, entry.Name1 = nodes.Name->GetItem(mRow);
  } else {
    entry.N1 = entry.N2, entry.Name1 = entry.Name2;
    entry.N2 = m, entry.Name2 = nodes.Name->GetItem(mRow);
  }
  flowRowMap[other] = flowRowMap[branchRow];
  flowRowMap[branchRow] = 0;
  branchRow = other;
  return true;
}

}  // namespace ld
