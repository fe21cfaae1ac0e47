#include "gui/grid/report_print_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/grid/print_markup.h"
#include "gui/grid/report_print_device.h"
#include "gui/grid/report_print_preview.h"
#include "gui/grid/report_print_settings.h"

namespace ld::gui {

namespace {

constexpr double kMaxMarginCm = 20;

QString Q(const std::string& s) { return QString::fromStdString(s); }

QFont FontOf(const TPrnSettings& s) {
  QFont font(Q(s.FontName));
  font.setPointSize(s.FontSize > 0 ? s.FontSize : 10);
  font.setBold(s.FontStyle & psBold);
  font.setItalic(s.FontStyle & psItalic);
  font.setUnderline(s.FontStyle & psUnderline);
  font.setStrikeOut(s.FontStyle & psStrikeOut);
  return font;
}

std::uint8_t StyleOf(const QFont& font) {
  unsigned style = 0;
  if (font.bold()) style |= psBold;
  if (font.italic()) style |= psItalic;
  if (font.underline()) style |= psUnderline;
  if (font.strikeOut()) style |= psStrikeOut;
  return static_cast<std::uint8_t>(style);
}

}  // namespace

// ---- TMarginEdit ----

TMarginEdit::TMarginEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setKeyboardTracking(false);
  connect(this, &QAbstractSpinBox::editingFinished, this, &TMarginEdit::Commit);
  SetValue(0);
}

void TMarginEdit::SetValue(double cm) {
  value_ = std::clamp(cm, 0.0, kMaxMarginCm);
  lineEdit()->setText(Q(FloatToStrFixed(value_, 1)));
  emit ValueChanged();
}

void TMarginEdit::stepBy(int steps) {
  Commit();
  SetValue(static_cast<double>(Round((value_ + 0.1 * steps) * 10)) / 10);
}

void TMarginEdit::Commit() {
  double typed = value_;
  try {
    typed = StrToFloatZ(lineEdit()->text().trimmed().toStdString());
  } catch (const ConvertError&) {
    // Not a number: the field shows the last value again.
  }
  SetValue(typed);
}

// ---- TPrnSetForm ----

TPrnSetForm::TPrnSetForm(const std::vector<std::string>& beginLines, const std::vector<std::string>& endLines,
                         std::vector<std::string>& document, QWidget* parent)
    : QDialog(parent), document_(document), printer_(ReportPrinter()) {
  setObjectName("PrnSetForm");
  setWindowTitle("Печать документа");
  BuildUi();
  LoadSettings();
  for (const auto& line : beginLines) beginText_->appendPlainText(Q(line));
  for (const auto& line : endLines) endText_->appendPlainText(Q(line));
  documentWidth_ = MeasureDocumentWidth(document_, font_);
  connect(beginText_, &QPlainTextEdit::textChanged, this, &TPrnSetForm::RedrawPreview);
  connect(endText_, &QPlainTextEdit::textChanged, this, &TPrnSetForm::RedrawPreview);
  for (TMarginEdit* edit : {topEdit_, bottomEdit_, leftEdit_, rightEdit_})
    connect(edit, &TMarginEdit::ValueChanged, this, &TPrnSetForm::RedrawPreview);
  RedrawPreview();
}

