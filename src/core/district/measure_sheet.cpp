#include "core/district/measure_sheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/office/sheet_reader.h"
#include "core/tables/layout.h"

namespace ld {

namespace {

// What reading a number cell's text (FloatToStrGeneral(v, 15)) gives back. A number of at most 15
// significant digits in its shortest form comes back as it is, but for the sign of a zero: the nearest
// 15-digit decimal is that form itself. Others, and numbers near the ends of the range, take the text.
double NumberReadBack(double v) {
  if (v == 0) return 0;
  if (const double a = std::fabs(v); a >= 1e-300 && a <= 1e300) {
    char text[40];
    const char* end = std::to_chars(text, text + sizeof text, v, std::chars_format::scientific).ptr;
    int digits = 0;
    for (const char* p = text; p != end && *p != 'e'; ++p) digits += *p >= '0' && *p <= '9';
    if (digits <= 15) return v;
  }
  return StrToFloatZ(FloatToStrGeneral(v, 15));
}

// Where a measurement sheet's names end: this many empty cells one after another.
constexpr int kEndOfNames = 100;

// The cell's number; false for a text that is none or a value no table column holds.
bool CellNumber(const TSheetCells& cells, int col, int row, double& value) {
  const std::optional<double> v = SheetImportNumber(cells, row, col);
  if (v) value = *v;
  return v.has_value();
}

}  // namespace

namespace {

using TWord = std::u32string;

bool IsWordChar(char32_t ch) {
  return (ch >= U'A' && ch <= U'Z') || (ch >= U'А' && ch <= U'Я') || ch == U'Ё' || (ch >= U'0' && ch <= U'9') ||
         ch == U'Ї' || ch == U'І' || ch == U'Є' || ch == U'Ґ' || ch == U'№';
}

// A multiplication sign between the parts of a unit ("кВ*А", "кВ·А", "кВ⋅А", "кВ×А").
bool IsUnitJoiner(char32_t ch) {
  return ch == U'*' || ch == U'\u00B7' || ch == U'\u22C5' || ch == U'\u2219' || ch == U'\u2022' || ch == U'\u00D7';
}

// The words of a heading: runs of letters and digits, upper-cased, Latin look-alikes made Cyrillic (and a
// Latin V, which only a unit holds, its Cyrillic sound); a multiplication sign joins the parts of a unit,
// and a hyphen joins a word to the one or two signs after it ("Тр-р", "кВт-ч", "Т-1").
std::vector<TWord> HeadingWordList(std::string_view text) {
  const std::string upper = NormalizeName(text);
  std::vector<TWord> words(1);
  std::size_t joined = TWord::npos;  // where the part after a hyphen begins in the last word
  const auto endWord = [&] {
    TWord& last = words.back();
    // more than two signs after a hyphen are a word of their own ("Мощность-нагрузка")
    if (joined != TWord::npos && last.size() - joined > 2) {
      TWord tail = last.substr(joined);
      last.resize(joined);
      words.push_back(std::move(tail));
    }
    joined = TWord::npos;
    if (!words.back().empty()) words.emplace_back();
  };
  for (std::size_t pos = 0; pos < upper.size();) {
    char32_t ch = NextUtf8Char(upper, pos);
    if (ch == U'V') ch = U'В';
    if (IsWordChar(ch)) {
      words.back().push_back(ch);
    } else if (ch == U'-' && !words.back().empty() && joined == TWord::npos) {
      joined = words.back().size();
    } else if (!IsUnitJoiner(ch)) {
      endWord();
    }
  }
  endWord();
  words.pop_back();
  return words;
}

// The quantities a heading may name, as flags.
enum : unsigned {
  kActive = 1,    // active power or energy: P, W, kW, kW·h
  kReactive = 2,  // reactive: Q, kvar, kvar·h
  kApparent = 4,  // apparent power: S, kVA
  kCurrent = 8,   // I, A
  kVoltage = 16,  // U, kV
};

// A word stands for a longer one it abbreviates (three letters or more: "Акт." for "активная"), for a
// form of it ("нагрузки" of "нагрузка", "активный" of "активная"), or begins with it ("Sном.тр"). A form
// keeps four letters of the word at least: "номинальная" is no form of "номер".
bool StandsFor(const TWord& h, const TWord& word) {
  if (word.size() < 3) return h == word;
  if (h.starts_with(word) || (h.size() >= 3 && word.starts_with(h))) return true;
  return word.size() >= 6 && h.size() + 2 >= word.size() && h.starts_with(word.substr(0, word.size() - 2));
}

// A one-letter symbol of a quantity: P (Cyrillic Р after NormalizeName), Q, S, W, I, U.
unsigned SymbolQuantity(char32_t ch) {
  switch (ch) {
    case U'Р': case U'W': return kActive;
    case U'Q': return kReactive;
    case U'S': return kApparent;
    case U'I': return kCurrent;
    case U'U': return kVoltage;
    default: return 0;
  }
}

// What follows a symbol as its index: digits ("P1") or a few letters ("Рср", "Pmax", "Sном").
bool IsIndex(const TWord& index) {
  return std::all_of(index.begin(), index.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; }) ||
         index.size() <= 4;
}

const TWord kActiveWord = U"АКТИВНАЯ", kReactiveWord = U"РЕАКТИВНАЯ";

// The quantity a word of a heading names by itself: a unit ("кВт", "квар", "кВА", "А", "кВ"), a word of
// a quantity ("активная", "Реакт.", "ток", "напряжение") or a symbol with its index ("P1", "Wq" of the
// reactive energy, "Wреакт"); 0 for any other.
unsigned WordQuantity(const TWord& h) {
  static const std::vector<std::pair<TWord, unsigned>> units = {
      {U"ВТ", kActive},    {U"КВТ", kActive},    {U"МВТ", kActive},    {U"ВТЧ", kActive},     {U"КВТЧ", kActive},
      {U"МВТЧ", kActive},  {U"ГВТЧ", kActive},   {U"ВАР", kReactive},  {U"КВАР", kReactive}, {U"МВАР", kReactive},
      {U"ВАРЧ", kReactive}, {U"КВАРЧ", kReactive}, {U"МВАРЧ", kReactive}, {U"ВА", kApparent},  {U"КВА", kApparent},
      {U"МВА", kApparent}, {U"А", kCurrent},     {U"КА", kCurrent},    {U"ТОК", kCurrent},    {U"КВ", kVoltage}};
  for (const auto& [unit, quantity] : units)
    if (h == unit) return quantity;
  if (h.size() >= 3 && kReactiveWord.starts_with(h)) return kReactive;
  if (h.size() >= 3 && kActiveWord.starts_with(h)) return kActive;
  if (h.starts_with(U"НАПРЯЖ")) return kVoltage;
  // a distribution point ("РП") is a station, not P with an index
  if (h == U"РП") return 0;
  const unsigned symbol = h.empty() ? 0 : SymbolQuantity(h[0]);
  if (symbol == 0) return 0;
  // an index that names a kind of energy names the quantity ("Wq", "Pq", "Wреакт", "Wакт")
  const TWord index = h.substr(1);
  if (index.starts_with(U"Q")) return kReactive;
  if (index.size() >= 3 && kReactiveWord.starts_with(index)) return kReactive;
  if (index.size() >= 3 && kActiveWord.starts_with(index)) return kActive;
  return IsIndex(index) ? symbol : 0;
}

unsigned Quantities(const std::vector<TWord>& words) {
  unsigned all = 0;
  for (const TWord& w : words) all |= WordQuantity(w);
  return all;
}

// The words of a heading's column list and of the other columns' lists, and what the heading names.
struct THeadingMeaning {
  std::vector<TWord> held, own, other;
  unsigned column = 0, named = 0;

