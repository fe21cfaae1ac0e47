// The grid's pop-up menu, hot keys and status labels, and the commands behind them.
#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <filesystem>

#include "core/tables/table_file.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/grid_dialogs.h"
#include "gui/grid/grid_exchange.h"
#include "gui/common/import_commands.h"

namespace ld::gui {

namespace {

struct MenuEntry {
  int tag;
  const char* caption;         // "-" for a separator
  const char* import = nullptr;  // an import command: its name in the program's list, which makes it
};

const MenuEntry kMenu[] = {
    {mtFind, "Поиск в колонке"},        {mtReplace, "Замена в колонке"},
    {mtRange, "Выборка по колонке"},     {mtSort, "Сортировка колонки"},
    {mtCompare, "Сравнение колонки"},    {mtColumnSum, "Сумма по колонке"},
    {3, "-"},                            {mtInsertRow, "Добавление строки"},
    {mtDeleteRows, "Удаление строки"},   {6, "-"},
    {mtCopyBlock, "Копирование блока"},  {mtPasteBlock, "Вставка блока"},
    {10, "-"},                           {mtTextExport, "Вывод в текстовый файл"},
    {mtSheetExport, "Вывод в Microsoft Excel"}, {19, "-"},
    {mtSheetImport, nullptr, "mtSheetImport"}, {12, "-"},
    {mtRowColor, "Установка цвета строки"},     {mtLayout, "Свойства таблицы"},
};

}  // namespace

void TDataGrid5::BuildMenu() {
  menu_ = new QMenu(this);  // owned by the grid as its Qt parent
  menu_->setObjectName("PopupMenu");
  for (const MenuEntry& entry : kMenu) {
    QAction* item = nullptr;
    if (entry.import != nullptr) {
      item = ImportAction("Таблица", entry.import, menu_);
      menu_->addAction(item);
    } else if (std::string_view(entry.caption) == "-") {
      item = menu_->addSeparator();
    } else {
      item = menu_->addAction(QString::fromUtf8(entry.caption));
    }
    item->setData(entry.tag);
  }
  connect(menu_, &QMenu::triggered, this, [this](QAction* item) {
    const int tag = item->data().toInt();
    if (tag > 0) RunCommand(tag);
    if (OnExtMenuClick) OnExtMenuClick(item, GetTable(), CurrentTableRow());
  });
  StateChanged();
}

QAction* TDataGrid5::MenuItem(int tag) const {
  for (QAction* item : menu_->actions())
    if (item->data().toInt() == tag) return item;
  return nullptr;
}

void TDataGrid5::contextMenuEvent(QContextMenuEvent* event) { menu_->popup(event->globalPos()); }

void TDataGrid5::RunCommand(int tag) {
  ForgetCellUndo();
  Guarded([&] {
    switch (tag) {
      case mtFind: ExecuteFindDialog(*this); break;
      case mtReplace:
        if (EditTable()) ExecuteReplaceDialog(*this);
        break;
      case mtRange: {
        // remembered for the next selection, whatever button closed the dialog
        static std::string from, to;
        static bool inclusive = false;
        if (ExecuteRangeDialog(from, to, inclusive)) RangeSelect(from, to, inclusive);
        break;
      }
      case mtSort: SortColumn(); break;
      case mtCompare: ExecuteCompareDialog(*this); break;
      case mtColumnSum: ColumnSum(); break;
      case mtInsertRow:
        if (EditTable()) InsertRow();
        break;
      case mtDeleteRows:
        if (EditTable()) DeleteRows();
        break;
      case mtCopyBlock:
        if (Mode() != gmEdit) CopyBlock();
        break;
      case mtPasteBlock:
        if (EditTable() && Mode() != gmEdit) PasteBlock();
        break;
      case mtTextExport: ExportText(); break;
      case mtSheetExport: ExportSpreadsheet(*this); break;
      case mtSheetImport:
        if (EditTable()) ImportSpreadsheet(*this);
        break;
      case mtRowColor:
        if (EditTable()) {
          std::uint8_t mark = BlockFirstMark();
          if (ExecuteRowColorDialog(mark)) SetRowColor(mark);
        }
        break;
      case mtLayout:
        EditMaket(Table);
        Refresh();
        break;
      default: break;
    }
  });
  update();
}

void TDataGrid5::SaveCommand() {
  Guarded([&] { SaveWithoutAsking(); });
  update();
}

void TDataGrid5::ToggleEditMode() {
  Guarded([&] { SetMode(Mode() == gmEdit ? gmView : gmEdit); });
  update();
}

void TDataGrid5::ParamsCommand() {
  Guarded([&] { Params(); });
  update();
}

void TDataGrid5::keyPressEvent(QKeyEvent* event) { HandleKey(event->key(), event->modifiers()); }

// Tab moves between the cells instead of moving the focus on to the next control; Ctrl+Tab leaves
// the grid.
bool TDataGrid5::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && !(key->modifiers() & Qt::AltModifier)) {
      HandleKey(key->key(), key->modifiers());
      return true;
    }
  }
  return QWidget::event(event);
}

