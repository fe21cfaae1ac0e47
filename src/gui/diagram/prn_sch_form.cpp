#include "gui/diagram/prn_sch_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <memory>
#include <optional>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/diagram/model.h"
#include "gui/common/modal.h"
#include "gui/diagram/qt_canvas.h"
#include "gui/diagram/sch_box.h"
#include "gui/grid/report_print_device.h"

namespace ld::gui {

namespace {

using diagram::TFont;
using diagram::TPageSet;

const char* const kEditNames[4] = {"TopEdit", "LeftEdit", "BottomEdit", "RightEdit"};
const char* const kSpinNames[4] = {"TopSpin", "LeftSpin", "BottomSpin", "RightSpin"};
const char* const kFitFailed =
    "Размер шрифта равен нулю. Необходимо уменьшить размеры печатаемого фрагмента схемы";

diagram::TSheetMargins Margins(const float m[4]) { return {m[0], m[1], m[2], m[3]}; }

// A small image whose only use is measuring text at the given resolution: the layout needs a canvas
// before a print document may be opened.
struct TMeasureCanvas {
  explicit TMeasureCanvas(int dpiX, int dpiY) : image(8, 8, QImage::Format_RGB32) {
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
    painter = std::make_unique<QPainter>(&image);
    canvas = std::make_unique<TQtCanvas>(*painter);
  }
  QImage image;
  std::unique_ptr<QPainter> painter;
  std::unique_ptr<TQtCanvas> canvas;
};

void PrepareCanvas(diagram::TCanvas& c) {
  c.Pen.Color = 0;
  c.Pen.Width = 1;
  c.Brush.Color = 0xFFFFFF;
  c.Brush.Style = diagram::bsSolid;
}

// The title goes on the first sheet with a drawing, over the diagram's own background.
void WriteTitle(diagram::TCanvas& c, int x, int y, const std::string& title) {
  c.Brush.Style = diagram::bsClear;
  c.TextAlign = diagram::taLeft;
  c.TextOut(x, y, title);
  c.Brush.Style = diagram::bsSolid;
}

// The 16 colours of a 4-bit bitmap: the standard palette, black first and white last.
QList<QRgb> SixteenColours() {
  return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
          qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
          qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
          qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

}  // namespace

QPrinter& SchemePrinter() {
  static const std::unique_ptr<QPrinter> printer = NewPagePrinter();
  return *printer;
}

TPrnSchForm::TPrnSchForm(TSchemBox& box, QWidget* parent)
    : QDialog(parent), box_(box), printer_(SchemePrinter()) {
  setObjectName("PrnSchForm");
  setWindowTitle("Печать схемы");
  auto* top = new QVBoxLayout(this);
  top->addWidget(new QLabel("Наименование схемы:"));
  schEdit_ = new QLineEdit;
  schEdit_->setObjectName("SchEdit");
  top->addWidget(schEdit_);
  auto* buttons = new QHBoxLayout;
  printerBtn_ = new QPushButton("Настройка принтера");
  printerBtn_->setObjectName("PrinterBtn");
  fontBtn_ = new QPushButton("Установка шрифта");
  fontBtn_->setObjectName("FontBtn");
  buttons->addWidget(printerBtn_);
  buttons->addWidget(fontBtn_);
  top->addLayout(buttons);
  auto box4 = [&](QCheckBox*& b, const char* name, const char* text) {
    b = new QCheckBox(text);
    b->setObjectName(name);
    top->addWidget(b);
  };
  box4(fitToPageBox_, "FitToPageBox", "Подогнать на один лист");
  box4(pageNumBox_, "PageNumBox", "Нумерация страниц");
  box4(colorBox_, "ColorBox", "Цветная печать");
  box4(bmpFileBox_, "BmpFileBox", "Вывод в bmp-файл");
  bmpFileEdit_ = new QLineEdit;
  bmpFileEdit_->setObjectName("BmpFileEdit");
  top->addWidget(bmpFileEdit_);

  auto* marginBox = new QGroupBox("Отступы (см) :");
  auto* grid = new QGridLayout(marginBox);
  const char* captions[4] = {"Сверху", "Слева", "Снизу", "Справа"};
  for (int i = 0; i < 4; ++i) {
    const int row = i / 2, col = (i % 2) * 3;
    grid->addWidget(new QLabel(captions[i]), row, col);
    marginEdits_[i] = new QLineEdit;
    marginEdits_[i]->setObjectName(kEditNames[i]);
    grid->addWidget(marginEdits_[i], row, col + 1);
    auto* spin = new QWidget;
    spin->setObjectName(kSpinNames[i]);
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    spinUp_[i] = new QToolButton;
    spinUp_[i]->setObjectName("Up");
    spinUp_[i]->setArrowType(Qt::UpArrow);
    spinDown_[i] = new QToolButton;
    spinDown_[i]->setObjectName("Down");
    spinDown_[i]->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {spinUp_[i], spinDown_[i]}) {
      b->setFixedSize(16, 10);
      spinLayout->addWidget(b);
    }
    grid->addWidget(spin, row, col + 2);
  }
  top->addWidget(marginBox);
  label7_ = new QLabel("99 листов по горизонтали, 99 по вертикали");
  label7_->setObjectName("Label7");
  top->addWidget(label7_);
  box4(chkPrn_, "ChkPrn", "Выборочная печать листов");
  auto* pages = new QGridLayout;
  pages->addWidget(new QLabel("По горизонтали (1-255)"), 0, 0);
  pages->addWidget(new QLabel("По вертикали (1-255)"), 1, 0);
  hor_ = new QLineEdit("1,3,5-10");
  hor_->setObjectName("Hor");
  vert_ = new QLineEdit("1,3,5-10");
  vert_->setObjectName("Vert");
  pages->addWidget(hor_, 0, 1);
  pages->addWidget(vert_, 1, 1);
  pages->addWidget(new QLabel("Толщина линий по умолчанию для печати"), 2, 0);
  pLin_ = new QLineEdit;
  pLin_->setObjectName("pLin");
  pages->addWidget(pLin_, 2, 1);
  top->addLayout(pages);
  printBtn_ = new QPushButton("Печать");
  printBtn_->setObjectName("PrintBtn");
  printBtn_->setDefault(true);
  printBtn_->setAutoDefault(true);
  top->addWidget(printBtn_);
  prnProc_ = new QProgressBar;
  prnProc_->setObjectName("PrnProc");
  prnProc_->setRange(0, 100);
  prnProc_->setValue(0);
  top->addWidget(prnProc_);

