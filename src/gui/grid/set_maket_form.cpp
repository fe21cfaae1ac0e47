#include "gui/grid/set_maket_form.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/grid/block_clipboard.h"
#include "gui/grid/color_combo.h"
#include "gui/grid/grid_dialogs.h"
#include "gui/grid/maket_block.h"

namespace ld::gui {

namespace {

bool IsComputed(const std::string& field) { return !field.empty() && field.back() == '*'; }

// The columns after the last stored one are the computed columns that the compare command appended.
int StoredColumnCount(const TDataFile& table) {
  int count = table.NCols;
  while (count > 0 && IsComputed(table.FieldName[static_cast<std::size_t>(count)])) --count;
  return count;
}

void ClearColumn(TDataFile& table, int c) {
  const auto k = static_cast<std::size_t>(c);
  table.ColFlag[k] = table.ColType[k] = 0;
  table.PixWidth[k] = table.FltDigit[k] = 0;
  table.CtrlSize[k] = table.Access[k] = table.Visible[k] = table.Colors[k] = table.TitleColor[k] = 0;
  table.FieldName[k].clear();
  table.ColTitle[k].clear();
  table.Comment[k].clear();
}

TColorComboBox* ColorBox(const char* name, QWidget* parent) {
  auto* box = new TColorComboBox(parent);  // owned by the dialog
  box->setObjectName(name);
  box->SetDisplayNames(false);
  box->setFixedWidth(40);
  return box;
}

}  // namespace

const char* TypeCaption(char type) {
  switch (type) {
    case 'b': return "Тип: Byte";
    case 'c': return "Тип: Char";
    case 'd': return "Тип: Double";
    case 'f': return "Тип: Float";
    case 'i': return "Тип: Smallint";
    case 'l': return "Тип: Longint";
    case 'n': return "Тип: int64";
    case 'r': return "Тип: Real";
    case 's':
    case 't': return "Тип: String";
    case 'w': return "Тип: Word";
    default: return "";
  }
}

TSetMaketForm::TSetMaketForm(const TDataFile& table, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Настройка форматов таблиц");
  setObjectName("SetMaketForm");
  CopyLayout(table, work_);
  work_.Title = table.Title;
  const int stored = StoredColumnCount(work_);
  for (int c = work_.NCols; c > stored; --c) ClearColumn(work_, c);
  work_.NCols = static_cast<std::int16_t>(stored);

  auto* main = new QHBoxLayout(this);
  idElem_ = new QListWidget(this);
  idElem_->setObjectName("IDElem");
  main->addWidget(idElem_);
  auto* right = new QVBoxLayout;
  main->addLayout(right);
  auto* form = new QFormLayout;
  right->addLayout(form);
  titElem_ = new QLineEdit(this);
  titElem_->setObjectName("TitElem");
  titElem_->setMaxLength(255);
  form->addRow("Заголовок колонки", titElem_);
  pixWidth_ = Named<QLineEdit>("PixWidth", this);
  ctrlSize_ = Named<QLineEdit>("CtrlSize", this);
  fltDigit_ = Named<QLineEdit>("FltDigit", this);
  form->addRow("Ширина (пикселей)", pixWidth_);
  form->addRow("Максимум символов", ctrlSize_);
  form->addRow("Знаков после запятой", fltDigit_);
  access_ = new QCheckBox("Доступно для редакции", this);
  access_->setObjectName("Access");
  form->addRow(access_);
  colorB_ = ColorBox("ColorB", this);
  colorF_ = ColorBox("ColorF", this);
  colorT_ = ColorBox("ColorT", this);
  form->addRow("Фон", colorB_);
  form->addRow("Шрифт", colorF_);
  form->addRow("Заголовок", colorT_);
  comment_ = new QLineEdit(this);
  comment_->setObjectName("Comment");
  comment_->setMaxLength(255);
  form->addRow("Комментарий", comment_);
  typElem_ = new QLabel(this);
  typElem_->setObjectName("TypElem");
  form->addRow(typElem_);
  right->addLayout(OkCancelButtons(*this, "Применить", "Отменить"));

  for (int c = 1; c <= work_.NCols; ++c) {
    const auto k = static_cast<std::size_t>(c);
    auto* item = new QListWidgetItem(QString::fromStdString(work_.ColTitle[k]), idElem_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(work_.Visible[k] == 1 ? Qt::Checked : Qt::Unchecked);
  }
  if (idElem_->count() > 0) idElem_->setCurrentRow(0);
  ShowColumn();

  connect(idElem_, &QListWidget::currentRowChanged, this, [this] { IDElemClick(); });
  connect(idElem_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) { FlagChange(item); });
  for (QLineEdit* edit : {pixWidth_, ctrlSize_, fltDigit_})
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { IntChange(edit); });
  connect(titElem_, &QLineEdit::textEdited, this, [this] { TitElemChange(); });
  connect(comment_, &QLineEdit::textEdited, this, [this] { CommentChange(); });
  connect(access_, &QCheckBox::toggled, this, [this] { AccessChange(); });
  for (TColorComboBox* box : {colorB_, colorF_, colorT_})
    connect(box, &TColorComboBox::Change, this, [this, box] { ColorChange(box); });
}

