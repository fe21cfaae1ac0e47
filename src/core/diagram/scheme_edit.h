#pragma once
// Editing the scheme on the diagram: the commands of the three pop-up menus and the table edits of
// the click modes, as operations on the control's state; the commutation letters and the element
// flags in both directions; the menus as data for the widget. Dialogs are reached through the
// callbacks of TEditDialogs (the widget gives the real dialogs, tests scripted ones), questions
// through ShowMsgForm. Every command that changes a table runs the first-change protocol first and
// ends with a rebuild, a relayout or a repaint of the control.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/diagram/model.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"

namespace ld::diagram {

class TSchemBoxState;

// ---- commutation letters and element flags

// The upper-cased commutation letter of a branch row ("Н", "К", "О", "Ф", "П" and others); 0 when
// the branch is switched on.
char32_t CommutLetter(const TBranchCols& cols, int row);
void SetCommutLetter(TBranchCols& cols, int row, char32_t letter);
// The flags of a letter: efOffOwn, efOffParent, efFixedOff and efDamaged as the element's ends lie.
std::uint32_t CommutFlags(char32_t letter, bool reversed);
// The letter written for the off flags of an element (efReversed decides which end is the begin).
char32_t CommutOfFlags(std::uint32_t flags);
// Everything the commutation letter and the switch marks of a branch decide on its element.
inline constexpr std::uint32_t efCommutation =
    efOffOwn | efOffParent | efFixedOff | efNoSwitchOwn | efNoSwitchParent | efSwitchOwnMask | efSwitchParentMask;

// The letters of the two halves of a branch that a node is inserted into.
struct TSplitLetters {
  char32_t Old, First, Second;
};
std::span<const TSplitLetters> InsertSplitTable();

// The letter of the branch A that is kept when an inserted node X is deleted, by A's old letter,
// the end of A at X and whether the far end of the deleted branch B is off (or damaged).
struct TJoinLetters {
  char32_t A;
  char32_t BeginOff, BeginOn, EndOff, EndOn;
};
std::span<const TJoinLetters> DeleteJoinTable();

// A transformer branch: a ratio, or a type beginning with "T" or "RT".
bool IsTransformerRow(const TBranchCols& cols, int row);

// ---- menus

struct TMenuItemDef {
  int Tag;
  std::string_view Caption;  // "-" for a separator
  bool Edit;                 // enabled only in edit mode
  bool Host;                 // handed to the host through OnExtNodeMenuClick / OnExtLineMenuClick
};
std::span<const TMenuItemDef> NodeMenuItems();
std::span<const TMenuItemDef> LineMenuItems();
std::span<const TMenuItemDef> EmptyMenuItems();
// Node menu Tags disabled over a substation element even in edit mode.
inline bool DisabledOverSubstation(int tag) { return tag >= 8 && tag <= 14; }

// ---- dialogs

// Branch parameters that the catalogue calculator returns.
struct TBranchParamsRec {
  std::string TypEqu, Mark, Regulation;
  std::int16_t Notv = 0, Ntpr = 0;
  float R = 0, X = 0, G = 0, B = 0, Kta = 0, Ktr = 0, Ktn = 0, Idop = 0, Sdop = 0;
};

struct TEditDialogs {
  using Strings = std::vector<std::string>;
  // (SchemeBase, Caption, Nodes, Branches, Row, Editable, DistrictNumbers, DistrictNames, Changed)
  std::function<bool(const std::string&, const std::string&, TDataFile&, TDataFile&, int, bool, const Strings&,
                     const Strings&, bool&)>
      EditNodeParams;
  // (Caption, SchemeBase, Nodes, Branches, Row, Editable, DistrictNumbers, DistrictNames, EndsChanged,
  //  ParamsChanged, SwitchChanged)
  std::function<bool(const std::string&, const std::string&, TDataFile&, TDataFile&, int, bool, const Strings&,
                     const Strings&, bool&, bool&, bool&)>
      EditLineParams;
  // (Name, OwnerName, ExistingNames, DistrictNumbers, DistrictNames, Editable, NameChanged, Ownership
  //  letter, District, Color); the by-reference values change only on confirmation.
  std::function<bool(std::string&, std::string&, const Strings&, const Strings&, const Strings&, bool, bool&,
                     std::string&, std::int32_t&, std::int32_t&)>
      EditSubstation;
  // (SchemeBase, NodeName, NodeNr, Count of appended node and branch rows, Branches, Nodes, Voltage)
  std::function<bool(const std::string&, const std::string&, std::int32_t, int&, TDataFile&, TDataFile&, float)>
      AddLinkDialog;
  // The catalogue calculator: (X, Y, catalogue folder, SchemeBase, Caption, parameters in and out, CutMark)
  std::function<bool(int, int, const std::string&, const std::string&, const std::string&, TBranchParamsRec&, bool)>
      EditBranchParams;
  // (Caption, Nodes, Row)
  std::function<bool(const std::string&, TDataFile&, int)> EditNodeLoad;
  // (SchemeBase, Nodes, Branches, Flows, NodeRow, EndNodeRow, BranchRow, GivenFlowRow or nullptr,
  //  DistrictNumbers, DistrictNames)
  std::function<bool(const std::string&, TDataFile&, TDataFile&, TDataFile&, int, int, int, std::vector<std::int32_t>*,
                     const Strings&, const Strings&)>
      EditEnergyMeter;
  // Bring a node or an element into view and select it.
  std::function<void(std::int32_t nodeNr)> LocateNode;
  std::function<void(PSElem elem)> ScrollToElement;
};

// ---- menu dispatch: nothing while Busy; Busy is set for the action and cleared after it, also
// when it throws (the caller shows the message)

void NodeMenuClick(TSchemBoxState& box, const TEditDialogs& dialogs, int tag);
void LineMenuClick(TSchemBoxState& box, const TEditDialogs& dialogs, int tag);
void EmptyMenuClick(TSchemBoxState& box, const TEditDialogs& dialogs, int tag);
// The action of a Tag alone, for a caller that keeps Busy itself: host Tags go to the host's event,
// the others to the commands below; the line menu acts only on a marked line.
void RunNodeMenuCommand(TSchemBoxState& box, const TEditDialogs& dialogs, int tag);
void RunLineMenuCommand(TSchemBoxState& box, const TEditDialogs& dialogs, int tag);

// ---- commands (a command that needs SelectedNode or MarkedLine does nothing without it)

void EditNodeProperties(TSchemBoxState& box, const TEditDialogs& dialogs);
void EditSubstationProperties(TSchemBoxState& box, const TEditDialogs& dialogs);
// OnChangeLine gets the branch row as it was before the dialog.
void EditLineProperties(TSchemBoxState& box, const TEditDialogs& dialogs);
void ToggleSubstationExpanded(TSchemBoxState& box);
void GoAlongLine(TSchemBoxState& box, const TEditDialogs& dialogs);
void AddNewNode(TSchemBoxState& box, const TEditDialogs& dialogs);
void AddNewLink(TSchemBoxState& box, const TEditDialogs& dialogs);
void InsertNodeIntoLine(TSchemBoxState& box, const TEditDialogs& dialogs);
void DeleteLine(TSchemBoxState& box);
void DeleteLineEquivalent(TSchemBoxState& box);
void DeleteNodeWithLinks(TSchemBoxState& box);
void DeleteInsertedNode(TSchemBoxState& box);
void SetVertexMark(TSchemBoxState& box, const TEditDialogs& dialogs, std::uint8_t mark);
void ResetSwitchDevices(TSchemBoxState& box);
void ToggleLineDamage(TSchemBoxState& box);
void ToggleLineBothSides(TSchemBoxState& box);

// ---- table edits of the click modes

// The switching device at the element's own end (ownEnd) or upstream end; a damaged branch stays.
void ToggleSwitchEnd(TSchemBoxState& box, PSElem elem, bool ownEnd);
// The Ctrl/Alt brush: the branch, the node, or every node of a substation takes PaintColor.
void PaintElement(TSchemBoxState& box, PSElem elem, bool line);
// A plain branch from the node of prev to the node of elem.
void AddLineBetween(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem prev, PSElem elem);
// The catalogue calculator for the branch of elem, opened at x, y.
void EditLineByCatalog(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem elem, int x, int y);
// The metering point of the branch of elem.
void EditLineMeter(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem elem);
// The loads (loadMode) or the metering point of the node of elem.
void EditNodeByClick(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem elem, bool loadMode);

}  // namespace ld::diagram
