#include "gui/common/import_commands.h"

#include "core/base/error.h"

namespace ld::gui {

const std::vector<TImportCommandInfo>& ImportCommandList() {
  static const std::vector<TImportCommandInfo> commands = {
      {"База РЭС", "ImportItem", "Импорт (*.RS)"},
      {"База РЭС", "ImpPshItem", "Импорт (*.PSH)"},
      {"База РЭС", "ImpXlsNetItem", "Импорт (ЗУРАН)"},
      {"База РЭС", "ImportTPItem", "Импорт замеров ТП (Ворсел)"},
      {"База РЭС", "ImpTPMeasItem", "Импорт замеров ТП"},
      {"База РЭС", "ImpFeederMeasItem", "Импорт замеров 10(6) кВ (Тальмиры)"},
      {"База РЭС", "ImpLine04Item", "Импорт линий 0.4 кВ (Тальмиры)"},
      {"База РЭС", "ImpDbfBaseItem", "Импорт базы абонентов (*.DBF)"},
      {"База РЭС", "ImpXlsBaseItem", "Импорт базы абонентов (*.XLS)"},
      {"Режим", "ImportCDU", "Импорт ЦДУ"},
      {"Режим", "ImpZamer", "Импорт замеров"},
      {"Режим", "ReadPntLin", "Чтение файлов PNT,LIN"},
      {"Каталог графиков", "ImpLBItem", "Импорт из файлов *.LB"},
      {"Каталог графиков", "ImpGRItem", "Импорт из файлов *.GRC, *.GRV"},
      {"Каталог графиков", "ImpSVEItem", "Импорт из файлов *.xls (АСКУЭ СВЭ)"},
      {"Каталог графиков", "ImpKOEItem", "Импорт из файлов *.xls (АСКУЭ Кирмаоблэнерго)"},
      {"Таблица", "mtSheetImport", "Ввод из Microsoft Excel"},
  };
  return commands;
}

const char* ImportCaption(std::string_view window, std::string_view name) {
  for (const TImportCommandInfo& command : ImportCommandList())
    if (window == command.Window && name == command.Name) return command.Caption;
  throw Error("нет команды импорта \"" + std::string(name) + "\" окна \"" + std::string(window) + "\"");
}

}  // namespace ld::gui
