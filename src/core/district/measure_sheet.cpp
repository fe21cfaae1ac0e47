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

// A word of a heading as the rule reads it (upper-cased, Latin look-alikes Cyrillic) and as the heading
// writes it, for a refusal to quote.
struct THeadingWord {
  TWord Word;
  std::string Written;
};

// The meanings a heading's words may name, as flags: the quantities a unit or a symbol names, and what
// no measured value is.
enum : unsigned {
  kActive = 1,    // active power or energy: P, W, kW, kW·h
  kReactive = 2,  // reactive: Q, kvar, kvar·h
  kApparent = 4,  // apparent power: S, kVA
  kCurrent = 8,   // I, A
  kVoltage = 16,  // U, kV
  kLength = 32,
  kPeriod = 64,  // a month, a quarter
  kCount = 128,
  kYear = 256,
  kPercent = 512,
  kFactor = 1024,  // cos φ, tg φ, a ratio
  kInventory = 2048,
  kDate = 4096,
  kCode = 8192,
  kNumber = 16384,
};
constexpr unsigned kQuantities = kActive | kReactive | kApparent | kCurrent | kVoltage;

// How a refusal names a meaning: the lowest flag of the set.
std::string MeaningName(unsigned meaning) {
  static const std::vector<std::pair<unsigned, const char*>> names = {
      {kActive, "активная мощность или энергия"}, {kReactive, "реактивная мощность или энергия"},
      {kApparent, "полная мощность"}, {kCurrent, "ток"}, {kVoltage, "напряжение"}, {kLength, "длина"},
      {kPeriod, "период (месяц, квартал)"}, {kCount, "количество"}, {kYear, "год"}, {kPercent, "проценты"},
      {kFactor, "коэффициент"}, {kInventory, "инвентарный номер"}, {kDate, "дата"}, {kCode, "код"},
      {kNumber, "номер"}};
  for (const auto& [flag, name] : names)
    if (meaning & flag) return name;
  return {};
}

// The quantity a unit names ("кВт", "МВт*ч", "кВА", "А", "км", "%"); 0 for a word that is no unit. Units
// of one quantity differ in their scale and in power against energy: each is a unit of its own.
unsigned UnitQuantity(const TWord& h) {
  static const std::vector<std::pair<TWord, unsigned>> units = {
      {U"ВТ", kActive},    {U"КВТ", kActive},    {U"МВТ", kActive},    {U"ВТЧ", kActive},     {U"КВТЧ", kActive},
      {U"МВТЧ", kActive},  {U"ГВТЧ", kActive},   {U"ВАР", kReactive},  {U"КВАР", kReactive}, {U"МВАР", kReactive},
      {U"ВАРЧ", kReactive}, {U"КВАРЧ", kReactive}, {U"МВАРЧ", kReactive}, {U"ВА", kApparent},  {U"КВА", kApparent},
      {U"МВА", kApparent}, {U"А", kCurrent},     {U"КА", kCurrent},    {U"КВ", kVoltage},     {U"М", kLength},
      {U"КМ", kLength},    {U"%", kPercent}};
  for (const auto& [unit, quantity] : units)
    if (h == unit) return quantity;
  return 0;
}

// A power's unit that an hour after it makes an energy's ("кВт.ч", "кВт-час").
bool IsPowerUnit(const TWord& h) {
  for (const TWord unit : {U"ВТ", U"КВТ", U"МВТ", U"ВАР", U"КВАР", U"МВАР"})
    if (h == unit) return true;
  return false;
}

// The words of a heading: runs of letters and digits, upper-cased, Latin look-alikes made Cyrillic (and a
// Latin V, which only a unit holds, its Cyrillic sound); a multiplication sign joins the parts of a unit,
// a hyphen joins a word to the one or two signs after it ("Тр-р", "кВт-ч", "Т-1"), and a power's unit
// takes the hour written after it ("кВт.ч"). A percent sign is a word of its own.
std::vector<THeadingWord> HeadingWords(std::string_view text) {
  std::vector<THeadingWord> words(1);
  // where the part after a hyphen begins in the last word, and in its written text
  std::size_t joined = TWord::npos, writtenJoined = 0;
  const auto endWord = [&] {
    THeadingWord& last = words.back();
    // more than two signs after a hyphen are a word of their own ("Мощность-нагрузка")
    if (joined != TWord::npos && last.Word.size() - joined > 2) {
      THeadingWord tail{last.Word.substr(joined), last.Written.substr(writtenJoined + 1)};
      last.Word.resize(joined);
      last.Written.resize(writtenJoined);
      words.push_back(std::move(tail));
    }
    joined = TWord::npos;
    if (!words.back().Word.empty()) words.emplace_back();
  };
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t from = pos;
    NextUtf8Char(text, pos);
    const std::string_view written = text.substr(from, pos - from);
    const std::string upper = NormalizeName(written);
    std::size_t at = 0;
    char32_t ch = NextUtf8Char(upper, at);
    if (ch == U'V') ch = U'В';
    if (IsWordChar(ch)) {
      words.back().Word.push_back(ch);
      words.back().Written += written;
    } else if (ch == U'-' && !words.back().Word.empty() && joined == TWord::npos) {
      joined = words.back().Word.size();
      writtenJoined = words.back().Written.size();
      words.back().Written += written;
    } else if (IsUnitJoiner(ch)) {
      if (!words.back().Word.empty()) words.back().Written += written;
    } else {
      endWord();
      if (ch == U'%') {
        words.back() = {U"%", "%"};
        words.emplace_back();
      }
    }
  }
  endWord();
  words.pop_back();
  for (std::size_t i = 0; i + 1 < words.size(); ++i)
    if (IsPowerUnit(words[i].Word) && (words[i + 1].Word == U"Ч" || words[i + 1].Word == U"ЧАС")) {
      words[i].Word += U"Ч";
      words[i].Written += "." + words[i + 1].Written;
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }
  return words;
}

