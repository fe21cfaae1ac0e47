#pragma once
// Selections on a read model: the supply tree fed from an element, its supply radius, the supply
// routes with their loop alternatives, the tier of a node, the nodes of voltage classes, a substation,
// the fragment around a node without supply and a closed contour. A selection marks elements with
// efSelected; CollectMarkedConnections turns the marks into node and branch rows for the diagram.
//
// Names of substation sections read "<substation>.<section>"; with CutAtDot a search text without "."
// compares the part of the names before their first ".", so that it finds every section.
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

// Work bits 28-29 of the element flags as the selections use them.
enum : std::uint32_t {
  efSelected = 0x10000000,    // the result of a selection
  efSelectWork = 0x20000000,  // subtree or contour side while a selection runs
  efSelectBits = 0xF0000000,  // bits 28-31
};

// The element's number as text (modes 0 and 2) or its name (mode 1; empty when none), trimmed.
std::string ElementText(int NameMode, const TRegimeElement* Element);

// Searches the elements after Element in tree order (start with the root to search all) for one whose
// name (mode 1) or number (modes 0 and 2; also any element without a name) equals Text; both are
// trimmed and cut before a ">". Loop-closing elements are never found. Element becomes the one found,
// so repeated calls find every match.
bool FindElementByName(TRegime& Regime, const std::string& Text, int NameMode, TRegimeElement*& Element);

// Keeps the name of every element from First on in tree order and cuts it before its first ".";
// RestoreElementNames puts the saved names back and empties Names.
void SaveElementNames(TRegimeElement* First, std::vector<std::string>& Names);
void RestoreElementNames(TRegimeElement* First, std::vector<std::string>& Names);

// Element names cut before their first "." while a search for a text without a "." runs (cutAtDot),
// put back however the search ends.
class TCutElementNames {
public:
  TCutElementNames(TRegime& Regime, const std::string& Text, bool CutAtDot);
  ~TCutElementNames();
  TCutElementNames(const TCutElementNames&) = delete;
  TCutElementNames& operator=(const TCutElementNames&) = delete;

private:
  TRegimeElement* first_;
  bool active_;
  std::vector<std::string> names_;
};

// Marks Element and its unmarked ancestors, stopping after the first source element.
void MarkUpToSupply(TRegimeElement* Element);
// Marks Element and every later element in tree order whose parent is marked.
void MarkSubtree(TRegimeElement* Element);
// Marks Element's path to the root and then, until nothing changes, every contour that touches what is
// marked together with the paths of its two entries.
void MarkContoursThroughPath(TRegime& Regime, TRegimeElement* Element);

// The marked elements as node rows (each once; the parent of a marked element whose parent is not
// marked too; never 0) and branch rows; both lists are refilled. Clears bits 28-31 everywhere.
void CollectMarkedConnections(TRegime& Regime, std::vector<std::int32_t>& NodeList,
                              std::vector<std::int32_t>& BranchList);

// The selections the regime window draws. Progress (when assigned) hears 30 at the start and 100 at the
// end. Each returns whether anything was found.
bool SelectUnsuppliedFragment(TRegime& Regime, const std::string& ItemText, const TRegimeProgressEvent& Progress = {});
bool SelectContour(TRegime& Regime, int ContourIndex, const TRegimeProgressEvent& Progress = {});
bool SelectNodesByVoltageClass(TRegime& Regime, const std::string& ClassText, std::vector<std::int32_t>& NodeList,
                               std::vector<std::int32_t>& BranchList, const TRegimeProgressEvent& Progress = {});
bool BuildSupplyRadius(TRegime& Regime, const std::string& Text, bool CutAtDot, bool WithLoops,
                       const TRegimeProgressEvent& Progress = {});
bool BuildSupplyTree(TRegime& Regime, const std::string& Text, bool CutAtDot, bool WholeTree,
                     const TRegimeProgressEvent& Progress = {});
bool BuildNodeTier(TRegime& Regime, const std::string& Text, bool CutAtDot, const TRegimeProgressEvent& Progress = {});
bool BuildSupplyRoutes(TRegime& Regime, const std::string& Text, bool CutAtDot,
                       const TRegimeProgressEvent& Progress = {});
// Fills the node rows of the substation named Text and the branches between them (the window shows or
// hides them in its fragment).
bool ToggleSubstation(TRegime& Regime, const std::string& Text, bool CutAtDot, std::vector<std::int32_t>& NodeList,
                      std::vector<std::int32_t>& BranchList, const TRegimeProgressEvent& Progress = {});

}  // namespace ld
