#include "core/regime/loss_panel.h"

#include <cmath>
#include <set>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/tables/colmaps_results.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"

namespace ld {

const std::array<std::string, 7> LossEquipItems = {"Все",   "Линии",  "     КЛ", "     ВЛ",
                                                   "Тр-ры", "Реакт.", "Шунты"};
const std::array<std::string, 5> LossOwnershipItems = {"Все", "Основные сети", "Абонентские сети", "Бесхозные сети",
                                                       "Сети других ЭК"};

namespace {

constexpr char kFieldsHead[] = "| Оборудование  |Uном| Принадлежность |";
constexpr char kFieldsDash[] = "---------------------------------------";

struct Column {
  const char* power;
  const char* energy;
  bool percent;
};
// In the order of the LossAttr bits.
constexpr std::array<Column, 13> kColumns = {{{" dP сум ", "  dWP сум ", false},
                                              {" % ", " % ", true},
                                              {" dQ сум ", "  dWQ сум ", false},
                                              {" dP наг ", "  dWP наг ", false},
                                              {" % ", " % ", true},
                                              {" dQ наг ", "  dWQ наг ", false},
                                              {" dP х.х.", " dWP х.х. ", false},
                                              {" % ", " % ", true},
                                              {" dQ х.х.", " dWQ х.х. ", false},
                                              {"dP актив", "dWP актив", false},
                                              {" % ", " % ", true},
                                              {"dP реакт", "dWP реакт", false},
                                              {" % ", " % ", true}}};

bool Visible(const TLossPanelFormat& f, std::size_t i) { return (f.Hidden & (1 << i)) == 0; }

// Spaces behind up to n characters; a longer text stays whole.
std::string PadRight(const std::string& s, int n) {
  const auto len = static_cast<int>(Utf8Length(s));
  return len >= n ? s : s + std::string(static_cast<std::size_t>(n - len), ' ');
}

std::array<double, 13> ColumnValues(const TLossSums& s) {
  const double sum = s.dPLoad + s.dPNoLoad;
  return {sum, sum, s.dQLoad + s.dQNoLoad, s.dPLoad, s.dPLoad, s.dQLoad, s.dPNoLoad, s.dPNoLoad, s.dQNoLoad,
          s.dPActive, s.dPActive, s.dPReactive, s.dPReactive};
}

std::string UnitText(const TLossPanelFormat& f) {
  if (f.Energy) return f.Kilo ? " кВт*час" : " МВт*час";
  return f.Kilo ? " кВт" : " МВт";
}

// Powers are in MW and shown ×1000 as kW; energies are in kWh and shown ÷1000 as MWh.
double Shown(const TLossPanelFormat& f, double v) {
  if (f.Energy) return f.Kilo ? v : v / 1000;
  return f.Kilo ? v * 1000 : v;
}

}  // namespace

std::vector<std::string> LossPanelHead(const TLossSums& sums, const TLossPanelFormat& format) {
  std::string head = kFieldsHead, dash = kFieldsDash;
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    if (!Visible(format, i)) continue;
    const std::string header = format.Energy ? kColumns[i].energy : kColumns[i].power;
    head += header + "|";
    dash += std::string(Utf8Length(header) + 1, '-');
  }
  const std::string total =
      format.Energy ? "Суммарные потери в схеме: dWP схемы = " + FloatToStrFixed(Shown(format, sums.dPTotal), 0)
                    : "Суммарные потери в схеме: dP схемы = " + FloatToStrFixed(Shown(format, sums.dPTotal), 1);
  return {total + UnitText(format), dash, head, dash};
}

std::vector<std::string> LossPanelRow(const TLossSums& sums, const TLossCriteria& criteria,
                                      const TLossPanelFormat& format, const std::string& districtName) {
  std::string row = "|";
  row += criteria.Equipment > 0 && criteria.Equipment <= static_cast<int>(EquipmentKinds.size())
             ? PadRight(EquipmentKinds[static_cast<std::size_t>(criteria.Equipment - 1)], 15)
             : std::string(15, ' ');
  row += "|";
  row += criteria.Unom != 0 ? PadRight(FloatToStrGeneral(criteria.Unom, 7), 4) : std::string(5, ' ');
  row += "|";
  row += criteria.Ownership > 0 && criteria.Ownership < static_cast<int>(LossOwnershipItems.size())
             ? PadRight(LossOwnershipItems[static_cast<std::size_t>(criteria.Ownership)], 16)
             : std::string(17, ' ');
  row += "|";
  const auto values = ColumnValues(sums);
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    if (!Visible(format, i)) continue;
    if (kColumns[i].percent) {
      row += sums.dPTotal == 0 ? "  0" : PadLeft(FloatToStrFixed(values[i] * 100 / sums.dPTotal, 0), 3);
    } else {
      row += PadLeft(FloatToStrFixed(Shown(format, values[i]), format.Energy ? 0 : 1), format.Energy ? 10 : 8);
    }
    row += "|";
  }
  std::string dash(Utf8Length(row), '-');
  if (criteria.District != 0) row += " Район:" + IntToStr(criteria.District) + " " + districtName;
  return {row, dash};
}

