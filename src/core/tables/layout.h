#pragma once
// Layout-defined tables. What columns a table has is read at run time from the layout file
// "maket.zr" by the table's layout name; a table is one TDataFile record holding that layout and one
// typed array per column.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/base/dynarray.h"
#include "core/base/error.h"
#include "core/tables/file_stamp.h"

namespace ld {

inline constexpr int kMaxColumns = 70;

// The layout file; points at "maket.zr" beside the executable until someone sets it.
extern std::string MaketFileName;

// Layout names known to code. Every other name (catalogues, graph tables) is defined where it is used.
inline constexpr char LayoutDistrict10[] = "Формат РЭС 10(6) кВ";
inline constexpr char LayoutLines10[] = "Формат РЭС (линии)";
inline constexpr char LayoutLines04[] = "Формат РЭС (0.4 кВ)";
inline constexpr char LayoutTransTP[] = "Формат РЭС (ТП,РП)";
inline constexpr char LayoutSubstInputs[] = "Формат РЭС (вводы п/ст)";
inline constexpr char LayoutSubstFeeders[] = "Формат РЭС (фидеры п/ст)";
inline constexpr char LayoutConsumers[] = "Формат РЭС (абоненты)";
inline constexpr char LayoutMeterPoints[] = "База промышленных абонентов";
inline constexpr char LayoutHouseholds[] = "База бытовых абонентов";
inline constexpr char LayoutNodes[] = "Узлы схемы";
inline constexpr char LayoutBranches[] = "Ветви схемы";
inline constexpr char LayoutLineFlows[] = "Перетоки в линиях";
inline constexpr char LayoutSchemeAreas[] = "Районы схемы";
inline constexpr char LayoutLoadChars[] = "Стат.хар.нагрузки";
inline constexpr char LayoutNodeVoltages[] = "Напряжения узлов";
inline constexpr char LayoutLineLoads[] = "Загрузка линий";
inline constexpr char LayoutTransLoads[] = "Загрузка трансформаторов";
inline constexpr char LayoutLineLosses[] = "Потери в линиях";
inline constexpr char LayoutTransLosses[] = "Потери в трансформаторах";
inline constexpr char LayoutNodeEnergy[] = "Электропотребление в узлах";
inline constexpr char LayoutBranchEnergy[] = "Перетоки электроэнергии";
inline constexpr char LayoutNodeConsumption[] = "Потребление эл.энергии";
inline constexpr char LayoutLineEnergy[] = "Перетоки эл.энергии в линиях";
inline constexpr char LayoutTransEnergy[] = "Перетоки эл.энергии в тр-рах";
inline constexpr char LayoutLineEnergyLosses[] = "Потери эл.энергии в линиях";
inline constexpr char LayoutTransEnergyLosses[] = "Потери эл.энергии в тр-рах";
inline constexpr char LayoutTkzSources[] = "Данные т.к.з.";
inline constexpr char LayoutTkzRadius[] = "Радиус т.к.з.";
inline constexpr char LayoutConsumerList[] = "Список присоединенных абонентов";
inline constexpr char LayoutEnergyBalances[] = "Балансы электроэнергии";
inline constexpr char LayoutSwitchLog[] = "Переключения";
inline constexpr char LayoutCapCurrents[] = "Емкостные токи";
inline constexpr char LayoutUsers[] = "Пользователи";
// The layouts of the tables that the optimisations and the load graphs keep under a stem.
inline constexpr char LayoutKtrTable[] = "Трансформаторы";
inline constexpr char LayoutReactiveSources[] = "Оптимизация реактивов";
inline constexpr char LayoutStationSwitching[] = "Коммутация 2Т";
inline constexpr char LayoutCutOptimisation[] = "Оптимизация разрезов";
inline constexpr char GraphCatalogMaket[] = "Каталог графиков";
inline constexpr char GraphValuesMaket[] = "Значения графиков";
inline constexpr char LayoutLoadVariants[] = "Выборка нагрузок";
// A passport list's file is the base path of a district or scheme followed by the extension that the
// layout file gives these layouts.
inline const std::string ListLayoutT2 = "Список ТР(2)";
inline const std::string ListLayoutT3 = "Список ТР(3)";
inline const std::string ListLayoutTR = "Список ТР(р)";
inline const std::string ListLayoutRT = "Список токоогр.реакторов";

// The 16 colours of cell and title colour indices (Colors, TitleColor).
struct TPaletteColor {
  std::uint8_t R, G, B;
};
inline constexpr std::array<TPaletteColor, 16> ColorPalette = {{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},  {0, 0, 128},     {128, 0, 128},
    {0, 128, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0},     {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};
// Colors byte of a column: low nibble the font colour index, high nibble 15 minus the background index.
inline int FontColorIndex(std::uint8_t colors) { return colors & 0x0F; }
inline int BackColorIndex(std::uint8_t colors) { return 15 - (colors >> 4); }

template <typename T>
using TColumnAttr = std::array<T, kMaxColumns + 1>;  // used from index 1

// One table: its layout (name, extension, columns and key order), its title and its rows.
// Whoever declares or allocates one owns it; its arrays go with it.
struct TDataFile {
  std::string Name;       // layout name
  std::string Extention;  // file extension of the layout, with its point (".UZL")
  std::string Title;      // kept in the table file, not in the layout
  TFileStamp FileDate;    // the file as it was at its last read or write (its date shown); 0 when unknown
  std::int16_t NCols = 0;

  TColumnAttr<char> ColFlag{};          // '+': the column is absent from files of the old format
  TColumnAttr<char> ColType{};          // type letter
  TColumnAttr<std::int16_t> PixWidth{};
  TColumnAttr<std::uint8_t> CtrlSize{};  // most characters of a cell; capacity of a "t" column
  TColumnAttr<std::int16_t> FltDigit{};  // decimals shown; -1 general format
  TColumnAttr<std::uint8_t> Access{};    // 1 editable
  TColumnAttr<std::uint8_t> Visible{};   // 1 shown and exported
  TColumnAttr<std::uint8_t> Colors{};
  TColumnAttr<std::uint8_t> TitleColor{};
  TColumnAttr<std::string> FieldName;    // a name ending in '*' is a computed column, never stored
  TColumnAttr<std::string> ColTitle;
  TColumnAttr<std::string> Comment;

  std::int16_t NOrder = 0;               // key columns, Order[1..NOrder]
  TColumnAttr<std::uint8_t> Order{};

  std::int32_t RowCount = 0;             // rows 1..RowCount
  TColumnAttr<std::unique_ptr<TDynamicArray>> Columns;  // 1..NCols, each of its column's type
  std::unique_ptr<DAbyte> MarkRec;       // one mark byte per row: 0 unmarked, else the mark colour code
};
using PDataFile = TDataFile*;

// Clears the whole record and reads the named layout into it (no rows, no arrays). Returns true;
// every failure throws ld::Error.
bool ReadMaket(const std::string& layoutName, TDataFile& table);

// The extension of a layout without reading its columns.
std::string GetMaketExtention(const std::string& layoutName);

// The extensions of the layouts, comma-separated, as the table locks take a family's files.
std::string LayoutExtensions(const std::vector<const char*>& layouts);

// Sets RowCount and gives every column a new zeroed array of its type with that many rows, and
// MarkRec as many zero bytes.
void CreateColumns(TDataFile& table, int rowCount);

// Frees the arrays; the layout stays, so CreateColumns may follow at once. RowCount := 0, FileDate unknown.
void FreeTable(TDataFile& table);

// The number 1..NCols of the first column of that field name; throws when there is none.
int FindColumnIndex(const std::string& fieldName, const TDataFile& table);
// The array of that field (nullptr when the columns were not created); throws for an unknown field.
TDynamicArray* GetColumnArray(const std::string& fieldName, const TDataFile& table);
// The address of row 1 of that field's array.
void* GetColumnDataPtr(const std::string& fieldName, const TDataFile& table);

// The "not found" error of a field lookup.
[[noreturn]] void ThrowFieldNotFound(const std::string& fieldName, const TDataFile& table);

// The array of that field as the typed array T (DALongint, DAString ...); throws the field's
// "not found" error when the layout has no such field or declares it with another type.
template <typename T>
T* GetColumnAs(const std::string& fieldName, const TDataFile& table) {
  auto* typed = dynamic_cast<T*>(GetColumnArray(fieldName, table));
  if (!typed) ThrowFieldNotFound(fieldName, table);
  return typed;
}

// Text of one cell. Column 0 gives the row number. A zero number or character shows as an empty text.
// raw: general number format without thousands separators (for machine use); otherwise the column's
// decimals with the separators of FormatSettings.
std::string GetCellText(const TDataFile& table, int row, int col, bool raw);

// Stores a text into one cell. A read-only column is left alone (true). A text longer than the
// column's CtrlSize is cut and stored (false); a text that does not convert leaves the cell, clears
// `text` and gives false.
bool SetCellText(TDataFile& table, int row, int col, std::string& text);

// A new array of the type of a letter (capacity for "t"), or nullptr for a letter outside the types.
std::unique_ptr<TDynamicArray> NewColumnArray(char typeLetter, int rowCount, int capacity);

// The element address of a row: numeric and "c" types the element, "t" the inline fixed string, "s"
// the row's std::string (nullptr when the text is empty).
void* ItemPtrByType(TDynamicArray& array, char typeLetter, int row);

// Bytes per element of a type letter in memory and in files ("s": 0, variable; "t": capacity + 1);
// 0 also for an unknown letter.
int ElementSizeOf(char typeLetter, int capacity);
bool IsNumericType(char typeLetter);  // b d f i l n r w

}  // namespace ld
