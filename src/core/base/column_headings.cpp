#include "core/base/column_headings.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"

namespace ld {

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
  kFactor = 1024,  // tg φ, a ratio
  kInventory = 2048,
  kDate = 4096,
  kCode = 8192,
  kNumber = 16384,
  kCosine = 32768,  // cos φ: another ratio than the tangent a column of tangents holds
  kRatio = 65536,   // a meter's or transformer's ratio: К with its index ("Ктт", "Красч", "Кр")
  kReading = 1u << 17,     // a meter's reading at a moment, a counter: "Показания", "нач.", "кон."
  kPrice = 1u << 18,       // a price or a rate: "тариф", "ставка", "руб."
  kPlan = 1u << 19,        // a plan, a limit, a forecast
  kGeneration = 1u << 20,  // generation or own needs where consumption is stored
  kRate = 1u << 21,        // a unit per a period: "кВт·ч/мес"
};
constexpr unsigned kQuantities = kActive | kReactive | kApparent | kCurrent | kVoltage | kRatio;

// How a refusal names a meaning: the lowest flag of the set.
std::string MeaningName(unsigned meaning) {
  static const std::vector<std::pair<unsigned, const char*>> names = {
      {kActive, "активная мощность или энергия"}, {kReactive, "реактивная мощность или энергия"},
      {kApparent, "полная мощность"}, {kCurrent, "ток"}, {kVoltage, "напряжение"}, {kLength, "длина"},
      {kPeriod, "период (месяц, квартал)"}, {kCount, "количество"}, {kYear, "год"}, {kPercent, "проценты"},
      {kFactor, "коэффициент"}, {kInventory, "инвентарный номер"}, {kDate, "дата"}, {kCode, "код"},
      {kNumber, "номер"}, {kCosine, "коэффициент мощности (cos φ)"},
      {kRatio, "коэффициент трансформации или расчетный коэффициент"},
      {kReading, "показание счетчика на момент, а не расход за период"}, {kPrice, "цена или тариф"},
      {kPlan, "план, лимит или прогноз, а не измеренное значение"},
      {kGeneration, "выработка или собственные нужды, а не потребление"},
      {kRate, "расход в единицу времени"}};
  for (const auto& [flag, name] : names)
    if (meaning & flag) return name;
  return {};
}

// A unit: the quantity it names, the unit it scales (power and energy are units of their own: kW of W,
// kW·h of W·h) and by which power of ten.
struct TUnit {
  TWord Word;
  TWord Base;
  int Exponent;
  unsigned Quantity;
};

const TUnit* FindUnit(const TWord& h) {
  static const std::vector<TUnit> units = {
      {U"ВТ", U"ВТ", 0, kActive},          {U"КВТ", U"ВТ", 3, kActive},        {U"МВТ", U"ВТ", 6, kActive},
      {U"ГВТ", U"ВТ", 9, kActive},         {U"ВТЧ", U"ВТЧ", 0, kActive},       {U"КВТЧ", U"ВТЧ", 3, kActive},
      {U"МВТЧ", U"ВТЧ", 6, kActive},       {U"ГВТЧ", U"ВТЧ", 9, kActive},      {U"ВАР", U"ВАР", 0, kReactive},
      {U"КВАР", U"ВАР", 3, kReactive},     {U"МВАР", U"ВАР", 6, kReactive},    {U"ВАРЧ", U"ВАРЧ", 0, kReactive},
      {U"КВАРЧ", U"ВАРЧ", 3, kReactive},   {U"МВАРЧ", U"ВАРЧ", 6, kReactive},  {U"ВА", U"ВА", 0, kApparent},
      {U"КВА", U"ВА", 3, kApparent},       {U"МВА", U"ВА", 6, kApparent},      {U"А", U"А", 0, kCurrent},
      {U"КА", U"А", 3, kCurrent},          {U"КВ", U"В", 3, kVoltage},         {U"М", U"М", 0, kLength},
      {U"КМ", U"М", 3, kLength},           {U"%", U"%", 0, kPercent},
      // the same units in Latin letters, as the splitter leaves them: kW, MW, kWh, MWh, kvar, kvarh
      {U"КW", U"ВТ", 3, kActive},          {U"МW", U"ВТ", 6, kActive},         {U"GW", U"ВТ", 9, kActive},
      {U"WН", U"ВТЧ", 0, kActive},         {U"КWН", U"ВТЧ", 3, kActive},       {U"МWН", U"ВТЧ", 6, kActive},
      {U"GWН", U"ВТЧ", 9, kActive},        {U"ВАR", U"ВАР", 0, kReactive},     {U"КВАR", U"ВАР", 3, kReactive},
      {U"МВАR", U"ВАР", 6, kReactive},     {U"КВАRН", U"ВАРЧ", 3, kReactive},  {U"МВАRН", U"ВАРЧ", 6, kReactive}};
  for (const TUnit& unit : units)
    if (h == unit.Word) return &unit;
  return nullptr;
}

// The quantity a unit names ("кВт", "МВт*ч", "кВА", "А", "км", "%"); 0 for a word that is no unit.
unsigned UnitQuantity(const TWord& h) {
  const TUnit* unit = FindUnit(h);
  return unit ? unit->Quantity : 0;
}

// A word that multiplies the unit it stands by ("тыс. кВт*ч", "тысяч кВт*ч", "млн кВт*ч", "млрд",
// "кВт*ч ×1000", "10³ кВт*ч"): its power of ten, or 0.
int ScaleWordExponent(const TWord& h) {
  if (h == U"ТЫС" || h.starts_with(U"ТЫСЯЧ")) return 3;
  if (h == U"МЛН" || h.starts_with(U"МИЛЛИОН")) return 6;
  if (h == U"МЛРД" || h.starts_with(U"МИЛЛИАРД")) return 9;
  // "×1000", "x1000", "х1000" (the sign and the power written as one word) and "10^3" of "10³"
  std::size_t from = h.starts_with(U"×") || h.starts_with(U"X") || h.starts_with(U"Х") ? 1 : 0;
  if (h.size() == 4 && h.starts_with(U"10^") && h[3] >= U'1' && h[3] <= U'9') return static_cast<int>(h[3] - U'0');
  if (from == 1 && h.size() >= 3 && h[1] == U'1' &&
      std::all_of(h.begin() + 2, h.end(), [](char32_t c) { return c == U'0'; }))
    return static_cast<int>(h.size() - 2);
  return 0;
}

// A power of ten written alone ("1000" after "x "): its exponent, or 0.
int PowerOfTen(const TWord& h) {
  if (h.size() < 2 || h[0] != U'1' || !std::all_of(h.begin() + 1, h.end(), [](char32_t c) { return c == U'0'; }))
    return 0;
  return static_cast<int>(h.size() - 1);
}

const TUnit* FindUnit(const TWord& h);

// The scale each word of a heading says, by where it stands: a scale word's power of ten
// (ScaleWordExponent), "т." before a unit a thousand ("т. кВт*ч"), a sign of multiplication or "x" before
// a power of ten ("x 1000") its power; the power after such a sign is part of the scale (`parts`).
std::vector<int> WordScales(const std::vector<TWord>& held, std::vector<bool>* parts = nullptr) {
  std::vector<int> scales(held.size(), 0);
  if (parts) parts->assign(held.size(), false);
  for (std::size_t i = 0; i < held.size(); ++i) {
    const TWord& h = held[i];
    const bool next = i + 1 < held.size();
    if (const int e = ScaleWordExponent(h)) {
      scales[i] = e;
    } else if (h == U"Т" && next && FindUnit(held[i + 1]) != nullptr) {
      scales[i] = 3;
    } else if ((h == U"×" || h == U"X" || h == U"Х") && next && PowerOfTen(held[i + 1]) != 0) {
      scales[i] = PowerOfTen(held[i + 1]);
      if (parts) (*parts)[i + 1] = true;
      ++i;
    }
  }
  return scales;
}

// A power's unit that an hour after it makes an energy's ("кВт.ч", "кВт-час").
bool IsPowerUnit(const TWord& h) {
  for (const TWord unit : {U"ВТ", U"КВТ", U"МВТ", U"ГВТ", U"ВАР", U"КВАР", U"МВАР"})
    if (h == unit) return true;
  return false;
}

// A time of day ("00:00", "23:00"): the hour of a load curve, which is a period.
bool IsTimeOfDay(const TWord& h) {
  const std::size_t colon = h.find(U':');
  if (colon == TWord::npos || colon == 0 || colon > 2 || h.size() != colon + 3) return false;
  const auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + static_cast<int>(h[i] - U'0');
    return value;
  };
  // a duration ("36:30") is a value, not an hour
  return number(0, colon) <= 23 && number(colon + 1, 2) <= 59;
}

