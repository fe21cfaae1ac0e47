#include "core/district/base_rules.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/engine/electric.h"
#include "core/tables/journal.h"

namespace ld {

const std::array<const char*, kBaseMaketCount> BaseMaketNames = {
    "Формат РЭС (линии)",   "Формат РЭС (0.4 кВ)",         "Формат РЭС (ТП,РП)",          "Формат РЭС (вводы п/ст)",
    "Формат РЭС (фидеры п/ст)", "Формат РЭС (абоненты)",   "База промышленных абонентов", "База бытовых абонентов",
    "Узлы схемы",           "Ветви схемы",                 "Перетоки в линиях",           "Районы схемы",
    "Справочник КЛ,ВЛ",     "Справочник ТР(2)",            "Справочник ТР(3)",            "Справочник ТР(р)",
    "Справочник токоогр.реакторов", "Коммутационные аппараты", "Переключения"};

const std::array<TBaseCatalog, 7> BaseCatalogs = {{
    {"sprav_ln.cat", "Каталог кабельных и воздушных линий", "Справочник КЛ,ВЛ"},
    {"sprav_t2.cat", "Каталог двухобмоточных трансформаторов", "Справочник ТР(2)"},
    {"sprav_t3.cat", "Каталог трехобмоточных трансформаторов", "Справочник ТР(3)"},
    {"sprav_tr.cat", "Каталог тр-ров с ращепленной обмоткой НН", "Справочник ТР(р)"},
    {"sprav_RT.cat", "Каталог токоограничивающих реакторов", "Справочник токоогр.реакторов"},
    {"sprav_KA.cat", "Каталог коммутационных аппаратов", "Коммутационные аппараты"},
    {"sprav_UN.cat", "Список номинальных напряжений", "Номинальные напряжения"},
}};

namespace {

int SlotOf(const std::string& maketName) {
  for (int i = 0; i < kBaseMaketCount; ++i)
    if (maketName == BaseMaketNames[static_cast<std::size_t>(i)]) return i;
  return -1;
}

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// Name1 and Name2 may be missing from a table of an older layout; such a table simply has no names.
const DAString* TextColumn(const TDataFile& table, const char* field) {
  for (int c = 1; c <= table.NCols; ++c)
    if (table.FieldName[static_cast<std::size_t>(c)] == field && table.ColType[static_cast<std::size_t>(c)] == 's')
      return static_cast<const DAString*>(table.Columns[static_cast<std::size_t>(c)].get());
  return nullptr;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

// ---- positions ---------------------------------------------------------------------------------------

void TBaseGridPositions::Save(const std::string& maketName, int topRow, int col, int row) {
  const int slot = SlotOf(maketName);
  if (slot >= 0) positions_[static_cast<std::size_t>(slot)] = {topRow, col, row};
}

void TBaseGridPositions::Get(const std::string& maketName, int& topRow, int& col, int& row) const {
  const TBaseGridPos pos = Get(maketName);
  topRow = pos.TopRow, col = pos.Col, row = pos.Row;
}

TBaseGridPos TBaseGridPositions::Get(const std::string& maketName) const {
  const int slot = SlotOf(maketName);
  return slot >= 0 ? positions_[static_cast<std::size_t>(slot)] : TBaseGridPos{};
}

TBaseGridPos BoundGridPos(TBaseGridPos pos, int rowCount, int colCount) {
  if (pos.TopRow < 1 || pos.TopRow > rowCount) pos.TopRow = 1;
  // the cursor's table row is TopRow + Row - 1
  pos.Row = std::clamp(pos.Row, 1, std::max(1, rowCount - pos.TopRow + 1));
  if (pos.Col < 1 || pos.Col > colCount) pos.Col = 1;
  return pos;
}

// ---- texts -------------------------------------------------------------------------------------------

std::string BaseCaption(const std::string& baseFileName) {
  std::string moment;
  try {
    moment = DateTimeCaption(ReadSchemeSwitchDate(baseFileName));
  } catch (const Error&) {
    // a date that is no date: the caption shows the base alone
  }
  return "База РЭС - " + FileNameOf(baseFileName) + moment;
}

std::string BaseDialogFilter() {
  const std::string ext = GetMaketExtention(LayoutLines10);
  return std::string(LayoutLines10) + " (*" + ext + ")|*" + ext;
}

std::string BasePrintHeading(const std::string& baseFileName, const std::string& label) {
  return "Схема: " + FileNameOf(baseFileName) + " - " + label;
}

// ---- typing helpers ----------------------------------------------------------------------------------

std::string NextTapOffName(const TDataFile& lines) {
  int largest = 0;
  bool any = false;
  for (const char* field : {"Name1", "Name2"}) {
    const DAString* names = TextColumn(lines, field);
    if (!names) continue;
    for (int row = 1; row <= lines.RowCount; ++row) {
      const std::string name = names->GetItem(row);
      if (name.empty() || name.front() != '_') continue;
      const int n = StrToIntZ(std::string_view(name).substr(1));
      largest = any ? std::max(largest, n) : n;
      any = true;
    }
  }
  std::string name = "_";
  name += IntToStr(any ? static_cast<std::int64_t>(largest) + 1 : 1);
  return name;
}

int FindStationRow(const TDataFile& stations, const std::string& name) {
  const DAString* names = TextColumn(stations, "Name1");
  if (!names) return 0;
  const std::string key = UpperCase(name);
  for (int row = 1; row <= stations.RowCount; ++row)
    if (UpperCase(names->GetItem(row)) == key) return row;
  return 0;
}

std::string StationTransformerName(const std::string& name) {
  const auto point = name.find('.');
  const int number = point == std::string::npos ? 1 : StrToIntZ(std::string_view(name).substr(point + 1));
  return "Т" + IntToStr(number);
}

std::string LineEquipmentType(const std::string& typEqu, const std::string& sign, const std::string& un) {
  if (!typEqu.empty()) return typEqu;
  if (sign == "Т") return "T2||";
  if (sign == "Р") return "RT||";
  return "LN|" + un + "|";
}

std::string TransformerLineVoltages(const std::string& type, const std::string& mark, const std::string& un) {
  if (type.size() < 2 || type[0] != 'T') return un;
  const auto dash = mark.find('-');
  if (dash == std::string::npos) return un;
  const std::vector<std::string> parts = Split(mark.substr(dash + 1), '/');
  if (parts.size() < 3) return un;
  std::vector<std::string> voltages;  // high, second, third winding
  try {
    for (std::size_t i = 1; i < parts.size() && i <= 3; ++i) {
      const std::string text = RemoveBlanks(parts[i]);
      if (text.empty()) return un;
      voltages.push_back(FloatToStrGeneral(NearestNominalVoltage(StrToFloatZ(text)), 7));
    }
  } catch (const ConvertError&) {
    return un;
  }
  const char kind = type[1];
  if (kind == '2') return voltages[0] + "/" + voltages[1];
  if (kind != '3' && kind != 'R') return un;
  // the winding digit follows the name of the passport list: "T3|name|1"
  const auto first = type.find('|');
  const auto second = first == std::string::npos ? first : type.find('|', first + 1);
  if (second == std::string::npos || second + 1 >= type.size()) return un;
  switch (type[second + 1]) {
    case '0': return voltages[0] + "/" + voltages[0];
    case '1': return voltages[0] + "/" + voltages[1];
    case '2': return voltages.size() > 2 ? voltages[0] + "/" + voltages[2] : un;
    default: return un;
  }
}

}  // namespace ld
