#include "gui/district/set_koef_form.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"

namespace ld::gui {

namespace {

constexpr int kTypes = 6;
constexpr std::array<const char*, kTypes> kTypeLabels = {" 0: Кз.тр.", " 1: P,Q",   " 2: P,tg",
                                                        " 3: I,tg",   " 4: WP,WQ", " 5: WP,tg"};

std::array<float*, kTypes> Coefficients() {
  return {&IniRec.Kv_0, &IniRec.Kv_1, &IniRec.Kv_2, &IniRec.Kv_3, &IniRec.Kv_4, &IniRec.Kv_5};
}

// A cell of the fixed first row or column: shown, never edited.
QTableWidgetItem* FixedCell(const char* text) {
  auto* item = new QTableWidgetItem(QString::fromUtf8(text));
  item->setFlags(Qt::ItemIsEnabled);
  item->setBackground(QColor(0xF0, 0xF0, 0xF0));
  return item;
}

}  // namespace

TSetKoefFrm::TSetKoefFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("SetKoefFrm");
  setWindowTitle("Весовые коэффициенты");
  Grid = Named<QTableWidget>("Grid", kTypes + 1, 2, this);
  Grid->horizontalHeader()->hide();
  Grid->verticalHeader()->hide();
  Grid->horizontalHeader()->setStretchLastSection(true);
  Grid->setItem(0, 0, FixedCell(" Тип нагр."));
  Grid->setItem(0, 1, FixedCell("  Коэф."));
  const auto values = Coefficients();
  for (int row = 1; row <= kTypes; ++row) {
    Grid->setItem(row, 0, FixedCell(kTypeLabels[static_cast<std::size_t>(row - 1)]));
    Grid->setItem(row, 1,
                  new QTableWidgetItem(QString::fromStdString(FloatToStrGeneral(*values[static_cast<std::size_t>(row - 1)], 7))));
  }
  Grid->setCurrentCell(1, 1);
  connect(Grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { GridSetEditText(item); });

  ShowWholeGrid();

  auto* root = new QVBoxLayout(this);
  root->addWidget(Grid);
  root->addLayout(ApplyCancelButtons(*this, [this] { accept(); }));
}

void TSetKoefFrm::ShowWholeGrid() {
  // Every row and every caption whole, measured with the grid's own font: no scroll bar hides a type.
  Grid->resizeColumnsToContents();
  Grid->resizeRowsToContents();
  Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  int width = 2 * Grid->frameWidth(), height = 2 * Grid->frameWidth();
  for (int c = 0; c < Grid->columnCount(); ++c) width += Grid->columnWidth(c);
  for (int r = 0; r < Grid->rowCount(); ++r) height += Grid->rowHeight(r);
  Grid->setMinimumSize(width, height);
}

void TSetKoefFrm::GridSetEditText(QTableWidgetItem* item) {
  if (item->row() == 0 || item->column() != 1) return;
  try {
    StrToFloatZ(item->text().toStdString());
  } catch (const ConvertError&) {
    const QSignalBlocker quiet(Grid);
    item->setText(QString());
  }
}

void TSetKoefFrm::Store() const {
  const auto values = Coefficients();
  for (int row = 1; row <= kTypes; ++row) {
    const QTableWidgetItem* item = Grid->item(row, 1);
    double v = 0;
    try {
      v = StrToFloatZ(item != nullptr ? item->text().toStdString() : std::string());
    } catch (const ConvertError&) {
      v = 0;  // a cell emptied as it was typed into is 0
    }
    *values[static_cast<std::size_t>(row - 1)] = static_cast<float>(v);
  }
}

void ExecuteWeightKoefDialog(QWidget* parent) {
  TSetKoefFrm form(parent);
  if (ExecModal(form) == QDialog::Accepted) form.Store();
}

}  // namespace ld::gui