bool IsDigits(const TWord& h) {
  return !h.empty() && std::all_of(h.begin(), h.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; });
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
    // ΔW is dW, the losses' symbol
    if (ch == U'Δ' || ch == U'δ') ch = U'D';
    const auto nextIs = [&](auto test) {
      std::size_t after = pos;
      if (after >= text.size()) return false;
      const std::string next = NormalizeName(text.substr(after, 4));
      std::size_t n = 0;
      return test(NextUtf8Char(next, n));
    };
    const TWord& last = words.back().Word;
    // a superscript power after 10: "10³" is "10^3"
    char32_t power = 0;
    for (const auto& [sup, digit] : {std::pair{U'\u2070', U'0'}, std::pair{U'\u00B9', U'1'}, std::pair{U'\u00B2', U'2'},
                                     std::pair{U'\u00B3', U'3'}, std::pair{U'\u2076', U'6'}, std::pair{U'\u2079', U'9'}})
      if (ch == sup) power = digit;
    if (power != 0 && last == U"10") {
      words.back().Word += U"^";
      words.back().Word.push_back(power);
      words.back().Written += written;
    } else if (IsUnitJoiner(ch) && (nextIs([](char32_t c) { return c >= U'0' && c <= U'9'; }) ||
                                    nextIs([](char32_t c) { return c == U' '; }))) {
      // a multiplication sign before a figure is a scale of its own ("кВт*ч ×1000", "кВт·ч × 1000")
      endWord();
      words.back() = {U"×", std::string(written)};
      if (!nextIs([](char32_t c) { return c >= U'0' && c <= U'9'; })) words.emplace_back();
    } else if ((ch == U'+' || ch == U'-') && (last == U"А" || last == U"R" || last == U"ЭА" || last == U"ЭР") &&
               joined == TWord::npos &&
        !nextIs([](char32_t c) { return IsWordChar(c) || c == U'V'; })) {
      // the meter's notation of a direction: A+ active energy taken, R- reactive given
      words.back().Word.push_back(ch);
      words.back().Written += written;
    } else if (ch == U':' && !last.empty() && last.size() <= 2 && IsDigits(last) &&
               nextIs([](char32_t c) { return c >= U'0' && c <= U'9'; })) {
      // an hour of the day: "00:00"
      words.back().Word.push_back(ch);
      words.back().Written += written;
    } else if (IsWordChar(ch)) {
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

// The words of a heading as the rule reads them, without how the heading writes them.
std::vector<TWord> PlainWords(const std::vector<THeadingWord>& held) {
  std::vector<TWord> plain;
  plain.reserve(held.size());
  for (const THeadingWord& w : held) plain.push_back(w.Word);
  return plain;
}

std::vector<TWord> HeadingWordList(std::string_view text) { return PlainWords(HeadingWords(text)); }

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
  static const std::vector<TWord> indices = {U"СР",  U"МАКС", U"МАX",  U"МАХ", U"МИН",  U"НОМ",  U"ЗАМ",
                                             U"СУМ", U"ОБР",  U"ОТП",  U"ПР",  U"ТР",   U"УСТ",  U"РАСЧ",
                                             U"ДОП", U"НАГР", U"РАЗР", U"ПОТ", U"СУММ", U"ПРИЕМ", U"ОТД",
                                             U"МIN"};
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

// К with the index of a ratio: a meter's ("Красч", "К расч.", "Кр"), its current or voltage
// transformer's ("Ктт", "Кт", "Ктн", "Ктр"), the meter's own ("Ксч").
bool IsRatio(const TWord& h) {
  static const std::vector<TWord> ratios = {U"К",   U"КР",  U"КТ",   U"КТТ",  U"КТН",  U"КТР",
                                            U"КСЧ", U"КРАСЧ", U"КТРАНС", U"КТРТ", U"КН"};
  return std::find(ratios.begin(), ratios.end(), h) != ratios.end();
}

// The quantity a word of a heading names by itself: a unit ("кВт", "квар", "кВА", "А", "кВ"), a word of
// a quantity ("активная", "Реакт.", "ток", "напряжение") or a symbol with its index ("P1", "Wq" of the
// reactive energy, "Wреакт"); 0 for any other.
unsigned WordQuantity(const TWord& h) {
  if (const unsigned unit = UnitQuantity(h); unit & kQuantities) return unit;
  if (h == U"ТОК") return kCurrent;
  if (h.size() >= 3 && kReactiveWord.starts_with(h)) return kReactive;
  if (h.size() >= 3 && kActiveWord.starts_with(h)) return kActive;
  if (h.starts_with(U"НАПРЯЖ") || h == U"НАПР") return kVoltage;
  if (IsRatio(h)) return kRatio;
  // a meter's notation: A+ and A- the active energy taken and given, R+ and R- the reactive; Эа and Эр
  if (h == U"А+" || h == U"А-" || h == U"ЭА" || h == U"ЭА+" || h == U"ЭА-") return kActive;
  if (h == U"R+" || h == U"R-" || h == U"ЭР" || h == U"ЭР+" || h == U"ЭР-") return kReactive;
  // a distribution point ("РП") is a station, not P with an index
  if (h == U"РП") return 0;
  // a difference or a loss of a quantity is that quantity: "dW", "ΔW", "dWп"
  if (h.size() >= 2 && h[0] == U'D' && SymbolQuantity(h[1]) != 0) return WordQuantity(h.substr(1));
  const unsigned symbol = h.empty() ? 0 : SymbolQuantity(h[0]);
  if (symbol == 0) return 0;
  // an index that names a kind of energy names the quantity ("Wq", "Pq", "Wреакт", "Wакт")
  const TWord index = h.substr(1);
  // "Wр" is written for either kind ("Wp" of power, "Wр" of реактивная): the letter written tells which
  // (HeadingMeanings)
  if (h[0] == U'W' && index == U"Р") return 0;
  if (index.starts_with(U"Q")) return kReactive;
  if (index.size() >= 3 && kReactiveWord.starts_with(index)) return kReactive;
  if (index.size() >= 3 && kActiveWord.starts_with(index)) return kActive;
  return IsIndex(index) ? symbol : 0;
}

// How a word of the list stands for a word of a heading: the word itself or its forms and what begins
// with it ("Годовое" of "год"), those and the abbreviations of three letters or more ("Янв.", "Кол."),
// or itself alone ("нач.", which many words begin).
enum class TStands { Forms, Abbreviated, Exact };

// A word of a heading the rule understands, with what it means: a quantity's word, a period, what no
// measured value is (a count, a year, a reading, a price, a plan, generation), or a word people write
// around a column's own ("потребление", "за", "всего"; meaning 0). `Direction` is the energy's: +1 taken
// (A+, "прием", "потребление"), -1 given ("отдача", "обр.").
// `Sense` is what the word says in the rest of a sheet's head (a title, a label, the cell beside a title),
// `Month` the month it names (1 to 12); a word the heading rule does not read (`HeadOnly`: an approval
// block's, "по состоянию на") is understood there alone.
struct TListedWord {
  TWord Word;
  unsigned Meaning;
  TStands Stands;
  int Direction;
  THeadSense Sense = THeadSense::Other;
  int Month = 0;
  bool HeadOnly = false;
};

// The understood words: every word a heading over a figure column may hold besides the column's own
// words, the units (FindUnit), the symbols with their index (WordQuantity) and the scales (WordScales),
// each with what it says of the column: a meaning that no measured value has refuses the column, a
// direction other than the column's refuses it, and a word of meaning 0 says nothing of it.
const std::vector<TListedWord>& ListedWords() {
  using enum TStands;
  using enum THeadSense;
  static const std::vector<TListedWord> words = {
      // the period of the value
      {U"ЯНВАРЬ", kPeriod, Abbreviated, 0, When, 1}, {U"ФЕВРАЛЬ", kPeriod, Abbreviated, 0, When, 2},
      {U"МАРТ", kPeriod, Abbreviated, 0, When, 3}, {U"АПРЕЛЬ", kPeriod, Abbreviated, 0, When, 4},
      {U"МАЙ", kPeriod, Exact, 0, When, 5}, {U"МАЯ", kPeriod, Exact, 0, When, 5}, {U"ИЮНЬ", kPeriod, Abbreviated, 0, When, 6},
      {U"ИЮНЯ", kPeriod, Exact, 0, When, 6}, {U"ИЮЛЬ", kPeriod, Abbreviated, 0, When, 7},
      {U"ИЮЛЯ", kPeriod, Exact, 0, When, 7}, {U"АВГУСТ", kPeriod, Abbreviated, 0, When, 8},
      {U"СЕНТЯБРЬ", kPeriod, Abbreviated, 0, When, 9}, {U"ОКТЯБРЬ", kPeriod, Abbreviated, 0, When, 10},
      {U"НОЯБРЬ", kPeriod, Abbreviated, 0, When, 11}, {U"ДЕКАБРЬ", kPeriod, Abbreviated, 0, When, 12},
      {U"КВАРТАЛ", kPeriod, Abbreviated, 0, When}, {U"МЕСЯЦ", kPeriod, Forms, 0, When}, {U"МЕС", kPeriod, Exact, 0, When},
      {U"ПЕРИОД", kPeriod, Forms, 0, When}, {U"НАРАСТАЮЩИЙ", kPeriod, Forms, 0},
      // a quarter's "кв." (a unit's kV to the heading rule, which reads it by the figure before it)
      {U"КВ", kPeriod, Exact, 0, When},
      // what no measured value is
      {U"ГОД", kYear, Forms, 0, When}, {U"КОЛВО", kCount, Forms, 0}, {U"КОЛИЧЕСТВО", kCount, Abbreviated, 0},
      {U"ШТ", kCount, Exact, 0}, {U"ДЛИНА", kLength, Forms, 0}, {U"ПРОТЯЖЕННОСТЬ", kLength, Abbreviated, 0},
      {U"ПРОЦЕНТ", kPercent, Forms, 0}, {U"ЗАГРУЗКА", kPercent, Forms, 0}, {U"СОS", kCosine, Forms, 0},
      {U"ТG", kFactor, Forms, 0}, {U"КОЭФФИЦИЕНТ", kFactor, Abbreviated, 0},
      {U"ИНВЕНТАРНЫЙ", kInventory, Abbreviated, 0}, {U"ДАТА", kDate, Forms, 0, When}, {U"КОД", kCode, Forms, 0},
      {U"НОМЕР", kNumber, Forms, 0}, {U"№", kNumber, Exact, 0}, {U"N", kNumber, Exact, 0},
      // a load graph's number ("Гр. P" of the grid's export)
      {U"ГР", kNumber, Exact, 0},
      // a reading of a meter at a moment, a counter
      {U"ПОКАЗАНИЕ", kReading, Forms, 0}, {U"НАЧ", kReading, Exact, 0}, {U"КОН", kReading, Exact, 0},
      {U"ТЕК", kReading, Exact, 0}, {U"ПРЕД", kReading, Exact, 0},
      // a price, a rate
      {U"ТАРИФ", kPrice, Forms, 0}, {U"СТАВКА", kPrice, Forms, 0}, {U"РУБ", kPrice, Forms, 0},
      {U"КОП", kPrice, Exact, 0}, {U"ЦЕНА", kPrice, Forms, 0}, {U"СТОИМОСТЬ", kPrice, Forms, 0},
      // a plan, a limit, a forecast
      {U"ПЛАН", kPlan, Forms, 0}, {U"ЛИМИТ", kPlan, Forms, 0}, {U"ПРОГНОЗ", kPlan, Forms, 0},
      // generation and own needs
      {U"ВЫРАБОТКА", kGeneration, Forms, -1}, {U"ГЕНЕРАЦИЯ", kGeneration, Forms, -1},
      {U"СОБСТВ", kGeneration, Forms, 0}, {U"НУЖДЫ", kGeneration, Exact, 0}, {U"НУЖД", kGeneration, Exact, 0},
      {U"ШИН", kGeneration, Exact, 0},
      // the direction of an energy
      {U"ПРИЕМ", 0, Forms, +1}, {U"ОТДАЧА", 0, Forms, -1}, {U"ПОТРЕБЛЕНИЕ", 0, Forms, +1},
      {U"ОБР", 0, Exact, -1}, {U"ОБРАТНЫЙ", 0, Forms, -1}, {U"ОТД", 0, Exact, -1},
      // the words people write around a column's own
      {U"ЗА", 0, Exact, 0, When}, {U"ВСЕГО", 0, Exact, 0}, {U"ИТОГО", 0, Exact, 0}, {U"ИТОГОМ", 0, Exact, 0},
      {U"ПО", 0, Exact, 0, When}, {U"В", 0, Exact, 0}, {U"С", 0, Exact, 0, When}, {U"НА", 0, Exact, 0, When},
      {U"И", 0, Exact, 0}, {U"Г", 0, Exact, 0, When}, {U"ВИДУ", 0, Exact, 0}, {U"ЭЛЕКТРОЭНЕРГИЯ", 0, Forms, 0},
      {U"ЭНЕРГИЯ", 0, Forms, 0}, {U"РАСХОД", 0, Forms, 0}, {U"ОБЪЕМ", 0, Forms, 0}, {U"ФАКТ", 0, Forms, 0},
      {U"ЗНАЧЕНИЕ", 0, Forms, 0}, {U"СЧЕТЧИК", 0, Forms, 0}, {U"УЧЕТ", 0, Forms, 0},
      // a measured value, of whatever column ("tgφ зам", "Uзам" written apart, "P замеренная")
      {U"ЗАМЕР", 0, Abbreviated, 0, Measured}, {U"ИЗМЕРЕННАЯ", 0, Forms, 0, Measured},
      {U"ОТПУСК", 0, Forms, 0}, {U"ПОЛЕЗНЫЙ", 0, Forms, 0}, {U"ПЕРЕТОК", 0, Forms, 0}, {U"ФАЗ", 0, Forms, 0},
      {U"РАСЧЕТНЫЙ", 0, Abbreviated, 0}, {U"ПОТРЕБИТЕЛЬ", 0, Forms, 0}, {U"ЧЕЛ", 0, Exact, 0},
      {U"СРЕДНЕЕ", 0, Forms, 0}, {U"СУММАРНАЯ", 0, Forms, 0}, {U"НАГРУЗКА", 0, Forms, 0},
      // where the losses are: a transformer's ("тр-ра", "трансф.") or a line's
      {U"ТРАНСФОРМАТОР", 0, Abbreviated, 0}, {U"ТРРА", 0, Exact, 0}, {U"ТР", 0, Exact, 0}, {U"ЛИНИ", 0, Forms, 0},
      // energy given out ("Wп отп." of the grid's export)
      {U"ОТП", 0, Exact, 0},
      // a power, an energy and the electricity they are of, abbreviated ("Реакт. мощность", "Э акт.",
      // "Реакт. эн.", "эл. энергии"); where the metering point is ("ВЛ", "Нагрузка ТП"), a meter's
      // transformation ("Коэф. трансформации", "тр-ции", "Потери в тр-ре")
      {U"МОЩНОСТЬ", 0, Abbreviated, 0}, {U"Э", 0, Exact, 0}, {U"ЭН", 0, Exact, 0}, {U"ЭЛ", 0, Exact, 0},
      {U"ВЛ", 0, Exact, 0}, {U"КЛ", 0, Exact, 0}, {U"ТП", 0, Exact, 0}, {U"ТРАНСФОРМАЦИЯ", 0, Forms, 0},
      {U"ЦИИ", 0, Exact, 0}, {U"ТРРЕ", 0, Exact, 0}, {U"ТРР", 0, Exact, 0},
      // consumption as a bill or a balance writes it
      {U"ЭЛЕКТРОПОТРЕБЛЕНИЕ", 0, Forms, +1}, {U"НАЧИСЛЕНО", 0, Forms, 0},
      // a power the point may take: its declared or connected power
      {U"ЗАЯВЛЕННАЯ", 0, Forms, 0}, {U"ПРИСОЕДИНЕННАЯ", 0, Forms, 0},
      // when and how a load was measured: the winter's or summer's maximum, the hour of it, the day of the
      // measurements, by the metering system's data
      {U"ЗИМ", 0, Forms, 0}, {U"ЛЕТО", 0, Exact, 0}, {U"ЛЕТН", 0, Forms, 0}, {U"ЧАС", 0, Exact, 0},
      {U"ВЕЧЕРН", 0, Forms, 0}, {U"УТРЕНН", 0, Forms, 0}, {U"ДНЕВН", 0, Forms, 0}, {U"НОЧН", 0, Forms, 0},
      // "Sт.н.": the transformer's rated power
      {U"Н", 0, Exact, 0},
      {U"МАКСИМУМ", 0, Forms, 0}, {U"МИНИМУМ", 0, Forms, 0}, {U"РЕЖИМН", 0, Forms, 0}, {U"ДЕНЬ", 0, Exact, 0},
      {U"ДАННЫЕ", 0, Forms, 0}, {U"АИИС", 0, Exact, 0}, {U"КУЭ", 0, Exact, 0}, {U"АСКУЭ", 0, Exact, 0},
      // the angle of a tangent in Latin letters ("tg fi")
      {U"FI", 0, Exact, 0}, {U"ФИ", 0, Exact, 0},
      // the angle of a tangent written in Cyrillic ("tg ф")
      {U"Ф", 0, Exact, 0},
      // an index written apart from its symbol ("P max", "P сум.")
      {U"МАКС", 0, Exact, 0}, {U"МАX", 0, Exact, 0}, {U"МАХ", 0, Exact, 0}, {U"МИН", 0, Exact, 0},
      {U"СУМ", 0, Exact, 0}, {U"НОМ", 0, Exact, 0}, {U"СР", 0, Exact, 0},
      // the rest of a date or a period beside a title ("от 30.11.2026", "по состоянию на 01.12.2026",
      // "2025-2026 гг.")
      {U"ГГ", 0, Exact, 0, When, 0, true}, {U"ОТ", 0, Exact, 0, When, 0, true}, {U"ДО", 0, Exact, 0, When, 0, true},
      {U"СОСТОЯНИЮ", 0, Exact, 0, When, 0, true},
      // an approval block beside a title
      {U"УТВЕРЖДАЮ", 0, Exact, 0, Approval, 0, true}, {U"УТВЕРЖДЕНО", 0, Exact, 0, Approval, 0, true},
      {U"СОГЛАСОВАНО", 0, Exact, 0, Approval, 0, true}, {U"УТВЕРЖДАЮЩИЙ", 0, Exact, 0, Approval, 0, true}};
  return words;
}

// The word of the list that stands for a word of a heading (`head`: of any text of a sheet's head), or none.
const TListedWord* ListedWord(const TWord& h, bool head = false) {
  for (const TListedWord& w : ListedWords()) {
    if (w.HeadOnly && !head) continue;
    const bool stands = w.Stands == TStands::Exact || w.Word.size() < 3
                            ? h == w.Word
                            : h.starts_with(w.Word) || IsFormOf(h, w.Word) ||
                                  (w.Stands == TStands::Abbreviated && h.size() >= 3 && w.Word.starts_with(h));
    if (stands) return &w;
  }
  return nullptr;
}

// The direction of an energy a word names: +1 taken (A+, R+, Эа+, "прием", "потребление"), -1 given.
int WordDirection(const TWord& h) {
  if (h == U"А+" || h == U"R+" || h == U"ЭА+" || h == U"ЭР+") return +1;
  if (h == U"А-" || h == U"R-" || h == U"ЭА-" || h == U"ЭР-") return -1;
  const TListedWord* w = ListedWord(h);
  return w ? w->Direction : 0;
}

// What a word of a heading means: the quantity of its unit or symbol, or a period, a count, a year, a
// length, a percent, a ratio, an inventory number, a date, a code, a number, a reading, a price, a plan
// or generation; 0 for any other word.
unsigned Meaning(const TWord& h) {
  if (const unsigned unit = UnitQuantity(h)) return unit;
  if (const unsigned quantity = WordQuantity(h)) return quantity;
  if (IsTimeOfDay(h)) return kPeriod;
  const TListedWord* w = ListedWord(h);
  return w ? w->Meaning : 0;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A Roman quarter's number ("IV кв."), as the splitter leaves it: a Latin I, and a V made Cyrillic.
bool IsRomanQuarter(const TWord& h) { return h == U"I" || h == U"II" || h == U"III" || h == U"IВ"; }

bool IsQuarterWord(const TWord& h) { return h == U"КВ" || (h.size() >= 3 && TWord(U"КВАРТАЛ").starts_with(h)); }

// The kind of energy the units of a heading name: the first unit of active or reactive power or energy's
// quantity, or 0.
unsigned EnergyUnitKind(const std::vector<THeadingWord>& held) {
  for (const THeadingWord& w : held)
    if (const unsigned q = UnitQuantity(w.Word); (q & (kActive | kReactive)) != 0) return q;
  return 0;
}

// What a phrase rule asks of a word of a heading, of the word before it or of the words after it.
enum class TIs : unsigned char {
  Any,            // any word, or none
  Word,           // one of the words of `Text`, parted by blanks
  Begins,         // a word that begins with `Text`
  Count,          // a word of a count ("Кол-во", "Количество", "шт")
  Symbol,         // the symbol `Text` with its index, naming the symbol's own quantity ("P", "Рср", "Pmax")
  CyrillicIndex,  // the word `Text` whose index the heading writes in Cyrillic letters ("Wр")
  Year,           // a year's four figures
  QuarterNumber,  // a quarter's number: I to IV, or 1 to 4 with no figure before it ("0,4 кВ" is a voltage)
  RomanQuarter,   // a quarter's Roman number: I, II, III, IV
  QuarterWord,    // "кв.", "квартал" and its abbreviations
  Unit,           // a unit or a scale word
  Measured,       // a word of the list written over any measured value ("зам", "замер", "измеренная")
  OneSign,        // a word of one letter or figure
  PhaseLetter,    // a phase's letter (А, В, С) after "фаза" in any form, or after the letter of a phase before it
                  // ("фаз A, B, C"); a letter after a later phase's or its own ("фазы C, А", "фазы A, А") is a unit
  PhaseSigns,     // "фаза" in any form, or a word of one sign after it or after another one
};
struct TWordIs {
  TIs Is = TIs::Any;
  std::u32string_view Text = {};
};

// What a phrase rule asks of the rest of the heading or of the column under it.
enum class TBeside : unsigned char {
  Anything,
  EnergyUnit,     // the heading holds a unit of active or reactive power or energy ("квар*ч")
  CurrentColumn,  // the column holds a current (a load whose measurement type is in A)
  ColumnWords,    // the heading holds the column's own words
};

// What a word takes where a phrase rule reads it.
enum class TTakes : unsigned char {
  Given,       // the rule's meaning, `Means`
  Own,         // the meaning it has by itself (Meaning), understood where it stands
  UnitKind,    // the kind of energy the heading's unit names (EnergyUnitKind)
  WrittenOut,  // the words `Reads`, in its place and in that of the word after it the rule asks for
};

// A word of a heading read by what stands around it: the word (`Word`), the word before it, the two after
// it and what the heading or the column holds beside them, and what the word takes there; `NoOther`: it is
// no other column's word there, whatever the sheet's other columns' words are.
struct TPhraseRule {
  TWordIs Word, Before = {}, After = {}, AfterNext = {};
  TBeside Beside = TBeside::Anything;
  TTakes Takes = TTakes::Given;
  unsigned Means = 0;
  std::u32string_view Reads = {};
  bool NoOther = false;
};

// The phrase rules: the words of a heading whose meaning depends on where they stand, each with what people
// write it for. The first rule that reads a word decides it; a word no rule reads means what it means by
// itself (Meaning: its unit, its symbol or its word of the list of understood words, ListedWords). A word a
// rule reads is understood where it stands.
const std::vector<TPhraseRule>& PhraseRules() {
  using enum TIs;
  using enum TBeside;
  using enum TTakes;
  static const std::vector<TPhraseRule> rules = {
      // personal accounts written short over the households' count: "Число ЛС", "Кол-во л/сч"
      {.Word = {Word, U"ЛС"}, .Takes = WrittenOut, .Reads = U"ЛИЦЕВЫХ СЧЕТОВ"},
      {.Word = {Word, U"Л"}, .After = {Word, U"СЧ"}, .Takes = WrittenOut, .Reads = U"ЛИЦЕВЫХ СЧЕТОВ"},
      // the letter of a phase, no ampere nor preposition: "Напр. фазы A, В", "Ток фазы A, А", "Ток фаз A, B, C"
      {.Word = {PhaseLetter}, .Means = 0},
      // a phase named by another letter ("Ток фазы L, А")
      {.Word = {OneSign}, .Before = {PhaseSigns}, .Takes = Own},
      // the year of the value after its number: "за ноябрь 2026 года", "за 2026 год"
      {.Word = {Word, U"ГОД ГОДА ГОДУ"}, .Before = {Year}, .Means = kPeriod},
      // a quarter after its number, no kilovolt: "за 4 кв.", "за IV кв."
      {.Word = {Word, U"КВ"}, .Before = {QuarterNumber}, .Means = kPeriod},
      // the number of a quarter before it, no current's symbol: "IV кв.", "II квартал"
      {.Word = {QuarterNumber}, .After = {QuarterWord}, .Means = 0},
      // the first of two quarters' Roman numbers before "кв." ("за I–II кв."), no current's symbol
      {.Word = {RomanQuarter}, .After = {RomanQuarter}, .AfterNext = {QuarterWord}, .Means = 0},
      // a quarter's Roman number anywhere else ("за III кв. и"), understood; "I", "II" and "IV" a current there
      {.Word = {RomanQuarter}, .Takes = Own},
      // "Wр" with a Cyrillic "р", of "реактивная": a reactive energy, whatever the unit beside it
      {.Word = {CyrillicIndex, U"WР"}, .Means = kReactive},
      // "Wp" and "Wr" in Latin letters, written for either kind: the energy their unit names ("Wp, квар*ч")
      {.Word = {Word, U"WР WR"}, .Beside = EnergyUnit, .Takes = UnitKind},
      // "W" with its number beside a unit that says the kind of energy ("W2, квар*ч" of a book whose second
      // column is the reactive energy): the energy of that kind
      {.Word = {Symbol, U"W"}, .Beside = EnergyUnit, .Takes = UnitKind},
      // and without a unit "Wp" the active energy (of power), "Wr" the reactive
      {.Word = {Word, U"WР"}, .Means = kActive},
      {.Word = {Word, U"WR"}, .Means = kReactive},
      // "Кол-во" before a unit: an amount of it, no count of another column ("Кол-во кВт*ч")
      {.Word = {Count}, .After = {Unit}, .Means = 0, .NoOther = true},
      // "P, по виду": the program's own caption of a load in the unit its measurement type sets (kW, A or
      // kW·h), a current too
      {.Word = {Symbol, U"Р"}, .After = {Word, U"ПО"}, .AfterNext = {Word, U"ВИДУ"}, .Beside = CurrentColumn,
       .Means = kCurrent},
      // "по показаниям" ("Потребление, кВт*ч (по показаниям)"): how a consumption was counted, from the
      // meter's readings, not one of them
      {.Word = {Begins, U"ПОКАЗАНИ"}, .Before = {Word, U"ПО"}, .Means = 0},
      // a word written over any measured value beside the column's own words ("tgφ зам", "P зам"): the
      // column's measured value, no other column's
      {.Word = {Measured}, .Beside = ColumnWords, .Takes = Own, .NoOther = true},
  };
  return rules;
}

// Whether the word is one of the words of the list, parted by blanks ("ГОД ГОДА ГОДУ").
bool IsOneOf(std::u32string_view list, const TWord& h) {
  for (std::size_t from = 0; from <= list.size();) {
    const std::size_t end = std::min(list.find(U' ', from), list.size());
    if (list.substr(from, end - from) == h) return true;
    from = end + 1;
  }
  return false;
}

// Whether the word `at` of a heading (none where `at` is out of it) is what a phrase rule asks.
bool WordIs(const TWordIs& is, const std::vector<THeadingWord>& held, std::ptrdiff_t at) {
  if (is.Is == TIs::Any) return true;
  if (at < 0 || at >= static_cast<std::ptrdiff_t>(held.size())) return false;
  const TWord& h = held[static_cast<std::size_t>(at)].Word;
  switch (is.Is) {
    case TIs::Any: return true;
    case TIs::Word: return IsOneOf(is.Text, h);
    case TIs::Begins: return h.starts_with(is.Text);
    case TIs::Count: return Meaning(h) == kCount;
    case TIs::Symbol: return h.starts_with(is.Text) && Meaning(h) == SymbolQuantity(is.Text.front());
    case TIs::CyrillicIndex: {
      if (h != is.Text) return false;
      const std::string& written = held[static_cast<std::size_t>(at)].Written;
      std::size_t pos = 0;
      NextUtf8Char(written, pos);
      while (pos < written.size())
        if (const char32_t ch = NextUtf8Char(written, pos); ch < U'\u0400' || ch > U'\u04FF') return false;
      return true;
    }
    case TIs::Year: return h.size() == 4 && IsDigits(h);
    case TIs::QuarterNumber:
      return IsRomanQuarter(h) || (h.size() == 1 && h[0] >= U'1' && h[0] <= U'4' &&
                                   (at == 0 || !IsDigits(held[static_cast<std::size_t>(at) - 1].Word)));
    case TIs::RomanQuarter: return IsRomanQuarter(h);
    case TIs::QuarterWord: return IsQuarterWord(h);
    case TIs::Unit: return FindUnit(h) != nullptr || ScaleWordExponent(h) != 0;
    case TIs::Measured: {
      const TListedWord* w = ListedWord(h);
      return w != nullptr && w->Sense == THeadSense::Measured;
    }
    case TIs::OneSign: return h.size() == 1;
    case TIs::PhaseLetter: {
      if (!IsOneOf(U"А В С", h) || at == 0) return false;
      const TWord& before = held[static_cast<std::size_t>(at) - 1].Word;
      return before.starts_with(U"ФАЗ") || (before.size() == 1 && before < h && WordIs(is, held, at - 1));
    }
    case TIs::PhaseSigns: return h.starts_with(U"ФАЗ") || (h.size() == 1 && WordIs(is, held, at - 1));
  }
  return false;
}

// What the column under a heading tells the phrase rules: what its words mean, and whether the heading holds
// them; nothing for a text read alone.
struct TColumnSide {
  unsigned Means = 0;
  bool Said = false;
};

// The one reading of the phrase rules: the first that reads the word `at` of a heading where it stands, or none.
const TPhraseRule* PhraseRuleAt(const std::vector<THeadingWord>& held, std::size_t at, const TColumnSide& column) {
  const auto i = static_cast<std::ptrdiff_t>(at);
  for (const TPhraseRule& rule : PhraseRules()) {
    if ((rule.Beside == TBeside::CurrentColumn && (column.Means & kCurrent) == 0) ||
        (rule.Beside == TBeside::ColumnWords && !column.Said))
      continue;
    if (WordIs(rule.Before, held, i - 1) && WordIs(rule.After, held, i + 1) && WordIs(rule.AfterNext, held, i + 2) &&
        WordIs(rule.Word, held, i) && (rule.Beside != TBeside::EnergyUnit || EnergyUnitKind(held) != 0))
      return &rule;
  }
  return nullptr;
}

// What a word of a heading means where it stands: what the phrase rule that reads it there (`Rule`) gives it,
// or what it means by itself.
struct TWordMeaning {
  unsigned Meaning = 0;
  const TPhraseRule* Rule = nullptr;
};

std::vector<TWordMeaning> WordMeanings(const std::vector<THeadingWord>& held, const TColumnSide& column) {
  std::vector<TWordMeaning> meanings;
  for (std::size_t i = 0; i < held.size(); ++i) {
    const TPhraseRule* rule = PhraseRuleAt(held, i, column);
    const TTakes takes = rule != nullptr ? rule->Takes : TTakes::Own;
    meanings.push_back({takes == TTakes::Given      ? rule->Means
                        : takes == TTakes::UnitKind ? EnergyUnitKind(held)
                                                    : Meaning(held[i].Word),
                        rule});
  }
  return meanings;
}

// What each word of a heading means where it stands (WordMeanings), read alone, over no column.
std::vector<unsigned> HeadingMeanings(const std::vector<THeadingWord>& held) {
  std::vector<unsigned> meanings;
  for (const TWordMeaning& m : WordMeanings(held, {})) meanings.push_back(m.Meaning);
  return meanings;
}

// The words of a heading as the rule reads them (HeadingWords), a short form that a phrase rule writes out
// in its words ("ЛС" and "л/сч" are "лицевых счетов"), each of them quoted as the heading writes the short form.
std::vector<THeadingWord> ReadWords(std::string_view heading) {
  std::vector<THeadingWord> held = HeadingWords(heading);
  for (std::size_t i = 0; i < held.size(); ++i) {
    const TPhraseRule* rule = PhraseRuleAt(held, i, {});
    if (rule == nullptr || rule->Takes != TTakes::WrittenOut) continue;
    const std::size_t span = rule->After.Is == TIs::Any ? 1 : 2;
    std::string written = held[i].Written;
    for (std::size_t k = 1; k < span; ++k) written += "/" + held[i + k].Written;
    std::vector<THeadingWord> out;
    for (std::size_t from = 0; from <= rule->Reads.size();) {
      const std::size_t end = std::min(rule->Reads.find(U' ', from), rule->Reads.size());
      out.push_back({TWord(rule->Reads.substr(from, end - from)), written});
      from = end + 1;
    }
    const auto at = held.begin() + static_cast<std::ptrdiff_t>(i);
    held.erase(at, at + static_cast<std::ptrdiff_t>(span));
    held.insert(held.begin() + static_cast<std::ptrdiff_t>(i), out.begin(), out.end());
    i += out.size() - 1;
  }
  return held;
}

// What a column's words say of it: the words themselves (`Own`, and as each of its words people write holds
// them, `Examples`), what they mean, and the units its values are in.
struct TColumnWords {
  std::vector<TWord> Own;
  std::vector<std::vector<TWord>> Examples;
  unsigned Means = 0;
  std::vector<const TUnit*> Units;
  std::string UnitsText;  // '"кВт", "кВт*ч"', as a refusal names them

  explicit TColumnWords(const std::vector<const char*>& words) {
    for (const char* example : words) {
      Examples.emplace_back();
      for (THeadingWord& w : HeadingWords(example)) {
        if (!IsNumberedSymbol(w.Word)) Means |= Meaning(w.Word);
        if (const TUnit* unit = FindUnit(w.Word); unit != nullptr && UnitsText.find(Quoted(w.Written)) == std::string::npos) {
          UnitsText += (UnitsText.empty() ? "" : ", ") + Quoted(w.Written);
          Units.push_back(unit);
        }
        Examples.back().push_back(w.Word);
        Own.push_back(std::move(w.Word));
      }
    }
  }
  bool IsOwn(const TWord& h) const { return std::find(Own.begin(), Own.end(), h) != Own.end(); }
  // the column's unit of which the heading's is a multiple ("МВт*ч" of "кВт*ч"), or none
  const TUnit* UnitScaled(const TWord& h) const {
    const TUnit* unit = FindUnit(h);
    if (unit == nullptr) return nullptr;
    for (const TUnit* own : Units)
      if (own->Base == unit->Base) return own;
    return nullptr;
  }
};

// Whether a heading holds all the words of one of the words people write for its column.
bool HoldsColumnWords(const std::vector<THeadingWord>& held, const TColumnWords& own) {
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
  return std::any_of(own.Examples.begin(), own.Examples.end(), [&](const std::vector<TWord>& needed) {
    return !needed.empty() && std::all_of(needed.begin(), needed.end(), holds);
  });
}

// A heading read over a column: its words, what each means where it stands, and whether it holds the
// column's own words.
struct THeadingRead {
  const std::vector<THeadingWord>& Words;
  const TColumnWords& Own;
  bool Says;
  std::vector<TWordMeaning> Meanings;

  THeadingRead(const std::vector<THeadingWord>& held, const TColumnWords& own)
      : Words(held), Own(own), Says(HoldsColumnWords(held, own)), Meanings(WordMeanings(held, {own.Means, Says})) {}
};

// The words of the sheet's other columns: a symbol with its index another column's own ("Wт", "dW" of the
// losses over their energy), and its words of three letters or more that name no quantity.
struct TOtherWords {
  std::vector<TWord> Words, Symbols;
  TOtherWords(const std::vector<const char*>& others, const TColumnWords& own) {
    for (const char* example : others)
      for (TWord& w : HeadingWordList(example)) {
        if (w.size() >= 2 && WordQuantity(w) != 0 && FindUnit(w) == nullptr && !IsNumberedSymbol(w) && !own.IsOwn(w))
          Symbols.push_back(w);
        if (w.size() >= 3 && WordQuantity(w) == 0) Words.push_back(std::move(w));
      }
  }
};

// What the heading's words name that the column does not hold, the quantities, units and scales first,
// then what no measured value is: a symbol numbered for another column's place, another column's symbol, a
// unit of the column's quantity in which its values are not, another quantity, a period, a count, a year...
// `named` gathers the column's meanings the heading names. A unit of the column's own quantity with another
// prefix or a scale word ("МВт*ч", "тыс. кВт*ч" over kW·h) says the column, its values to be scaled
// (HeadingScale).
std::optional<std::string> MeaningFault(const THeadingRead& read, const TOtherWords& other, unsigned& named) {
  const std::vector<THeadingWord>& held = read.Words;
  const TColumnWords& own = read.Own;
  const unsigned column = own.Means;
  // a unit of the column's own said once makes a month beside it the time of the value ("за ноябрь, кВт*ч")
  const bool ownUnit = std::any_of(held.begin(), held.end(), [&](const THeadingWord& h) {
    return own.UnitScaled(h.Word) != nullptr;
  });
  // a symbol numbered by its place names another column than the one of the list's number ("W2" over W1)
  const bool numbered = std::any_of(own.Own.begin(), own.Own.end(), IsNumberedSymbol);
  for (const bool quantities : {true, false})
    for (std::size_t i = 0; i < held.size(); ++i) {
      const THeadingWord& h = held[i];
      // a word the column's list holds is the column's ("W2" over the second energy)
      if (own.IsOwn(h.Word)) {
        named |= read.Meanings[i].Meaning & column;
        continue;
      }
      if (quantities && numbered && IsNumberedSymbol(h.Word)) return Quoted(h.Written) + " - номер другого столбца";
      const unsigned meaning = read.Meanings[i].Meaning;
      if (quantities && (meaning & ~column) == 0 &&
          std::find(other.Symbols.begin(), other.Symbols.end(), h.Word) != other.Symbols.end())
        return Quoted(h.Written) + " - слово другого столбца";
      if (meaning == 0 || ((meaning & kQuantities) != 0) != quantities) continue;
      if (UnitQuantity(h.Word) != 0 && (meaning & column) != 0 && !own.Units.empty()) {
        // the column's unit with another prefix is the column's, scaled
        if (own.UnitScaled(h.Word) != nullptr) {
          named |= meaning & column;
          continue;
        }
        return Quoted(h.Written) + " - не та единица: значения столбца - в " + own.UnitsText;
      }
      if (meaning == kPeriod && ownUnit) continue;
      if ((meaning & ~column) != 0)
        return Quoted(h.Written) + " - " + (IsTimeOfDay(h.Word) ? "час суток (период)" : MeaningName(meaning & ~column));
      named |= meaning;
    }
  return std::nullopt;
}

// A word of the heading that says another column of the sheet and none of this one ("Мощность нагрузки",
// "S нагр." over a rated power).
std::optional<std::string> OtherColumnFault(const THeadingRead& read, const TOtherWords& other) {
  const std::vector<TWord>& own = read.Own.Own;
  const auto notOwn = [&](const TWord& h) {
    return std::none_of(own.begin(), own.end(), [&](const TWord& w) { return w.size() >= 3 && StandsFor(h, w); });
  };
  const auto another = [&](const TWord& h) {
    return h.size() >= 3 &&
           std::any_of(other.Words.begin(), other.Words.end(), [&](const TWord& w) { return StandsFor(h, w); }) &&
           notOwn(h);
  };
  // (an index of a symbol says which value of it, a word of a quantity: "Pном" is no "номер")
  const auto anotherIndex = [&](const TWord& h) {
    return h.size() >= 3 &&
           std::any_of(other.Words.begin(), other.Words.end(),
                       [&](const TWord& w) { return Meaning(w) == 0 && StandsFor(h, w); }) &&
           notOwn(h);
  };
  for (std::size_t i = 0; i < read.Words.size(); ++i) {
    const TWord& h = read.Words[i].Word;
    if (const TPhraseRule* rule = read.Meanings[i].Rule; rule != nullptr && rule->NoOther) continue;
    if (another(h) || (h.size() > 1 && SymbolQuantity(h[0]) != 0 && anotherIndex(h.substr(1))))
      return Quoted(read.Words[i].Written) + " - слово другого столбца";
  }
  return std::nullopt;
}

// What a heading says of a column whose sheet's other columns' words are `others`: nothing when it says the
// column; otherwise what it names instead ('"кВА" - полная мощность'), or an empty text when it holds none
// of the column's words and names nothing else.
std::optional<std::string> NamesFault(const THeadingRead& read, const std::vector<const char*>& others) {
  const TOtherWords other(others, read.Own);
  unsigned named = 0;
  if (std::optional<std::string> fault = MeaningFault(read, other, named)) return fault;
  if (std::optional<std::string> fault = OtherColumnFault(read, other)) return fault;
  // the unit or symbol of the column's own quantity says it
  if ((named & kQuantities) != 0 && (read.Own.Means & kQuantities) != 0) return std::nullopt;
  return read.Says ? std::nullopt : std::optional<std::string>(std::string());
}

// NamesFault of a heading's words over a column whose words people write are `words`.
std::optional<std::string> HeadingWordsVerdict(const std::vector<THeadingWord>& held, const std::vector<const char*>& words,
                                               const std::vector<const char*>& others) {
  const TColumnWords own(words);
  return NamesFault(THeadingRead(held, own), others);
}

// Whether a column holds a figure (a quantity, a count, a ratio), whose heading must be understood whole.
bool FigureColumn(unsigned means) { return (means & (kQuantities | kCount | kFactor | kCosine)) != 0; }

// For a heading that says a figure column: the first word that names the other direction of the energy
// than the column's (its own words' or, where they name none, `direction`: A- over a column of A+, "отдача"
// over a column of consumption); none where the heading or the column names no direction.
std::optional<std::string> DirectionFault(const std::vector<THeadingWord>& held, const TColumnWords& own, int direction) {
  for (const TWord& w : own.Own)
    if (const int d = WordDirection(w)) direction = d;
  if (direction == 0) return std::nullopt;
  for (const THeadingWord& h : held)
    if (const int d = WordDirection(h.Word); d != 0 && d != direction)
      return Quoted(h.Written) + " - " + (d > 0 ? "прием (прямое направление)" : "отдача (обратное направление)") +
             ", а столбец - " + (direction > 0 ? "прием" : "отдача");
  return std::nullopt;
}

// Whether a word of a heading over a figure column is understood where it stands: a word a phrase rule
// reads there, a word that means something by itself (a unit, a symbol with its index, a word of the list,
// ListedWords), a scale, a number (a year, a quarter's, a date's figures), or one of the column's own words
// or what they begin or abbreviate.
bool Understood(const THeadingRead& read, const std::vector<int>& scales, const std::vector<bool>& parts,
                std::size_t i) {
  const TWord& h = read.Words[i].Word;
  if (read.Meanings[i].Rule != nullptr || Meaning(h) != 0 || scales[i] != 0 || parts[i] || IsDigits(h)) return true;
  if (read.Own.IsOwn(h) || ListedWord(h) != nullptr) return true;
  for (const TWord& w : read.Own.Own) {
    if (w.size() >= 3 && StandsFor(h, w)) return true;
    if (w.size() == 2 && h.starts_with(w) && h.size() <= 4) return true;
    if (w.size() == 1 && SymbolQuantity(w[0]) != 0 && h.starts_with(w) && IsIndex(h.substr(1))) return true;
  }
  return false;
}

// The first word of a heading over a figure column that the rule does not understand (Understood): the
// heading is taken only when every word of it is.
std::optional<std::string> UnknownWordFault(const THeadingRead& read) {
  const std::vector<TWord> plain = PlainWords(read.Words);
  std::vector<bool> parts;
  const std::vector<int> scales = WordScales(plain, &parts);
  for (std::size_t i = 0; i < read.Words.size(); ++i)
    if (!Understood(read, scales, parts, i))
      return Quoted(read.Words[i].Written) + " - слово, которое в заголовке этого столбца не понятно";
  return std::nullopt;
}

// The verdict of a heading over a column, in its order: what its words name that the column does not hold
// (the quantities first, then what no measured value is), another column's words, whether it names the
// column at all, and over a figure column the energy's direction and every word understood. `whole` holds
// it to every word understood, as a heading over the column is; a title or a note that states the column's
// unit among other words is not.
std::optional<std::string> HeadingVerdict(std::string_view heading, const std::vector<const char*>& words,
                                          const std::vector<const char*>& others, int direction = 0, bool whole = true) {
  const std::vector<THeadingWord> held = ReadWords(heading);
  const TColumnWords own(words);
  const THeadingRead read(held, own);
  std::optional<std::string> verdict = NamesFault(read, others);
  if (verdict || !FigureColumn(own.Means)) return verdict;
  if (verdict = DirectionFault(held, own, direction); verdict || !whole) return verdict;
  return UnknownWordFault(read);
}

}  // namespace

bool HeadingSays(std::string_view heading, const std::vector<const char*>& words,
                 const std::vector<const char*>& others, int direction) {
  return !HeadingVerdict(heading, words, others, direction).has_value();
}

bool HeadingNamesColumn(std::string_view text, const std::vector<const char*>& words) {
  return !HeadingVerdict(text, words, {}, 0, false).has_value();
}

std::string HeadingFault(std::string_view heading, const std::vector<const char*>& words,
                         const std::vector<const char*>& others, int direction) {
  const std::optional<std::string> verdict = HeadingVerdict(heading, words, others, direction);
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

std::string HeadingNamesOther(std::string_view heading, const std::vector<const char*>& words,
                              const std::vector<const char*>& others, int direction) {
  std::optional<std::string> verdict = HeadingVerdict(heading, words, others, direction);
  return verdict ? std::move(*verdict) : std::string();
}

bool HeadingHoldsWord(std::string_view text) {
  const std::vector<TWord> words = HeadingWordList(text);
  // a word that begins with a letter: "1O.50" is a number with a letter typed for a zero; an hour of the
  // day ("00:00") is the period of the column under it
  return std::any_of(words.begin(), words.end(),
                     [](const TWord& w) { return w[0] < U'0' || w[0] > U'9' || IsTimeOfDay(w); });
}

int HeadingScale(std::string_view heading, const std::vector<const char*>& words) {
  if (!HeadingNamesColumn(heading, words)) return 0;
  const TColumnWords own(words);
  int exponent = 0;
  bool unit = false;
  const std::vector<THeadingWord> held = ReadWords(heading);
  const std::vector<TWord> plain = PlainWords(held);
  for (const int scale : WordScales(plain)) exponent += scale;
  for (const THeadingWord& h : held) {
    if (unit) continue;
    if (const TUnit* scaled = own.UnitScaled(h.Word)) {
      exponent += FindUnit(h.Word)->Exponent - scaled->Exponent;
      unit = true;
    }
  }
  return exponent;
}

double DecimalScaled(double value, int exponent) {
  if (exponent == 0 || value == 0 || !std::isfinite(value)) return value;
  // the shortest decimal digits that read back as the value, with the exponent moved: 25.2015 thousand
  // is 25201.5, not the 25201.499999999996 of a binary product
  char digits[64];
  const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific);
  std::string text(digits, written.ptr);
  const std::size_t e = text.find('e');
  const int shifted = std::stoi(text.substr(e + 1)) + exponent;
  text = text.substr(0, e) + "e" + std::to_string(shifted);
  double scaled = 0;
  const std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), scaled,
                                                      std::chars_format::scientific);
  // beyond what a double holds: the product's infinity or zero, which a reader refuses or keeps as it is
  if (read.ec != std::errc()) return value * std::pow(10.0, exponent);
  return scaled;
}