  // The controls keep their own state where the file cannot be read.
  diagram::TPrnSchChecks checks;
  diagram::ReadPrnSchSetup(diagram::PrnSchSetupFileName(), setup_, checks);
  fitToPageBox_->setChecked(checks.FitToPage);
  pageNumBox_->setChecked(checks.FlagPageNum);
  bmpFileBox_->setChecked(checks.FlagOutBmp);
  colorBox_->setChecked(checks.IsColor);
  pLin_->setText(QString::fromStdString(checks.LinWidth));
  printer_.setPageOrientation(setup_.Orient == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
  bmpFileEdit_->setEnabled(bmpFileBox_->isChecked());
  bmpFileEdit_->setText(QString::fromStdString(diagram::ShownBmpFile(setup_)));
  margins_[0] = setup_.Top;
  margins_[1] = setup_.Left;
  margins_[2] = setup_.Bottom;
  margins_[3] = setup_.Right;
  ShowMargins();
  chkPrn_->setChecked(false);
  hor_->clear();
  vert_->clear();
  hor_->setEnabled(false);
  vert_->setEnabled(false);
  // Font: a size of 0 read from a damaged file is no font at all; Qt needs some size.
  prnFont_ = QFont(QString::fromStdString(setup_.Name));
  if (setup_.Size > 0) prnFont_.setPointSize(setup_.Size);
  prnFont_.setBold((setup_.Style & 1) != 0);
  prnFont_.setItalic((setup_.Style & 2) != 0);
  prnFont_.setUnderline((setup_.Style & 4) != 0);
  prnFont_.setStrikeOut((setup_.Style & 8) != 0);

  for (int i = 0; i < 4; ++i) {
    connect(marginEdits_[i], &QLineEdit::textChanged, this, [this, i] { MarginEditChange(i); });
    connect(spinUp_[i], &QToolButton::clicked, this, [this, i] { MarginSpin(i, 0.1f); });
    connect(spinDown_[i], &QToolButton::clicked, this, [this, i] { MarginSpin(i, -0.1f); });
  }
  connect(printerBtn_, &QPushButton::clicked, this, &TPrnSchForm::PrinterBtnClick);
  connect(fontBtn_, &QPushButton::clicked, this, &TPrnSchForm::FontBtnClick);
  connect(bmpFileBox_, &QCheckBox::clicked, this, &TPrnSchForm::BmpFileBoxClick);
  connect(chkPrn_, &QCheckBox::clicked, this, &TPrnSchForm::ChkPrnClick);
  connect(pLin_, &QLineEdit::textEdited, this, &TPrnSchForm::pLinChange);
  connect(printBtn_, &QPushButton::clicked, this, &TPrnSchForm::PrintBtnClick);

  const QSize hint = sizeHint().expandedTo(QSize(249, 374));
  setFixedSize(hint);
  if (const QScreen* screen = QApplication::primaryScreen()) {
    QRect frame(QPoint(), hint);
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

TPrnSchForm::~TPrnSchForm() {
  setup_.Name = prnFont_.family().toStdString();
  setup_.Size = static_cast<std::int16_t>(prnFont_.pointSize());
  setup_.Style = static_cast<std::uint8_t>((prnFont_.bold() ? 1 : 0) | (prnFont_.italic() ? 2 : 0) |
                                           (prnFont_.underline() ? 4 : 0) | (prnFont_.strikeOut() ? 8 : 0));
  setup_.Orient = printer_.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
  setup_.Top = margins_[0];
  setup_.Left = margins_[1];
  setup_.Bottom = margins_[2];
  setup_.Right = margins_[3];
  setup_.BmpFile = bmpFileEdit_->text().toStdString();
  diagram::TPrnSchChecks checks;
  checks.FitToPage = fitToPageBox_->isChecked();
  checks.FlagPageNum = pageNumBox_->isChecked();
  checks.FlagOutBmp = bmpFileBox_->isChecked();
  checks.IsColor = colorBox_->isChecked();
  checks.LinWidth = std::to_string(StrToIntZ(pLin_->text().toStdString()));
  std::string file = diagram::PrnSchSetupFileName();
  diagram::WritePrnSchSetup(file, setup_, checks);
}

diagram::TSheetSize TPrnSchForm::Sheet() const {
  return {printer_.width(), printer_.height(), static_cast<double>(printer_.logicalDpiX()),
          static_cast<double>(printer_.logicalDpiY())};
}

TFont TPrnSchForm::PrintFont(int pixelsPerInch) const {
  TFont f;
  f.Name = prnFont_.family().toStdString();
  f.PixelsPerInch = pixelsPerInch;
  f.SetSize(std::max(prnFont_.pointSize(), 1));
  f.Style = static_cast<std::uint8_t>((prnFont_.bold() ? diagram::fsBold : 0) |
                                      (prnFont_.italic() ? diagram::fsItalic : 0));
  f.Charset = setup_.Charset;
  return f;
}

void TPrnSchForm::LayoutForPrinter() {
  TMeasureCanvas m(printer_.logicalDpiX(), printer_.logicalDpiY());
  // The font keeps its point size: at 1200 dpi 10 pt is 167 pixels high.
  m.canvas->Font = PrintFont(printer_.logicalDpiY());
  box_.CurModel = box_.Model.get();
  box_.LayoutScheme(*m.canvas, *box_.Model);
  UpdatePageCount();
}

void TPrnSchForm::UpdatePageCount() {
  diagram::UpdatePageCount(Sheet(), Margins(margins_), box_.Model->Width, box_.Model->Height, pagesAcross_,
                           pagesDown_);
  label7_->setText(QString::fromStdString(diagram::PageCountText(pagesAcross_, pagesDown_)));
}

void TPrnSchForm::ShowMargins() {
  updating_ = true;
  for (int i = 0; i < 4; ++i) marginEdits_[i]->setText(QString::fromStdString(diagram::MarginText(margins_[i])));
  updating_ = false;
}

void TPrnSchForm::MarginEditChange(int index) {
  if (updating_) return;
  if (auto shown = diagram::EditToMargin(marginEdits_[index]->text().toStdString(), margins_[index])) {
    updating_ = true;
    marginEdits_[index]->setText(QString::fromStdString(*shown));
    updating_ = false;
  }
  UpdatePageCount();
}

void TPrnSchForm::MarginSpin(int index, float step) {
  const std::string text = diagram::StepMargin(margins_[index], step);
  updating_ = true;
  marginEdits_[index]->setText(QString::fromStdString(text));
  updating_ = false;
  UpdatePageCount();
}

void TPrnSchForm::BmpFileBoxClick() { bmpFileEdit_->setEnabled(bmpFileBox_->isChecked()); }

void TPrnSchForm::ChkPrnClick() {
  hor_->setEnabled(chkPrn_->isChecked());
  vert_->setEnabled(chkPrn_->isChecked());
}

void TPrnSchForm::pLinChange() {
  QString text = pLin_->text();
  const QString probe = text.isEmpty() || text == "-" || text == "0" ? QString("1") : text;
  bool ok = false;
  probe.toInt(&ok);
  if (!ok) pLin_->setText("1");
}

void TPrnSchForm::FontBtnClick() {
  if (!ChooseFont(prnFont_, this)) return;
  LayoutForPrinter();
}

void TPrnSchForm::PrinterBtnClick() {
  if (!PrinterInstalled(printer_)) {
    ShowMsgForm("Принтер отсутствует", mkError, mbOk);
    return;
  }
  const bool wasLandscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
  if (!RunPrinterSetup(printer_, this)) return;
  const bool landscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
  if (landscape != wasLandscape) {
    const diagram::TSheetMargins turned = diagram::TurnMargins(Margins(margins_), landscape);
    margins_[0] = turned.Top;
    margins_[1] = turned.Left;
    margins_[2] = turned.Bottom;
    margins_[3] = turned.Right;
    ShowMargins();
  }
  LayoutForPrinter();
}

void TPrnSchForm::SetIdle(bool idle) {
  for (QWidget* w : {static_cast<QWidget*>(schEdit_), static_cast<QWidget*>(fontBtn_),
                     static_cast<QWidget*>(printerBtn_), static_cast<QWidget*>(fitToPageBox_),
                     static_cast<QWidget*>(pageNumBox_), static_cast<QWidget*>(colorBox_),
                     static_cast<QWidget*>(bmpFileBox_), static_cast<QWidget*>(bmpFileEdit_)})
    w->setEnabled(idle);
  for (int i = 0; i < 4; ++i) {
    marginEdits_[i]->setEnabled(idle);
    spinUp_[i]->setEnabled(idle);
    spinDown_[i]->setEnabled(idle);
  }
}

void TPrnSchForm::PrintBtnClick() {
  // A click while the output runs only asks it to stop: the page lists, which stay editable, are not
  // read then, so a list typed wrongly meanwhile cannot keep the print from being stopped.
  if (printBtn_->text() == "Сброс") {
    stop_ = true;
    return;
  }
  if (printBtn_->text() == "Выход") {
    accept();
    return;
  }
  const bool bitmap = bmpFileBox_->isChecked();
  TPageSet across, down;
  if (chkPrn_->isChecked()) {
    const std::string error = diagram::ParsePageLists(hor_->text().toStdString(), vert_->text().toStdString(),
                                                      across, down);
    if (!error.empty()) {
      ShowMsgForm(error, mkError, mbOk);
      return;
    }
  }
  if (!bitmap && !diagram::SheetHasRoom(Sheet(), Margins(margins_))) {
    ShowMsgForm(diagram::kMarginsExceedSheet, mkError, mbOk);
    return;
  }
  // Without a printer the sheets go to a PDF file the person names; cancelling changes nothing.
  std::optional<TPdfFallback> pdf;
  if (!bitmap) {
    pdf.emplace(printer_, ProgramDir + "schem.pdf", this);
    if (!pdf->Ready()) return;
  }
  const std::int32_t savedLin = box_.tLin;
  if (!bitmap) box_.tLin = StrToIntZ(pLin_->text().toStdString());
  SetIdle(false);
  printBtn_->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  printBtn_->setText("Сброс");
  try {
    if (bitmap)
      SaveSchemeBitmap();
    else
      PrintPages(across, down);
  } catch (const std::exception& e) {
    stop_ = true;
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  box_.tLin = savedLin;
  printBtn_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  printBtn_->setText("Выход");
  accept();
}

void TPrnSchForm::PrintPages(const TPageSet& across, const TPageSet& down) {
  stop_ = false;
  if (fitToPageBox_->isChecked())
    PrintFitted();
  else
    PrintPaged(across, down);
}

void TPrnSchForm::PrintPaged(const TPageSet& across, const TPageSet& down) {
  const diagram::TSheetSize sheet = Sheet();
  const diagram::TMarginPixels m = diagram::MarginPixels(sheet, Margins(margins_));
  const int pw = diagram::PrintableWidth(sheet, Margins(margins_));
  const int ph = diagram::PrintableHeight(sheet, Margins(margins_));
  QPainter painter;
  if (!painter.begin(&printer_)) throw Error("Ошибка печати: не удалось начать документ");
  TQtCanvas c(painter);
  c.Font = PrintFont(printer_.logicalDpiY());
  PrepareCanvas(c);
  box_.ComputeMetrics(c.Font);
  const bool selective = chkPrn_->isChecked();
  const std::string title = schEdit_->text().toStdString();
  bool drawnBefore = false;
  try {
    for (int r = 1; r <= pagesDown_ && !stop_; ++r) {
      for (int col = 1; col <= pagesAcross_; ++col) {
        if (!diagram::SheetChosen(selective, across, down, r, col)) continue;
        box_.OriginX = (col - 1) * pw;
        box_.OriginY = (r - 1) * ph;
        if (drawnBefore) printer_.newPage();
        box_.CurModel = box_.Model.get();
        const bool drawn = box_.Painter().DrawScheme(&c, colorBox_->isChecked(), true, true, box_.PixXe + m.Left,
                                                     box_.PixYe + m.Top, sheet.Width, sheet.Height);
        if (drawn) {
          PrepareCanvas(c);
          c.Pen.Color = c.Brush.Color = 0xFFFFFF;
          c.FillRect(0, 0, m.Left, sheet.Height + 1);
          c.FillRect(sheet.Width - m.Right + 1, 0, sheet.Width + 1, sheet.Height + 1);
          c.FillRect(0, sheet.Height - m.Bottom + 1, sheet.Width + 1, sheet.Height + 1);
          c.FillRect(0, 0, sheet.Width + 1, m.Top);
          PrepareCanvas(c);
          if (pageNumBox_->isChecked()) {
            c.TextAlign = diagram::taRight;
            c.TextOut(sheet.Width, 0, std::to_string(r) + "_" + std::to_string(col));
            c.TextAlign = diagram::taLeft;
          }
          if (!drawnBefore) WriteTitle(c, box_.PixXe + m.Left, m.Top, title);
          drawnBefore = true;
        }
        QCoreApplication::processEvents();
        if (stop_) break;
        prnProc_->setValue(diagram::SheetPercent(r, col, pagesAcross_, pagesDown_));
        QCoreApplication::processEvents();
      }
    }
  } catch (...) {
    painter.end();
    throw;
  }
  painter.end();
}

void TPrnSchForm::PrintFitted() {
  const diagram::TSheetSize sheet = Sheet();
  const diagram::TMarginPixels m = diagram::MarginPixels(sheet, Margins(margins_));
  const int pw = diagram::PrintableWidth(sheet, Margins(margins_));
  const int ph = diagram::PrintableHeight(sheet, Margins(margins_));
  TMeasureCanvas work(printer_.logicalDpiX(), printer_.logicalDpiX());
  PrepareCanvas(*work.canvas);
  work.canvas->Font = PrintFont(printer_.logicalDpiX());
  work.canvas->Font.SetSize(10);
  diagram::TSchemeModel& model = *box_.Model;
  box_.OriginX = box_.OriginY = 0;
  box_.CurModel = &model;
  box_.LayoutScheme(*work.canvas, model);
  if (model.Width == 0 || model.Height == 0) return;
  const int h = diagram::FitFontHeight(work.canvas->Font.Height, model.Width, model.Height, pw, ph, [&](int height) {
    work.canvas->Font.Height = height;
    box_.LayoutScheme(*work.canvas, model);
    return model.Width <= pw && model.Height <= ph;
  });
  if (h == 0) {
    ShowMsgForm(kFitFailed, mkError, mbOk);
    return;
  }
  QPainter painter;
  if (!painter.begin(&printer_)) throw Error("Ошибка печати: не удалось начать документ");
  TQtCanvas c(painter);
  c.Font = work.canvas->Font;
  PrepareCanvas(c);
  box_.ComputeMetrics(c.Font);
  box_.CurModel = &model;
  box_.Painter().DrawScheme(&c, colorBox_->isChecked(), false, true, box_.PixXe + m.Left, box_.PixYe + m.Top, 0, 0);
  WriteTitle(c, box_.PixXe + m.Left, m.Top, schEdit_->text().toStdString());
  painter.end();
}

void TPrnSchForm::SaveSchemeBitmap() {
  const std::string file = bmpFileEdit_->text().toStdString();
  if (file.empty()) return;
  const int dpi = box_.logicalDpiY();
  diagram::TSchemeModel& model = *box_.Model;
  TFont font = PrintFont(dpi);
  {
    TMeasureCanvas m(box_.logicalDpiX(), dpi);
    m.canvas->Font = font;
    box_.OriginX = box_.OriginY = 0;
    box_.CurModel = &model;
    box_.LayoutScheme(*m.canvas, model);
  }
  QImage image(std::max(model.Width, 1), std::max(model.Height, 1), QImage::Format_RGB32);
  image.setDotsPerMeterX(static_cast<int>(std::lround(box_.logicalDpiX() / 0.0254)));
  image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    TQtCanvas c(painter);
    c.Font = font;
    PrepareCanvas(c);
    box_.ComputeMetrics(c.Font);
    box_.CurModel = &model;
    box_.Painter().DrawScheme(&c, colorBox_->isChecked(), false, false, box_.PixXe, box_.PixYe, 0, 0);
  }
  // Black and white goes out at 4 bits per pixel: 16 palette entries of which black and white are
  // used; the smoothed edges of the text go to the nearer of the two.
  if (!colorBox_->isChecked()) {
    QImage bw(image.size(), QImage::Format_Indexed8);
    bw.setColorTable(SixteenColours());
    bw.setDotsPerMeterX(image.dotsPerMeterX());
    bw.setDotsPerMeterY(image.dotsPerMeterY());
    for (int y = 0; y < image.height(); ++y) {
      const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      uchar* dst = bw.scanLine(y);
      for (int x = 0; x < image.width(); ++x) dst[x] = qGray(src[x]) < 128 ? 0 : 15;
    }
    image = std::move(bw);
  }
  WriteFileReplacing(file, [&image](const std::string& temp) {
    return image.save(QString::fromStdString(temp), "BMP");
  });
}

void ExecutePrintSchemeDialog(TSchemBox& Box, const std::string& Title) {
  const int originX = Box.OriginX, originY = Box.OriginY;
  const std::int32_t savedLin = Box.tLin;
  {
    TPrnSchForm form(Box, &Box);
    try {
      form.LayoutForPrinter();
      form.findChild<QLineEdit*>("SchEdit")->setText(QString::fromStdString(Title));
      ExecModal(form);
    } catch (const std::exception& e) {
      ShowMsgForm(e.what(), mkError, mbOk);
    }
  }
  Box.tLin = savedLin;
  Box.CurModel = Box.Model.get();
  Box.RelayoutScheme(originX, originY);
  Box.Paint();
}

}  // namespace ld::gui