  THeadingMeaning(std::string_view heading, const std::vector<const char*>& words, const std::vector<const char*>& others)
      : held(HeadingWordList(heading)) {
    for (const char* example : words)
      for (TWord& w : HeadingWordList(example)) own.push_back(std::move(w));
    for (const char* example : others)
      for (TWord& w : HeadingWordList(example))
        if (w.size() >= 3 && WordQuantity(w) == 0) other.push_back(std::move(w));
    column = Quantities(own);
    named = Quantities(held);
  }

  // A unit or a symbol of another quantity ("Мощность, кВт" over a rated power in kVA, "Wq" over an active
  // energy), or a word that says another column of the sheet and none of this one ("Мощность нагрузки",
  // "S нагр." over a rated power).
  bool SaysAnother() const {
    if (column != 0 && (named & ~column) != 0) return true;
    const auto another = [&](const TWord& h) {
      return h.size() >= 3 && std::any_of(other.begin(), other.end(), [&](const TWord& w) { return StandsFor(h, w); }) &&
             std::none_of(own.begin(), own.end(), [&](const TWord& w) { return w.size() >= 3 && StandsFor(h, w); });
    };
    return std::any_of(held.begin(), held.end(), [&](const TWord& h) {
      return another(h) || (h.size() > 1 && SymbolQuantity(h[0]) != 0 && another(h.substr(1)));
    });
  }
};

}  // namespace