std::vector<TWord> HeadingWordList(std::string_view text) {
  std::vector<TWord> list;
  for (THeadingWord& w : HeadingWords(text)) list.push_back(std::move(w.Word));
  return list;
}

// A word stands for a longer one it abbreviates (three letters or more: "Акт." for "активная"), for a
// form of it ("нагрузки" of "нагрузка", "активный" of "активная"), or begins with it ("Sном.тр"). A form
// keeps four letters of the word at least: "номинальная" is no form of "номер".
bool IsFormOf(const TWord& h, const TWord& word) {
  return word.size() >= 6 && h.size() + 2 >= word.size() && h.starts_with(word.substr(0, word.size() - 2));
}
bool StandsFor(const TWord& h, const TWord& word) {
  if (word.size() < 3) return h == word;
  return h.starts_with(word) || (h.size() >= 3 && word.starts_with(h)) || IsFormOf(h, word);
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

// What follows a symbol as its index: digits ("P1"), a letter ("Sн", "Ia", "Qm") or an index people
// write ("Рср", "Pmax", "Sном", "Uзам"), digits after it or none. Other letters make a word of its own:
// "руб." is no P with an index.
bool IsIndex(const TWord& index) {
  static const std::vector<TWord> indices = {U"СР",  U"МАКС", U"МАX", U"МИН", U"НОМ", U"ЗАМ", U"СУМ", U"ОБР",
                                             U"ОТП", U"ПР",   U"ТР",  U"УСТ", U"РАСЧ", U"ДОП", U"НАГР"};
  std::size_t letters = 0;
  while (letters < index.size() && !(index[letters] >= U'0' && index[letters] <= U'9')) ++letters;
  if (!std::all_of(index.begin() + static_cast<std::ptrdiff_t>(letters), index.end(),
                   [](char32_t c) { return c >= U'0' && c <= U'9'; }))
    return false;
  return letters <= 1 || std::find(indices.begin(), indices.end(), index.substr(0, letters)) != indices.end();
}

// A symbol numbered by its place alone ("W2" of the second of four energies): in a column's list it says
// the column by its number, not by the symbol's quantity.
bool IsNumberedSymbol(const TWord& h) {
  return h.size() >= 2 && SymbolQuantity(h[0]) != 0 &&
         std::all_of(h.begin() + 1, h.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; });
}

const TWord kActiveWord = U"АКТИВНАЯ", kReactiveWord = U"РЕАКТИВНАЯ";

