#pragma once
// What the regime window asks of its diagram control. The window talks to the diagram only through
// this class, so that the control is bound in one place: a subclass over the control replaces the
// default, which stands for a window without a diagram (nothing drawn, nothing modified, nothing to
// save).
#include <QColor>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/tables/file_stamp.h"
#include "core/tables/table_run.h"

namespace ld::gui {

class TDiagramLink {
public:
  virtual ~TDiagramLink() = default;

  // True once a control stands behind the link; the diagram panel stays hidden while it is false.
  virtual bool Attached() const { return false; }

  // Reads the scheme's tables into the control (draws nothing by itself).
  virtual void LoadScheme(const std::string& /*basePath*/) {}
  // Writes a modified drawing, asking first when ask is set; answer: 1 written, 0 discarded, 2 cancelled.
  // False means the caller stops.
  virtual bool SaveScheme(bool /*ask*/, bool /*checkBase*/, int& answer) {
    answer = 1;
    return true;
  }
  // Rebuilds the drawing of the control's node and branch sets at its current position.
  virtual void RebuildScheme() {}
  // Frees the drawn model and empties the control's element list.
  virtual void FreeSchemeModel() {}
  virtual void SetEditMode(bool /*on*/) {}
  virtual bool Modified() const { return false; }
  virtual void Repaint() {}
  // A table of the scheme that the window's engine wrote back over the one it read (TakeRewrittenStamp).
  virtual void TakeRewrittenStamp(const std::string& /*file*/, const TFileStamp& /*read*/,
                                  const TFileStamp& /*written*/) {}
  // The node caption mode (number, name, both), which the engine's listings follow.
  virtual std::uint8_t CaptionMode() const { return 0; }
  // The control's marks of unsupplied and switched-off rows, which the engine fills; nullptr: none.
  virtual std::vector<std::uint8_t>* NodeMarks() { return nullptr; }
  virtual std::vector<std::uint8_t>* BranchMarks() { return nullptr; }
  // The drawing settings and colours in the program INI file.
  virtual void LoadViewConfig(const std::string& /*section*/, const std::string& /*colorSection*/) {}
  virtual void SaveViewConfig(const std::string& /*section*/, const std::string& /*colorSection*/) {}
  virtual QColor BackgroundColor() const { return Qt::white; }
  // The district numbers, names and colours that the control offers, from the scheme's district table
  // (one item per row, in row order).
  virtual void SetDistricts(const std::vector<int>& /*numbers*/, const std::vector<std::string>& /*names*/,
                            const std::vector<std::int32_t>& /*colors*/) {}
};

}  // namespace ld::gui
