#include "gui/grid/block_clipboard.h"

#include <cstring>

namespace ld::gui {

TBlockClipboard& BlockClipboard() {
  static TBlockClipboard clipboard;
  return clipboard;
}

void CopyLayout(const TDataFile& source, TDataFile& target) {
  target.Name = source.Name;
  target.Extention = source.Extention;
  target.NCols = source.NCols;
  target.ColFlag = source.ColFlag;
  target.ColType = source.ColType;
  target.PixWidth = source.PixWidth;
  target.CtrlSize = source.CtrlSize;
  target.FltDigit = source.FltDigit;
  target.Access = source.Access;
  target.Visible = source.Visible;
  target.Colors = source.Colors;
  target.TitleColor = source.TitleColor;
  target.FieldName = source.FieldName;
  target.ColTitle = source.ColTitle;
  target.Comment = source.Comment;
  target.NOrder = source.NOrder;
  target.Order = source.Order;
}

void TBlockClipboard::Copy(const TDataFile& source, const std::vector<int>& columns, int r1, int r2) {
  FreeTable(table_);
  table_ = TDataFile{};
  CopyLayout(source, table_);
  columns_ = columns;
  const int rows = std::max(0, r2 - r1 + 1);
  table_.RowCount = rows;
  table_.MarkRec = std::make_unique<DAbyte>(rows);
  for (const int c : columns_) {
    const auto k = static_cast<std::size_t>(c);
    table_.Columns[k] = NewColumnArray(source.ColType[k], rows, source.CtrlSize[k]);
    TDynamicArray* from = source.Columns[k].get();
    TDynamicArray* to = table_.Columns[k].get();
    if (source.Access[k] != 1 || !from || !to) continue;
    // values move as they are stored, so floating values keep every digit
    for (int i = 1; i <= rows; ++i) {
      const int row = r1 + i - 1;
      if (source.ColType[k] == 's')
        static_cast<DAString*>(to)->SetItem(i, static_cast<const DAString*>(from)->GetItem(row));
      else if (from->ElemSize() == to->ElemSize() && row < from->Size())
        std::memcpy(to->ItemPtr(i), static_cast<const unsigned char*>(from->Data()) +
                                        static_cast<std::size_t>(row) * static_cast<std::size_t>(from->ElemSize()),
                    static_cast<std::size_t>(from->ElemSize()));
    }
  }
}

}  // namespace ld::gui