std::string SchemeDistrictName(const std::string& schemePath, int nr) {
  const std::string file = FamilyFile(schemePath, GetMaketExtention(LayoutSchemeAreas));
  if (!fileio::FileExists(file)) return {};
  TDataFile areas;
  ReadTableFile(file, areas);
  TSchemeAreaCols cols;
  FillSchemeAreaCols(areas, cols);
  for (int row = 1; row <= cols.RowCount; ++row)
    if (cols.Nr->Get(row) == nr) return cols.Name->GetItem(row);
  return {};
}

std::vector<std::string> LossPanelPress(const std::string& schemePath, const TLossCriteria& criteria,
                                        const TLossPanelFormat& format, bool withHead) {
  TDataFile nodes, branches;
  std::vector<std::string> messages;
  TLossSums sums;
  if (format.Energy) {
    ReadTableFileOrEmpty(schemePath + GetMaketExtention(LayoutNodeEnergy), LayoutNodeEnergy, nodes);
    ReadTableFileOrEmpty(schemePath + GetMaketExtention(LayoutBranchEnergy), LayoutBranchEnergy, branches);
    TNodeEnergyCols nc;
    TBranchEnergyCols bc;
    FillNodeEnergyCols(nodes, nc);
    FillBranchEnergyCols(branches, bc);
    sums = SumEnergyLossesByCriteria(nc, bc, criteria.Equipment, criteria.Unom, criteria.District,
                                     criteria.Ownership, &messages);
  } else {
    ReadTableFileOrEmpty(schemePath + GetMaketExtention(LayoutNodes), LayoutNodes, nodes);
    ReadTableFileOrEmpty(schemePath + GetMaketExtention(LayoutBranches), LayoutBranches, branches);
    TNodeCols nc;
    TBranchCols bc;
    FillNodeCols(nodes, nc);
    FillBranchCols(branches, bc);
    sums = SumPowerLossesByCriteria(nc, bc, criteria.Equipment, criteria.Unom, criteria.District, criteria.Ownership,
                                    &messages);
  }
  std::vector<std::string> lines;
  if (withHead) lines = LossPanelHead(sums, format);
  const std::string name = criteria.District != 0 ? SchemeDistrictName(schemePath, criteria.District) : "";
  for (std::string& line : LossPanelRow(sums, criteria, format, name)) lines.push_back(std::move(line));
  lines.insert(lines.end(), messages.begin(), messages.end());
  return lines;
}

TLossChoices LossPanelChoices(const TDataFile& branches) {
  TBranchCols cols;
  FillBranchCols(branches, cols);
  return LossChoicesOfRows(
      cols.RowCount, [&](int row) { return static_cast<long long>(std::nearbyint(cols.Ul->Get(row) * 100)); },
      [&](int row) { return static_cast<std::int32_t>(std::nearbyint(cols.Nr->Get(row))); });
}

TLossChoices LossChoicesOfRows(int rowCount, const std::function<long long(int)>& hundredths,
                               const std::function<std::int32_t(int)>& district) {
  std::set<long long> voltages;
  std::set<std::int32_t> districts;
  for (int row = 1; row <= rowCount; ++row) {
    const long long u = hundredths(row);
    if (u != 0) voltages.insert(u);
    const std::int32_t nr = district(row);
    if (nr != 0) districts.insert(nr);
  }
  TLossChoices c;
  for (long long u : voltages) c.Voltages.push_back(FloatToStrGeneral(static_cast<double>(u) / 100, 7));
  c.Districts.assign(districts.begin(), districts.end());
  return c;
}

}  // namespace ld
