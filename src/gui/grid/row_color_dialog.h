#pragma once
// "Цвет строки": a 4 x 4 grid of the palette on which the left button picks the text colour and the
// right button the background, with a sample line below.
#include <QDialog>
#include <QWidget>

class QLabel;

namespace ld::gui {

class TColorGrid : public QWidget {
  Q_OBJECT

public:
  explicit TColorGrid(QWidget* parent = nullptr);

  int ForegroundIndex() const { return fg_; }
  int BackgroundIndex() const { return bg_; }
  void SetIndices(int fg, int bg);
  // The rectangle of palette index i (row by row, four to a row).
  QRect CellRect(int index) const;
  QSize sizeHint() const override { return {4 * kCell + 1, 4 * kCell + 1}; }

signals:
  void Changed();

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  static constexpr int kCell = 24;
  int fg_ = 0;
  int bg_ = 15;
};

class TRowColorForm : public QDialog {
  Q_OBJECT

public:
  explicit TRowColorForm(QWidget* parent = nullptr);
  TColorGrid* Grid() const { return grid_; }

private:
  void ShowSample();

  TColorGrid* grid_;
  QLabel* sample_;
};

}  // namespace ld::gui
