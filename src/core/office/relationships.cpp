#include "core/office/relationships.h"

namespace ld::office {

void TRelationships::Start(const XmlName& name, const std::vector<XmlAttr>& attrs) {
  if (Depth() != 2 || name.ns != RootNamespace() || name.local != "Relationship") return;
  const std::string id(AttrValue(attrs, "Id"));
  if (id.empty()) {
    Fail("у связи " + std::to_string(byId.size() + 1) + " нет Id");
    return;
  }
  if (!byId.emplace(id, TRelationship{std::string(AttrValue(attrs, "Type")), std::string(AttrValue(attrs, "Target"))}).second)
    Fail("две связи с Id \"" + id + "\"");
}

std::string TRelationships::TargetOf(std::string_view typeTail) const {
  for (const auto& [id, rel] : byId)
    if (std::string_view(rel.type).ends_with(typeTail)) return rel.target;
  return {};
}

}  // namespace ld::office
