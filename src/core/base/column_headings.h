#pragma once
// The one rule by which every import that replaces or resets stored values judges the heading a person
// wrote over a column it reads: what the heading names (a quantity by its unit or symbol, a period, a
// count, a year, a length, a percent, an inventory number), against the words and the unit of what the
// column holds. The workbook readers of every subsystem take it from here.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/outside_value.h"

namespace ld {

// Whether the heading a person wrote over a column says what the column holds, by what the heading names:
// its quantity, the index of its symbol, its unit, the unit's scale and the period of the value.
// A column accepts a heading that holds one of the words people write for it (`words`, each as a refusal
// shows it: "Уст. мощ.", "Т1") or the unit or symbol of its own quantity, and that names nothing else.
// A unit or a symbol with any index people write names a quantity: kW, P and W active power or energy
// ("Pразр", "Pmax", "Pном", "dW", "ΔW", "Wпот", "A+", "A-", "Эа"), kvar and Q reactive ("Wq", "R+",
// "Эр", "Wреакт"), kVA and S apparent power, A and I a current, kV and U a voltage ("Напр."), К with its
// index a meter's or transformer's ratio ("Красч", "К расч.", "Кр", "Кт", "Ктр", "Ктт"); "Wр", written
// for either kind, leaves its unit to tell which, and a load "P, по виду" is in the unit its measurement
// type sets. The column's own unit with another prefix or a scale word ("МВт", "тыс. кВт*ч" over kW·h,
// "м" over km, "ВА" over kVA) says the column, its values to be brought to its unit (HeadingScale); a
// unit of another quantity, or power for energy, does not ("кВт*ч" over a load in kW, "Мощность, кВт"
// over a rated power in kVA). Nor does a heading that names what no measured value is: a period
// ("Январь", "квартал", an hour "00:00"), a count ("Кол-во абонентов"), a year ("Год ввода",
// "Годовое"), a length, a percent, a ratio ("cos φ"), an inventory number, a date, a code or a number
// ("№ счетчика"), unless the column's words name it too. The period beside the column's own unit is when
// the value was measured ("Потребление за ноябрь 2026 года, кВт*ч", "за 2026 год", "за 4 кв."); a
// letter after "фаза" is a phase, no unit ("Напр. фазы A, В"); "Кол-во" before a unit is an amount of it
// ("Кол-во кВт*ч"), no count; "по показаниям" says how a consumption was counted, no reading; "ЛС" and
// "л/сч" are "лицевых счетов". A heading holding another column's word (`others`: "Мощность нагрузки"
// over a rated power, "Wт" over the energy beside its losses) is that column's. A heading is taken by its
// meaning, not its spelling: letter case, Latin letters that look Cyrillic ("kVA", "Pразр"), the
// multiplication signs of a unit ("кВ*А", "кВ·А", "кВ×А"), the marks between words, the line breaks of a
// wrapped heading and what follows them change nothing; a word of three letters or more stands for the
// words it begins ("Уст. мощ." for "Установленная мощность") and for its own forms ("нагрузки", "лицевых
// счетов"); a word of two letters for itself and a sign or two after it ("Тр-р", not "Трасса"); a
// one-letter symbol ("P") begins only its index ("P1", "Рср", "Pmax"), never a word ("Расход"); a symbol
// numbered in the list ("W2") says its column by its place. Over a figure column (a quantity, a count, a
// ratio) every word of the heading is understood or the heading says nothing of it: the column's words and
// their forms, a unit with its scale, a symbol with its index, the period, and the words of the one list
// of understood words (the words people write around them: "потребление", "расход", "за", "всего"); a
// word the rule does not know is named. An energy's direction (A+ / A-, R+ / R-, "прием" / "отдача",
// "потребление" / "генерация") is the column's: the one its words name or, where they name none,
// `direction` (+1 the energy taken, as a base of consumption stores it; 0 either).
bool HeadingSays(std::string_view heading, const std::vector<const char*>& words,
                 const std::vector<const char*>& others = {}, int direction = 0);
// Whether a text of a sheet's head that is no heading of the column (a title, a note, a label's value)
// names the column's quantity among other words, as a statement of its unit does ("Технический учет за
// ноябрь 2026 г., тыс. кВт*ч"): HeadingSays without its every-word rule.
bool HeadingNamesColumn(std::string_view text, const std::vector<const char*>& words);
// Why the heading does not say the column (HeadingSays), for a refusal to follow 'не заголовок столбца
// <n>: ': what it names instead and the column's words ('"кВА" - полная мощность, а заголовок столбца -
// "нагрузка", "P" или "кВт"'), or 'в нем должно быть <words>' for a heading of none of them; empty when
// it says it.
std::string HeadingFault(std::string_view heading, const std::vector<const char*>& words,
                         const std::vector<const char*>& others = {}, int direction = 0);
// The words of the list as a refusal names them: '"кВА", "Sном" или "мощность"'.
std::string HeadingWordsText(const std::vector<const char*>& words);
// What the heading names that the column does not hold (HeadingFault's reason, without the column's
// words): another quantity, unit or scale, a period, a count, a year, a length, a percent, a ratio, an
// inventory number, a date, a code or a number, or another column's word; empty when it says the column
// or names nothing the rule knows ("н/д"), which a format without headings leaves to its reader to name
// as a value that does not read.
std::string HeadingNamesOther(std::string_view heading, const std::vector<const char*>& words,
                              const std::vector<const char*>& others = {}, int direction = 0);
// Whether the text holds a word that begins with a letter ("W1", "Наименование") or an hour of the day
// ("00:00", the period of a load curve's column), as a heading does: "1 825 200", "05.03.2026" and
// "1O.50" hold none.
bool HeadingHoldsWord(std::string_view text);
// The power of ten by which a value under a heading that names the column (HeadingNamesColumn) is brought to the
// column's own unit: a scale word ("тыс.", "млн") and a prefix other than the column's own unit's
// ("МВт*ч" over kW·h, "м" over km) each add theirs (3 for "тыс. кВт*ч" over kW·h, -3 for "Длина, м"
// over km); 0 for a heading in the column's own unit, and for one that does not say the column.
int HeadingScale(std::string_view heading, const std::vector<const char*>& words);
// The value times 10^exponent exactly as its decimal digits shift: the shortest digits that read back as
// the value, their point moved (25.2015 thousand is 25201.5, 1.1 thousand 1100), never a binary product's
// last-digit slip.
double DecimalScaled(double value, int exponent);
// A figure under a heading of another scale brought to the column's unit (DecimalScaled): a number
// converted, a value that is none (a text) named as unreadable for it; an empty cell, a date, a cell that
// cannot be read or that a merged range covers is left for its reader to name as it is.
TOutsideValue ScaledCell(const TOutsideValue& cell, int exponent);

// A word of a heading or of any text of a sheet's head as the heading rule reads it: `Word` upper-cased,
// Latin look-alikes Cyrillic, the signs of a unit joined ("КВТЧ" of "кВт·ч", "×1000", "10^3" of "10³");
// `Written` as the text writes it, for a refusal to quote. Every reader of a sheet's head splits its texts
// by this one splitter.
struct THeadingToken {
  std::string Word;
  std::string Written;
};
std::vector<THeadingToken> HeadingTokens(std::string_view text);

// The words of a text of a sheet's head split by HeadingTokens, each parted further into its letters
// (`Words`) and its runs of digits (`Digits`): "W1" gives "W" and "1", "18:00" "18" and "00", so that a
// title's date and hour count by their figures.
struct THeadParts {
  std::vector<std::string> Words, Digits;
};
THeadParts HeadingTokenParts(std::string_view text);

// What a word of a sheet's head (a part of THeadParts::Words) says beside a title, by the one list of
// understood words that the heading rule reads too: `When` a date's or a period's word (a month and its
// forms, "за", "г.", "год", "кв.", "дата", "по состоянию на"), `Approval` an approval block's
// ("УТВЕРЖДАЮ", "СОГЛАСОВАНО"), `Measured` a word written over any measured value ("замер", "зам.",
// "измеренная"), which says the column's own words beside it of a measured value and no other column.
enum class THeadSense { Other, When, Approval, Measured };
THeadSense HeadWordSense(std::string_view word);

// The period a heading that is a number alone names over a figure column, never its quantity: an hour
// or a day ("1" to "31"), a month ("1" to "12"), a year ("2022"), an hour's range by its first hour ("1-2"
// gives 1, "23-24" 23), an hour with its word ("7 ч", "1-2 ч.", "23 час", up to 24); none for any other
// heading ("1-3", "32", "1.5", "W1", "40 ч").
std::optional<int> HeadingPeriodNumber(std::string_view heading);
// Whether a heading names a period by a number alone (HeadingPeriodNumber).
bool HeadingIsPeriodNumber(std::string_view heading);
// Whether a heading is an hour of the day alone ("00:00", "23:00"), the period of a load curve's column;
// a duration ("36:30") is none.
bool HeadingIsTimeOfDay(std::string_view heading);

// A unit or a scale that a text of a sheet's head states for the columns it covers (a title
// "Технический учет за ноябрь 2026 г., тыс. кВт*ч", a units row "Ед. изм.: тыс. кВт·ч", a note
// "* данные в тыс. кВт·ч", "…, в тыс.", "…, МВт, Мвар", a units-row cell "шт"): `Written` as the text
// writes it ("тыс. кВт·ч"), `Unit` the unit's words ("кВт·ч", "шт"; empty for a scale alone, "в тыс."),
// `Scale` the power of ten of its scale words (3 for "тыс.", "×1000", "10³"; 0 for none), `Reads` the
// statement as the heading rule reads it: `Written`, with a unit spelled out in words by its sign ("в
// метрах" is "м", "в километрах" "км"). A unit after a figure ("ПС 110/10 кВ", "2,75 тыс. кВт*ч") is that
// figure's, no statement.
struct TStatedUnit {
  std::string Written;
  std::string Unit;
  int Scale = 0;
  std::string Reads;
};
std::vector<TStatedUnit> StatedUnits(std::string_view text);

// What a statement (StatedUnits) made above or below a figure column means for it, with the heading over
// it: `Fault` (for a refusal naming the statement's cell) where it names another quantity than the
// column's ('"шт" - количество, а заголовок столбца - ...') or disagrees with the unit or scale of the
// heading itself; otherwise `Exponent`, the power of ten by which the column's values are brought to its
// unit (the heading's own when both say the same, the statement's scale on the heading's unit when the
// statement is a scale alone).
struct TStatedScale {
  std::string Fault;
  int Exponent = 0;
};
TStatedScale StatedUnitOver(std::string_view heading, const TStatedUnit& stated, const std::vector<const char*>& words);
// The power of ten by which a column's values are brought to its unit where a statement gives the column's
// own unit in another multiple ("тыс. кВт*ч", "МВт*ч" over kW·h, "в метрах" over km: its scale words and its
// prefix); none for a unit of another quantity or kind, or a scale alone.
std::optional<int> StatedUnitScale(const TStatedUnit& stated, const std::vector<const char*>& words);

// What a statement of a sheet's head (StatedUnits) that states no unit of a column (with words `words`)
// leaves untold of it, for a refusal naming the statement's cell where the column holds figures: `Unit`, a
// unit of the active or the reactive energy or power that the column's figures may be in or not, where its
// heading states no unit of its own (a book measures both quantities alike, and a measurement type may
// make a load an energy): a unit of another scale than the plain one, of the other of the two ("W2" under
// "Технический учет, тыс. кВт*ч") or of the same quantity's power over an energy or the reverse ("P" of
// an energy under "Замеры, МВт"); `Scale`, a scale alone over a column of a quantity with a unit, whatever
// its heading ("W1" under "Потребление, в тыс." where the column's words are none of the statement's):
// whether it is said of the column cannot be told; `None` for a statement that leaves nothing untold.
enum class TLeftUntold { None, Unit, Scale };
TLeftUntold StatementLeavesUntold(std::string_view statement, const std::vector<const char*>& words);

// The period a heading names for the value under it ("за ноябрь 2026 г.", "за 4 кв.", "за 2025 год",
// "за 12 мес.", "нарастающим итогом"), as a refusal quotes it; empty for none.
std::string HeadingPeriod(std::string_view heading);
// Why the energy columns of one book are refused for naming different periods (one heading "за 2026 год",
// another "за 2025 год"): '"за 2025 год" и "за 2026 год" - разные периоды'; empty when they name one or
// none. `headings` are the headings over the book's figure columns.
std::string HeadingsPeriodFault(const std::vector<std::string>& headings);

}  // namespace ld