void TPrnSetForm::BuildUi() {
  auto* root = new QVBoxLayout(this);

  auto* texts = new QGroupBox(" Заголовок, окончание ", this);
  auto* textsLayout = new QHBoxLayout(texts);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  beginText_ = new QPlainTextEdit(texts);
  beginText_->setObjectName("BeginText");
  endText_ = new QPlainTextEdit(texts);
  endText_->setObjectName("EndText");
  for (QPlainTextEdit* memo : {beginText_, endText_}) {
    memo->setFont(fixed);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFixedHeight(72);
    textsLayout->addWidget(memo);
  }
  root->addWidget(texts);

  auto* setup = new QGroupBox(" Настройка печати ", this);
  auto* setupLayout = new QHBoxLayout(setup);
  auto* buttons = new QVBoxLayout;
  printerBtn_ = new QPushButton("Настройка принтера", setup);
  printerBtn_->setObjectName("PrinterBtn");
  fontBtn_ = new QPushButton("Шрифт документа", setup);
  fontBtn_->setObjectName("FontBtn");
  buttons->addWidget(printerBtn_);
  buttons->addWidget(fontBtn_);
  buttons->addStretch();
  setupLayout->addLayout(buttons);

  // The page picture keeps its designed place and size; its frame is as wide as the widest picture.
  auto* previewFrame = new QWidget(setup);
  previewFrame->setFixedSize(240, 16 + 92 + 4);
  srcImage_ = new QLabel(previewFrame);
  srcImage_->setObjectName("SrcImage");
  setupLayout->addWidget(previewFrame);

  auto* fields = new QGridLayout;
  const auto addMargin = [&](int row, const char* caption, const char* name) {
    auto* edit = new TMarginEdit(setup);
    edit->setObjectName(name);
    fields->addWidget(new QLabel(caption, setup), row, 0);
    fields->addWidget(edit, row, 1);
    return edit;
  };
  topEdit_ = addMargin(0, "Сверху", "TopEdit");
  bottomEdit_ = addMargin(1, "Снизу", "BottomEdit");
  leftEdit_ = addMargin(2, "Слева", "LeftEdit");
  rightEdit_ = addMargin(3, "Справа", "RightEdit");
  setupLayout->addLayout(fields);
  root->addWidget(setup);

  pageNumBox_ = new QCheckBox("Нумерация страниц", this);
  pageNumBox_->setObjectName("PageNumBox");
  root->addWidget(pageNumBox_);
  auto* fileRow = new QHBoxLayout;
  textFileBox_ = new QCheckBox("Вывод в текст.файл", this);
  textFileBox_->setObjectName("TextFileBox");
  textFileEdit_ = new QLineEdit(this);
  textFileEdit_->setObjectName("TextFileEdit");
  fileRow->addWidget(textFileBox_);
  fileRow->addWidget(textFileEdit_, 1);
  root->addLayout(fileRow);
  auto* rowsRow = new QHBoxLayout;
  checkPrnRows_ = new QCheckBox("Выборочная печать строк (например 1,3,5-10)", this);
  checkPrnRows_->setObjectName("CheckPrnRows");
  prnRows_ = new QLineEdit(this);
  prnRows_->setObjectName("PrnRows");
  rowsRow->addWidget(checkPrnRows_);
  rowsRow->addWidget(prnRows_, 1);
  root->addLayout(rowsRow);

  auto* bottom = new QHBoxLayout;
  printBtn_ = new QPushButton("Печать", this);
  printBtn_->setObjectName("PrintBtn");
  printBtn_->setDefault(true);
  prnProc_ = new QProgressBar(this);
  prnProc_->setObjectName("PrnProc");
  prnProc_->setRange(0, 100);
  prnProc_->setValue(0);
  bottom->addWidget(printBtn_);
  bottom->addWidget(prnProc_, 1);
  root->addLayout(bottom);

  connect(textFileBox_, &QCheckBox::toggled, textFileEdit_, &QWidget::setEnabled);
  connect(checkPrnRows_, &QCheckBox::toggled, prnRows_, &QWidget::setEnabled);
  connect(printerBtn_, &QPushButton::clicked, this, &TPrnSetForm::PrinterBtnClick);
  connect(fontBtn_, &QPushButton::clicked, this, &TPrnSetForm::FontBtnClick);
  connect(printBtn_, &QPushButton::clicked, this, &TPrnSetForm::PrintBtnClick);
}

