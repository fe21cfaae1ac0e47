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
      {kRatio, "коэффициент трансформации или расчетный коэффициент"}};
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
      {U"КМ", U"М", 3, kLength},           {U"%", U"%", 0, kPercent}};
  for (const TUnit& unit : units)
    if (h == unit.Word) return &unit;
  return nullptr;
}

// The quantity a unit names ("кВт", "МВт*ч", "кВА", "А", "км", "%"); 0 for a word that is no unit.
unsigned UnitQuantity(const TWord& h) {
  const TUnit* unit = FindUnit(h);
  return unit ? unit->Quantity : 0;
}

// A word that multiplies the unit after it ("тыс. кВт*ч", "млн кВт*ч"): its power of ten, or 0.
int ScaleWordExponent(const TWord& h) {
  if (h == U"ТЫС" || h.starts_with(U"ТЫСЯЧ")) return 3;
  if (h == U"МЛН" || h.starts_with(U"МИЛЛИОН")) return 6;
  return 0;
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
    if ((ch == U'+' || ch == U'-') && (last == U"А" || last == U"R") && joined == TWord::npos &&
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
  static const std::vector<TWord> indices = {U"СР",  U"МАКС", U"МАX",  U"МАХ", U"МИН",  U"НОМ",  U"ЗАМ",
                                             U"СУМ", U"ОБР",  U"ОТП",  U"ПР",  U"ТР",   U"УСТ",  U"РАСЧ",
                                             U"ДОП", U"НАГР", U"РАЗР", U"ПОТ", U"СУММ", U"ПРИЕМ", U"ОТД"};
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
  if (h == U"А+" || h == U"А-" || h == U"ЭА") return kActive;
  if (h == U"R+" || h == U"R-" || h == U"ЭР") return kReactive;
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
      {U"ПРОЦЕНТ", kPercent, false}, {U"ЗАГРУЗКА", kPercent, false}, {U"СОS", kCosine, false},
      {U"ТG", kFactor, false},       {U"КОЭФФИЦИЕНТ", kFactor, true}, {U"ИНВЕНТАРНЫЙ", kInventory, true},
      {U"ДАТА", kDate, false},       {U"КОД", kCode, false},       {U"НОМЕР", kNumber, false},
      {U"№", kNumber, false},        {U"N", kNumber, false}};
  if (const unsigned unit = UnitQuantity(h)) return unit;
  if (const unsigned quantity = WordQuantity(h)) return quantity;
  if (IsTimeOfDay(h)) return kPeriod;
  for (const TMeaningWord& w : words) {
    const bool stands = w.Word.size() < 3 ? h == w.Word
                                          : h.starts_with(w.Word) || IsFormOf(h, w.Word) ||
                                                (w.Abbreviated && h.size() >= 3 && w.Word.starts_with(h));
    if (stands) return w.Meaning;
  }
  return 0;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// What each word of a heading means where it stands: a word's meaning (Meaning), but a phase's letter
// after "фаза" ("Напр. фазы A, В") no unit, a year after its number ("за ноябрь 2026 года", "за 2026
// год") and a quarter's number before "кв." ("за 4 кв.") the period of the value, and "Кол-во" before a
// unit ("Кол-во кВт*ч") the amount of it, not a count.
std::vector<unsigned> HeadingMeanings(const std::vector<THeadingWord>& held) {
  std::vector<unsigned> meanings;
  bool phases = false;
  for (std::size_t i = 0; i < held.size(); ++i) {
    const TWord& h = held[i].Word;
    unsigned meaning = Meaning(h);
    const TWord previous = i > 0 ? held[i - 1].Word : TWord();
    const bool phase = h.size() == 1 && (h[0] == U'А' || h[0] == U'В' || h[0] == U'С');
    if (phases && phase) meaning = 0;
    phases = h.starts_with(U"ФАЗ") || (phases && phase);
    if (meaning == kYear && (h == U"ГОД" || h == U"ГОДА" || h == U"ГОДУ") && previous.size() == 4 && IsDigits(previous))
      meaning = kPeriod;
    if (h == U"КВ" && previous.size() == 1 && previous[0] >= U'1' && previous[0] <= U'4' &&
        (i < 2 || !IsDigits(held[i - 2].Word)))
      meaning = kPeriod;
    // "Wр" with a Cyrillic р is реактивная, "Wp" with a Latin p power: the letter written tells
    if (h == U"WР") {
      const std::string_view index = std::string_view(held[i].Written).substr(1);
      meaning = index == "р" || index == "Р" ? unsigned{kReactive} : index == "p" || index == "P" ? unsigned{kActive} : 0u;
    }
    if (meaning == kCount && i + 1 < held.size() &&
        (FindUnit(held[i + 1].Word) != nullptr || ScaleWordExponent(held[i + 1].Word) != 0))
      meaning = 0;
    meanings.push_back(meaning);
  }
  return meanings;
}

// What a column's words say of it: the words themselves, what they mean, and the units its values are in.
struct TColumnWords {
  std::vector<TWord> Own;
  unsigned Means = 0;
  std::vector<const TUnit*> Units;
  std::string UnitsText;  // '"кВт", "кВт*ч"', as a refusal names them

  explicit TColumnWords(const std::vector<const char*>& words) {
    for (const char* example : words)
      for (THeadingWord& w : HeadingWords(example)) {
        if (!IsNumberedSymbol(w.Word)) Means |= Meaning(w.Word);
        if (const TUnit* unit = FindUnit(w.Word); unit != nullptr && UnitsText.find(Quoted(w.Written)) == std::string::npos) {
          UnitsText += (UnitsText.empty() ? "" : ", ") + Quoted(w.Written);
          Units.push_back(unit);
        }
        Own.push_back(std::move(w.Word));
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

// What a heading says of a column whose words people write are `words` and whose sheet's other columns'
// are `others`: nothing when it says the column; otherwise what it names instead ('"кВА" - полная
// мощность'), or an empty text when it holds none of the column's words and names nothing else. A unit
// of the column's own quantity with another prefix or a scale word ("МВт*ч", "тыс. кВт*ч" over kW·h)
// says the column, its values to be scaled (HeadingScale).
std::optional<std::string> HeadingVerdict(std::string_view heading, const std::vector<const char*>& words,
                                          const std::vector<const char*>& others) {
  const std::vector<THeadingWord> held = HeadingWords(heading);
  std::vector<unsigned> meanings = HeadingMeanings(held);
  const TColumnWords own(words);
  const unsigned column = own.Means;
  // "P, по виду" (the program's own caption of a load in the unit its measurement type sets: kW, A or
  // kW·h) says a load of a current too
  for (std::size_t i = 0; i + 2 < held.size(); ++i)
    if (held[i + 1].Word == U"ПО" && held[i + 2].Word == U"ВИДУ" && held[i].Word[0] == U'Р' &&
        meanings[i] == kActive && (column & kCurrent) != 0)
      meanings[i] = kCurrent;
  std::vector<TWord> other, otherSymbols;
  for (const char* example : others)
    for (TWord& w : HeadingWordList(example)) {
      // a symbol with its index is another column's own ("Wт", "dW" of the losses over their energy)
      if (w.size() >= 2 && WordQuantity(w) != 0 && FindUnit(w) == nullptr && !IsNumberedSymbol(w) && !own.IsOwn(w))
        otherSymbols.push_back(w);
      if (w.size() >= 3 && WordQuantity(w) == 0) other.push_back(std::move(w));
    }
  // a unit of the column's own said once makes a month beside it the time of the value ("за ноябрь, кВт*ч")
  const bool ownUnit = std::any_of(held.begin(), held.end(), [&](const THeadingWord& h) {
    return own.UnitScaled(h.Word) != nullptr;
  });
  // a symbol numbered by its place names another column than the one of the list's number ("W2" over W1)
  const bool numbered = std::any_of(own.Own.begin(), own.Own.end(), IsNumberedSymbol);
  unsigned named = 0;
  // the quantities, units and scales first, then what no measured value is
  for (const bool quantities : {true, false})
    for (std::size_t i = 0; i < held.size(); ++i) {
      const THeadingWord& h = held[i];
      // a word the column's list holds is the column's ("W2" over the second energy)
      if (own.IsOwn(h.Word)) {
        named |= meanings[i] & column;
        continue;
      }
      if (quantities && numbered && IsNumberedSymbol(h.Word)) return Quoted(h.Written) + " - номер другого столбца";
      const unsigned meaning = meanings[i];
      if (quantities && (meaning & ~column) == 0 &&
          std::find(otherSymbols.begin(), otherSymbols.end(), h.Word) != otherSymbols.end())
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
  // a word that says another column of the sheet and none of this one ("Мощность нагрузки", "S нагр."
  // over a rated power)
  const auto another = [&](const TWord& h) {
    return h.size() >= 3 && std::any_of(other.begin(), other.end(), [&](const TWord& w) { return StandsFor(h, w); }) &&
           std::none_of(own.Own.begin(), own.Own.end(), [&](const TWord& w) { return w.size() >= 3 && StandsFor(h, w); });
  };
  // (an index of a symbol says which value of it, a word of a quantity: "Pном" is no "номер")
  const auto anotherIndex = [&](const TWord& h) {
    return h.size() >= 3 &&
           std::any_of(other.begin(), other.end(), [&](const TWord& w) { return Meaning(w) == 0 && StandsFor(h, w); }) &&
           std::none_of(own.Own.begin(), own.Own.end(), [&](const TWord& w) { return w.size() >= 3 && StandsFor(h, w); });
  };
  for (std::size_t i = 0; i < held.size(); ++i) {
    const TWord& h = held[i].Word;
    // "Кол-во" of a unit is an amount of it, no count of another column
    if (meanings[i] == 0 && Meaning(h) == kCount) continue;
    if (another(h) || (h.size() > 1 && SymbolQuantity(h[0]) != 0 && anotherIndex(h.substr(1))))
      return Quoted(held[i].Written) + " - слово другого столбца";
  }
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

std::string HeadingNamesOther(std::string_view heading, const std::vector<const char*>& words,
                              const std::vector<const char*>& others) {
  std::optional<std::string> verdict = HeadingVerdict(heading, words, others);
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
  if (!HeadingSays(heading, words)) return 0;
  const TColumnWords own(words);
  int exponent = 0;
  bool unit = false;
  for (const THeadingWord& h : HeadingWords(heading)) {
    exponent += ScaleWordExponent(h.Word);
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
