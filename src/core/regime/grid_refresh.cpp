#include "core/regime/grid_refresh.h"

#include <cstdio>
#include <cmath>
#include <unordered_map>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// Node names by number; the first row of a number wins, as a search from the top finds it.
std::unordered_map<int, std::string> NodeNames(const TDataFile* nodes) {
  std::unordered_map<int, std::string> names;
  if (!nodes || nodes->RowCount == 0) return names;
  TNodeCols n;
  FillNodeCols(*nodes, n);
  for (int row = 1; row <= n.RowCount; ++row) names.emplace(n.NS->Get(row), n.Name->GetItem(row));
  return names;
}

unsigned char Upper1251(char c) {
  const int code = Cp1251Code(UpperChar(Cp1251Char(static_cast<unsigned char>(c))));
  return code < 0 ? static_cast<unsigned char>(c) : static_cast<unsigned char>(code);
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

}  // namespace

void RefreshBranchTable(TDataFile& branches, const TDataFile* nodes) {
  TBranchCols b;
  FillBranchCols(branches, b);
  const auto names = NodeNames(nodes);
  auto name = [&](int number) {
    const auto it = names.find(number);
    return it == names.end() ? std::string() : it->second;
  };
  // Windows-1251 codes of Н, К, Ф, О, П
  constexpr unsigned char kN = 0xCD, kK = 0xCA, kF = 0xD4, kO = 0xCE, kP = 0xCF;
  for (int row = 1; row <= b.RowCount; ++row) {
    const char commut = b.Commut->Get(row);
    char com1 = b.Com1->Get(row), com2 = b.Com2->Get(row);
    switch (commut == 0 ? 0 : Upper1251(commut)) {
      case 0: com1 = com2 = 0; break;
      case kN: com1 = 'o', com2 = 0; break;
      case kK:
      case kF: com1 = 0, com2 = 'o'; break;
      case kO:
      case kP: com1 = com2 = 'o'; break;
      default: break;
    }
    (*b.Com1)[row] = com1;
    (*b.Com2)[row] = com2;
    std::string text = b.TypEqu->GetItem(row) + b.Mark->GetItem(row);
    if (b.Notv.Get(row) != 0) text += "Pos=" + std::to_string(b.Notv.Get(row));
    b.Text->SetItem(row, text);
    b.Name1->SetItem(row, name(b.N1->Get(row)));
    b.Name2->SetItem(row, name(b.N2->Get(row)));
  }
}

void RefreshLineFlowTable(TDataFile& flows, const TDataFile* nodes) {
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  const auto names = NodeNames(nodes);
  for (int row = 1; row <= f.RowCount; ++row) {
    if (const auto it = names.find(f.N1->Get(row)); it != names.end()) f.Name1->SetItem(row, it->second);
    if (const auto it = names.find(f.N2->Get(row)); it != names.end()) f.Name2->SetItem(row, it->second);
  }
}

void RefreshNominalVoltages(TDataFile& voltages, DAdouble& list) {
  const auto* unom = GetColumnAs<DAdouble>("Unom", voltages);
  if (!voltages.MarkRec) voltages.MarkRec = std::make_unique<DAbyte>();
  list.Clear();
  for (int row = 1; row <= voltages.RowCount; ++row) {
    const double v = unom->Get(row);
    list[row] = std::fabs(v);
    (*voltages.MarkRec)[row] = v < 0 ? 112 : 0;
  }
  InsertSorted(list, 'd', voltages.RowCount, nullptr);
  list.Count = voltages.RowCount;
}

void RefreshSwitchLog(TDataFile& log) {
  TSwitchLogCols s;
  FillSwitchLogCols(log, s);
  for (int row = 1; row <= s.RowCount; ++row) {
    const std::string text = PackedDateToStr(s.Date->Get(row)) + " " +
                             TwoDigits(s.Hour->Get(row)) + ":" + TwoDigits(s.Mins->Get(row));
    if (s.DateS->GetItem(row) != text) s.DateS->SetItem(row, text);
  }
}

void DistrictLists(const TDataFile& districts, std::vector<int>& numbers, std::vector<std::string>& names) {
  TSchemeAreaCols a;
  FillSchemeAreaCols(districts, a);
  numbers.clear();
  names.clear();
  for (int row = 1; row <= a.RowCount; ++row) {
    numbers.push_back(a.Nr->Get(row));
    names.push_back(a.Name->GetItem(row));
  }
}

}  // namespace ld
