#pragma once
// The program's commands that write tables, a catalogue or the open grid's rows from a file the user
// chose, as one list: each window takes the caption of such a command from here when it builds its
// menus, shortcuts and grid commands, so a command of this kind is made by adding it here, and whatever
// checks every import command (the grouped test of wrong files) takes them from here.
#include <string>
#include <string_view>
#include <vector>

namespace ld::gui {

struct TImportCommandInfo {
  const char* Window;   // the window as a user finds it: "База РЭС", "Режим", "Каталог графиков", "Таблица"
  const char* Name;     // the command's object name in its window (an action, a key, a grid command)
  const char* Caption;  // as the menu or the file dialog shows it
};

const std::vector<TImportCommandInfo>& ImportCommandList();
// The caption of the window's import command of that name; throws ld::Error for one the list lacks.
const char* ImportCaption(std::string_view window, std::string_view name);

}  // namespace ld::gui