void TSetMaketForm::ShowColumn() {
  if (current_ < 1 || current_ > work_.NCols) return;
  loading_ = true;
  const auto k = static_cast<std::size_t>(current_);
  titElem_->setText(QString::fromStdString(work_.ColTitle[k]));
  pixWidth_->setText(QString::number(work_.PixWidth[k]));
  ctrlSize_->setText(QString::number(work_.CtrlSize[k]));
  fltDigit_->setText(QString::number(work_.FltDigit[k]));
  access_->setChecked(work_.Access[k] == 1);
  colorB_->SetColorValue(PaletteTColor(BackColorIndex(work_.Colors[k])));
  colorF_->SetColorValue(PaletteTColor(FontColorIndex(work_.Colors[k])));
  colorT_->SetColorValue(PaletteTColor(work_.TitleColor[k]));
  comment_->setText(QString::fromStdString(work_.Comment[k]));
  typElem_->setText(QString::fromUtf8(TypeCaption(work_.ColType[k])));
  loading_ = false;
}

void TSetMaketForm::IDElemClick() {
  current_ = idElem_->currentRow() + 1;
  ShowColumn();
}

void TSetMaketForm::IntChange(QLineEdit* edit) {
  if (loading_ || current_ < 1 || current_ > work_.NCols) return;
  const auto k = static_cast<std::size_t>(current_);
  // Each attribute is stored in a field of its own width: a value beyond it would wrap round into
  // another number in the layout file, so it is refused like a text that is no number.
  struct TIntField {
    const char* label;
    int low, high;
    int stored;
  };
  const TIntField field = edit == pixWidth_   ? TIntField{"Ширина (пикселей)", 0, 32767, work_.PixWidth[k]}
                          : edit == ctrlSize_ ? TIntField{"Максимум символов", 0, 255, work_.CtrlSize[k]}
                                              : TIntField{"Знаков после запятой", -1, 32767, work_.FltDigit[k]};
  const std::string text = edit->text().toStdString();
  const auto refuse = [&](const std::string& why) {
    edit->setText(QString::number(field.stored));
    ShowMsgForm("Значение \"" + text + "\" поля \"" + field.label + "\" " + why, mkWarning, mbOk);
  };
  int value = 0;
  try {
    value = StrToIntZ(text);
  } catch (const ConvertError&) {
    // beyond the range of int as well: a long row of digits is still a number
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view magnitude = std::string_view(text).substr(negative ? 1 : 0);
    const bool digits = !magnitude.empty() && magnitude.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digits) return refuse("не является целым числом");
    if (!(edit == fltDigit_ && negative))
      return refuse("вне допустимых пределов: от " + std::to_string(field.low) + " до " + std::to_string(field.high));
    value = field.low;
  }
  if (edit == fltDigit_ && value < -1) {
    // "-1" is the general format; anything lower means the same
    work_.FltDigit[k] = -1;
    edit->setText("-1");
    return;
  }
  if (value < field.low || value > field.high)
    return refuse("вне допустимых пределов: от " + std::to_string(field.low) + " до " + std::to_string(field.high));
  if (edit == pixWidth_) {
    work_.PixWidth[k] = static_cast<std::int16_t>(value);
  } else if (edit == ctrlSize_) {
    work_.CtrlSize[k] = static_cast<std::uint8_t>(value);
  } else {
    work_.FltDigit[k] = static_cast<std::int16_t>(value);
  }
}

void TSetMaketForm::TitElemChange() {
  if (loading_ || current_ < 1 || current_ > work_.NCols) return;
  const auto k = static_cast<std::size_t>(current_);
  const std::string text = titElem_->text().toStdString();
  // "~" starts the comment in the layout file: a title holding one would lose its tail to the comment
  if (text.find('~') != std::string::npos) {
    titElem_->setText(QString::fromStdString(work_.ColTitle[k]));
    ShowMsgForm("Заголовок колонки не может содержать символ \"~\"", mkWarning, mbOk);
    return;
  }
  work_.ColTitle[k] = Utf8Left(text, 255);
}

void TSetMaketForm::CommentChange() {
  if (loading_ || current_ < 1 || current_ > work_.NCols) return;
  work_.Comment[static_cast<std::size_t>(current_)] = Utf8Left(comment_->text().toStdString(), 255);
}

void TSetMaketForm::FlagChange(QListWidgetItem* item) {
  const int c = idElem_->row(item) + 1;
  if (c < 1 || c > work_.NCols) return;
  work_.Visible[static_cast<std::size_t>(c)] = item->checkState() == Qt::Checked ? 1 : 0;
}

void TSetMaketForm::AccessChange() {
  if (loading_ || current_ < 1 || current_ > work_.NCols) return;
  work_.Access[static_cast<std::size_t>(current_)] = access_->isChecked() ? 1 : 0;
}

void TSetMaketForm::ColorChange(TColorComboBox* box) {
  if (loading_ || current_ < 1 || current_ > work_.NCols || box->currentIndex() < 0) return;
  const auto k = static_cast<std::size_t>(current_);
  const int index = box->currentIndex();
  if (box == colorB_) work_.Colors[k] = static_cast<std::uint8_t>((15 - index) << 4 | (work_.Colors[k] & 0x0F));
  if (box == colorF_) work_.Colors[k] = static_cast<std::uint8_t>((work_.Colors[k] & 0xF0) | index);
  if (box == colorT_) work_.TitleColor[k] = static_cast<std::uint8_t>(index);
}

void EditMaket(TDataFile& table) {
  TSetMaketForm form(table);
  if (ExecModal(form) != QDialog::Accepted) return;
  const TDataFile& work = form.Work();
  if (!RewriteMaketBlock(MaketFileName, work)) return;
  for (int c = work.NCols + 1; c <= table.NCols; ++c) table.Columns[static_cast<std::size_t>(c)].reset();
  CopyLayout(work, table);
}

}  // namespace ld::gui
