#pragma once
// The working state of one layout and its steps, shared by the files of the layout.
#include <cstdint>
#include <string>
#include <vector>

#include "core/diagram/canvas.h"
#include "core/diagram/model.h"

namespace ld::diagram {

class TSchemBoxState;

// The canvas font height changed for a measurement and put back on every way out.
class TFontHeightScope {
public:
  TFontHeightScope(TCanvas& canvas, int height) : canvas_(canvas), saved_(canvas.Font.Height) {
    canvas.Font.Height = height;
  }
  ~TFontHeightScope() { canvas_.Font.Height = saved_; }
  TFontHeightScope(const TFontHeightScope&) = delete;
  TFontHeightScope& operator=(const TFontHeightScope&) = delete;

private:
  TCanvas& canvas_;
  int saved_;
};

inline constexpr int kNoGapLimit = 0x0FFFFFFF;

class TLayout {
public:
  TLayout(TSchemBoxState& box, TCanvas& canvas, TSchemeModel& model);
  void Run();

  // ---- local steps
  // Free room beside e in its tier: to the next box (right) or from the previous one (left), unless
  // that box is marked as part of the subtree being measured.
  int GapToNeighbour(const SElem& e, bool right) const;
  int MinGapOfSubtree(PSElem e, bool right);
  void ShiftSubtree(PSElem e, int dx);
  // The element's new X2; sets its Height, Caption2 and Caption3.
  int MeasureElement(SElem& e);

private:
  void SubstationTransformers();
  void ResetElements();
  void NestedModels();
  void CollectChildren();
  void OrderByNames();
  void AssignTiers();
  void OrderByLayers();
  void OrderByLinkLength();
  void PlaceBoxes();
  void Compact();
  void Normalise();
  void ConnectionSlots();
  void BandsAndHeights();
  void Closing();
  void Flows();

  // MeasureElement's parts.
  int LoadRows(const SElem& e) const;
  std::string SecondText(const SElem& e) const;
  void WrapMainCaption(SElem& e);
  void WrapSecondCaption(SElem& e, const std::string& text);
  void BranchCaptions(int tier, const std::vector<PSElem>& elems);

  bool IsTop() const;
  bool ShowsResults() const;

  TSchemBoxState& box_;
  TCanvas& canvas_;
  TSchemeModel& model_;
  // Metrics of this layout; every step is at least one pixel wide.
  int xe_ = 1, xv_ = 0, ye_ = 0, dY_ = 0, dYsc_ = 0, ycom_ = 0, yzam_ = 0, ylnk_ = 0, ymrk_ = 0, halfYe_ = 0,
      flowRow_ = 0;
  int fontHeight_ = 0;  // the caption font of the canvas
  int maxTier_ = 0;
  std::vector<std::vector<PSElem>> tierBoxes_;  // per tier, left to right
};

// A reference element between two different nodes whose ends lie on one tier.
bool IsSideLink(const SElem& ref);
bool IsSelfLink(const SElem& ref);

}  // namespace ld::diagram
