#include "core/tables/file_kinds.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/tables/formed_base.h"
#include "core/tables/layout.h"

namespace ld {

namespace {

struct TKindOf {
  std::string layout;  // whose extension the layout file gives; empty for a text of a fixed extension
  const char* ext;     // the text's extension
  const char* what;
  TFileFamily family;
  // A scheme's file that forming writes anew from the base: the network's tables and the record of the
  // base. Whatever else the scheme holds (its journal and switching moment, which forming reads with the
  // base, what the user entered for it and what was calculated) stays until a calculation or the user
  // replaces it.
  bool formed = false;
};

// Every kind (with its layout where it is a table's) and whether forming writes it anew.
std::vector<std::pair<TFileKind, bool>> AllKinds() {
  constexpr TFileFamily kBase = TFileFamily::Base, kScheme = TFileFamily::Scheme;
  const TKindOf kinds[] = {
      {LayoutLines10, "", "таблица линий", kBase},
      {LayoutTransTP, "", "таблица ТП, РП", kBase},
      {LayoutLines04, "", "таблица линий 0,4 кВ", kBase},
      {LayoutSubstInputs, "", "таблица вводов подстанций", kBase},
      {LayoutSubstFeeders, "", "таблица фидеров подстанций", kBase},
      {LayoutConsumers, "", "таблица абонентов", kBase},
      {LayoutMeterPoints, "", "база промышленных абонентов", kBase},
      {LayoutHouseholds, "", "база бытовых абонентов", kBase},
      {LayoutSchemeAreas, "", "районы", kBase},
      {GraphCatalogMaket, "", "каталог графиков нагрузки", kBase},
      {GraphValuesMaket, "", "значения графиков нагрузки", kBase},
      {LayoutNodes, "", "узлы схемы", kScheme, true},
      {LayoutBranches, "", "ветви схемы", kScheme, true},
      {LayoutLineFlows, "", "перетоки в линиях", kScheme, true},
      {LayoutKtrTable, "", "таблица отпаек", kScheme},
      {ListLayoutT2, "", "список двухобмоточных трансформаторов", kScheme},
      {ListLayoutT3, "", "список трехобмоточных трансформаторов", kScheme},
      {ListLayoutTR, "", "список трансформаторов с расщепленной обмоткой", kScheme},
      {ListLayoutRT, "", "список токоограничивающих реакторов", kScheme},
      {LayoutSwitchLog, "", "журнал переключений", kScheme},
      {"", ".INI", "дата коммутации схемы", kScheme},
      {"", FormedBaseExt, "сведения о базе РЭС, из которой сформирована схема", kScheme, true},
      {LayoutNodeVoltages, "", "напряжения узлов, результат расчета", kScheme},
      {LayoutLineLoads, "", "загрузка линий, результат расчета", kScheme},
      {LayoutTransLoads, "", "загрузка трансформаторов, результат расчета", kScheme},
      {LayoutLineLosses, "", "потери в линиях, результат расчета", kScheme},
      {LayoutTransLosses, "", "потери в трансформаторах, результат расчета", kScheme},
      {LayoutNodeEnergy, "", "электропотребление в узлах", kScheme},
      {LayoutBranchEnergy, "", "перетоки электроэнергии", kScheme},
      {LayoutNodeConsumption, "", "потребление электроэнергии", kScheme},
      {LayoutLineEnergy, "", "перетоки электроэнергии в линиях", kScheme},
      {LayoutTransEnergy, "", "перетоки электроэнергии в трансформаторах", kScheme},
      {LayoutLineEnergyLosses, "", "потери электроэнергии в линиях", kScheme},
      {LayoutTransEnergyLosses, "", "потери электроэнергии в трансформаторах", kScheme},
      {LayoutConsumerList, "", "список присоединенных абонентов", kScheme},
      {LayoutEnergyBalances, "", "балансы электроэнергии", kScheme},
      {LayoutCapCurrents, "", "емкостные токи", kScheme},
      {LayoutReactiveSources, "", "источники реактивной мощности", kScheme},
      {LayoutStationSwitching, "", "коммутация двухтрансформаторных подстанций", kScheme},
      {LayoutCutOptimisation, "", "оптимизация разрезов", kScheme},
      {"", ".RGM", "протокол расчета режима", kScheme},
      {"", ".WRG", "результаты расчета потерь", kScheme},
      {"", ".WMS", "контрольные сообщения расчета потерь", kScheme},
      {LayoutTkzSources, "", "данные т.к.з.", TFileFamily::TkzData},
      {LayoutTkzRadius, "", "радиус т.к.з.", TFileFamily::TkzData},
      {LayoutLoadVariants, "", "выборка нагрузок", TFileFamily::LoadVariants},
  };
  std::vector<std::pair<TFileKind, bool>> list;
  for (const TKindOf& kind : kinds) {
    if (kind.layout.empty()) {
      list.emplace_back(TFileKind(kind.ext, kind.what, true, kind.family), kind.formed);
      continue;
    }
    try {
      if (const std::string ext = GetMaketExtention(kind.layout); !ext.empty()) {
        list.emplace_back(TFileKind(ext, kind.what, true, kind.family), kind.formed);
        list.back().first.Layout = kind.layout;
      }
    } catch (const Error&) {
      // a layout file without this table: no file of that kind is known to the program
    }
  }
  return list;
}

}  // namespace

TFileKinds StemFileKinds() {
  TFileKinds list;
  for (auto& [kind, formed] : AllKinds()) list.push_back(std::move(kind));
  return list;
}

TFileKinds FormedSchemeKinds() {
  TFileKinds list;
  for (auto& [kind, formed] : AllKinds())
    if (formed) list.push_back(std::move(kind));
  return list;
}

TFileKinds FamilyFileKinds(std::initializer_list<TFileFamily> replaced, std::initializer_list<TFileFamily> written) {
  const auto among = [](std::initializer_list<TFileFamily> families, TFileFamily family) {
    return std::find(families.begin(), families.end(), family) != families.end();
  };
  TFileKinds list;
  for (TFileKind& kind : StemFileKinds()) {
    if (among(replaced, kind.Family)) {
      list.push_back(std::move(kind));
    } else if (among(written, kind.Family)) {
      kind.Replaced = false;
      list.push_back(std::move(kind));
    }
  }
  return list;
}

}  // namespace ld
