#include "core/base/outside_value.h"

#include <cmath>

#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"

namespace ld {

TOutsideValue TOutsideValue::Text(std::string text) { return {TKind::Text, 0, std::move(text)}; }

TOutsideValue TOutsideValue::Number(double value, std::string shown) {
  return {TKind::Number, value, std::move(shown)};
}

TOutsideValue TOutsideValue::Date(double serial, std::string shown) { return {TKind::Date, serial, std::move(shown)}; }

TOutsideValue TOutsideValue::Unreadable(std::string reason) { return {TKind::Unreadable, 0, std::move(reason)}; }

bool TOutsideValue::Blank() const {
  return kind_ == TKind::Empty || (kind_ == TKind::Text && ImportTrimmed(text_).empty());
}

TValueRead<std::string> TOutsideValue::Name(int longest) const {
  if (kind_ == TKind::Unreadable) return {std::nullopt, text_};
  if (kind_ == TKind::Empty) return {std::string(), {}};
  // a text of megabytes is refused by its first characters before anything else looks at it whole
  if (longest > 0) {
    if (std::string fault = ImportTrimmedLengthFault(text_, longest); !fault.empty()) return {std::nullopt, fault};
  }
  std::string name = ImportName(text_);
  if (std::string fault = ImportControlFault(name); !fault.empty()) return {std::nullopt, fault};
  if (std::string fault = ImportTextFault(name); !fault.empty()) return {std::nullopt, fault};
  return {std::move(name), {}};
}

TValueRead<double> TOutsideValue::Number() const {
  switch (kind_) {
    case TKind::Empty:
      return {0.0, {}};
    case TKind::Unreadable:
      return {std::nullopt, text_};
    case TKind::Number:
      if (std::string fault = ImportNumberFault(number_); !fault.empty()) return {std::nullopt, fault};
      return {number_, {}};
    case TKind::Date:
      // a date or a time where a number is read: the sheet shows it so, whatever serial it holds
      // (1.5 typed into a cell of a Russian spreadsheet is the first of May)
      return {std::nullopt, ImportNumberTextFault(text_)};
    case TKind::Text:
      break;
  }
  if (std::optional<double> value = ImportNumber(text_)) return {*value, {}};
  return {std::nullopt, ImportNumberTextFault(text_)};
}

TValueRead<int> TOutsideValue::Integer(int lo, int hi) const {
  switch (kind_) {
    case TKind::Empty:
      if (lo <= 0 && 0 <= hi) return {0, {}};
      return {std::nullopt, ImportIntegerTextFault("0", lo, hi)};
    case TKind::Unreadable:
      return {std::nullopt, text_};
    case TKind::Number:
      if (std::trunc(number_) == number_ && number_ >= lo && number_ <= hi) return {static_cast<int>(number_), {}};
      return {std::nullopt, ImportIntegerTextFault(FloatToStrGeneral(number_, 15), lo, hi)};
    case TKind::Date:
    case TKind::Text:
      break;
  }
  if (kind_ == TKind::Text) {
    if (std::optional<int> value = ImportInteger(text_, lo, hi)) return {*value, {}};
  }
  return {std::nullopt, ImportIntegerTextFault(text_, lo, hi)};
}

TValueRead<double> TOutsideValue::Date() const {
  switch (kind_) {
    case TKind::Date:
      return {number_, {}};
    case TKind::Unreadable:
      return {std::nullopt, text_};
    case TKind::Empty:
      return {std::nullopt, "пустая ячейка там, где ожидается дата"};
    case TKind::Number:
    case TKind::Text:
      break;
  }
  return {std::nullopt, "текст " + QuotedText(ControlsShown(text_)) + " не является датой"};
}

std::string TOutsideValue::Quoted() const {
  if (kind_ == TKind::Unreadable || kind_ == TKind::Empty) return {};
  return QuotedText(ControlsShown(text_));
}

TOutsideValue TOutsideValue::LinesJoined() const {
  if (kind_ != TKind::Text) return *this;
  return Text(JoinCellLines(text_));
}

}  // namespace ld
