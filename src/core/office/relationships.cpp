#include "core/office/relationships.h"

namespace ld::office {

namespace {

enum : int { kRoot, kRelationship };
constexpr TXmlRule kRules[] = {
    {"Relationships", -1, true, false},
    {"Relationship", kRoot, false, false},
};

// The tail of a relationship type after its last slash, for a message: "sharedStrings".
std::string_view Role(std::string_view typeTail) {
  const auto slash = typeTail.rfind('/');
  return slash == std::string_view::npos ? typeTail : typeTail.substr(slash + 1);
}

}  // namespace

TRelationships::TRelationships()
    : TStructuredPart(kRules, std::size(kRules), {"", "http://schemas.openxmlformats.org/package/2006/relationships"}) {}

void TRelationships::Open(int rule, const std::vector<XmlAttr>& attrs) {
  if (rule != kRelationship) return;
  const std::string id(AttrValue(attrs, "Id"));
  if (id.empty()) {
    Fail("у связи " + std::to_string(byId.size() + 1) + " нет Id");
    return;
  }
  TRelationship rel{std::string(AttrValue(attrs, "Type")), std::string(AttrValue(attrs, "Target")),
                    AttrValue(attrs, "TargetMode") == "External"};
  if (!byId.emplace(id, std::move(rel)).second) Fail("две связи с Id \"" + id + "\"");
}

std::string TRelationships::Outside(const std::string& id, const TRelationship& rel) {
  return rel.external ? "связь \"" + id + "\" ведет за пределы файла (\"" + rel.target + "\")" : std::string();
}

const TRelationship* TRelationships::Single(std::string_view typeTail, std::string& damage) const {
  const TRelationship* found = nullptr;
  const std::string* foundId = nullptr;
  for (const auto& [id, rel] : byId) {
    if (!std::string_view(rel.type).ends_with(typeTail)) continue;
    if (found != nullptr) {
      damage = "две связи \"" + std::string(Role(typeTail)) + "\": \"" + *foundId + "\" и \"" + id + "\"";
      return nullptr;
    }
    found = &rel;
    foundId = &id;
  }
  if (found != nullptr) {
    damage = Outside(*foundId, *found);
    if (!damage.empty()) return nullptr;
  }
  return found;
}

}  // namespace ld::office
