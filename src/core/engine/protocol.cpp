#include "core/engine/protocol.h"

#include <filesystem>
#include <map>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/engine/results.h"

namespace ld {

namespace {

// Seconds as the run summary shows them: three decimals, right-aligned in seven columns.
std::string Seconds(double s) { return PadLeft(FloatToStrFixed(s, 3), 7); }

std::string Number12(double v, int digits) { return PadLeft(FloatToStrFixed(v, digits), 12); }

}  // namespace

TPowerPair TRegimeBalance::TotalLosses() const {
  return {SeriesLosses.P + NoLoadLosses.P + Reactors.P + Capacitors.P,
          SeriesLosses.Q + NoLoadLosses.Q + Reactors.Q + Capacitors.Q};
}

TPowerPair TRegimeBalance::Imbalance() const {
  const TPowerPair losses = TotalLosses();
  return {-(Consumption.P + Generation.P + Balancing.P + losses.P),
          -(Consumption.Q + Generation.Q + Balancing.Q + losses.Q)};
}

std::string ProtocolNodeText(const TRegimeElement* e) {
  if (e == nullptr) return {};
  std::string text = IntToStr(e->Number);
  if (!e->Name.empty()) text += " " + e->Name;
  return text;
}

void AppendRunSummary(const TRegime& r, std::vector<std::string>& lines) {
  lines.push_back("Схема : " + std::filesystem::path(r.SchemePath).filename().string() +
                  "  (Дата расчета: " + FormatDateTime("dd.mm.yyyy hh:nn:ss", Now()) + ")");
  lines.push_back("Узлов=" + IntToStr(r.NodeCount) + "  Ветвей=" + IntToStr(r.BranchCount) +
                  "  Контуров=" + IntToStr(r.TotalContourCount) + "  БП=" + IntToStr(r.BalancingCount) +
                  "  ФМ=" + IntToStr(r.FixedCount));
  lines.emplace_back();
  if (r.Errors != nullptr && !r.Errors->empty()) {
    lines.push_back("[Анализ расчетной конфигурации]");
    for (const std::string& line : *r.Errors) lines.push_back(line);
    lines.emplace_back();
  }
  if (r.ZeroContours || r.ModelError) return;

  if (!r.Converged) lines.push_back("!!!!!!! Режим не сходится !!!!!!!");
  lines.push_back("Точность расчета      : " + FloatToStrGeneral(r.Accuracy, 7));
  if (r.MaxResidualNode != nullptr && !r.ResidualsU.empty()) {
    lines.push_back("Невязка по напряжению : " + r.ResidualsU.back() + ", узел: " +
                    ProtocolNodeText(r.MaxResidualNode));
  }
  if (!r.Converged && r.FixModule && r.FixedCount > 0 && r.PVAlgorithm >= 1 && r.PVAlgorithm <= 3) {
    lines.push_back("Невязка dP узлов ФМ   : " + FloatToStrFixed(r.PVResidualP, 6) + ", узел: " +
                    ProtocolNodeText(r.MaxPResidualNode));
    if (r.PVAlgorithm == 2 && r.QLimits) {
      lines.push_back("Невязка dQ узлов ФМ   : " + FloatToStrFixed(r.PVResidualQ, 6) + ", узел: " +
                      ProtocolNodeText(r.MaxQResidualNode));
    }
  }
  lines.push_back("Количество итераций   : " + IntToStr(static_cast<std::int64_t>(r.ResidualsU.size())) +
                  ", время расчета: " + Seconds(r.TotalTime) + " сек, итер. процесс: " +
                  Seconds(r.IterationTime) + " сек");
}

void AppendFixedVoltageSections(TRegime& r, const TDataFile& nodes, std::vector<std::string>& lines) {
  if (!r.PVProtocol.empty()) {
    lines.emplace_back();
    lines.push_back("[Состав исключенных(-)/включеных(+) узлов ФМ]");
    for (const std::string& line : r.PVProtocol) lines.push_back("  " + line);
    r.PVProtocol.clear();
  }
  if (r.ExcludedPV.empty()) return;

  const TNumberColumn ns("NS", nodes), qmin("Qmin", nodes), qmax("Qmax", nodes), qg("Qg", nodes),
      qbal("Qbal", nodes);
  const TTextColumn name("Name", nodes);
  auto node = [&](int row) {
    std::string text = IntToStr(static_cast<std::int64_t>(ns.Get(row)));
    const std::string n = name.Get(row);
    if (!n.empty()) text += " " + n;
    return text;
  };
  // The generation the model calculated with: a node held at a limit had the limit as its Qg, which the
  // table no longer holds once the calculation has given the user's own value back.
  std::map<std::int32_t, double> modelQg;
  for (const std::int32_t entry : r.ExcludedPV) {
    if (entry > 0 && entry <= nodes.RowCount) modelQg[entry] = qg.Get(entry);
  }
  if (r.LoadType == 0) {
    for (const TRegimeElement* e = r.Root; e != nullptr; e = e->NextInTree) {
      if ((e->Flags & (efLoopClosing | efEnergyLoads)) != 0) continue;
      if (const auto it = modelQg.find(e->NodeIndex); it != modelQg.end()) it->second = e->Load2.imag();
    }
  }
  const int digits = r.Digits;
  lines.emplace_back();
  lines.push_back("[Нарушения ограничений Qmin,Qmax узлов с фиксацией модуля]");
  std::vector<int> ambiguous;
  for (const std::int32_t entry : r.ExcludedPV) {
    if (entry < 0) {
      ambiguous.push_back(-entry);
      continue;
    }
    if (entry == 0 || entry > nodes.RowCount) continue;
    // Qbal holds what the node takes as a source (negative when it gives), so its own generation and
    // what it gives as a source add up to the reactive power it generates.
    lines.push_back("  " + node(entry) + " Qmin = " + FloatToStrFixed(qmin.Get(entry), digits) +
                    " Qmax = " + FloatToStrFixed(qmax.Get(entry), digits) +
                    " Qген = " + FloatToStrFixed(modelQg[entry] - qbal.Get(entry), digits));
  }
  if (ambiguous.size() >= 2 && r.PVAlgorithm == 2 && r.QLimits) {
    lines.emplace_back();
    lines.push_back("[Список неоднозначных узлов ФМ по ограничениям Qmin,Qmax]");
    for (std::size_t k = 0; k + 1 < ambiguous.size(); k += 2) {
      const int a = ambiguous[k], b = ambiguous[k + 1];
      if (a > nodes.RowCount || b > nodes.RowCount) continue;
      lines.push_back("  " + node(a) + " - " + node(b));
    }
  }
  r.ExcludedPV.clear();
}

void AppendLimitSections(bool overCurrent, bool overFlow, bool overVoltage, bool underVoltage,
                         std::vector<std::string>& lines) {
  const std::string voltageHint =
      "Анализ напряжений выполняется в таблице выбором меню \"Режим\" - \"Напряжения узлов\" или кнопкой \"U\"";
  if (overCurrent) {
    lines.emplace_back();
    lines.push_back("[Превышены допустимые токи линий]");
    lines.push_back(
        "Анализ токов выполняется в таблице выбором меню \"Режим\" - \"Загрузка линий\" или кнопкой \"Iл\"");
  }
  if (overFlow) {
    lines.emplace_back();
    lines.push_back("[Превышены допустимые перетоки мощности в трансформаторах]");
    lines.push_back(
        "Анализ перетоков выполняется в таблице выбором меню \"Режим\" - \"Загрузка тр-ров\" или кнопкой \"Sт\"");
  }
  if (overVoltage) {
    lines.emplace_back();
    lines.push_back("[В схеме завышены напряжения узлов]");
    lines.push_back(voltageHint);
  }
  if (underVoltage) {
    lines.emplace_back();
    lines.push_back("[В схеме занижены напряжения узлов]");
    lines.push_back(voltageHint);
  }
}

void AppendBalance(const TRegimeBalance& b, int digits, std::uint8_t dimension, std::vector<std::string>& lines) {
  const double f = dimension == 0 ? 1.0 : 1000.0;
  const std::string unitP = dimension == 0 ? " МВт " : " кВт ";
  const std::string unitQ = dimension == 0 ? " МВАр" : " кВАр";
  auto both = [&](const std::string& caption, const TPowerPair& v) {
    lines.push_back(caption + Number12(v.P * f, digits) + unitP + Number12(v.Q * f, digits) + unitQ);
  };
  auto single = [&](const std::string& caption, double p) { lines.push_back(caption + Number12(p * f, digits) + unitP); };
  auto districts = [&](const std::map<int, TPowerPair>& byDistrict, const std::map<int, TPowerPair>& keys) {
    for (const auto& [district, unused] : keys) {
      const auto it = byDistrict.find(district);
      both(PadLeft("Район № " + IntToStr(district) + ": ", 24), it != byDistrict.end() ? it->second : TPowerPair{});
    }
  };

  lines.emplace_back();
  both("Потребление           : ", b.Consumption);
  districts(b.ConsumptionByDistrict, b.ConsumptionByDistrict);
  both("Генерация             : ", b.Generation);
  districts(b.GenerationByDistrict, b.ConsumptionByDistrict);
  both("Балансная мощность    : ", b.Balancing);
  both("Потери в схеме        : ", b.TotalLosses());
  districts(b.LossesByDistrict, b.LossesByDistrict);
  both("  Нагрузочные потери  : ", b.SeriesLosses);
  single("    от актив.перетоков: ", b.ActiveFlowShare);
  single("    от реакт.перетоков: ", b.ReactiveFlowShare);
  both("  Потери холост.хода  : ",
       {b.NoLoadLosses.P + b.Reactors.P, b.NoLoadLosses.Q + b.Reactors.Q});
  both("    шунтирующие реакт.: ", b.Reactors);
  both("    конденсатор. уст. : ", b.Capacitors);
  both("Небаланс в схеме      : ", b.Imbalance());
}

std::string ProtocolBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += Utf8ToCp1251(line);
    bytes += "\r\n";
  }
  return bytes;
}

void WriteProtocolFile(const std::string& fileName, const std::vector<std::string>& lines) {
  WriteFileReplacing(fileName, ProtocolBytes(lines));
}

}  // namespace ld
