#include "gui/grid/color_combo.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <array>

namespace ld::gui {

class TOwnerDrawComboBox::Delegate : public QStyledItemDelegate {
public:
  explicit Delegate(TOwnerDrawComboBox* box) : QStyledItemDelegate(box), box_(box) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    box_->DrawItem(*painter, index.row(), option.rect, (option.state & QStyle::State_Selected) != 0);
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), box_->ItemHeight()};
  }

private:
  TOwnerDrawComboBox* box_;
};

TOwnerDrawComboBox::TOwnerDrawComboBox(QWidget* parent) : QComboBox(parent) {
  setItemDelegate(new Delegate(this));  // owned by the combo box as its Qt parent
  UpdateItemHeight();
}

void TOwnerDrawComboBox::SetComboStyle(Style style) {
  style_ = style;
  setEditable(style != csDropDownList);
  UpdateItemHeight();
}

void TOwnerDrawComboBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) UpdateItemHeight();
  QComboBox::changeEvent(event);
}

void TOwnerDrawComboBox::UpdateItemHeight() {
  itemHeight_ = std::max(9, QFontMetrics(font()).height() + 1);
  if (lineEdit()) lineEdit()->setMinimumHeight(itemHeight_);
  update();
}

namespace {

// The customary names of the palette colours (the colour constants without their "cl" prefix).
const std::array<const char*, 16> kColorNames = {"Black", "Maroon", "Green", "Olive",  "Navy",   "Purple",
                                                 "Teal",  "Gray",   "Silver", "Red",   "Lime",   "Yellow",
                                                 "Blue",  "Fuchsia", "Aqua",  "White"};

// "$00BBGGRR": how a colour without a name is written.
QString ColorHexText(TColor color) { return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

TColorComboBox::TColorComboBox(QWidget* parent) : TOwnerDrawComboBox(parent) {
  FillItems();
  setCurrentIndex(0);
  connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) { Picked(); });
  connect(this, &QComboBox::editTextChanged, this, [this](const QString&) {
    if (!filling_ && ColorValue() != value_) {
      value_ = ColorValue();
      emit Change();
    }
  });
}

void TColorComboBox::FillItems() {
  filling_ = true;
  const TColor keep = value_;
  clear();
  for (int i = 0; i < 16; ++i) {
    const QString name = i < names_.size() && !names_[i].isEmpty() ? names_[i] : QString(kColorNames[i]);
    addItem(name, QVariant::fromValue(PaletteTColor(i)));
  }
  const int index = IndexOfColor(keep);
  setCurrentIndex(index);
  if (index < 0 && ComboStyle() != csDropDownList) setEditText(ColorHexText(keep));
  filling_ = false;
}

int TColorComboBox::IndexOfColor(TColor color) const {
  for (int i = 0; i < count(); ++i)
    if (itemData(i).value<TColor>() == color) return i;
  return -1;
}

TColor TColorComboBox::ColorValue() const {
  if (ComboStyle() == csDropDownList || currentIndex() >= 0) return value_;
  const QString text = currentText();
  for (int i = 0; i < count(); ++i)
    if (itemText(i) == text) return itemData(i).value<TColor>();
  bool ok = false;
  const TColor number = text.startsWith('$') ? text.mid(1).toUInt(&ok, 16) : text.toUInt(&ok, 10);
  return ok ? number : value_;
}

void TColorComboBox::SetColorValue(TColor color) {
  value_ = color;
  filling_ = true;
  const int index = IndexOfColor(color);
  setCurrentIndex(index);
  if (index < 0 && ComboStyle() != csDropDownList) setEditText(ColorHexText(color));
  filling_ = false;
  update();
  emit Change();
}

void TColorComboBox::Picked() {
  const int index = currentIndex();
  if (index < 0) return;
  const TColor color = itemData(index).value<TColor>();
  if (color == value_) return;
  value_ = color;
  emit Change();
}

void TColorComboBox::SetColorNames(const QStringList& names) {
  names_ = names;
  FillItems();
}

void TColorComboBox::SetDisplayNames(bool on) {
  displayNames_ = on;
  update();
}

QSize TColorComboBox::sizeHint() const {
  QSize size = QComboBox::sizeHint();
  if (!displayNames_) size.setWidth(40);
  return size;
}

void TColorComboBox::DrawItem(QPainter& painter, int index, const QRect& r, bool selected) const {
  const QPalette& pal = palette();
  painter.fillRect(r, selected ? pal.highlight() : pal.base());
  if (index < 0 || index >= count()) return;
  const QRect swatch(QPoint(r.left() + 2, r.top() + 2),
                     QPoint(displayNames_ ? r.left() + 22 : r.right() - 3, r.bottom() - 2));
  painter.setPen(pal.color(QPalette::WindowText));
  painter.setBrush(ToQColor(itemData(index).value<TColor>()));
  painter.drawRect(swatch.adjusted(0, 0, -1, -1));
  if (displayNames_) {
    painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(QRect(r.left() + 28, r.top(), r.width() - 28, r.height()), Qt::AlignVCenter | Qt::TextSingleLine,
                     itemText(index));
  }
}

void TColorComboBox::paintEvent(QPaintEvent* event) {
  if (ComboStyle() != csDropDownList) {
    QComboBox::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  DrawItem(painter, currentIndex(), field, false);
}

}  // namespace ld::gui
