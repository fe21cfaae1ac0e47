#pragma once
// What the mouse meets on the diagram, and what the control does with it that needs no window: hit
// tests on the registries of the last drawing pass, selection and marking, dragging, bringing an
// element into view, finding a node, and the texts of the hints. Every position is in the control's
// client coordinates.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/diagram/model.h"

namespace ld::diagram {

class TSchemBoxState;
class TSchemePainter;

// ---- hit tests (all comparisons strict)

// The first drawn line whose vertical piece, or one of an elbow's three legs, holds the point.
bool HitTestLine(const TSchemBoxState& box, int x, int y, PSElem& elem);
// The first box of the top-level drawing that holds the point; inside an expanded substation, the
// nested element that holds it (inNested) or else the substation element itself. The control's metrics
// are as they were afterwards.
bool HitTestNode(TSchemBoxState& box, int x, int y, bool& inNested, PSElem& elem);
// The entry (from 0) of the switching device whose symbol holds the point; -1 when none.
int FindSwitchAt(const TSchemBoxState& box, int x, int y);
// In the commutation mode: switches the device under the point (a damaged branch stays as it is).
// True when a device was found.
bool ToggleSwitchAt(TSchemBoxState& box, int x, int y);

// ---- selection

// What the host is told of a selected element: a substation element's caption; otherwise the node's
// name in caption mode 1 and its number in the other modes.
std::string SelectedNodeText(const TSchemBoxState& box, const SElem& elem);
// Selects the element, repaints and tells the host (OnGetNode) unless the text is empty.
void SelectNode(TSchemBoxState& box, PSElem elem);
void ClearNodeSelection(TSchemBoxState& box);
void MarkLine(TSchemBoxState& box, PSElem elem);
void ClearLineMark(TSchemBoxState& box);

// ---- the view

// Moves the origin by (dx, dy), kept within [0, model - control] on both axes; the bars follow.
void DragOrigin(TSchemBoxState& box, int dx, int dy);
// Brings the element into view (centred where the model is larger than the control on that axis)
// and selects it; painter places the rows of an expanded substation's drawing. Nothing for nil.
void ScrollToElement(TSchemBoxState& box, TSchemePainter& painter, PSElem elem);
// The first element drawing the node number (inside an expanded substation, its nested element).
PSElem FindNodeElement(const TSchemBoxState& box, std::int32_t nodeNr);
// Clears the selection and scrolls to the node's element when there is one.
void LocateNode(TSchemBoxState& box, TSchemePainter& painter, std::int32_t nodeNr);
// The element whose caption (mode 1) or number (modes 0 and 2) is the text, in any letter case; with
// grouping and names, also the substation of a node name. Scrolls to it; repaints in any case.
PSElem FindNodeOnScheme(TSchemBoxState& box, TSchemePainter& painter, std::string_view text);
// A caption without what follows its first " <".
std::string StripCaptionSuffix(std::string_view caption);

// ---- hints ("" when there is nothing to show)

std::string NodeHintText(const TSchemBoxState& box, const SElem& elem);
std::string LineHintText(const TSchemBoxState& box, const SElem& elem);
// The hint at a point: a line's where a line is hit (also over a box), else a node's; a substation
// element has none.
std::string HintTextAt(TSchemBoxState& box, int x, int y);

}  // namespace ld::diagram
