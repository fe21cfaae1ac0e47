#include "core/regime/selections.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

std::string CutAtDot(std::string_view name) { return std::string(name.substr(0, name.find('.'))); }

void ReadOrEmpty(const std::string& base, const char* layout, TDataFile& table) {
  ReadTableFileOrEmpty(base + GetMaketExtention(layout), layout, table);
}

double Get(const DAdouble* column, int row) { return column ? (*const_cast<DAdouble*>(column))[row] : 0.0; }
char GetChar(const DAChar* column, int row) { return column ? (*const_cast<DAChar*>(column))[row] : '\0'; }

// The energy of one metering point: the meter with its transformer and line losses, or the given
// value where the device is marked "N"; subtracted points count negative.
double PointEnergy(const TMeterPointCols& m, int row) {
  const char device = GetChar(m.Device, row);
  double w = device == 'N' || device == 'n' ? Get(m.Ws, row) : Get(m.W, row) + Get(m.Wt, row) + Get(m.Wl, row);
  if (GetChar(m.Sub, row) == '1') w = -w;
  return w;
}

}  // namespace

void ReadSubscriberSources(const std::string& base, TSubscriberSources& sources,
                           const std::function<void(int)>& progress) {
  auto step = [&](int p) {
    if (progress) progress(p);
  };
  step(10);
  ReadOrEmpty(base, LayoutConsumers, sources.Consumers);
  step(30);
  ReadOrEmpty(base, LayoutMeterPoints, sources.MeterPoints);
  step(50);
  ReadOrEmpty(base, LayoutHouseholds, sources.Households);
  step(100);
}

void FillSubstationSubscribers(const TSubscriberSources& sources, const std::string& substation, TDataFile& table) {
  const std::string wanted = UpperCase(CutAtDot(substation));
  TConsumerCols c;
  FillConsumerCols(sources.Consumers, c);
  TMeterPointCols m;
  FillMeterPointCols(sources.MeterPoints, m);
  THouseholdCols h;
  FillHouseholdCols(sources.Households, h);

  // A consumer may be fed from several substations: "+ТП1.1,ТП2.3".
  std::vector<int> consumerRows;
  for (int r = 1; r <= sources.Consumers.RowCount; ++r) {
    std::string names = UpperCase(RemoveBlanks(c.NameTP->GetView(r)));
    if (!names.empty() && names[0] == '+') names.erase(0, 1);
    std::size_t from = 0;
    while (from <= names.size()) {
      const std::size_t comma = std::min(names.find(',', from), names.size());
      if (CutAtDot(std::string_view(names).substr(from, comma - from)) == wanted) {
        consumerRows.push_back(r);
        break;
      }
      from = comma + 1;
    }
  }
  std::vector<int> householdRows;
  for (int r = 1; r <= sources.Households.RowCount; ++r)
    if (UpperCase(CutAtDot(h.NameTP->GetView(r))) == wanted) householdRows.push_back(r);

  ReadMaket(LayoutConsumerList, table);
  const int rows = static_cast<int>(consumerRows.size()) + (householdRows.empty() ? 0 : 1);
  CreateColumns(table, rows);
  TConsumerEnergyCols out;
  FillConsumerEnergyCols(table, out);
  int row = 0;
  for (const int r : consumerRows) {
    ++row;
    out.NameTP->SetItem(row, wanted);
    const std::string contract = c.Ndog->GetItem(r);
    out.Ndog->SetItem(row, contract);
    out.NameAb->SetItem(row, c.NameAb->GetView(r));
    out.Address->SetItem(row, c.Address->GetView(r));
    (*out.Nkat)[row] = (*c.Nkat)[r];
    for (int k = 1; k <= sources.MeterPoints.RowCount; ++k) {
      if (UpperCase(CutAtDot(m.NameTP->GetView(k))) != wanted || m.Ndog->GetView(k) != contract) continue;
      const double w = PointEnergy(m, k);
      switch ((*m.TypCounter)[k]) {
        case 1:
          (*out.WPs)[row] += w;
          if (GetChar(m.Sub, k) != '1') (*out.Kp)[row] += 1;
          break;
        case 2: (*out.WQps)[row] += w; break;
        case 3: (*out.WQgs)[row] += w; break;
        default: break;
      }
    }
  }
  if (!householdRows.empty()) {
    ++row;
    out.NameTP->SetItem(row, wanted);
    out.NameAb->SetItem(row, "Бытовые абоненты");
    for (const int r : householdRows) {
      (*out.Kp)[row] += (*h.CountAb)[r];
      (*out.WPs)[row] += (*h.W)[r];
    }
  }
}

