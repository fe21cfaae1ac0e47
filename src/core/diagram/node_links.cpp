#include "core/diagram/node_links.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/base/codepage.h"
#include "core/engine/select.h"

namespace ld {

std::string LinkCaption(int nameMode, const TRegimeElement* element) {
  const std::string number = std::to_string(element->Number);
  if (nameMode == 0) return number;
  if (nameMode == 1) return element->Name;
  return element->Name.empty() ? number : number + " " + element->Name;
}

bool IsSectionName(std::string_view name) {
  const auto dot = name.find('.');
  if (dot == std::string_view::npos || dot + 1 >= name.size()) return false;
  const char c = name[dot + 1];
  return c >= '1' && c <= '9';
}

std::vector<TNodeLinkItem> CollectNodeLinks(TRegime& engine, const std::string& nodeText, const DAString& nodeNames,
                                            bool sections, bool groupByName,
                                            const std::vector<std::int32_t>& shownBranches, std::string& caption) {
  std::vector<TNodeLinkItem> items;
  caption.clear();
  const std::unordered_set<std::int32_t> shown(shownBranches.begin(), shownBranches.end());
  // The element that carries each node, for the captions of far ends.
  std::unordered_map<std::int32_t, TRegimeElement*> nodeOf;
  std::vector<TRegimeElement*> branches;
  for (TRegimeElement* e = engine.FirstElement; e != nullptr; e = e->Next) {
    if (e->BranchIndex > 0) {
      branches.push_back(e);
      if (shown.contains(e->BranchIndex)) e->Flags |= efSelected;
    }
    if ((e->Flags & efLoopClosing) == 0 && e->NodeIndex > 0) nodeOf.try_emplace(e->Number, e);
  }
  if (engine.Root == nullptr) return items;

  const TCutElementNames cut(engine, nodeText, groupByName);
  const std::string wanted = UpperCase(nodeText);
  std::unordered_set<const TRegimeElement*> inner;
  TRegimeElement* node = nullptr;
  while (FindElementByName(engine, nodeText, engine.NameMode, node)) {
    caption = LinkCaption(engine.NameMode, node);
    const std::int32_t n = node->Number;
    for (TRegimeElement* b : branches) {
      if (b->Number != n && b->Number2 != n) continue;
      const std::int32_t far = b->Number == n ? b->Number2 : b->Number;
      if (far == kRootNumber) continue;
      const auto it = nodeOf.find(far);
      const std::string text = it != nodeOf.end() ? LinkCaption(engine.NameMode, it->second) : std::to_string(far);
      const bool checked = (b->Flags & efSelected) != 0;
      if (UpperCase(text) != wanted) {
        items.push_back({text, b, checked});
        continue;
      }
      if (!groupByName || !sections || it == nodeOf.end() || inner.contains(b)) continue;
      // In the table's order of the ends, whichever of them the search met first.
      const bool nodeIsBegin = (b->Number == n) == ((b->Flags & efReversed) == 0);
      const TRegimeElement* begin = nodeIsBegin ? node : it->second;
      const TRegimeElement* end = nodeIsBegin ? it->second : node;
      const std::string name1 = nodeNames.GetItem(begin->NodeIndex);
      const std::string name2 = nodeNames.GetItem(end->NodeIndex);
      if (!IsSectionName(name1) && !IsSectionName(name2)) continue;
      inner.insert(b);
      items.push_back({name1 + " - " + name2, b, checked});
    }
  }
  return items;
}

void ApplyNodeLinks(const std::vector<TNodeLinkItem>& items) {
  for (const TNodeLinkItem& item : items) {
    if (item.Checked)
      item.Branch->Flags |= efSelected;
    else
      item.Branch->Flags &= ~static_cast<std::uint32_t>(efSelected);
  }
}

}  // namespace ld
