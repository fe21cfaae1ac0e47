#pragma once
// The relationships part of a package part (its "_rels/<name>.rels"): which parts it names, by Id.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/office/xml_reader.h"

namespace ld::office {

struct TRelationship {
  std::string type;
  std::string target;
  bool external = false;  // TargetMode="External": the target is no part of the package
};

// The <Relationship> children of the part's root <Relationships>, of the package relationships'
// namespace (or of none). Each has an Id of its own: a second one of an Id, or one without, leaves which
// part is meant untold, and the parse fails; so does a root of another name or namespace, and a
// relationship anywhere but under the root.
class TRelationships : public TStructuredPart {
public:
  TRelationships();

  std::map<std::string, TRelationship> byId;

  // The one relationship whose type ends in `typeTail`, for a part of a role that comes once (the main
  // document, the table of texts, the formats): nullptr when there is none, and when there are two or it
  // leads out of the package (a target that is no part of it must never be read as one), also with
  // `damage` set to why.
  const TRelationship* Single(std::string_view typeTail, std::string& damage) const;
  // Why following the relationship would read what is no part of the package; empty when it is one.
  static std::string Outside(const std::string& id, const TRelationship& rel);

protected:
  void Open(int rule, const std::vector<XmlAttr>& attrs) override;
};

}  // namespace ld::office
