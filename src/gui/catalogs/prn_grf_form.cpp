#include "gui/catalogs/prn_grf_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/catalogs/graph_box.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/grid/report_print_device.h"
#include "gui/grid/report_print_render.h"
#include "gui/grid/report_print_settings.h"

namespace ld::gui {

QPrinter& GraphPrinter() {
  static const std::unique_ptr<QPrinter> printer = NewPagePrinter();
  return *printer;
}

QImage GraphImage(TGraphBox& box) {
  QImage image(std::max(1, box.width()), std::max(1, box.height()), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(box.font());
  box.DrawTo(painter, 0, 0, box.width(), box.height());
  return image;
}

TPrnGrfForm::TPrnGrfForm(TGraphBox& box, QWidget* parent) : QDialog(parent), box_(box) {
  setObjectName("PrnGrfForm");
  setWindowTitle("Печать графика");
  std::string why;
  if (!ReadPrnGrfSettings(PrnSetupFileName(), work_, &why))
    ShowMsgForm("Ошибка чтения файла конфигурации prnsetup.cfg: " + why, mkError, mbOk);
  GraphPrinter().setPageOrientation(work_.Orient == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Отступы (см) :", this));
  auto* grid = new QGridLayout;
  const char* editNames[] = {"TopEdit", "BottomEdit", "LeftEdit", "RightEdit"};
  const char* spinNames[] = {"TopSpin", "BottomSpin", "LeftSpin", "RightSpin"};
  const char* labels[] = {"Сверху", "Снизу", "Слева", "Справа"};
  QLineEdit** edits[] = {&TopEdit, &BottomEdit, &LeftEdit, &RightEdit};
  for (int i = 0; i < 4; ++i) {
    *edits[i] = Named<QLineEdit>(editNames[i], this);
    auto* spin = new QWidget(this);
    spin->setObjectName(spinNames[i]);
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    auto* up = new QToolButton(spin);
    up->setObjectName("Up");
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton(spin);
    down->setObjectName("Down");
    down->setArrowType(Qt::DownArrow);
    spinLayout->addWidget(up);
    spinLayout->addWidget(down);
    grid->addWidget(new QLabel(labels[i], this), i, 0);
    grid->addWidget(*edits[i], i, 1);
    grid->addWidget(spin, i, 2);
    connect(up, &QToolButton::clicked, this, [this, i] { Spin(i, 1); });
    connect(down, &QToolButton::clicked, this, [this, i] { Spin(i, -1); });
    connect(*edits[i], &QLineEdit::textEdited, this, [this, i] { MarginEdited(i); });
  }
  layout->addLayout(grid);
  auto* printer = new QPushButton("Настройка принтера", this);
  printer->setObjectName("PrinterBtn");
  layout->addWidget(printer);
  BmpFileBox = new QCheckBox("Вывод в bmp-файл", this);
  BmpFileBox->setObjectName("BmpFileBox");
  BmpFileEdit = new QLineEdit(this);
  BmpFileEdit->setObjectName("BmpFileEdit");
  layout->addWidget(BmpFileBox);
  layout->addWidget(BmpFileEdit);
  auto* buttons = new QHBoxLayout;
  auto* print = new QPushButton("Печать", this);
  print->setObjectName("PrintBtn");
  print->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(print);
  layout->addLayout(buttons);

  BmpFileBox->setChecked(work_.FlagOutBmp);
  BmpFileEdit->setEnabled(work_.FlagOutBmp);
  BmpFileEdit->setText(QString::fromStdString(work_.BmpFile.empty() ? ProgramDir + "graph.bmp" : work_.BmpFile));
  ShowMargins();
  connect(BmpFileBox, &QCheckBox::toggled, BmpFileEdit, &QLineEdit::setEnabled);
  connect(printer, &QPushButton::clicked, this, [this] { PrinterBtnClick(); });
  connect(print, &QPushButton::clicked, this, [this] { PrintBtnClick(); });
}

TPrnGrfForm::~TPrnGrfForm() {
  work_.Orient = GraphPrinter().pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
  work_.FlagOutBmp = BmpFileBox->isChecked();
  work_.BmpFile = BmpFileEdit->text().toStdString();
  if (!WritePrnGrfSettings(PrnSetupFileName(), work_))
    ShowMsgForm("Ошибка записи файла конфигурации prnsetup.cfg", mkError, mbOk);
}

float& TPrnGrfForm::Margin(int index) {
  switch (index) {
    case 0:
      return work_.Top;
    case 1:
      return work_.Bottom;
    case 2:
      return work_.Left;
    default:
      return work_.Right;
  }
}

void TPrnGrfForm::ShowMargins() {
  QLineEdit* edits[] = {TopEdit, BottomEdit, LeftEdit, RightEdit};
  for (int i = 0; i < 4; ++i) edits[i]->setText(QString::fromStdString(FloatToStrGeneral(SingleToDouble(Margin(i)), 7)));
}

void TPrnGrfForm::MarginEdited(int index) {
  QLineEdit* edits[] = {TopEdit, BottomEdit, LeftEdit, RightEdit};
  try {
    Margin(index) = static_cast<float>(StrToFloatZ(edits[index]->text().toStdString()));
  } catch (const ConvertError&) {
    return;  // a half-typed number is taken when it reads
  }
  if (Margin(index) < 0) {
    Margin(index) = 0;
    edits[index]->setText("0");
  }
}

void TPrnGrfForm::Spin(int margin, int direction) {
  float& m = Margin(margin);
  m = static_cast<float>(SingleToDouble(m) + 0.1 * direction);
  if (m < 0) m = 0;
  ShowMargins();
}

// Without a printer the platform's set-up dialog is still the place to choose output to a PDF file.
void TPrnGrfForm::PrinterBtnClick() {
  QPrinter& printer = GraphPrinter();
  const auto before = printer.pageLayout().orientation();
  if (!RunPrinterSetup(printer, this)) return;
  const auto after = printer.pageLayout().orientation();
  if (after != before) {
    const PrintMargins turned =
        TurnedMargins({work_.Top, work_.Left, work_.Bottom, work_.Right}, after == QPageLayout::Landscape);
    work_.Top = static_cast<float>(turned.top);
    work_.Left = static_cast<float>(turned.left);
    work_.Bottom = static_cast<float>(turned.bottom);
    work_.Right = static_cast<float>(turned.right);
    ShowMargins();
  }
}

void TPrnGrfForm::PrintBtnClick() {
  if (BmpFileBox->isChecked()) {
    const std::string file = BmpFileEdit->text().toStdString();
    try {
      if (!file.empty()) {
        const QImage image = GraphImage(box_);
        WriteFileReplacing(file, [&image](const std::string& temp) {
          return image.save(QString::fromStdString(temp), "BMP");
        });
      }
    } catch (const Error& e) {
      // the dialog stays, so that another file name can be given
      ShowMsgForm(e.what(), mkError, mbOk);
      return;
    }
    accept();
    return;
  }
  QPrinter& printer = GraphPrinter();
  TPrintPlacement place;
  if (!PlaceGraphOnPage(work_, printer.width(), printer.height(), printer.logicalDpiX(), printer.logicalDpiY(),
                        box_.logicalDpiX(), box_.logicalDpiY(), box_.width(), box_.height(), place)) {
    accept();  // margins without room: nothing to print
    return;
  }
  // without a printer the person names a PDF file first; cancelling that keeps the dialog open
  const TPdfFallback pdf(printer, ProgramDir + "graph.pdf", this);
  if (!pdf.Ready()) return;
  const QImage image = GraphImage(box_);
  QPainter painter;
  if (!painter.begin(&printer)) {
    ShowMsgForm("Ошибка печати графика", mkError, mbOk);
    return;
  }
  painter.drawImage(QRect(place.Left, place.Top, place.Width, place.Height), image);
  painter.end();
  accept();
}

void PrintGraph(TGraphBox& box) {
  TPrnGrfForm form(box);
  ExecModal(form);
}

}  // namespace ld::gui
