#pragma once
// The catalogue window: shows one catalogue or passport list in a data grid, lets the person edit and
// print it and pick a row. One instance lives from program start to program end and is reused by
// every call.
#include <QDialog>
#include <string>

#include "core/tables/layout.h"

class QLabel;
class QPushButton;
class QScrollBar;

namespace ld::gui {

class TDataGrid5;

class TCatalogForm : public QDialog {
  Q_OBJECT

public:
  explicit TCatalogForm(QWidget* parent = nullptr);

  TDataGrid5* DTable() const { return grid_; }
  QLabel* HLabel() const { return hint_; }

  // Prepares one showing: the file (or a table shown instead of it) and the row to start on.
  void Prepare(const std::string& fileName, const TDataFile* table, int row);
  // Whether the catalogue was saved or modified during this showing, and the row of the last closing.
  bool ChangedFlag() const { return changed_; }
  int CurrentRow() const { return row_; }

protected:
  void showEvent(QShowEvent* event) override;

public slots:
  // Every way of closing comes here: unsaved edits are offered for saving ("Отмена" keeps the window).
  void done(int result) override;

private:
  void PrintBtnClick();
  void CellMoved();

  TDataGrid5* grid_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QLabel* hint_ = nullptr;
  QPushButton* select_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* print_ = nullptr;
  bool changed_ = false;
  int row_ = 1;
};

// The one catalogue window of the program, created at start.
extern TCatalogForm* CatalogForm;

// Shows a catalogue file (or, with table, that table read-only and without "Выбрать"); caption becomes
// the window caption. True when the person chose a row with "Выбрать": Row is that table row and
// Changed whether the file was saved or modified during this showing. On cancel Row stays and Changed
// is false.
bool ShowCatalog(const std::string& FileName, const std::string& Caption, const TDataFile* Table, int& Row,
                 bool& Changed);

}  // namespace ld::gui
