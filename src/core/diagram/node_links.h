#pragma once
// The branches of one node, or of every node of a substation, in the regime engine's model, with the
// shown mark that says which of them the diagram draws.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/dynarray.h"
#include "core/engine/regime.h"

namespace ld {

// The caption of an element by the engine's caption mode: 0 the number, 1 the name, 2 the number, a
// blank and the name (the number alone when the name is empty).
std::string LinkCaption(int nameMode, const TRegimeElement* element);

// A bus-section node: the part of its name after the first "." up to the next "." begins with 1 to 9.
bool IsSectionName(std::string_view name);

struct TNodeLinkItem {
  std::string Text;
  TRegimeElement* Branch = nullptr;
  bool Checked = false;
};

// Marks the branch elements of the shown branch rows, then lists the branches of the nodes that the
// text finds: each by its far end's caption, and, with groupByName and sections, a substation's inner
// branch that has a section node at an end as "name - name" (names by node row from nodeNames).
// caption: the caption of the last node found.
std::vector<TNodeLinkItem> CollectNodeLinks(TRegime& engine, const std::string& nodeText, const DAString& nodeNames,
                                            bool sections, bool groupByName,
                                            const std::vector<std::int32_t>& shownBranches, std::string& caption);

// Each item's branch element is marked shown when the item is checked and unmarked otherwise.
void ApplyNodeLinks(const std::vector<TNodeLinkItem>& items);

}  // namespace ld
