#include "core/regime/period_report.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/numfmt.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/protocol.h"
#include "core/tables/table_run.h"
#include "core/tables/table_ops.h"

namespace ld {
namespace {

// Fixed notation; a value that rounds to zero is written without a sign, as a closed balance reads.
std::string Fixed(double v, int decimals) {
  std::string text = FloatToStrFixed(v, decimals);
  if (!text.empty() && text[0] == '-' && text.find_first_not_of("-0.,") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string PadLeft(const std::string& text, std::size_t width) {
  const std::size_t length = Utf8Length(text);
  return length >= width ? text : std::string(width - length, ' ') + text;
}

void SetNumber(TDynamicArray* column, int row, double value) {
  if (auto* d = dynamic_cast<DAdouble*>(column)) (*d)[row] = value;
  else if (auto* r = dynamic_cast<DAreal*>(column)) (*r)[row] = value;
  else if (auto* f = dynamic_cast<DAsingle*>(column)) (*f)[row] = static_cast<float>(value);
  else if (auto* l = dynamic_cast<DALongint*>(column)) (*l)[row] = static_cast<std::int32_t>(std::trunc(value));
}

struct Legend {
  std::uint8_t bit;
  const char* mark;
  const char* text;
};
constexpr Legend kLegend[] = {
    {smUnbalance, "..НЕБАЛАНС", "НЕБАЛАНС - наличие небаланса заданного и результирующего перетоков мощности"},
    {smLowVoltage, "..[U-]", "[U-] - наличие заниженных уровней напряжений в схеме"},
    {smHighVoltage, "..[U+]", "[U+] - наличие завышенных уровней напряжений в схеме"},
    {smLineCurrent, "..[Iл]", "[Iл] - превышение допустимых токов линий"},
    {smTransformerFlow, "..[Sт]", "[Sт] - превышение допустимых перетоков трансформаторов"},
};

}  // namespace

std::vector<std::string> LossReportHead(const std::string& schemeName, TDateTime now, TDateTime date1,
                                        TDateTime date2, const std::vector<std::string>& modelMessages,
                                        std::uint8_t typCalcPQ, bool lossUnom) {
  std::vector<std::string> lines;
  lines.push_back("Схема : " + schemeName + "  (Дата расчета: " + FormatDateTime("dd.mm.yyyy hh:nn:ss", now) + ")");
  lines.push_back("Расчетный период : " + FormatDateTime("dd.mm.yyyy", date1) + " - " +
                  FormatDateTime("dd.mm.yyyy", date2));
  lines.emplace_back();
  if (!modelMessages.empty()) {
    lines.emplace_back("[Анализ расчетной конфигурации]");
    lines.insert(lines.end(), modelMessages.begin(), modelMessages.end());
    lines.emplace_back();
  }
  static const char* const kModes[] = {"[Расчет по средней загрузке]", "[Расчет по минимальной загрузке]",
                                       "[Расчет по максимальной загрузке]", "[Расчет по графикам нагрузок]"};
  if (typCalcPQ < 4) lines.emplace_back(kModes[typCalcPQ]);
  if (lossUnom) lines.emplace_back("[Расчет по номинальным напряжениям]");
  return lines;
}

void AppendEnergyBalance(std::vector<std::string>& lines, const TPeriodSums& sums, std::uint8_t dimension) {
  const bool mega = dimension == 0;
  const double scale = mega ? 0.001 : 1.0;
  const std::string unitP = mega ? " МВт*час" : " кВт*час";
  const std::string unitQ = mega ? " МВАр*час" : " кВАр*час";
  auto value = [&](double v) { return PadLeft(Fixed(v * scale, 3), 15); };
  auto both = [&](const char* label, double p, double q) {
    lines.push_back(std::string(label) + value(p) + unitP + value(q) + unitQ);
  };
  auto active = [&](const char* label, double p) { lines.push_back(std::string(label) + value(p) + unitP); };
  lines.emplace_back();
  both("Потребление           : ", sums.ConsumptionP, sums.ConsumptionQ);
  both("Генерация             : ", sums.GenerationP, sums.GenerationQ);
  both("Балансная мощность    : ", sums.SupplyP, sums.SupplyQ());
  both("Потери в схеме        : ", sums.LossP(), sums.LossQ());
  both("  Нагрузочные потери  : ", sums.LoadLossP, sums.LoadLossQ);
  active("    от актив.перетоков: ", sums.ActiveFlowLossP);
  active("    от реакт.перетоков: ", sums.ReactiveFlowLossP);
  both("  Потери холост.хода  : ", sums.NodeNoLoadP + sums.BranchNoLoadP, sums.NodeNoLoadQ + sums.BranchNoLoadQ);
  both("Небаланс в схеме      : ", sums.UnbalanceP(), sums.UnbalanceQ());
}

std::vector<std::string> TreReport(const TMeterTotals& t) {
  std::vector<std::string> lines{"Расчет технологического расхода электроэнергии", ""};
  const std::string first = Fixed(t.Received, 0);
  const std::size_t width = Utf8Length(first) + 1;
  auto line = [&](const char* label, double v) {
    return std::string(label) + PadLeft(Fixed(v, 0), width) + " кBт*час";
  };
  const double s = t.Received - t.Delivered + t.Generation - t.OwnNeeds;
  lines.push_back(line("Суммарный прием в сеть : ", t.Received));
  lines.push_back(line("Сумарная выдача из сети: ", t.Delivered));
  lines.push_back(line("Суммарная генерация    : ", t.Generation));
  lines.push_back(line("Собственные нужды      : ", t.OwnNeeds));
  lines.push_back(line("Сальдированный прием   : ", s));
  lines.push_back(line("Суммарное потребление  : ", t.Consumption));
  if (s != 0) {
    const double tech = t.Received - t.Delivered - t.Consumption + t.Generation - t.OwnNeeds;
    lines.push_back(line("Технологический расход : ", tech) + "  (" + Fixed(tech * 100 / s, 1) + " %)");
  }
  return lines;
}

void TControlMessages::AddSlice(const std::string& sliceText, std::uint8_t marks) {
  if (marks == 0) return;
  std::string line = sliceText;
  for (const Legend& l : kLegend)
    if ((marks & l.bit) != 0) line += l.mark;
  lines_.push_back(line);
  marks_ |= marks;
}

void TControlMessages::AddSwitching(int journalRow, const std::string& name1, const std::string& name2, bool on) {
  lines_.push_back("Переключение " + std::to_string(journalRow) + ": " + name1 + " - " + name2 + " (" +
                   (on ? "ВКЛ." : "ОТКЛ.") + ")");
}

std::vector<std::string> TControlMessages::Lines() const {
  std::vector<std::string> lines = lines_;
  if (marks_ != 0) {
    lines.emplace_back();
    for (const Legend& l : kLegend)
      if ((marks_ & l.bit) != 0) lines.emplace_back(l.text);
  }
  return lines;
}

void SaveReportLines(const std::string& path, const std::vector<std::string>& lines) {
  // A run of the one file, as a report that goes with tables is written: its temporary is the run's own,
  // so what a killed program left is cleared at the report's next use (ReadReportText).
  WriteTablesTogether({}, {{path, ProtocolBytes(lines)}});
}

bool ReadReportText(const std::string& path, std::string& text) {
  RecoverTableSetForRead(path);
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  text = Cp1251ToUtf8(bytes.str());
  return true;
}

void ResolveGraphNumber(TDataFile& catalog, TDataFile& values, std::int32_t graphNo, const std::string& title,
                        const std::string& unit, const std::vector<double>& sliceEnds,
                        const std::vector<double>& sliceValues, char kind, int tgr) {
  TGraphValueCols v;
  FillGraphValueCols(values, v);
  const int first = FirstRowOfGraph(v, graphNo);
  int end = first;
  while (end <= v.RowCount && v.Ngr->Get(end) == graphNo) ++end;
  if (end > first) DeleteTableRows(values, first, end - 1);
  const int count = static_cast<int>(std::min(sliceEnds.size(), sliceValues.size()));
  if (count > 0) InsertTableRows(values, first, count);
  FillGraphValueCols(values, v);
  for (int k = 0; k < count; ++k) {
    (*v.Ngr)[first + k] = graphNo;
    (*v.Date)[first + k] = sliceEnds[static_cast<std::size_t>(k)];
    (*v.Value)[first + k] = sliceValues[static_cast<std::size_t>(k)];
  }

  TGraphCatalogCols c;
  FillGraphCatalogCols(catalog, c);
  // The row goes where the number order keeps it, so that the catalogue stays searchable.
  int row = FirstRowOfGraph(c, graphNo);
  if (row > c.RowCount || c.Ngr->Get(row) != graphNo) {
    InsertTableRows(catalog, row, 1);
    FillGraphCatalogCols(catalog, c);
  }
  (*c.Ngr)[row] = graphNo;
  c.Tit->SetItem(row, title);
  (*c.Typ)[row] = static_cast<std::uint8_t>(tgr == 86400 ? 2 : 1);
  (*c.Per)[row] = tgr;
  (*c.Zam)[row] = kind;
  c.Unt->SetItem(row, unit);
  SetNumber(c.Dat1, row, sliceEnds.empty() ? 0 : sliceEnds.front());
  SetNumber(c.Dat2, row, sliceEnds.empty() ? 0 : sliceEnds.back());
}

}  // namespace ld
