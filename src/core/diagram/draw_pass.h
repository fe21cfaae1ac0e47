#pragma once
// One drawing pass over a model: the vertical position of every tier row, the boxes with their
// incoming branches, the ring and unsupplied links, and the registries of what was drawn.
#include <cstdint>
#include <vector>

#include "core/diagram/draw_elems.h"

namespace ld::diagram {

class TSchemePainter;

class TDrawPass : public TElemPainter {
public:
  TDrawPass(TSchemePainter& painter, TSchemBoxState& box, TCanvas* canvas, bool colour, bool clip, bool printing,
            int x0, int y0, int clipWidth, int clipHeight, const std::vector<double>* devUnom);
  // Steps after the voltage limits; FlagDR as the caller had it afterwards.
  bool Run();

private:
  int TierValue(const std::vector<std::int32_t>& list, int tier, int absent) const;
  int HasTransformer(int tier) const;
  void PlaceRows(int y);
  void DrawBox(SElem& e);
  void DrawTapOff(const SElem& e, int x1, int x2, int y, int y2);
  void DrawFrame(SElem& e, int x1, int x2, int y, int y2);
  void DrawNested(SElem& e, int x1, int y, int offset, int lines);
  void DrawVoltage(int row, int x, int y);
  void DrawEERM(int row, int x, int y);
  void DrawBranchCaptions(const SElem& e, int x, int top);
  void DrawReference(const SElem& r);
  void Device(const SElem& e, int x, int y, bool ownEnd, bool downward, bool begin);
  void RegisterLine(const SElem& e, bool straight, int x1, int x2, int yMid, int y1, int y2);
  // Caption lines of a text with "&" breaks.
  static std::vector<std::string> Lines(const std::string& text);
  bool Meets(int a, int b, int limit) const;
  void Thin();

  TSchemePainter& painter_;
  TSchemeModel& model_;
  bool clip_;
  int x0_ = 0, y0_ = 0, clipWidth_ = 0, clipHeight_ = 0;
  int x0Model_ = 0;             // canvas x of the model's x 0
  std::vector<int> rowTop_;     // per tier, the top of its boxes
  bool drawn_ = false;
};

}  // namespace ld::diagram