bool HeadingSaysAnother(std::string_view heading, const std::vector<const char*>& words,
                        const std::vector<const char*>& others) {
  return THeadingMeaning(heading, words, others).SaysAnother();
}

bool HeadingSays(std::string_view heading, const std::vector<const char*>& words,
                 const std::vector<const char*>& others) {
  const THeadingMeaning meaning(heading, words, others);
  if (meaning.SaysAnother()) return false;
  const std::vector<TWord>& held = meaning.held;
  const unsigned column = meaning.column, named = meaning.named;
  // the unit or symbol of the column's own quantity says it
  if (named != 0 && column != 0) return true;
  const auto holds = [&](const TWord& word) {
    return std::any_of(held.begin(), held.end(), [&](const TWord& h) {
      // a word of two signs stands for itself and what follows it closely ("Тр-р", "Sном" of "Sн")
      if (word.size() == 2) return h.starts_with(word) && h.size() <= 4;
      if (word.size() > 2) return StandsFor(h, word);
      // a symbol stands alone or begins an index; a letter that is no symbol stands for itself
      return SymbolQuantity(word[0]) != 0 ? h.starts_with(word) && IsIndex(h.substr(1)) : h == word;
    });
  };
  return std::any_of(words.begin(), words.end(), [&](const char* example) {
    const std::vector<TWord> needed = HeadingWordList(example);
    return !needed.empty() && std::all_of(needed.begin(), needed.end(), holds);
  });
}

std::string HeadingWordsText(const std::vector<const char*>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i)
    text += std::string(i == 0 ? "" : i + 1 == words.size() ? " или " : ", ") + "\"" + words[i] + "\"";
  return text;
}

bool RowHoldsValue(const TSheetCells& cells, int row, const std::vector<int>& cols) {
  return std::any_of(cols.begin(), cols.end(), [&](int col) {
    const TOutsideValue cell = cells(row, col);
    return !cell.Blank() &&
           (cell.Kind() == TOutsideValue::TKind::Unreadable || !cell.CoveredFault().empty() || cell.Number());
  });
}

TSheetCells ReaderCells(const TSheetReader& sheet) {
  return [&sheet](int row, int col) { return sheet.Value(row, col); };
}

std::optional<double> SheetImportNumber(const TSheetCells& cells, int row, int col) {
  const TOutsideValue value = cells(row, col);
  const TValueRead<double> number = value.Number();
  if (!number) return std::nullopt;
  // a number cell as its shown digits read back, so that a sum stored as 0.30000000000000004 is 0.3
  if (value.Kind() != TOutsideValue::TKind::Number) return *number;
  const double v = NumberReadBack(*number);
  return ImportNumberFits(v) ? std::optional<double>(v) : std::nullopt;
}

std::string SheetCellFault(const TSheetCells& cells, int row, int col) {
  const TOutsideValue value = cells(row, col);
  TValueRead<double> number = value.Number();
  std::string reason = number ? ImportNumberFault(NumberReadBack(*number)) : std::move(number.Fault);
  return reason.empty() ? reason : " (" + reason + ")";
}

TCellTextError::TCellTextError(int row, int col, std::string reason)
    : Error("ячейка " + SheetCellName(row, col) + ": " + reason), Row(row), Col(col), Reason(std::move(reason)) {}

