#pragma once
// Drawing the laid-out diagram on a canvas: the control's own, a printer page or a bitmap, or none
// at all when only the vertical positions of the elements are wanted. Every pass over the top model
// on a canvas refills the control's registries of drawn elements, lines and switching devices, which
// the mouse handling and the flow animation search.
#include <memory>
#include <vector>

#include "core/diagram/canvas.h"
#include "core/tables/file_stamp.h"

namespace ld::diagram {

class TSchemBoxState;

class TSchemePainter {
public:
  explicit TSchemePainter(TSchemBoxState& box);

  // One pass over the control's current model. canvas nil: only the Y of every element is set.
  // colour off draws black on white; clip skips what lies wholly outside (0, 0)-(clipWidth,
  // clipHeight); printing draws with the default line width on white without selection frames.
  // (x0, y0) is where the model's top left corner goes before the scroll origin is taken off.
  // True when anything passed the visibility test. CurModel, the origin, FIntegral, FlagDR and the
  // canvas font are as they were afterwards, also when a step throws.
  bool DrawScheme(TCanvas* canvas, bool colour, bool clip, bool printing, int x0, int y0, int clipWidth,
                  int clipHeight);
  // The control painting itself: in colour, clipped to its client area, one step in from its corner.
  bool Paint(TCanvas& canvas);

  // The voltage column "Unom" of the catalogue rows that DevUp and DevDown hold.
  const std::vector<double>& DevUnom() const { return devUnom_; }

private:
  // Reads the deviation columns again when the catalogue is newer than what the control holds, or
  // when their voltages were never read.
  void RefreshVoltageLimits();

  TSchemBoxState& box_;
  std::vector<double> devUnom_;
  TFileStamp devUnomStamp_;  // the catalogue as devUnom_ was read from it
  TFileStamp failedStamp_;   // a catalogue that could not be read
};

// The control's painting through a painter of its own: PaintHook draws on the control's Canvas.
void InstallPainting(TSchemBoxState& box);

}  // namespace ld::diagram
