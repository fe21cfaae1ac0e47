#pragma once
// The program's commands that write tables, a catalogue or the open grid's rows from a file the user
// chose, as one list: each window makes the action of such a command from here (ImportAction) when it
// builds its menus, hot keys and grid commands, and the command finds its file's reader by the name the
// list gives it, so a command of this kind is made by adding it here, and whatever checks every import
// command (the grouped tests of wrong files, of the readers and of the windows' menus) takes them from
// here.
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QObject;

namespace ld::gui {

struct TImportCommandInfo {
  const char* Window;   // the window as a user finds it: "База РЭС", "Режим", "Каталог графиков", "Таблица"
  const char* Name;     // the command's object name in its window (an action, a key, a grid command)
  const char* Caption;  // as the menu or the file dialog shows it
  // The reader of the district's list of outside files (OutsideReaders) that the command runs; null for a
  // command whose file is a workbook or a dBase base, read by the readers of sheets and bases.
  const char* Reader = nullptr;
  // The hot key that starts a command without a menu item ("Ctrl+P"); empty for a menu item.
  const char* Key = "";
};

const std::vector<TImportCommandInfo>& ImportCommandList();
// The window's import command of that name; throws ld::Error for one the list lacks.
const TImportCommandInfo& ImportCommand(std::string_view window, std::string_view name);
// Its caption.
const char* ImportCaption(std::string_view window, std::string_view name);
// The name of the outside reader it runs; throws ld::Error for a command that runs none.
const char* ImportReader(std::string_view window, std::string_view name);

// The action of the window's import command, made from the list: its caption, its object name and the
// mark by which the windows' menus are checked (kImportCommandMark: "<window>/<name>"), owned by parent.
QAction* ImportAction(std::string_view window, std::string_view name, QObject* parent);
inline constexpr char kImportCommandMark[] = "ldImportCommand";

}  // namespace ld::gui