void TDataGrid5::HandleKey(int key, Qt::KeyboardModifiers shift) {
  if (OnExtKeyDown) OnExtKeyDown(this, key, shift);
  if (key == 0) return;
  const bool edit = Mode() == gmEdit;
  const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
  // Shift selects a block, except that Shift+Tab only steps back a cell
  if (!edit) SetModeQuiet(shift & Qt::ShiftModifier && !tab ? gmBlock : gmView);
  if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape) ForgetCellUndo();
  const bool ctrl = shift & Qt::ControlModifier;
  const Qt::KeyboardModifiers mods = shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  switch (key) {
    case Qt::Key_F2:
      if (EditTable()) SaveCommand();
      break;
    case Qt::Key_F3: RunCommand(mtFind); break;
    case Qt::Key_F4:
      if (EditTable()) ToggleEditMode();
      break;
    case Qt::Key_F5:
      if (!edit) RunCommand(mtCopyBlock);
      break;
    case Qt::Key_F6:
      if (EditTable() && !edit) RunCommand(mtPasteBlock);
      break;
    case Qt::Key_F7:
      if (EditTable()) RunCommand(mtInsertRow);
      break;
    case Qt::Key_F8:
      if (EditTable()) RunCommand(mtDeleteRows);
      break;
    case Qt::Key_F9:
      if (ParamEnabled()) ParamsCommand();
      break;
    case Qt::Key_Insert:
      if (EditTable() && !edit && mods == Qt::ControlModifier) RunCommand(mtCopyBlock);
      if (EditTable() && !edit && mods == Qt::ShiftModifier) RunCommand(mtPasteBlock);
      break;
    case Qt::Key_Delete:
      if (ctrl && EditTable()) Guarded([&] { ClearBlock(); });
      break;
    case Qt::Key_Space:
      if (ctrl && EditTable()) Guarded([&] { RowMark(); });
      break;
    case Qt::Key_PageUp: Guarded([&] { ctrl ? First() : PageUp(); }); break;
    case Qt::Key_PageDown: Guarded([&] { ctrl ? Last() : PageDown(); }); break;
    case Qt::Key_Home: Guarded([&] { ctrl ? First() : MoveColumn(-1000); }); break;
    case Qt::Key_End: Guarded([&] { ctrl ? Last() : MoveColumn(1000); }); break;
    case Qt::Key_Up: Guarded([&] { LineUp(); }); break;
    case Qt::Key_Down: Guarded([&] { LineDown(); }); break;
    case Qt::Key_Left: Guarded([&] { MoveColumn(-1); }); break;
    case Qt::Key_Right: Guarded([&] { MoveColumn(1); }); break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      const bool forward = key == Qt::Key_Tab && !(shift & Qt::ShiftModifier);
      if (ctrl)
        focusNextPrevChild(forward);
      else
        Guarded([&] { TabCell(forward); });
      break;
    }
    case Qt::Key_Escape:
      if (edit) Guarded([&] { CancelEdit(); });
      break;
    default: break;
  }
  update();
}

bool TDataGrid5::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    const int length = static_cast<int>(editor_->text().size());
    const bool whole = !editor_->hasSelectedText() || editor_->selectedText().size() == length;
    bool forward = (k >= Qt::Key_F1 && k <= Qt::Key_F12) || k == Qt::Key_Up || k == Qt::Key_Down ||
                   k == Qt::Key_PageUp || k == Qt::Key_PageDown || (ctrl && k != Qt::Key_Left && k != Qt::Key_Right);
    // Left and Right leave the cell only from its edges, as in any grid editor
    if (k == Qt::Key_Left) forward = ctrl || (editor_->cursorPosition() == 0 && whole);
    if (k == Qt::Key_Right) forward = ctrl || (editor_->cursorPosition() == length && whole);
    // the text field keeps its own Ctrl+letter keys (copy, paste, undo)
    if (ctrl && k >= Qt::Key_A && k <= Qt::Key_Z) forward = false;
    // Enter, Escape and Tab belong to the grid, not to the dialog around it (its default and cancel buttons)
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
      EndCellEdit();
      editor_->selectAll();
      forward = true;
    }
    if (k == Qt::Key_Escape || k == Qt::Key_Tab || k == Qt::Key_Backtab) forward = true;
    if (forward) {
      HandleKey(k, key->modifiers());
      return true;
    }
    return false;
  }
  if (watched == editor_ && event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
    EndCellEdit();
  if (event->type() == QEvent::MouseButtonRelease) {
    for (std::size_t i = 0; i < labels_.size(); ++i) {
      if (watched != labels_[i] || !labels_[i]->isEnabled()) continue;
      switch (i + 2) {
        case 2: SaveCommand(); break;
        case 3: RunCommand(mtFind); break;
        case 4: ToggleEditMode(); break;
        case 5: RunCommand(mtCopyBlock); break;
        case 6: RunCommand(mtPasteBlock); break;
        case 7: RunCommand(mtInsertRow); break;
        case 8: RunCommand(mtDeleteRows); break;
        case 9: ParamsCommand(); break;
        default: break;
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ld::gui
