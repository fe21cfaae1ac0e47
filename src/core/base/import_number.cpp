#include "core/base/import_number.h"

#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"

namespace ld {

std::string ImportNumberFault(double value) {
  if (ImportNumberFits(value)) return {};
  if (std::isnan(value)) return "значение не является числом";
  if (std::isinf(value)) return value > 0 ? "значение равно плюс бесконечности" : "значение равно минус бесконечности";
  return "число " + FloatToStrGeneral(value, 15) + " больше по модулю, чем вмещает столбец таблицы (" +
         FloatToStrGeneral(kLargestImportNumber, 8) + ")";
}

bool ImportNumberFits(double value) { return std::isfinite(value) && std::fabs(value) <= kLargestImportNumber; }

std::optional<double> ImportNumber(std::string_view text) {
  const std::optional<double> value = TryStrToFloatZ(ImportName(text));
  if (!value || !ImportNumberFits(*value)) return std::nullopt;
  return value;
}

std::optional<int> ImportInteger(std::string_view text, int lo, int hi) {
  const std::optional<int> value = TryStrToIntZ(ImportName(text));
  if (!value || *value < lo || *value > hi) return std::nullopt;
  return value;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits from text[at] on, at least `least` and at most `most` of them; false when there are fewer.
bool Digits(std::string_view text, std::size_t& at, std::size_t least, std::size_t most) {
  std::size_t n = 0;
  while (at < text.size() && n < most && IsDigit(text[at])) ++at, ++n;
  return n >= least;
}

// "8:00", "08:00:00" from text[at] to its end.
bool TimeFrom(std::string_view text, std::size_t at) {
  if (!Digits(text, at, 1, 2) || at == text.size() || text[at] != ':' || !Digits(text, ++at, 2, 2)) return false;
  if (at < text.size() && text[at] == ':' && !Digits(text, ++at, 2, 2)) return false;
  return at == text.size();
}

// "5.3.2026", "05.03.26", "05/03/2026", a date cell's text "05.03.2026 08:00:00".
bool IsDate(std::string_view text) {
  std::size_t at = 0;
  char separator = 0;
  // the day and the month, then the year
  for (int part = 0; part < 2; ++part) {
    if (!Digits(text, at, 1, 2) || at == text.size()) return false;
    if (separator == 0) separator = text[at];
    if (text[at] != separator || (separator != '.' && separator != '/')) return false;
    ++at;
  }
  if (!Digits(text, at, 2, 4)) return false;
  return at == text.size() || (text[at] == ' ' && TimeFrom(text, at + 1));
}

// The text, as the name rule gives it (its no-break spaces are spaces), without the blanks that a
// number's thousands are parted by: spaces and apostrophes.
std::string WithoutGroupBlanks(std::string_view text) {
  std::string out;
  for (const char c : text)
    if (c != ' ' && c != '\'') out += c;
  return out;
}

std::string NumberTextFault(std::string_view text, const char* what) {
  const std::string t = ImportName(text);
  // a number no column holds is named by its value, as a number cell's is
  if (const std::optional<double> value = TryStrToFloatZ(t)) return ImportNumberFault(*value);
  std::string why;
  if (IsDate(t)) {
    why = "это дата";
  } else if (TimeFrom(t, 0)) {
    why = "это время";
  } else if (t.size() <= kMostCellBytes && TryStrToFloatZ(WithoutGroupBlanks(t))) {
    why = "цифры разделены пробелами (разделители разрядов): число пишут без них";
  } else {
    // the first character at which the text stops being a number, among the characters a message shows
    const std::string shown = Utf8Left(t, 40);
    std::size_t good = 0;
    for (std::size_t at = 0; at < shown.size();) {
      NextUtf8Char(shown, at);
      if (TryStrToFloatZ(std::string_view(shown).substr(0, at))) good = at;
    }
    if (good > 0 && good < shown.size()) {
      std::size_t next = good;
      NextUtf8Char(shown, next);
      why = "символ \"" + ControlsShown(shown.substr(good, next - good)) + "\" на месте " +
            std::to_string(Utf8Length(shown.substr(0, good)) + 1);
    }
  }
  return "текст " + QuotedText(ControlsShown(t)) + " не является " + what + (why.empty() ? "" : ": " + why);
}

}  // namespace

std::string ImportNumberTextFault(std::string_view text) { return NumberTextFault(text, "числом"); }

std::string ImportIntegerTextFault(std::string_view text, int lo, int hi) {
  if (ImportInteger(text, lo, hi)) return {};
  if (std::string fault = NumberTextFault(text, "целым числом"); !fault.empty()) return fault;
  const std::string t = ImportName(text);
  if (!TryStrToIntZ(t)) return "текст " + QuotedText(t) + " не является целым числом";
  return "число " + std::string(t) + " вне пределов " + std::to_string(lo) + ".." + std::to_string(hi);
}

std::string SheetCellName(int row, int col) {
  std::string letters;
  for (int c = col; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters + std::to_string(row);
}

std::string ImportCellMessage(const std::string& file, const std::string& sheet, int row, int col,
                              const std::string& reason) {
  return "Ошибка чтения файла \"" + file + "\": лист \"" + sheet + "\", ячейка " + SheetCellName(row, col) + ": " +
         reason;
}

}  // namespace ld