TOutsideValue ScaledCell(const TOutsideValue& cell, int exponent) {
  if (exponent == 0 || cell.Blank() || cell.Kind() == TOutsideValue::TKind::Unreadable ||
      cell.Kind() == TOutsideValue::TKind::Date || !cell.CoveredFault().empty())
    return cell;
  const TValueRead<double> number = cell.Number();
  if (!number)
    return TOutsideValue::Unreadable("значение " + cell.Quoted() +
                                     " не число, а заголовок над ним называет единицу другого масштаба");
  const double value = DecimalScaled(*number, exponent);
  return TOutsideValue::Number(value, FloatToStrGeneral(value, 15));
}

}  // namespace ld

namespace ld {

namespace {

std::string Utf8(const std::u32string& word) {
  std::string text;
  for (const char32_t c : word) AppendUtf8(text, c);
  return text;
}

std::string Trimmed(std::string_view text) {
  const std::size_t from = text.find_first_not_of(" \t\r\n");
  if (from == std::string_view::npos) return {};
  return std::string(text.substr(from, text.find_last_not_of(" \t\r\n") - from + 1));
}

// A period a heading names: a month (1 to 12), a quarter (1 to 4), a year, or a span ("12 мес.",
// "нарастающим итогом"), with the words that name it as the heading writes them.
struct TPeriod {
  int Month = 0, Quarter = 0, Year = 0;
  std::u32string Span;
  std::string Written;
  bool Empty() const { return Month == 0 && Quarter == 0 && Year == 0 && Span.empty(); }
};

TPeriod PeriodOf(std::string_view heading) {
  const std::vector<THeadingWord> held = ReadWords(heading);
  const std::vector<unsigned> meanings = HeadingMeanings(held);
  TPeriod period;
  std::size_t first = held.size(), last = 0;
  const auto use = [&](std::size_t i) { first = std::min(first, i), last = std::max(last, i); };
  for (std::size_t i = 0; i < held.size(); ++i) {
    const TWord& h = held[i].Word;
    const TWord next = i + 1 < held.size() ? held[i + 1].Word : TWord();
    if (h.size() == 4 && IsDigits(h) && h >= U"1900" && h <= U"2100") {
      period.Year = std::stoi(Utf8(h)), use(i);
      if (next == U"ГОД" || next == U"ГОДА" || next == U"ГОДУ" || next == U"Г") use(i + 1);
    } else if (IsRomanQuarter(h) && IsQuarterWord(next)) {
      period.Quarter = h == U"I" ? 1 : h == U"II" ? 2 : h == U"III" ? 3 : 4, use(i), use(i + 1);
    } else if (h.size() == 1 && IsDigits(h) && IsQuarterWord(next) && h[0] >= U'1' && h[0] <= U'4') {
      period.Quarter = static_cast<int>(h[0] - U'0'), use(i), use(i + 1);
    } else if (h.size() <= 2 && IsDigits(h) && (next == U"МЕС" || next.starts_with(U"МЕСЯЦ"))) {
      period.Span = h + U" МЕС", use(i), use(i + 1);
    } else if (h.starts_with(U"НАРАСТ")) {
      period.Span = U"НАРАСТАЮЩИЙ", use(i);
      if (next == U"ИТОГОМ" || next == U"ИТОГ") use(i + 1);
    } else if (const TListedWord* w = ListedWord(h); meanings[i] == kPeriod && w != nullptr && w->Month != 0) {
      period.Month = w->Month, use(i);
    }
  }
  for (std::size_t i = first; i <= last && i < held.size(); ++i)
    period.Written += (period.Written.empty() ? "" : " ") + held[i].Written;
  return period;
}

}  // namespace

std::vector<THeadingToken> HeadingTokens(std::string_view text) {
  std::vector<THeadingToken> tokens;
  for (const THeadingWord& w : HeadingWords(text)) tokens.push_back({Utf8(w.Word), w.Written});
  return tokens;
}

THeadParts HeadingTokenParts(std::string_view text) {
  THeadParts parts;
  for (const THeadingToken& token : HeadingTokens(text)) {
    std::string word, number;
    const auto flush = [&] {
      if (!word.empty()) parts.Words.push_back(word);
      if (!number.empty()) parts.Digits.push_back(number);
      word.clear();
      number.clear();
    };
    const std::string_view w = token.Word;
    for (std::size_t pos = 0; pos < w.size();) {
      const std::size_t from = pos;
      const char32_t ch = NextUtf8Char(w, pos);
      if (ch >= U'0' && ch <= U'9') {
        if (!word.empty()) flush();
        number.push_back(static_cast<char>(ch));
      } else if (ch == U':') {
        flush();
      } else {
        if (!number.empty()) flush();
        word.append(w.substr(from, pos - from));
      }
    }
    flush();
  }
  return parts;
}

THeadSense HeadWordSense(std::string_view word) {
  TWord h;
  for (std::size_t pos = 0; pos < word.size();) h.push_back(NextUtf8Char(word, pos));
  // a quarter's Roman number ("за IV кв. 2026 г.") as the heading rule reads it
  if (IsRomanQuarter(h)) return THeadSense::When;
  const TListedWord* w = ListedWord(h, true);
  return w ? w->Sense : THeadSense::Other;
}

bool HeadingIsTimeOfDay(std::string_view heading) {
  const std::vector<TWord> words = HeadingWordList(heading);
  return words.size() == 1 && IsTimeOfDay(words.front());
}

std::optional<int> HeadingPeriodNumber(std::string_view heading) {
  std::string text = Trimmed(heading);
  // an hour written with its word after it ("7 ч", "1-2 ч.", "23 час"): the hour of a load curve
  bool hour = false;
  {
    std::size_t end = text.size();
    if (end > 0 && text[end - 1] == '.') --end;
    std::size_t begin = end;
    while (begin > 0 && (static_cast<unsigned char>(text[begin - 1]) >= 0x80 ||
                          ((text[begin - 1] | 0x20) >= 'a' && (text[begin - 1] | 0x20) <= 'z')))
      --begin;
    if (begin < end && begin > 0) {
      const std::vector<TWord> word = HeadingWordList(std::string_view(text).substr(begin, end - begin));
      if (word.size() == 1 && (word[0] == U"Ч" || word[0] == U"ЧАС" || word[0] == U"ЧАСА" || word[0] == U"ЧАСОВ")) {
        text = Trimmed(std::string_view(text).substr(0, begin));
        hour = true;
      }
    }
  }
  const auto number = [](std::string_view digits, int& value) {
    if (digits.empty() || digits.size() > 4) return false;
    const std::from_chars_result read = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return read.ec == std::errc() && read.ptr == digits.data() + digits.size();
  };
  int from = 0, to = 0;
  // an hour's range: "1-2", "23-24", with a hyphen or a dash
  for (const std::string_view dash : {"-", "\u2013", "\u2014"})
    if (const std::size_t at = text.find(dash); at != std::string::npos) {
      if (number(std::string_view(text).substr(0, at), from) &&
          number(Trimmed(std::string_view(text).substr(at + dash.size())), to) && from >= 0 && to == from + 1 && to <= 24)
        return from;
      return std::nullopt;
    }
  if (!number(text, from)) return std::nullopt;
  if (hour) return from >= 0 && from <= 24 ? std::optional<int>(from) : std::nullopt;
  if ((from >= 0 && from <= 31) || (from >= 1900 && from <= 2100)) return from;
  return std::nullopt;
}

bool HeadingIsPeriodNumber(std::string_view heading) { return HeadingPeriodNumber(heading).has_value(); }

std::vector<TStatedUnit> StatedUnits(std::string_view text) {
  const std::vector<THeadingWord> held = HeadingWords(text);
  const std::vector<TWord> plain = PlainWords(held);
  std::vector<bool> parts;
  const std::vector<int> scales = WordScales(plain, &parts);
  std::vector<TStatedUnit> stated;
  // whether a comma parts the word from the one before it ("за ноябрь 2026, тыс. кВт*ч"), by where each word
  // stands in the text
  std::vector<bool> comma(held.size(), false);
  for (std::size_t i = 0, from = 0; i < held.size(); ++i) {
    const std::size_t at = text.find(held[i].Written, from);
    if (at == std::string_view::npos) continue;
    const std::size_t before = at == 0 ? std::string_view::npos : text.find_last_not_of(" \t", at - 1);
    comma[i] = i > 0 && before != std::string_view::npos && before >= from && text[before] == ',';
    from = at + held[i].Written.size();
  }
  // a unit or a scale right after a figure is that figure's ("110/10 кВ", "2,75 тыс. кВт*ч")
  const auto figure = [&](std::size_t i) { return i > 0 && IsDigits(plain[i - 1]) && !comma[i]; };
  // a unit of one letter ("А", "м", "В") is a statement only where it is the whole text, follows a scale,
  // or ends the text after a comma or "в" ("Длина, м", "* длина в м"): elsewhere it is a letter of a name
  // ("фаза А") or the preposition
  const auto statedUnit = [&](std::size_t i) {
    const TUnit* unit = FindUnit(plain[i]);
    if (unit == nullptr && plain[i] != U"ШТ") return false;
    if (figure(i)) return false;
    return plain[i].size() > 1 || held.size() == 1 || (i + 1 == held.size() && (comma[i] || plain[i - 1] == U"В"));
  };
  // a unit of length spelled out in words, in any of its forms ("длины в метрах", "в километрах"): its sign
  const auto spelled = [&](std::size_t i) -> const char* {
    static const std::vector<std::pair<TWord, const char*>> names = {{U"МЕТР", "м"}, {U"КИЛОМЕТР", "км"}};
    static const std::vector<TWord> endings = {U"", U"А", U"Ы", U"ОВ", U"АХ", U"АМ", U"АМИ", U"Е", U"ОМ"};
    if (figure(i)) return nullptr;
    for (const auto& [name, sign] : names)
      for (const TWord& ending : endings)
        if (plain[i] == name + ending) return sign;
    return nullptr;
  };
  for (std::size_t i = 0; i < held.size(); ++i) {
    if (scales[i] != 0) {
      std::size_t end = i + 1;
      while (end < held.size() && parts[end]) ++end;
      TStatedUnit s{held[i].Written, {}, scales[i], {}};
      for (std::size_t k = i + 1; k < end; ++k) s.Written += " " + held[k].Written;
      if (end < held.size() && FindUnit(plain[end]) != nullptr) {
        s.Unit = held[end].Written, s.Written += " " + held[end].Written;
        ++end;
      } else if (i > 0 && FindUnit(plain[i - 1]) != nullptr && !stated.empty() && stated.back().Unit == held[i - 1].Written &&
                 stated.back().Scale == 0) {
        // "кВт*ч ×1000": the scale after its unit
        stated.back().Scale = scales[i], stated.back().Written += " " + s.Written;
        i = end - 1;
        continue;
      }
      if (!figure(i)) stated.push_back(std::move(s));
      i = end - 1;
    } else if (statedUnit(i)) {
      stated.push_back({held[i].Written, held[i].Written, 0, {}});
    } else if (const char* sign = spelled(i)) {
      stated.push_back({held[i].Written, sign, 0, sign});
    }
  }
  for (TStatedUnit& s : stated)
    if (s.Reads.empty()) s.Reads = s.Written;
  return stated;
}

std::optional<int> StatedUnitScale(const TStatedUnit& stated, const std::vector<const char*>& words) {
  const std::vector<TWord> unit = HeadingWordList(stated.Unit);
  if (unit.size() != 1) return std::nullopt;
  const TUnit* scaled = TColumnWords(words).UnitScaled(unit[0]);
  if (scaled == nullptr) return std::nullopt;
  return stated.Scale + FindUnit(unit[0])->Exponent - scaled->Exponent;
}

TStatedScale StatedUnitOver(std::string_view heading, const TStatedUnit& stated, const std::vector<const char*>& words) {
  const TColumnWords own(words);
  const std::string names = ", а заголовок столбца - " + HeadingWordsText(words);
  // the heading's own unit or scale, which a statement must agree with
  const std::vector<THeadingWord> held = ReadWords(heading);
  const std::vector<TWord> plain = PlainWords(held);
  const std::vector<int> scales = WordScales(plain);
  const bool headingScale = std::any_of(scales.begin(), scales.end(), [](int e) { return e != 0; });
  const bool headingUnit = std::any_of(held.begin(), held.end(), [&](const THeadingWord& h) { return FindUnit(h.Word) != nullptr; });
  const int own_ = heading.empty() ? 0 : HeadingScale(heading, words);
  if (stated.Unit.empty()) {
    // a scale alone multiplies the column's own unit: a count or a ratio has none
    if ((own.Means & kQuantities & ~kRatio) == 0)
      return {Quoted(stated.Written) + " - масштаб, а в столбце не величина с единицей" + names, 0};
    // a heading in a multiple of the unit ("МВт*ч", "тыс. кВт*ч") must say the same scale
    if ((headingScale || own_ != 0) && own_ != stated.Scale)
      return {Quoted(stated.Written) + " - другой масштаб, чем в заголовке " + Quoted(std::string(heading)), 0};
    return {{}, stated.Scale};
  }
  // the column's own unit in another multiple ("м" over km) says the column, whatever else its words are
  const std::optional<int> multiple = StatedUnitScale(stated, words);
  const std::vector<THeadingWord> unit = ReadWords(stated.Reads);
  const std::vector<unsigned> meanings = HeadingMeanings(unit);
  unsigned means = 0;
  for (const unsigned m : meanings) means |= m;
  // a unit of what no measured value is (a count, a percent) says a column of that: the count's "шт"
  if (!multiple && (means & kQuantities) == 0) {
    if (means != 0 && (means & ~own.Means) == 0) return {{}, 0};
    return {Quoted(stated.Written) + " - " + (means != 0 ? MeaningName(means) : "не единица столбца") + names, 0};
  }
  if (std::optional<std::string> verdict = multiple ? std::nullopt : HeadingWordsVerdict(unit, words, {}); verdict)
    return {Quoted(stated.Written) + " - " +
                (verdict->empty() ? std::string("не единица столбца") : verdict->substr(verdict->find(" - ") + 3)) + names,
            0};
  const int said = multiple ? *multiple : HeadingScale(stated.Reads, words);
  if ((headingUnit || headingScale) && said != own_)
    return {Quoted(stated.Written) + " - не та единица, что в заголовке " + Quoted(std::string(heading)), 0};
  return {{}, said};
}

TLeftUntold StatementLeavesUntold(std::string_view statement, const std::vector<const char*>& words) {
  const TColumnWords own(words);
  const auto has = [&](const TWord& base) {
    return std::any_of(own.Units.begin(), own.Units.end(), [&](const TUnit* u) { return u->Base == base; });
  };
  // the units a column's figures may be in where another of them is stated: the other of the active and the
  // reactive quantity, and the same quantity's power for an energy or energy for a power
  static const std::vector<std::pair<TWord, std::vector<TWord>>> others = {
      {U"ВТЧ", {U"ВАРЧ", U"ВТ"}}, {U"ВАРЧ", {U"ВТЧ", U"ВАР"}}, {U"ВТ", {U"ВАР", U"ВТЧ"}}, {U"ВАР", {U"ВТ", U"ВАРЧ"}}};
  TLeftUntold left = TLeftUntold::None;
  for (const TStatedUnit& stated : StatedUnits(statement)) {
    if (stated.Unit.empty()) {
      if (stated.Scale != 0 && (own.Means & kQuantities & ~kRatio) != 0) return TLeftUntold::Scale;
      continue;
    }
    const std::vector<TWord> unit = HeadingWordList(stated.Unit);
    const TUnit* u = unit.size() == 1 ? FindUnit(unit[0]) : nullptr;
    if (u == nullptr) continue;
    // (the twin's plain unit, "кВт*ч" beside kvar·h, scales nothing; a power's beside an energy is another
    // quantity in any multiple)
    const bool plain = stated.Scale == 0 && u->Exponent == 3;
    for (const auto& [base, of] : others)
      if (u->Base == base && !has(base) && ((!plain && has(of[0])) || has(of[1]))) left = TLeftUntold::Unit;
  }
  return left;
}

std::string HeadingPeriod(std::string_view heading) { return PeriodOf(heading).Written; }

std::string HeadingsPeriodFault(const std::vector<std::string>& headings) {
  std::optional<TPeriod> first;
  for (const std::string& heading : headings) {
    const TPeriod period = PeriodOf(heading);
    if (period.Empty()) continue;
    if (!first) {
      first = period;
      continue;
    }
    const auto differ = [](int a, int b) { return a != 0 && b != 0 && a != b; };
    const bool coarse = (first->Month != 0) != (period.Month != 0) || (first->Quarter != 0) != (period.Quarter != 0) ||
                        first->Span != period.Span;
    if (differ(first->Month, period.Month) || differ(first->Quarter, period.Quarter) ||
        differ(first->Year, period.Year) || coarse)
      return Quoted(first->Written) + " и " + Quoted(period.Written) + " - разные периоды в одной книге";
  }
  return {};
}

}  // namespace ld