void TPrnSetForm::LoadSettings() {
  PrnSettings = TPrnSettings{};
  if (!ReadPrnSettings(PrnSetupFileName(), PrnSettings))
    ShowMsgForm("Ошибка чтения файла конфигурации prnsetup.cfg", mkError, mbOk);
  const TPrnSettings& s = PrnSettings;
  printer_.setPageOrientation(s.Orient == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
  beginText_->clear();
  endText_->clear();
  pageNumBox_->setChecked(s.FlagPageNum);
  textFileBox_->setChecked(s.FlagOutText);
  textFileEdit_->setText(Q(s.TextFile.empty() ? ProgramDir + "Noname.txt" : s.TextFile));
  checkPrnRows_->setChecked(false);
  prnRows_->clear();
  textFileEdit_->setEnabled(textFileBox_->isChecked());
  prnRows_->setEnabled(false);
  topEdit_->SetValue(s.Top);
  bottomEdit_->SetValue(s.Bottom);
  leftEdit_->SetValue(s.Left);
  rightEdit_->SetValue(s.Right);
  font_ = FontOf(s);
  charset_ = s.Charset;
  SetLandscape(s.Orient == 1);
}

void TPrnSetForm::SaveSettings() {
  for (TMarginEdit* edit : {topEdit_, bottomEdit_, leftEdit_, rightEdit_}) edit->Commit();
  TPrnSettings& s = PrnSettings;
  s.FontName = font_.family().toStdString();
  s.FontSize = font_.pointSize() > 0 ? font_.pointSize() : 10;
  s.FontStyle = StyleOf(font_);
  s.Charset = charset_;
  s.Orient = printer_.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
  s.Top = topEdit_->Value();
  s.Left = leftEdit_->Value();
  s.Bottom = bottomEdit_->Value();
  s.Right = rightEdit_->Value();
  s.FlagPageNum = pageNumBox_->isChecked();
  s.FlagOutText = textFileBox_->isChecked();
  s.TextFile = textFileEdit_->text().toStdString();
  if (!WritePrnSettings(PrnSetupFileName(), s))
    ShowMsgForm("Ошибка записи файла конфигурации prnsetup.cfg", mkError, mbOk);
}

void TPrnSetForm::SetLandscape(bool landscape) {
  srcImage_->setGeometry(PreviewGeometry(landscape));
  RedrawPreview();
}

void TPrnSetForm::TurnMargins(bool toLandscape) {
  const PrintMargins turned = TurnedMargins(Margins(), toLandscape);
  topEdit_->SetValue(turned.top);
  leftEdit_->SetValue(turned.left);
  bottomEdit_->SetValue(turned.bottom);
  rightEdit_->SetValue(turned.right);
}

PrintMargins TPrnSetForm::Margins() const {
  return {topEdit_->Value(), leftEdit_->Value(), bottomEdit_->Value(), rightEdit_->Value()};
}

std::vector<std::string> TPrnSetForm::MemoLines(const QPlainTextEdit& memo) const {
  std::vector<std::string> lines;
  QString text = memo.toPlainText();
  if (text.isEmpty()) return lines;
  if (text.endsWith('\n')) text.chop(1);
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  return lines;
}

void TPrnSetForm::RedrawPreview() {
  if (!srcImage_ || !topEdit_ || !rightEdit_) return;
  const QFontMetrics metrics(font_);
  PreviewContent content;
  const QScreen* screen = QGuiApplication::primaryScreen();
  content.screenDpi = screen ? screen->logicalDotsPerInchX() : 96.0;
  const auto widths = [&](const QPlainTextEdit& memo) {
    std::vector<int> result;
    for (const auto& line : MemoLines(memo)) result.push_back(metrics.horizontalAdvance(Q(ParsePrintLine(line).text)));
    return result;
  };
  content.headerWidths = widths(*beginText_);
  content.trailerWidths = widths(*endText_);
  content.documentWidth = documentWidth_;
  const bool landscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
  srcImage_->setPixmap(QPixmap::fromImage(DrawPrintPreview(srcImage_->size(), landscape, Margins(), content)));
}

void TPrnSetForm::EnableControls(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{beginText_, endText_, printerBtn_, fontBtn_, topEdit_, bottomEdit_,
                                                    leftEdit_, rightEdit_, pageNumBox_, textFileBox_, checkPrnRows_})
    w->setEnabled(enabled);
  // the two fields follow their boxes
  textFileEdit_->setEnabled(enabled && textFileBox_->isChecked());
  prnRows_->setEnabled(enabled && checkPrnRows_->isChecked());
}

