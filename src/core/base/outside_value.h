#pragma once
// A value read from an outside file (a workbook cell, a dBase field, a field of a card, exchange or
// feeder file) as the file shows it. The lowest layer of each format makes it; a reader of the district,
// regime, catalogue or grid code reaches it only through the rules below, each of which gives the value
// or a named fault, never the raw text: a name without what other programs leave at its ends, a number
// read whole, an integer within its bounds, a date. A reader written later cannot store a text with a
// no-break space at its end, nor the number of a text's first characters, without a word.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ld {

// What one rule made of a value: the value, or why none (Russian, naming the text; never both).
template <typename T>
struct TValueRead {
  std::optional<T> Value;
  std::string Fault;
  explicit operator bool() const { return Value.has_value(); }
  const T& operator*() const { return *Value; }
};

// The integer a number stands for as its file shows it: the number when it is whole, else the integer
// its shown text reads (`shown`: its number format's text; empty: the general format's, 15 significant
// digits) where its 15 significant digits read that integer too, so that a sum stored 2.0000000000000004
// and shown "2" is 2, while 2.5 is refused however a format rounds it ("3" under 0); within lo..hi, or
// refused saying why.
TValueRead<int> ShownInteger(double value, std::string_view shown, int lo, int hi);

class TOutsideValue {
public:
  enum class TKind : unsigned char { Empty, Text, Number, Date, Unreadable };

  // An empty cell or field.
  TOutsideValue() = default;
  // A text as the file holds it (a text cell, a dBase character field, a field of a text record).
  static TOutsideValue Text(std::string text);
  // A number as the file holds it, with the text the file shows for it (a workbook's number format:
  // "011070123456789" for 11070123456789 under the format 000000000000000).
  static TOutsideValue Number(double value, std::string shown);
  // A whole number whose shown text drops some of its digits (123456789012 shown "1.23E+11"): a number
  // and an integer as any, but no name, which `fault` refuses saying how to show it whole.
  static TOutsideValue CutNumber(double value, std::string shown, std::string fault);
  // A date or time (a workbook's serial day) with the text the file shows for it ("01.05.2026", "36:30").
  static TOutsideValue Date(double serial, std::string shown);
  // A day of the calendar with the text its format shows ("01.11" for 1.11.2026 under DD.MM): never a
  // number, however its text reads (1.11 typed into a Russian spreadsheet becomes that day).
  static TOutsideValue Day(double serial, std::string shown);
  // A value the program cannot take (a formula without its result, an error value, a boolean): every
  // rule refuses it with this reason.
  static TOutsideValue Unreadable(std::string reason);
  // An empty value that its file cannot tell from one never calculated (a formula whose kept result is
  // the empty text, in a book whose program keeps the results it was given): it shows nothing, but where
  // an empty cell ends the data it is no end, and `reason` says how to get its value (EndFault).
  static TOutsideValue UnsureEmpty(std::string reason);
  // The empty cell of a merged range `range` ("A1:A2") below its first row, in a row that holds nothing
  // else: it shows nothing to any rule, yet it is no empty cell where one ends the data (a station's name
  // merged down over an empty row above its feeders), and the row is part of the range's own (RangeOnly).
  static TOutsideValue RangeBlank(std::string range);

  TKind Kind() const { return kind_; }
  // Whether the value shows nothing once ImportName has cut its ends (an empty cell, a field of blanks).
  bool Blank() const;
  // Why this blank value cannot end the data of a column that ends at its first empty cell (UnsureEmpty);
  // empty for every other value.
  std::string EndFault() const { return kind_ == TKind::Empty ? text_ : std::string(); }
  // Whether this is a RangeBlank: no value, and no end of the data.
  bool RangeOnly() const { return kind_ == TKind::Empty && !range_.empty(); }

  // The value as a name for a text field of `longest` characters (0: any length): the shown text
  // without what ImportName cuts from its ends; refused when a control character stays inside, a
  // character has no Windows-1251 code, or the name is longer than the field.
  TValueRead<std::string> Name(int longest = 0) const;
  // The value as a heading a person wrote over a column, read for its meaning and never stored: as Name,
  // but a sign that Windows-1251 lacks ("кВ⋅А", "кВ×А") is taken as it stands, and a heading wrapped over
  // the lines of its cell is one line ("Кол-во\nабонентов" is "Кол-во абонентов").
  TValueRead<std::string> Heading() const;
  // A number read whole: a number cell as it is, a text by ImportNumber ("" reads 0); a date where a
  // number is read is refused, naming it as the sheet shows it.
  TValueRead<double> Number() const;
  // An integer within lo..hi: what the file shows (ShownInteger for a number; a date's or a duration's
  // shown text, 48 for two days under [h]; a text read by ImportInteger).
  TValueRead<int> Integer(int lo, int hi) const;
  // A date cell's serial day; a text is refused (the readers of date texts take Name and their own rule).
  TValueRead<double> Date() const;
  // The text a message quotes for the value, as the file shows it (control characters as "?").
  std::string Quoted() const;
  // As Quoted, but a number whose shown text reads as another number names the number it holds too:
  // '"2.5" (показано "3")' for 2.5 under the format 0, so that a refusal of it is true.
  std::string QuotedHeld() const;
  // The value with a text's lines joined (JoinCellLines): a cell typed over several lines with Alt+Enter
  // is one name to the imports that take it so. Other kinds as they are.
  TOutsideValue LinesJoined() const;

  // This value as a cell of the merged range `range` ("A2:A3") shows it in a row below the range's first:
  // a name takes it as every row of the range shows it (an abonent over its two metering points), while
  // a number, an integer or a date refuses it, naming the range: one figure shown over several rows,
  // given to each, would be counted twice. An empty or unreadable value stays as it is.
  TOutsideValue Covered(std::string range) const;
  // Why no figure (a number, an integer, a date, a date's text) is taken from this value: the reason the
  // rules above give a covered value; empty for any other.
  std::string CoveredFault() const;

private:
  TOutsideValue(TKind kind, double number, std::string text)
      : kind_(kind), number_(number), text_(std::move(text)) {}
  TKind kind_ = TKind::Empty;
  double number_ = 0;
  std::string text_;  // shown text; the reason of an unreadable value
  std::string range_;  // the merged range whose value a covered cell shows
  std::string nameFault_;  // CutNumber: why it is no name
  bool day_ = false;   // Day: no number
};

}  // namespace ld
