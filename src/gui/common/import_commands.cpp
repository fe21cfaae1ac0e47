#include "gui/common/import_commands.h"

#include <QAction>
#include <QKeySequence>
#include <QString>

#include "core/base/error.h"

namespace ld::gui {

const std::vector<TImportCommandInfo>& ImportCommandList() {
  static const std::vector<TImportCommandInfo> commands = {
      {"База РЭС", "ImportItem", "Импорт (*.RS)", "База РЭС / Сеть / Импорт (*.RS)"},
      {"База РЭС", "ImpPshItem", "Импорт (*.PSH)", "База РЭС / Сеть / Импорт (*.PSH)"},
      {"База РЭС", "ImpXlsNetItem", "Импорт (ЗУРАН)", "База РЭС / Сеть / Импорт (ЗУРАН)"},
      {"База РЭС", "ImportTPItem", "Импорт замеров ТП (Ворсел)"},
      {"База РЭС", "ImpTPMeasItem", "Импорт замеров ТП"},
      {"База РЭС", "ImpFeederMeasItem", "Импорт замеров 10(6) кВ (Тальмиры)"},
      {"База РЭС", "ImpLine04Item", "Импорт линий 0.4 кВ (Тальмиры)"},
      {"База РЭС", "ImpDbfBaseItem", "Импорт базы абонентов (*.DBF)"},
      {"База РЭС", "ImpXlsBaseItem", "Импорт базы абонентов (*.XLS)"},
      {"Режим", "ImportCDU", "Импорт ЦДУ", "Режим / Схема / Импорт ЦДУ"},
      {"Режим", "ImpZamer", "Импорт замеров"},
      {"Режим", "ReadPntLin", "Чтение файлов PNT,LIN", "Режим / Узлы схемы / Чтение файлов PNT,LIN", "Ctrl+P"},
      {"Каталог графиков", "ImpLBItem", "Импорт из файлов *.LB", "Каталог графиков / Импорт из файлов *.LB"},
      {"Каталог графиков", "ImpGRItem", "Импорт из файлов *.GRC, *.GRV",
       "Каталог графиков / Импорт из файлов *.GRC, *.GRV"},
      {"Каталог графиков", "ImpSVEItem", "Импорт из файлов *.xls (АСКУЭ СВЭ)"},
      {"Каталог графиков", "ImpKOEItem", "Импорт из файлов *.xls (АСКУЭ Кирмаоблэнерго)"},
      {"Таблица", "mtSheetImport", "Ввод из Microsoft Excel"},
  };
  return commands;
}

const TImportCommandInfo& ImportCommand(std::string_view window, std::string_view name) {
  for (const TImportCommandInfo& command : ImportCommandList())
    if (window == command.Window && name == command.Name) return command;
  throw Error("нет команды импорта \"" + std::string(name) + "\" окна \"" + std::string(window) + "\"");
}

const char* ImportCaption(std::string_view window, std::string_view name) {
  return ImportCommand(window, name).Caption;
}

const char* ImportReader(std::string_view window, std::string_view name) {
  const TImportCommandInfo& command = ImportCommand(window, name);
  if (command.Reader == nullptr)
    throw Error("команда импорта \"" + std::string(name) + "\" окна \"" + std::string(window) + "\" не читает файлов списка");
  return command.Reader;
}

QAction* ImportAction(std::string_view window, std::string_view name, QObject* parent) {
  const TImportCommandInfo& command = ImportCommand(window, name);
  auto* action = new QAction(QString::fromUtf8(command.Caption), parent);
  action->setObjectName(QString::fromUtf8(command.Name));
  // a key of its own works where its window takes the key to this action
  if (*command.Key != 0) action->setShortcut(QKeySequence(QString::fromUtf8(command.Key)));
  action->setProperty(kImportCommandMark, QString::fromUtf8(command.Window) + "/" + QString::fromUtf8(command.Name));
  return action;
}

}  // namespace ld::gui