// Without a printer the platform's set-up dialog is still the place to choose output to a PDF file.
void TPrnSetForm::PrinterBtnClick() {
  const bool wasLandscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
  if (!RunPrinterSetup(printer_, this)) return;
  const bool landscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
  if (landscape != wasLandscape) {
    TurnMargins(landscape);
    SetLandscape(landscape);
  }
}

void TPrnSetForm::FontBtnClick() {
  if (!ChooseFont(font_, this)) return;
  documentWidth_ = MeasureDocumentWidth(document_, font_);
  RedrawPreview();
}

void TPrnSetForm::PrintBtnClick() {
  switch (stage_) {
    case Stage::Ready:
      break;
    case Stage::Printing:
      cancel_ = true;
      return;
    case Stage::Done:
      accept();
      return;
  }
  for (TMarginEdit* edit : {topEdit_, bottomEdit_, leftEdit_, rightEdit_}) edit->Commit();
  std::vector<std::string> selected = document_;
  const std::string selection = prnRows_->text().toStdString();
  if (checkPrnRows_->isChecked() && !prnRows_->text().trimmed().isEmpty() && !SelectPrintRows(selection, selected)) {
    ShowMsgForm("Неверно заданы номера строк", mkError, mbOk);
    return;
  }
  // Margins that leave no room for a line would make pages without end.
  if (!textFileBox_->isChecked() && !ReportPageHasRoom(printer_, font_, Margins())) {
    ShowMsgForm(kNoRoomOnPage, mkError, mbOk);
    return;
  }
  // without a printer the person names a PDF file first; cancelling that changes nothing
  std::optional<TPdfFallback> pdf;
  if (!textFileBox_->isChecked()) {
    pdf.emplace(printer_, ProgramDir + "Noname.pdf", this);
    if (!pdf->Ready()) return;
  }
  const std::vector<std::string> before = document_;
  document_ = std::move(selected);
  EnableControls(false);
  printBtn_->setText("Сброс");
  stage_ = Stage::Printing;
  cancel_ = false;
  const bool printed = textFileBox_->isChecked() ? WriteTextFile() : PrintDocument();
  if (!printed) {
    // a failed printing leaves the dialog as it was, so that the person can change what failed and try again
    document_ = before;
    prnProc_->setValue(0);
    EnableControls(true);
    printBtn_->setText("Печать");
    stage_ = Stage::Ready;
    return;
  }
  printBtn_->setText("Выход");
  stage_ = Stage::Done;
}

bool TPrnSetForm::PrintDocument() {
  const std::vector<std::string> header = MemoLines(*beginText_);
  const std::vector<std::string> trailer = MemoLines(*endText_);
  document_.insert(document_.begin(), header.size() + 1, std::string());
  std::copy(header.begin(), header.end(), document_.begin());
  document_.emplace_back();
  document_.insert(document_.end(), trailer.begin(), trailer.end());
  const std::string error =
      PrintReportPages(printer_, document_, font_, Margins(), pageNumBox_->isChecked(), [this](int percent) {
        prnProc_->setValue(percent);
        QApplication::processEvents();
        return !cancel_;
      });
  if (error.empty()) return true;
  ShowMsgForm(error, mkError, mbOk);
  return false;
}

bool TPrnSetForm::WriteTextFile() {
  const std::string fileName = textFileEdit_->text().toStdString();
  if (fileName.empty()) return true;
  const std::string bytes = PrintTextFileBytes(MemoLines(*beginText_), document_, MemoLines(*endText_));
  try {
    WriteFileReplacing(fileName, bytes);
  } catch (const Error& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return false;
  }
  prnProc_->setValue(100);
  return true;
}

void TPrnSetForm::reject() {
  // Closing while printing stops after the current page.
  cancel_ = true;
  QDialog::reject();
}

}  // namespace ld::gui
