#include "core/office/sheet_sink.h"

#include "core/base/numfmt.h"

namespace ld::office {

void StoreFormattedNumber(TSheetSink& sheet, int row, int col, double value, const TNumberFormat* format,
                          double dateShift) {
  const TNumberShow show = format ? format->show : TNumberShow::Plain;
  if (format && !ShowsNumber(*format, value))
    sheet.Unreadable(row, col, UnreadableCell::NotShownByFormat, FloatToStrGeneral(value, 15));
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

}  // namespace ld::office