void CollectSubscribersOfNames(const TSubscriberSources& sources, const std::vector<std::string>& names,
                               TDataFile& table) {
  TMeterPointCols m;
  FillMeterPointCols(sources.MeterPoints, m);
  THouseholdCols h;
  FillHouseholdCols(sources.Households, h);
  std::multimap<std::string, int> points, households;
  for (int r = 1; r <= sources.MeterPoints.RowCount; ++r) points.emplace(UpperCase(CutAtDot(m.LinkTP->GetView(r))), r);
  for (int r = 1; r <= sources.Households.RowCount; ++r) households.emplace(UpperCase(CutAtDot(h.LinkTP->GetView(r))), r);

  std::vector<std::pair<bool, int>> picked;  // (household, source row)
  std::vector<std::string> pickedNames;
  // The bases link their rows to whole substations, so a node of a bus section ("ТП1.1") stands for its
  // substation as well; sections of one substation supplied by one line give its rows once.
  std::set<std::string> seen;
  for (const std::string& name : names) {
    const std::string key = UpperCase(CutAtDot(name));
    if (!seen.insert(key).second) continue;
    for (auto [it, end] = points.equal_range(key); it != end; ++it) picked.emplace_back(false, it->second);
    for (auto [it, end] = households.equal_range(key); it != end; ++it) {
      picked.emplace_back(true, it->second);
      pickedNames.push_back(name);
    }
  }

  CopyTable(sources.MeterPoints, table);
  FreeTable(table);
  CreateColumns(table, static_cast<int>(picked.size()) + 1);
  TMeterPointCols out;
  FillMeterPointCols(table, out);
  int row = 0;
  std::size_t household = 0;
  double total[5] = {};
  for (const auto& [isHousehold, r] : picked) {
    ++row;
    if (isHousehold) {
      out.LinkTP->SetItem(row, pickedNames[household++]);
      out.Abonent->SetItem(row, "Бытовые абоненты");
      TInt16Column::Ref(out.NumPoint, row) = (*h.CountAb)[r];
      (*out.WP)[row] = (*h.W)[r];
    } else {
      CopyTableRow(sources.MeterPoints, table, r, row);
      const double sign = GetChar(m.Sub, r) == '1' ? -1.0 : 1.0;
      const double w = Get(m.W, r) * sign, losses = Get(m.Wt, r) + Get(m.Wl, r);
      (*out.WP)[row] = (*out.WQp)[row] = (*out.WQg)[row] = (*out.dWP)[row] = (*out.dWQ)[row] = 0;
      switch ((*m.TypCounter)[r]) {
        case 1:
          (*out.WP)[row] = w;
          (*out.dWP)[row] = losses;
          break;
        case 2:
          (*out.WQp)[row] = w;
          (*out.dWQ)[row] = losses;
          break;
        case 3: (*out.WQg)[row] = w; break;
        default: break;
      }
    }
    DAdouble* sums[5] = {out.WP, out.WQp, out.WQg, out.dWP, out.dWQ};
    for (int k = 0; k < 5; ++k) total[k] += (*sums[k])[row];
  }
  ++row;
  out.LinkTP->SetItem(row, "Всего");
  DAdouble* sums[5] = {out.WP, out.WQp, out.WQg, out.dWP, out.dWQ};
  for (int k = 0; k < 5; ++k) (*sums[k])[row] = total[k];
  (*table.MarkRec)[row] = 255;
  for (const char* field : {"WP", "WQp", "WQg", "dWP", "dWQ"}) table.Visible[FindColumnIndex(field, table)] = 1;
}

std::vector<std::string> NamesSuppliedByLine(const TRegime& regime, std::int32_t n1, std::int32_t n2) {
  std::vector<std::string> names;
  std::vector<const TRegimeElement*> marked;
  for (const TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) {
    const bool isLine = (e->Number == n1 && e->Number2 == n2) || (e->Number == n2 && e->Number2 == n1);
    const bool below =
        e->Parent != nullptr && std::find(marked.begin(), marked.end(), e->Parent) != marked.end();
    if (!isLine && !below) continue;
    marked.push_back(e);
    if ((e->Flags & efLoopClosing) == 0) names.push_back(e->Name);
  }
  return names;
}

}  // namespace ld