TCellTextError::TCellTextError(std::string reason) : Error(reason), Row(0), Col(0), Reason(std::move(reason)) {}

int LongestTextField(std::initializer_list<const char*> layouts) {
  int longest = 0;
  for (const char* layout : layouts) {
    TDataFile table;
    ReadMaket(layout, table);
    for (int k = 1; k <= table.NCols; ++k)
      if (table.ColType[k] == 's' || table.ColType[k] == 't') longest = std::max<int>(longest, table.CtrlSize[k]);
  }
  return longest;
}

TSheetCells SheetCells(TSheetReader& sheet) {
  // A text longer than any name or number of the tables matches none, and copying it for every read of
  // a cell naming it would cost as much as the text each time: the reader looks at each text once.
  const int longest = LongestTextField({LayoutTransTP, LayoutSubstInputs, LayoutSubstFeeders});
  // the names are compared as ImportName cuts them: the blanks and line breaks at their ends do not count
  sheet.SetTextCheck([longest](std::string_view text) { return ImportTrimmedLengthFault(text, longest); });
  return ReaderCells(sheet);
}

bool EndsData(const TSheetCells& cells, int row, int col) {
  const TOutsideValue cell = cells(row, col);
  if (!cell.Blank() || cell.RangeOnly()) return false;
  if (std::string fault = cell.EndFault(); !fault.empty()) throw TCellTextError(row, col, std::move(fault));
  return true;
}

std::vector<TSheetName> ScanNameColumn(const TSheetCells& cells, const TNameColumn& column) {
  std::vector<TSheetName> names(1);
  int empty = 0;
  for (int row = 1; empty < kEndOfNames; ++row) {
    const TOutsideValue cell = cells(row, column.Col);
    TValueRead<std::string> read = cell.Name();
    TSheetName name;
    if (read) {
      name.Name = column.Normalise ? column.Normalise(*read) : *read;
      // an empty cell that may be a formula never calculated is no empty one
      if (name.Name.empty()) name.Fault = cell.EndFault();
    } else {
      name.Fault = std::move(read.Fault);
    }
    if (name.Name.empty() && name.Fault.empty()) {
      ++empty;
      // a name that cannot be read is named at its own cell alone
      if (column.CarryDown && names.back().Fault.empty()) name = names.back();
    } else {
      empty = 0;
    }
    names.push_back(std::move(name));
  }
  names.resize(names.size() - kEndOfNames);
  return names;
}

std::string TakeName(const TSheetCells& cells, int row, int col) {
  TValueRead<std::string> name = cells(row, col).Name();
  if (!name) throw TCellTextError(row, col, std::move(name.Fault));
  return std::move(*name.Value);
}

std::string TakeJoinedName(const TSheetCells& cells, int row, int col) {
  TValueRead<std::string> name = cells(row, col).LinesJoined().Name();
  if (!name) throw TCellTextError(row, col, std::move(name.Fault));
  return std::move(*name.Value);
}

std::string UpperTrimmed(std::string_view text) { return UpperCase(ImportName(text)); }

std::string SheetReadError(int row, int col) {
  return "Ошибка чтения. Строка " + std::to_string(row) + ", столбец " + std::to_string(col);
}

void NameCellFault(int row, int col, const std::string& fault, TImportMessages& messages, TImportTaken& taken) {
  std::string text = SheetReadError(row, col) + " (" + fault + ")";
  taken.NotTakenAt(row, text);
  messages.Add(std::move(text));
}

bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, std::vector<std::string>& messages) {
  TImportMessages bounded(messages);
  return ReadSheetValue(cells, col, row, value, bounded);
}

bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, TImportMessages& messages) {
  if (CellNumber(cells, col, row, value)) return true;
  messages.Add([&] { return SheetReadError(row, col) + SheetCellFault(cells, row, col); });
  return false;
}

bool ReadSheetValue(const TSheetCells& cells, int col, int row, float& value, TImportMessages& messages) {
  // every number a table column takes fits a single-precision value
  if (double v = 0; CellNumber(cells, col, row, v)) {
    value = static_cast<float>(v);
    return true;
  }
  messages.Add([&] { return SheetReadError(row, col) + SheetCellFault(cells, row, col); });
  return false;
}

}  // namespace ld
