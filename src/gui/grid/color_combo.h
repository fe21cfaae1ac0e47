#pragma once
// A drop-down of the 16 palette colours, drawn as swatches (optionally with names); the selected
// item's index is the palette index.
#include <QComboBox>
#include <QStringList>

#include "gui/grid/tcolor.h"

namespace ld::gui {

// A combo box whose items the owner draws, with a fixed item height of the font's height + 1 (at
// least 9). Styles: drop-down list (the default, not editable) or an editable drop-down.
class TOwnerDrawComboBox : public QComboBox {
  Q_OBJECT

public:
  enum Style { csDropDown, csSimple, csDropDownList };
  explicit TOwnerDrawComboBox(QWidget* parent = nullptr);

  Style ComboStyle() const { return style_; }
  void SetComboStyle(Style style);
  int ItemHeight() const { return itemHeight_; }

protected:
  void changeEvent(QEvent* event) override;
  // Draws one item into rect; selected items get the highlight background.
  virtual void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) const = 0;

private:
  class Delegate;
  friend class Delegate;
  void UpdateItemHeight();

  Style style_ = csDropDownList;
  int itemHeight_ = 9;
};

class TColorComboBox : public TOwnerDrawComboBox {
  Q_OBJECT

public:
  explicit TColorComboBox(QWidget* parent = nullptr);

  TColor ColorValue() const;
  void SetColorValue(TColor color);
  const QStringList& ColorNames() const { return names_; }
  void SetColorNames(const QStringList& names);
  bool DisplayNames() const { return displayNames_; }
  void SetDisplayNames(bool on);

  QSize sizeHint() const override;

signals:
  // The chosen colour changed (by the user or by SetColorValue).
  void Change();

protected:
  void paintEvent(QPaintEvent* event) override;
  void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) const override;

private:
  void FillItems();
  void Picked();
  int IndexOfColor(TColor color) const;

  TColor value_ = clBlack;
  QStringList names_;
  bool displayNames_ = true;
  bool filling_ = false;
};

}  // namespace ld::gui
