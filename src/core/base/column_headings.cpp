#include "core/base/column_headings.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/base/codepage.h"
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
};
constexpr unsigned kQuantities = kActive | kReactive | kApparent | kCurrent | kVoltage;

// How a refusal names a meaning: the lowest flag of the set.
std::string MeaningName(unsigned meaning) {
  static const std::vector<std::pair<unsigned, const char*>> names = {
      {kActive, "активная мощность или энергия"}, {kReactive, "реактивная мощность или энергия"},
      {kApparent, "полная мощность"}, {kCurrent, "ток"}, {kVoltage, "напряжение"}, {kLength, "длина"},
      {kPeriod, "период (месяц, квартал)"}, {kCount, "количество"}, {kYear, "год"}, {kPercent, "проценты"},
      {kFactor, "коэффициент"}, {kInventory, "инвентарный номер"}, {kDate, "дата"}, {kCode, "код"},
      {kNumber, "номер"}, {kCosine, "коэффициент мощности (cos φ)"}};
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
      {U"ПРОЦЕНТ", kPercent, false}, {U"ЗАГРУЗКА", kPercent, false}, {U"СОS", kCosine, false},
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

std::string HeadingNamesOther(std::string_view heading, const std::vector<const char*>& words,
                              const std::vector<const char*>& others) {
  std::optional<std::string> verdict = HeadingVerdict(heading, words, others);
  return verdict ? std::move(*verdict) : std::string();
}

bool HeadingHoldsWord(std::string_view text) {
  const std::vector<TWord> words = HeadingWordList(text);
  // a word that begins with a letter: "1O.50" is a number with a letter typed for a zero
  return std::any_of(words.begin(), words.end(), [](const TWord& w) { return w[0] < U'0' || w[0] > U'9'; });
}

}  // namespace ld
