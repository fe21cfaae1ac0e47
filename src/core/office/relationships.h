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
};

// The <Relationship> children of the part's root, in the root's namespace. Each has an Id of its own: a
// second one of an Id, or one without, leaves which part is meant untold, and the parse fails.
class TRelationships : public XmlHandler {
public:
  std::map<std::string, TRelationship> byId;

  void Start(const XmlName& name, const std::vector<XmlAttr>& attrs) override;
  void End(const XmlName&) override {}
  void Text(std::string_view) override {}

  // The target of the first relationship (by Id) whose type ends in `typeTail` ("/officeDocument");
  // empty when there is none.
  std::string TargetOf(std::string_view typeTail) const;
};

}  // namespace ld::office