// The quantity a word of a heading names by itself: a unit ("кВт", "квар", "кВА", "А", "кВ"), a word of
// a quantity ("активная", "Реакт.", "ток", "напряжение") or a symbol with its index ("P1", "Wq" of the
// reactive energy, "Wреакт"); 0 for any other.
unsigned WordQuantity(const TWord& h) {
  if (const unsigned unit = UnitQuantity(h); unit & kQuantities) return unit;
  if (h == U"ТОК") return kCurrent;
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

// A word that names what no measured value is, and whether a word of three letters or more that begins
// it stands for it ("Инв.", "Кол.", "Янв.").
struct TMeaningWord {
  TWord Word;
  unsigned Meaning;
  bool Abbreviated;
};

// What a word of a heading means: the quantity of its unit or symbol, or a period, a count, a year, a
// length, a percent, a ratio, an inventory number, a date, a code or a number; 0 for any other word.
unsigned Meaning(const TWord& h) {
  static const std::vector<TMeaningWord> words = {
      {U"ЯНВАРЬ", kPeriod, true},    {U"ФЕВРАЛЬ", kPeriod, true},  {U"МАРТ", kPeriod, true},
      {U"АПРЕЛЬ", kPeriod, true},    {U"МАЙ", kPeriod, false},     {U"МАЯ", kPeriod, false},
      {U"ИЮНЬ", kPeriod, true},      {U"ИЮНЯ", kPeriod, false},    {U"ИЮЛЬ", kPeriod, true},
      {U"ИЮЛЯ", kPeriod, false},     {U"АВГУСТ", kPeriod, true},   {U"СЕНТЯБРЬ", kPeriod, true},
      {U"ОКТЯБРЬ", kPeriod, true},   {U"НОЯБРЬ", kPeriod, true},   {U"ДЕКАБРЬ", kPeriod, true},
      {U"КВАРТАЛ", kPeriod, true},   {U"МЕСЯЦ", kPeriod, false},   {U"ПЕРИОД", kPeriod, false},
      {U"ГОД", kYear, false},        {U"КОЛВО", kCount, false},    {U"КОЛИЧЕСТВО", kCount, true},
      {U"ШТ", kCount, false},        {U"ДЛИНА", kLength, false},   {U"ПРОТЯЖЕННОСТЬ", kLength, true},
      {U"ПРОЦЕНТ", kPercent, false}, {U"ЗАГРУЗКА", kPercent, false}, {U"СОS", kFactor, false},
      {U"ТG", kFactor, false},       {U"КОЭФФИЦИЕНТ", kFactor, true}, {U"ИНВЕНТАРНЫЙ", kInventory, true},
      {U"ДАТА", kDate, false},       {U"КОД", kCode, false},       {U"НОМЕР", kNumber, false},
      {U"№", kNumber, false},        {U"N", kNumber, false}};
  if (const unsigned unit = UnitQuantity(h)) return unit;
  if (const unsigned quantity = WordQuantity(h)) return quantity;
  for (const TMeaningWord& w : words) {
    const bool stands = w.Word.size() < 3 ? h == w.Word
                                          : h.starts_with(w.Word) || IsFormOf(h, w.Word) ||
                                                (w.Abbreviated && h.size() >= 3 && w.Word.starts_with(h));
    if (stands) return w.Meaning;
  }
  return 0;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// What a heading says of a column whose words people write are `words` and whose sheet's other columns'
// are `others`: nothing when it says the column; otherwise what it names instead ('"кВА" - полная
// мощность'), or an empty text when it holds none of the column's words and names nothing else.
std::optional<std::string> HeadingVerdict(std::string_view heading, const std::vector<const char*>& words,
                                          const std::vector<const char*>& others) {
  const std::vector<THeadingWord> held = HeadingWords(heading);
  std::vector<TWord> own, other;
  // what the column's words mean, and the units it stores its values in
  unsigned column = 0;
  std::string units;
  for (const char* example : words)
    for (THeadingWord& w : HeadingWords(example)) {
      if (!IsNumberedSymbol(w.Word)) column |= Meaning(w.Word);
      if (UnitQuantity(w.Word) != 0 && units.find(Quoted(w.Written)) == std::string::npos)
        units += (units.empty() ? "" : ", ") + Quoted(w.Written);
      own.push_back(std::move(w.Word));
    }
  for (const char* example : others)
    for (TWord& w : HeadingWordList(example))
      if (w.size() >= 3 && WordQuantity(w) == 0) other.push_back(std::move(w));
  const auto isOwn = [&](const TWord& h) { return std::find(own.begin(), own.end(), h) != own.end(); };
  // a unit of the column's own said once makes a month beside it the time of the value ("за ноябрь, кВт*ч")
  const bool ownUnit = std::any_of(held.begin(), held.end(), [&](const THeadingWord& h) {
    return UnitQuantity(h.Word) != 0 && isOwn(h.Word);
  });
  // a symbol numbered by its place names another column than the one of the list's number ("W2" over W1)
  const bool numbered = std::any_of(own.begin(), own.end(), IsNumberedSymbol);
  unsigned named = 0;
  // the quantities, units and scales first, then what no measured value is
  for (const bool quantities : {true, false})
    for (const THeadingWord& h : held) {
      // a word the column's list holds is the column's ("W2" over the second energy)
      if (isOwn(h.Word)) {
        named |= Meaning(h.Word) & column;
        continue;
      }
      if (quantities && numbered && IsNumberedSymbol(h.Word)) return Quoted(h.Written) + " - номер другого столбца";
      const unsigned meaning = Meaning(h.Word);
      if (meaning == 0 || ((meaning & kQuantities) != 0) != quantities) continue;
      if (UnitQuantity(h.Word) != 0 && (meaning & column) != 0 && !units.empty())
        return Quoted(h.Written) + " - не та единица: значения столбца - в " + units;
      if (meaning == kPeriod && ownUnit) continue;
      if ((meaning & ~column) != 0) return Quoted(h.Written) + " - " + MeaningName(meaning & ~column);
      named |= meaning;
    }
  // a word that says another column of the sheet and none of this one ("Мощность нагрузки", "S нагр."
  // over a rated power)
  const auto another = [&](const TWord& h) {
    return h.size() >= 3 && std::any_of(other.begin(), other.end(), [&](const TWord& w) { return StandsFor(h, w); }) &&
           std::none_of(own.begin(), own.end(), [&](const TWord& w) { return w.size() >= 3 && StandsFor(h, w); });
  };
  for (const THeadingWord& h : held)
    if (another(h.Word) || (h.Word.size() > 1 && SymbolQuantity(h.Word[0]) != 0 && another(h.Word.substr(1))))
      return Quoted(h.Written) + " - слово другого столбца";
  // the unit or symbol of the column's own quantity says it
  if ((named & kQuantities) != 0 && (column & kQuantities) != 0) return std::nullopt;
  const auto holds = [&](const TWord& word) {
    return std::any_of(held.begin(), held.end(), [&](const THeadingWord& w) {
      const TWord& h = w.Word;
      // a word of two signs stands for itself and what follows it closely ("Тр-р", "Sном" of "Sн")
      if (word.size() == 2) return h.starts_with(word) && h.size() <= 4;
      if (word.size() > 2) return StandsFor(h, word);
      // a symbol stands alone or begins an index; a letter that is no symbol stands for itself
      return SymbolQuantity(word[0]) != 0 ? h.starts_with(word) && IsIndex(h.substr(1)) : h == word;
    });
  };
  const bool says = std::any_of(words.begin(), words.end(), [&](const char* example) {
    const std::vector<TWord> needed = HeadingWordList(example);
    return !needed.empty() && std::all_of(needed.begin(), needed.end(), holds);
  });
  return says ? std::nullopt : std::optional<std::string>(std::string());
}

}  // namespace

bool HeadingSays(std::string_view heading, const std::vector<const char*>& words,
                 const std::vector<const char*>& others) {
  return !HeadingVerdict(heading, words, others).has_value();
}

std::string HeadingFault(std::string_view heading, const std::vector<const char*>& words,
                         const std::vector<const char*>& others) {
  const std::optional<std::string> verdict = HeadingVerdict(heading, words, others);
  if (!verdict) return {};
  if (verdict->empty()) return "в нем должно быть " + HeadingWordsText(words);
  return *verdict + ", а заголовок столбца - " + HeadingWordsText(words);
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

bool RowOfHeadings(const TSheetCells& cells, int row, const std::vector<int>& cols) {
  return !RowHoldsValue(cells, row, cols) && std::any_of(cols.begin(), cols.end(), [&](int col) {
    const TValueRead<std::string> heading = cells(row, col).Heading();
    if (!heading) return false;
    // a word that begins with a letter: "1O.50" is a number with a letter typed for a zero
    const std::vector<TWord> words = HeadingWordList(*heading.Value);
    return std::any_of(words.begin(), words.end(), [](const TWord& w) { return w[0] < U'0' || w[0] > U'9'; });
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

int LongestTextField(const std::vector<const char*>& layouts) {
  int longest = 0;
  for (const char* layout : layouts) {
    TDataFile table;
    ReadMaket(layout, table);
    for (int k = 1; k <= table.NCols; ++k)
      if (table.ColType[k] == 's' || table.ColType[k] == 't') longest = std::max<int>(longest, table.CtrlSize[k]);
  }
  return longest;
}

TSheetTextCheck ImportTextBound(int longest) {
  const std::size_t most = std::max(kMostCellBytes, 4 * static_cast<std::size_t>(std::max(longest, 0)));
  return [most, longest](std::string_view text) {
    return text.size() > most ? ImportLengthFault(text, longest) : std::string();
  };
}

TSheetTextCheck ImportTextCheck(int longest) {
  return [longest](std::string_view text) {
    // measured as the field gets it at the least: the imports cut the blanks at a name's ends, and the
    // meter points' import joins a cell's lines
    std::string joined;
    if (text.size() <= kMostCellBytes && text.find('\n') != std::string_view::npos) joined = JoinCellLines(text);
    // the code page is the name rule's (TOutsideValue::Name), after it has cut the ends: a figure space
    // or a narrow no-break space after a name, or between the thousands of a number, has no Windows-1251
    // code and is no reason to refuse the workbook
    return ImportTrimmedLengthFault(joined.empty() ? text : joined, longest);
  };
}

TSheetCells SheetCells(TSheetReader& sheet, const std::vector<const char*>& layouts) {
  sheet.SetTextCheck(ImportTextBound(LongestTextField(layouts)));
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
