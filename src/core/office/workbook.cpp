#include "core/office/workbook.h"

#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/office/number_formats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>

namespace ld {

namespace {

const SheetCell kEmptyCell{};

// Days from 1.1.1970 of a proleptic Gregorian date (the civil-from-days pair below inverts it).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// What makes a spreadsheet program store the results a book's formulas give, as LibreOffice 7.4 names
// its command in its Russian menus (its English ones say "Data → Calculate → Recalculate Hard").
constexpr std::string_view kRecalculateAdvice =
    "откройте книгу в табличной программе, пересчитайте ее (в LibreOffice \"Данные → Содержимое ячейки → "
    "Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";

// How a person gives a cell a format that shows its value, as LibreOffice 7.4 names it in its Russian
// menus.
constexpr std::string_view kOtherFormatAdvice =
    "выберите для ячейки формат, который ее показывает (в LibreOffice \"Формат → Ячейки…\", вкладка \"Числа\"), "
    "и сохраните книгу";

// Serial day 0 is 30.12.1899.
const std::int64_t kSerialEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

std::string UnreadableCellReason(UnreadableCell why, std::string_view value) {
  if (why == UnreadableCell::ErrorValue) return "значение ошибки " + QuotedText(value);
  if (why == UnreadableCell::BooleanValue) return "логическое значение " + QuotedText(value);
  // LibreOffice recalculates no such book when it opens it: saved at once, it keeps the placeholders
  if (why == UnreadableCell::RecalculatedOnOpening)
    return "книга требует пересчитать формулы при открытии, и записанное в ней значение формулы может быть не тем, "
           "что покажет табличная программа: " + std::string(kRecalculateAdvice);
  if (why == UnreadableCell::NotShownByFormat)
    return "число " + QuotedText(value) + " не показывается форматом ячейки: формат показывает только конечное число, "
           "время и длительность — меньше 100000000000 суток, а дробь — с целой частью и числителем меньше 1000000000000000 и "
           "знаменателем не длиннее 15 цифр; " + std::string(kOtherFormatAdvice);
  if (why == UnreadableCell::TextBeyondFormat)
    return "формат чисел " + std::string(value) + " повторяет текст ячейки так, что он длиннее " +
           std::to_string(office::kLongestCellText) + " символов, а таких текстов ячейка не показывает; " +
           std::string(kOtherFormatAdvice);
  if (why == UnreadableCell::NotADate)
    return "текст " + QuotedText(value) + " ячейки типа \"дата\" не называет дня календаря (ГГГГ-ММ-ДД, "
           "со временем ГГГГ-ММ-ДДTЧЧ:ММ:СС, с 1900 по 9999 год)";
  // a book re-saved without recalculating keeps the results it held, the placeholder zeros of a book
  // that asks to be calculated on opening too, and would then be read without a word
  return "формула без вычисленного значения: " + std::string(kRecalculateAdvice);
}

namespace {

// A whole number by the fewest significant digits that give it back, zeros after them: never digits of
// its binary form that no one typed (12345678901234500000, not 12345678901234499584).
std::string WholeNumberText(double value) {
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string_view s(buffer, ec == std::errc() ? end : buffer);
  const std::size_t e = s.find('e');
  if (e == std::string_view::npos) return std::string(s);
  int exp10 = 0;
  const char* power = s.data() + e + (s[e + 1] == '+' ? 2 : 1);
  if (std::from_chars(power, s.data() + s.size(), exp10).ec != std::errc()) return std::string(s);
  std::string text(s.substr(0, s.front() == '-' ? 2 : 1));
  std::string decimals(e > text.size() + 1 ? s.substr(text.size() + 1, e - text.size() - 1) : std::string_view());
  if (static_cast<int>(decimals.size()) > exp10) return std::string(s);
  decimals.append(static_cast<std::size_t>(exp10) - decimals.size(), '0');
  return text + decimals;
}

}  // namespace

std::string CutNumberReason(double value, std::string_view shown) {
  const std::string said = "число " + QuotedText(WholeNumberText(value)) + " показано форматом ячейки как " +
                           QuotedText(shown) + ", без части своих цифр: ";
  // past 2^53 a spreadsheet keeps no number's every digit, in any format: only a text keeps them
  if (std::fabs(value) >= 9007199254740992.0)
    return said + "в числе табличная программа хранит не больше 15 значащих цифр; впишите его текстом (в LibreOffice "
                  "с апострофом перед цифрами) и сохраните книгу";
  return said + "покажите его целиком (в LibreOffice \"Формат → Ячейки…\", вкладка \"Числа\", категория \"Числовой\", "
                "формат \"0\") и сохраните книгу";
}

// A hidden first sheet is most often last month's, kept behind this month's: shown, it would be the
// sheet read, so the way to the data meant is to put their sheet before it. LibreOffice's dialog of
// moving a sheet lists the hidden sheets among those to insert before.
std::string HiddenFirstSheetMessage(const std::string& file, const std::string& sheet) {
  return "Ошибка чтения файла \"" + file + "\": первый лист книги \"" + sheet +
         "\" скрыт, а читается первый лист: поставьте первым лист с данными (в LibreOffice \"Лист → "
         "Переместить/скопировать лист…\", вставить перед \"" + sheet + "\") и сохраните книгу";
}

// A sheet of notes or an empty one put in front of the data is the sheet read, so the way to the data
// is the same as past a hidden one: their sheet put first.
std::string FirstSheetWithoutTableMessage(const std::string& file, const std::string& sheet, const std::string& table) {
  return "Ошибка чтения файла \"" + file + "\": лист \"" + sheet +
         "\", первый в книге, читается, но таблицы на нем нет; таблица есть на листе \"" + table +
         "\": поставьте его первым (в LibreOffice \"Лист → Переместить/скопировать лист…\", вставить перед \"" + sheet +
         "\") и сохраните книгу";
}

std::string UnreadableCellMessage(const std::string& file, const std::string& sheet, int row, int col,
                                  UnreadableCell why, std::string_view value) {
  return ImportCellMessage(file, sheet, row, col, UnreadableCellReason(why, value));
}

const SheetCell& Worksheet::Cell(int row, int col) const {
  if (!unreadable_.empty())
    if (const auto it = unreadable_.find({row, col}); it != unreadable_.end())
      throw Error(UnreadableCellMessage(file_, name_, row, col, it->second.first, it->second.second));
  const auto it = cells_.find({row, col});
  return it == cells_.end() ? kEmptyCell : it->second;
}

void Worksheet::Extend(int row, int col) {
  if (row > lastRow_) lastRow_ = row;
  if (col > lastCol_) lastCol_ = col;
}

SheetCell& Worksheet::At(int row, int col) {
  Extend(row, col);
  if (!unreadable_.empty()) unreadable_.erase({row, col});
  return cells_[{row, col}];
}

void Worksheet::SetUnreadable(int row, int col, UnreadableCell why, std::string value) {
  Extend(row, col);
  if (!cells_.empty()) cells_.erase({row, col});
  std::string_view kept;
  if (!value.empty()) {
    if (!unreadableValues_) unreadableValues_ = std::make_shared<std::set<std::string, std::less<>>>();
    auto it = unreadableValues_->find(value);
    if (it == unreadableValues_->end()) it = unreadableValues_->insert(std::move(value)).first;
    kept = *it;
  }
  // cells come in row order from every reader: past the last one, no search of the tree
  const std::pair<int, int> at{row, col};
  if (unreadable_.empty() || unreadable_.rbegin()->first < at)
    unreadable_.emplace_hint(unreadable_.end(), at, TUnreadable{why, kept});
  else
    unreadable_[at] = {why, kept};
}

void Worksheet::SetNumber(int row, int col, double value) {
  SheetCell& cell = At(row, col);
  cell.kind = CellKind::Number;
  cell.number = value;
  cell.text.clear();
}

void Worksheet::SetText(int row, int col, std::string text) {
  SheetCell& cell = At(row, col);
  cell.kind = CellKind::Text;
  cell.number = 0;
  cell.text = std::move(text);
}

void Worksheet::SetDate(int row, int col, double serial) {
  SheetCell& cell = At(row, col);
  cell.kind = CellKind::Date;
  cell.number = serial;
  cell.text.clear();
}

void Worksheet::SetBold(int row, int col, bool bold) { At(row, col).bold = bold; }

void Worksheet::Set(int row, int col, SheetCell cell) { At(row, col) = std::move(cell); }

std::string Worksheet::CellText(int row, int col) const {
  const SheetCell& cell = Cell(row, col);
  return cell.kind == CellKind::Text ? cell.text : NumberCellText(cell.kind, cell.number);
}

TOutsideValue Worksheet::Value(int row, int col) const {
  if (!unreadable_.empty())
    if (const auto it = unreadable_.find({row, col}); it != unreadable_.end())
      return TOutsideValue::Unreadable(UnreadableCellReason(it->second.first, it->second.second));
  const auto it = cells_.find({row, col});
  if (it == cells_.end()) return {};
  const SheetCell& cell = it->second;
  switch (cell.kind) {
    case CellKind::Number: {
      bool cut = false;
      std::string shown = NumberCellText(cell.kind, cell.number, &cut);
      if (cut) return TOutsideValue::CutNumber(cell.number, shown, CutNumberReason(cell.number, shown));
      return TOutsideValue::Number(cell.number, std::move(shown));
    }
    case CellKind::Date: return TOutsideValue::Date(cell.number, NumberCellText(cell.kind, cell.number));
    case CellKind::Text: return TOutsideValue::Text(cell.text);
    case CellKind::Empty: break;
  }
  return {};
}

std::string NumberCellText(CellKind kind, double value, bool* dropsDigits) {
  if (dropsDigits) *dropsDigits = false;
  // a whole number (a row's number, a count, a meter) is its digits, as the general form gives them while
  // a double holds each unit (up to 2^53, sixteen digits): each cell of a column of a million numbers is
  // shown without working out its digits. Past that the general form shows 15 digits and a power of ten,
  // no digits of the number's own
  constexpr double kEveryUnit = 9007199254740992.0;
  if (kind == CellKind::Number && value > -kEveryUnit && value < kEveryUnit && std::trunc(value) == value)
    return std::to_string(static_cast<std::int64_t>(value));
  if (dropsDigits && kind == CellKind::Number && std::isfinite(value) && std::trunc(value) == value)
    *dropsDigits = true;
  switch (kind) {
    case CellKind::Number: return FloatToStrGeneral(value, 15);
    case CellKind::Date: return DateSerialText(value);
    case CellKind::Empty:
    case CellKind::Text: break;
  }
  return {};
}

double DateSerial(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return static_cast<double>(days - kSerialEpoch) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string DateSerialText(double serial) {
  if (!std::isfinite(serial)) return {};
  // A day no calendar shows (a damaged or foreign file) is shown as the number it is.
  if (!office::IsDateSerialInRange(serial)) return FloatToStrGeneral(serial, 15);
  // Rounded to the second first, so that 23:59:59.7 becomes the next day's midnight.
  const double total = std::round(serial * 86400.0);
  auto days = static_cast<std::int64_t>(std::floor(total / 86400.0));
  const auto seconds = static_cast<int>(total - static_cast<double>(days) * 86400.0);
  int year = 0, month = 0, day = 0;
  CivilFromDays(days + kSerialEpoch, year, month, day);
  char buf[48];
  if (serial < 1 && days == 0)
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  else if (seconds == 0)
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", day, month, year);
  else
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", day, month, year, seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
  return buf;
}

}  // namespace ld
