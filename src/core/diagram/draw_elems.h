#pragma once
// The element routines of one drawing pass: colours of boxes and lines, switching devices,
// transformer and reactor symbols, flow arrows with their result texts, link captions and the
// voltage-limit test. They draw with the pass's canvas, colour and printer choice and the control's
// current metrics.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/dynarray.h"
#include "core/diagram/canvas.h"
#include "core/diagram/model.h"

namespace ld::diagram {

class TSchemBoxState;

inline constexpr std::int32_t clRed = 0x0000FF;
inline constexpr std::int32_t clGreen = 0x008000;
inline constexpr std::int32_t clLime = 0x00FF00;
inline constexpr std::int32_t clWhite = 0xFFFFFF;
inline constexpr std::int32_t clBlack = 0;

// One end's values for DrawFlowResult.
struct TEndValues {
  double I = 0, P = 0, Q = 0, P2 = 0, Q2 = 0, Ic = 0;
  int Tag = 0;    // 1 or -1: the arrow carries the energy tag
  char Mark = 0;  // '+' or '-' for the tag's sign text
};

class TElemPainter {
public:
  // canvas may be nil for the colour and limit routines only. devUnom: the catalogue voltage of each
  // row of the control's DevUp and DevDown (nil: none known).
  TElemPainter(TSchemBoxState& box, TCanvas* canvas, bool colour, bool printing,
               const std::vector<double>* devUnom);

  std::int32_t NodeFillColor(const SElem& e, int nodeRow) const;
  void LineColorWidth(const SElem& e, std::int32_t& color, int& width) const;
  // 1 when end (1 own, 2 parent) is open in the column Normal, else 0.
  int IsNormallyOpenEnd(const SElem& e, int end) const;
  bool VoltageWithinLimits(int nodeRow) const;

  void DrawSwitchDevice(int x, int y, bool off, int normallyOpen, bool damaged, bool downward, int kind);
  void DrawTransformer(const SElem& e, int x1, int x2, int branchRow, int y);
  void DrawReactor(const SElem& e, int x1, int x2, int branchRow, int y);
  void DrawFlowTag(int x, int y, int sign, char mark);
  void DrawArrowUp(int x, int y, int tag, bool noHead, char mark);
  void DrawArrowDown(int x, int y, int tag, bool noHead, char mark);
  // The arrow and texts of one end at (x, y): side set, the band lies above y, else below it.
  void DrawFlowResult(int x, int y, bool side, TEndValues v, float idop, float sdop);
  void DrawLineFlows(const SElem& e, int x1, int y1, int x2, int y2, bool side1, bool side2, bool swap);
  // Loads of a node element hanging below its box, whose left edge is at x0 + X1 and top at Y.
  void DrawNodeLoads(const SElem& e, int x0);
  void DrawSubstTransformerLoads(const SElem& e, int x0);
  void DrawLinkCaption(const SElem& e, int x, int y, bool reversed, bool ownEnd, bool above);

  // The height of the results at one end of a branch: the flow row and one row per shown value.
  int ResultBand() const;
  // Whether a branch's TypEqu names a reactor ("RT...").
  static bool IsReactor(std::string_view typEqu);

protected:
  TCanvas& C() { return *canvas_; }
  // Text at (x, y) in the given font height, transparent or on a solid colour, then the brush solid
  // again and the font height as it was.
  void Text(int x, int y, std::string_view text, int fontHeight, TTextAlign align = taLeft, bool opaque = false,
            std::int32_t background = 0);
  std::string BranchCellText(const DAString* column, int row) const;
  char UpperLetter(char cp1251) const;
  int ClassIndex(float kv) const;  // index in vUn of round(kv × 100), -1 when none
  std::int32_t AreaColor(std::int32_t area) const;
  // The end values of a branch for the kind of flows shown; end 2 as the table holds it.
  void BranchEnds(const SElem& e, TEndValues& end1, TEndValues& end2) const;
  void DrawStem(int x, int yFrom, int yTo);
  // The node-table row of a node number; 0 when none.
  int NodeRowOf(std::int32_t number);

  TSchemBoxState& box_;
  TCanvas* canvas_;
  bool colour_;
  bool printing_;
  const std::vector<double>* devUnom_;
  std::vector<std::pair<std::int32_t, int>> nodeIndex_;  // node numbers with their rows, by number
};

}  // namespace ld::diagram
