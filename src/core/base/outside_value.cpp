#include "core/base/outside_value.h"

#include <cmath>

#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"

namespace ld {

namespace {

// Every refusal of the rules: its reason, which names what was refused and why. The reasons come from the
// same text that the reading refused, so none is empty; a reason that still came empty would leave a
// message ending in "ячейка C1: " with nothing after it, so the value is named as not read instead.
template <typename T>
TValueRead<T> Refused(std::string why, std::string_view shown) {
  if (why.empty()) why = "значение " + QuotedText(ControlsShown(shown)) + " не читается";
  return {std::nullopt, std::move(why)};
}

// A number and an integer of a text as the file shows it (a text cell, a date's or a duration's shown
// text), each with the fault of that very text.
TValueRead<double> NumberOfText(std::string_view text) {
  if (std::optional<double> value = ImportNumber(text)) return {*value, {}};
  return Refused<double>(ImportNumberTextFault(text), text);
}

TValueRead<int> IntegerOfText(std::string_view text, int lo, int hi) {
  if (std::optional<int> value = ImportInteger(text, lo, hi)) return {*value, {}};
  return Refused<int>(ImportIntegerTextFault(text, lo, hi), text);
}

}  // namespace

TValueRead<int> ShownInteger(double value, std::string_view shown, int lo, int hi) {
  if (std::trunc(value) == value && value >= lo && value <= hi) return {static_cast<int>(value), {}};
  // a sum stored a few units off its integer (2.0000000000000004) shows the integer; a format that rounds
  // a number to a whole one shows no integer that the file holds (2.5 shown "3" under 0 is refused)
  const std::string general = FloatToStrGeneral(value, 15);
  TValueRead<int> read = IntegerOfText(shown.empty() ? std::string_view(general) : shown, lo, hi);
  if (read && std::trunc(value) != value && IntegerOfText(general, lo, hi).Value != read.Value)
    return IntegerOfText(general, lo, hi);
  return read;
}

TOutsideValue TOutsideValue::Text(std::string text) { return {TKind::Text, 0, std::move(text)}; }

TOutsideValue TOutsideValue::Number(double value, std::string shown) {
  return {TKind::Number, value, std::move(shown)};
}

TOutsideValue TOutsideValue::CutNumber(double value, std::string shown, std::string fault) {
  TOutsideValue cut(TKind::Number, value, std::move(shown));
  cut.nameFault_ = std::move(fault);
  return cut;
}

TOutsideValue TOutsideValue::Date(double serial, std::string shown) { return {TKind::Date, serial, std::move(shown)}; }

TOutsideValue TOutsideValue::Day(double serial, std::string shown) {
  TOutsideValue day(TKind::Date, serial, std::move(shown));
  day.day_ = true;
  return day;
}

TOutsideValue TOutsideValue::Unreadable(std::string reason) { return {TKind::Unreadable, 0, std::move(reason)}; }

TOutsideValue TOutsideValue::UnsureEmpty(std::string reason) { return {TKind::Empty, 0, std::move(reason)}; }

TOutsideValue TOutsideValue::RangeBlank(std::string range) {
  TOutsideValue blank;
  blank.range_ = std::move(range);
  return blank;
}

bool TOutsideValue::Blank() const {
  return kind_ == TKind::Empty || (kind_ == TKind::Text && ImportTrimmed(text_).empty());
}

TValueRead<std::string> TOutsideValue::Name(int longest) const {
  if (kind_ == TKind::Unreadable) return Refused<std::string>(text_, {});
  if (kind_ == TKind::Empty) return {std::string(), {}};
  if (!nameFault_.empty()) return Refused<std::string>(nameFault_, {});
  // a text of megabytes is refused by its first characters before anything else looks at it whole
  if (longest > 0) {
    if (std::string fault = ImportTrimmedLengthFault(text_, longest); !fault.empty())
      return Refused<std::string>(std::move(fault), {});
  }
  std::string name = ImportName(text_);
  if (std::string fault = ImportControlFault(name); !fault.empty()) return Refused<std::string>(std::move(fault), {});
  if (std::string fault = ImportTextFault(name); !fault.empty()) return Refused<std::string>(std::move(fault), {});
  return {std::move(name), {}};
}

TValueRead<std::string> TOutsideValue::Heading() const {
  if (kind_ == TKind::Unreadable) return Refused<std::string>(text_, {});
  if (kind_ == TKind::Empty) return {std::string(), {}};
  // a heading wrapped over the lines of its cell reads as one line, as every cell's text does
  const std::string lines = JoinCellLines(text_);
  std::string heading = ImportName(lines);
  if (std::string fault = ImportControlFault(heading); !fault.empty()) return Refused<std::string>(std::move(fault), {});
  return {std::move(heading), {}};
}

TValueRead<double> TOutsideValue::Number() const {
  if (std::string fault = CoveredFault(); !fault.empty()) return {std::nullopt, std::move(fault)};
  switch (kind_) {
    case TKind::Empty:
      return {0.0, {}};
    case TKind::Unreadable:
      return Refused<double>(text_, {});
    case TKind::Number:
      if (std::string fault = ImportNumberFault(number_); !fault.empty()) return Refused<double>(std::move(fault), text_);
      return {number_, {}};
    case TKind::Date:
      if (day_) return Refused<double>("текст " + QuotedText(ControlsShown(text_)) + " не является числом: это дата", text_);
      // a date or a time where a number is read is read as the sheet shows it, whatever serial it holds
      // (1.5 typed into a cell of a Russian spreadsheet is the first of May, refused as a date; two days
      // under [h] are the count 48)
    case TKind::Text:
      break;
  }
  return NumberOfText(text_);
}

TValueRead<int> TOutsideValue::Integer(int lo, int hi) const {
  if (std::string fault = CoveredFault(); !fault.empty()) return {std::nullopt, std::move(fault)};
  switch (kind_) {
    case TKind::Empty:
      if (lo <= 0 && 0 <= hi) return {0, {}};
      return {std::nullopt, ImportIntegerTextFault("0", lo, hi)};
    case TKind::Unreadable:
      return Refused<int>(text_, {});
    case TKind::Number:
      return ShownInteger(number_, text_, lo, hi);
    case TKind::Date:
      if (day_)
        return Refused<int>("текст " + QuotedText(ControlsShown(text_)) + " не является целым числом: это дата", text_);
      break;
    case TKind::Text:
      break;
  }
  return IntegerOfText(text_, lo, hi);
}

TValueRead<double> TOutsideValue::Date() const {
  if (std::string fault = CoveredFault(); !fault.empty()) return {std::nullopt, std::move(fault)};
  switch (kind_) {
    case TKind::Date:
      return {number_, {}};
    case TKind::Unreadable:
      return Refused<double>(text_, {});
    case TKind::Empty:
      return Refused<double>("пустая ячейка там, где ожидается дата", {});
    case TKind::Number:
    case TKind::Text:
      break;
  }
  return Refused<double>("текст " + QuotedText(ControlsShown(text_)) + " не является датой", text_);
}

std::string TOutsideValue::Quoted() const {
  if (kind_ == TKind::Unreadable || kind_ == TKind::Empty) return {};
  return QuotedText(ControlsShown(text_));
}

std::string TOutsideValue::QuotedHeld() const {
  if (kind_ != TKind::Number) return Quoted();
  const std::string held = FloatToStrGeneral(number_, 15);
  const std::optional<double> shown = ImportNumber(text_);
  if (shown && *shown == number_) return Quoted();
  return QuotedText(held) + " (показано " + Quoted() + ")";
}

TOutsideValue TOutsideValue::LinesJoined() const {
  if (kind_ != TKind::Text) return *this;
  TOutsideValue joined = Text(JoinCellLines(text_));
  joined.range_ = range_;
  return joined;
}

TOutsideValue TOutsideValue::Covered(std::string range) const {
  TOutsideValue covered = *this;
  if (kind_ != TKind::Empty && kind_ != TKind::Unreadable) covered.range_ = std::move(range);
  return covered;
}

std::string TOutsideValue::CoveredFault() const {
  if (range_.empty() || kind_ == TKind::Empty) return {};
  return "ячейка входит в объединенную ячейку " + range_ + " и лишь показывает ее значение " +
         QuotedText(ControlsShown(text_)) +
         ": одно значение на несколько строк не дается каждой из них, чтобы не учесть его дважды; разъедините ячейки и "
         "впишите значение каждой строки";
}

}  // namespace ld
