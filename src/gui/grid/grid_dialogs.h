#pragma once
// Entry points of the grid's dialogs. Each creates its form, runs it through ExecModal and works on
// the grid or the values handed over.
#include <cstdint>
#include <string>

#include "core/tables/layout.h"

namespace ld::gui {

class TDataGrid5;

// "Поиск": finds texts in the grid's current column, one hit after the other.
void ExecuteFindDialog(TDataGrid5& grid);
// "Замена": replaces a text in the grid's current column.
void ExecuteReplaceDialog(TDataGrid5& grid);
// "Выборка данных": the bounds of a range selection, written back at closing; false on "Отмена".
bool ExecuteRangeDialog(std::string& from, std::string& to, bool& inclusive);
// "Цвет строки": a mark byte from a text and a background colour; false on "Отменить".
bool ExecuteRowColorDialog(std::uint8_t& color);
// "Сравнение по колонкам": compares the grid's table with another file of the same layout.
void ExecuteCompareDialog(TDataGrid5& grid);
// "Настройка форматов таблиц": edits the table's layout and rewrites its block in the layout file.
void EditMaket(TDataFile& table);

}  // namespace ld::gui
