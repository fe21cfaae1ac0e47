#pragma once
// The scheme viewer: shows the diagram of any scheme read-only. One instance lives from program start
// to program end, hidden until used.
#include <QWidget>
#include <string>

class QMenu;
class QScrollBar;

namespace ld::gui {

class TSchemBox;

class TSchViewForm : public QWidget {
  Q_OBJECT

public:
  explicit TSchViewForm(QWidget* parent = nullptr);

  // Reads the scheme at Stem with the drawing settings of the two sections, colours it by ColorMode
  // whatever the section says, and shows it without waiting.
  void ShowScheme(const std::string& Stem, const std::string& Caption, const std::string& GraphicSection,
                  const std::string& ColorSection, int ColorMode, bool CaptionFlag);

  TSchemBox& SchBox() { return *schBox1_; }

  void PrnItemClick();
  void SetItemClick();
  void ColItemClick();

protected:
  // Writes the drawing settings back to the kept sections.
  void closeEvent(QCloseEvent* event) override;

private:
  TSchemBox* schBox1_;
  QScrollBar* vScrollBar_;
  QScrollBar* hScrollBar_;
  QMenu* schMenu_;
  std::string stem_, graphicSection_, colorSection_;
};

// The one scheme viewer of the program, created at start.
extern TSchViewForm* SchViewForm;

// The short-circuit window's radius in the one viewer: its own settings sections, each node and line
// in its own colour.
void ShowTkzScheme(const std::string& stem, const std::string& caption);

}  // namespace ld::gui
