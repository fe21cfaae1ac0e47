#include "model_describe.h"

#include <unordered_map>

namespace ld::diagram::test {

namespace {

std::string Index(const std::unordered_map<const SElem*, int>& index, const SElem* e) {
  if (e == nullptr) return "-";
  const auto it = index.find(e);
  return it == index.end() ? "?" : std::to_string(it->second);
}

std::unordered_map<const SElem*, int> Indices(const TSchemeModel& model) {
  std::unordered_map<const SElem*, int> index;
  int i = 0;
  for (const SElem* e = model.First; e != nullptr; e = e->Next) index[e] = i++;
  return index;
}

}  // namespace

std::vector<std::string> Describe(const TSchemeModel& model) {
  const auto index = Indices(model);
  std::vector<std::string> lines;
  for (const SElem* e = model.First; e != nullptr; e = e->Next) {
    if (e == model.First && e->NodeNr == kSuperRootNr && e->Flags == efNode && e->Parent == nullptr) {
      lines.push_back("root");
      continue;
    }
    std::string flags;
    const std::pair<std::uint32_t, char> letters[] = {
        {efNode, 'N'},  {efReversed, 'V'},  {efReference, 'R'}, {efUnsupplied, 'U'}, {efGroup, 'G'},
        {efTapOff, 'T'}, {efTransformer, 'X'}, {efOffOwn, 'o'},     {efOffParent, 'p'},  {efFixedOff, 'F'},
        {efDamaged, 'D'}, {efNoSwitchOwn, '-'}, {efNoSwitchParent, '='}, {efInSubModel, 'S'}};
    for (const auto& [flag, letter] : letters)
      if (e->Flags & flag) flags += letter;
    if (e->Flags & efSwitchOwnMask) flags += "k" + std::to_string((e->Flags & efSwitchOwnMask) >> 12);
    if (e->Flags & efSwitchParentMask) flags += "K" + std::to_string((e->Flags & efSwitchParentMask) >> 14);
    std::string line = std::to_string(e->NodeNr) + "<" + std::to_string(e->ParentNodeNr) + (flags.empty() ? "" : " ") + flags;
    if (e->Caption) line += " '" + *e->Caption + "'";
    line += " r" + std::to_string(e->NodeRow) + " b" + std::to_string(e->BranchRow) + " s" +
            std::to_string(e->Section) + "/" + std::to_string(e->ParentSection);
    if (e->SectionCount != 0 || !e->Sections.empty()) {
      line += " [";
      for (std::size_t k = 0; k < e->Sections.size(); ++k) line += (k ? "," : "") + std::to_string(e->Sections[k]);
      line += ":";
      for (std::size_t k = 0; k < e->SectionNodes.size(); ++k)
        line += (k ? "," : "") + std::to_string(e->SectionNodes[k]);
      line += "]" + (e->SectionCount == static_cast<int>(e->Sections.size()) ? std::string() : "!count");
    }
    line += " p" + Index(index, e->Parent) + " t" + Index(index, e->Target);
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> DescribeRefs(const TSchemeModel& model) {
  const auto index = Indices(model);
  std::vector<std::string> refs;
  for (std::size_t k = 0; k < model.RefList.size(); ++k)
    refs.push_back(Index(index, model.RefList[k]) + "->" +
                   Index(index, k < model.TargetList.size() ? model.TargetList[k] : nullptr));
  if (model.TargetList.size() != model.RefList.size()) refs.push_back("lists differ in length");
  return refs;
}

}  // namespace ld::diagram::test
