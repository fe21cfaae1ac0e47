#pragma once
// The diagram model: a chain of elements that are at once drawn items (a node box, a substation frame,
// a branch with the node at its far end, a ring link) and nodes of the automatic layout. It is built
// from the node and branch tables, never stored, and rebuilt after every change.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ld::diagram {

// Element flags. They are the diagram's own and differ from the engine's element flags of the same
// names (ld::efReversed and the like).
enum : std::uint32_t {
  efOffOwn = 0x1,               // switched off at the element's own (downstream) end
  efOffParent = 0x2,            // switched off at the upstream end
  efReversed = 0x4,             // the table's begin node N1 is the upstream end
  efTransformer = 0x8,          // non-zero Kta or Ktr, or TypEqu beginning with "T" or "RT"
  efReference = 0x10,           // the downstream node is drawn by another element
  efFixedOff = 0x20,            // commutation "Ф"
  efNoSwitchOwn = 0x40,         // switch mark "-" at the own end
  efNoSwitchParent = 0x80,      // switch mark "-" at the upstream end
  efNode = 0x100,               // super-root or node element
  efTapOff = 0x400,             // the node is a tap-off node
  efUnsupplied = 0x800,         // not reachable from any vertex
  efBreakerOwn = 0x1000,        // switch kinds at the own end: "В", "Р", "Н"
  efDisconnectorOwn = 0x2000,
  efLoadSwitchOwn = 0x3000,
  efSwitchOwnMask = 0x3000,
  efBreakerParent = 0x4000,     // switch kinds at the upstream end
  efDisconnectorParent = 0x8000,
  efLoadSwitchParent = 0xC000,
  efSwitchParentMask = 0xC000,
  efSelected = 0x10000,         // the selected node element
  efMarked = 0x20000,           // the marked branch element
  efGroup = 0x40000,            // substation element standing for a group of nodes
  efInSubModel = 0x100000,      // element of a nested model (expanded substation)
  efDamaged = 0x200000,         // commutation "П"
  efLayoutMark = 0x80000000u,   // working mark of the layout
};

// Node number of the super-root and the upstream number of node elements.
inline constexpr std::int32_t kSuperRootNr = -999999999;

using TSect = std::vector<std::int32_t>;

struct SElem;
struct TSchemeModel;
using PSElem = SElem*;
using PSchemeModel = TSchemeModel*;

// One element. Captions hold at most 255 characters; an absent caption differs from an empty one.
// Pointers other than SubModel own nothing. The vectors may be longer than their counts: the count
// fields say how many entries are in use.
struct SElem {
  std::int32_t NodeNr = 0;        // node number (NS); for a branch element its downstream node
  std::int32_t ParentNodeNr = 0;  // branch element: upstream node number; node element: kSuperRootNr
  std::int32_t Section = 0;       // bus section at the own end (an index into the drawing element's Sections)
  std::int32_t ParentSection = 0; // the same at the upstream end, indexed into Parent's Sections
  std::uint32_t Flags = 0;
  std::optional<std::string> Caption;   // node name as built (substation part with grouping)
  std::optional<std::string> Caption2;  // display caption, measured and broken by the layout
  std::optional<std::string> Caption3;  // small-font caption line set by the layout
  PSElem Parent = nullptr;  // nil only in the super-root
  PSElem Target = nullptr;  // reference element: where its node is drawn; unsupplied node element: itself
  PSElem Prev = nullptr;
  PSElem Next = nullptr;
  PSElem Owner = nullptr;   // nested model: the substation element of the outer model
  TSect Sections;           // bus-section numbers, ascending
  TSect SectionNodes;       // node-table row carrying each section
  std::vector<PSElem> Children;
  std::vector<PSElem> UpLinks;
  std::vector<PSElem> DownLinks;
  std::vector<PSElem> SideLinks;
  std::vector<PSElem> SelfLinks;
  std::vector<std::int32_t> TransformerRows;
  std::int32_t GroupMark = 0;
  std::int32_t NodeRow = 0;       // node-table row (from 1) of the element's node
  std::int32_t BranchRow = 0;     // branch-table row (from 1); 0 for node elements
  std::int32_t ChildCount = 0;
  std::int32_t ChildPos = 0;
  std::int32_t UpLinkCount = 0;
  std::int32_t DownLinkCount = 0;
  std::int32_t SideLinkCount = 0;
  std::int32_t SectionCount = 0;
  std::int32_t SelfLinkCount = 0;
  std::int32_t TierPos = 0;
  std::int32_t MarkRow = 0;
  std::int32_t ZRow = 0;
  std::int32_t YRow = 0;
  std::int32_t KtrRow = 0;
  std::int32_t Tier = 0;
  std::int32_t LeftAttach = 0;
  std::int32_t Y = 0;
  std::int32_t Height = 0;
  std::int32_t X1 = 0;
  std::int32_t X2 = 0;
  std::int32_t LinkX = 0;
  std::int32_t BendX1 = 0;
  std::int32_t BendX2 = 0;
  std::unique_ptr<TSchemeModel> SubModel;  // expanded substation: its nested model

  SElem();
  ~SElem();
  SElem(const SElem&) = delete;
  SElem& operator=(const SElem&) = delete;

  bool Has(std::uint32_t flag) const { return (Flags & flag) != 0; }
};

// One model. It owns its elements; First..Last along Next is the chain.
struct TSchemeModel {
  PSElem First = nullptr;  // the super-root
  PSElem Last = nullptr;
  std::vector<PSElem> RefList;     // reference and unsupplied elements, from the chain's end back
  std::vector<PSElem> TargetList;  // the Target of each RefList entry
  std::vector<std::int32_t> TierTracks;          // per tier (layout)
  std::vector<std::int32_t> TierSections;
  std::vector<std::int32_t> TierHeight;
  std::vector<std::int32_t> TierLabelRows;
  std::vector<std::uint8_t> TierHasTransformer;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t LinkLength = 0;

  TSchemeModel();
  ~TSchemeModel();
  TSchemeModel(const TSchemeModel&) = delete;
  TSchemeModel& operator=(const TSchemeModel&) = delete;

  // A zeroed element appended to the chain.
  PSElem Append();
  // Releases every element (nested models included) and the lists; Width and Height stay.
  void Clear();
  bool Empty() const { return First == nullptr; }
  // Number of elements in the chain.
  int Count() const { return static_cast<int>(elems_.size()); }

private:
  std::vector<std::unique_ptr<SElem>> elems_;  // in the order of appending
};

}  // namespace ld::diagram
