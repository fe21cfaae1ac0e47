#include "core/office/sheet_sink.h"

#include "core/base/numfmt.h"

namespace ld::office {

void StoreFormattedNumber(TSheetSink& sheet, int row, int col, double value, const TNumberFormat* format,
                          double dateShift) {
  const TNumberShow show = format ? format->show : TNumberShow::Plain;
  if (format && !ShowsNumber(*format, value))
    sheet.Unreadable(row, col, UnreadableCell::NotShownByFormat, FloatToStrGeneral(value, 15));
  else if (show == TNumberShow::Date && IsDateSerialInRange(value + dateShift) && !format->code.empty())
    sheet.Formatted(row, col, CellKind::Date, value + dateShift, *format);
  else if (show == TNumberShow::Date && IsDateSerialInRange(value + dateShift))
    sheet.Date(row, col, value + dateShift);
  else if (show == TNumberShow::Padded)
    sheet.Formatted(row, col, CellKind::Number, value, *format);
  else if (show == TNumberShow::Duration)
    sheet.Formatted(row, col, CellKind::Date, value, *format);
  else if (show == TNumberShow::Clock)
    sheet.Formatted(row, col, CellKind::Date, value + dateShift, *format);
  else
    sheet.Number(row, col, value);
}

void StoreFormattedText(TSheetSink& sheet, int row, int col, std::string_view text, const TNumberFormat* format) {
  if (format && !format->text.empty())
    sheet.FormattedText(row, col, text, *format);
  else
    sheet.Text(row, col, text);
}

void StoreFormattedShared(TSheetSink& sheet, int row, int col, std::uint32_t index, const TNumberFormat* format) {
  if (format && !format->text.empty())
    sheet.FormattedShared(row, col, index, *format);
  else
    sheet.Shared(row, col, index);
}

}  // namespace ld::office
