#pragma once
// A small event reader over expat for the XML parts of office files. Names are handed over without
// their namespace prefix ("x:c" and "c" are one element), which is all these formats need.
#include <string>
#include <string_view>
#include <vector>

namespace ld::office {

struct XmlAttr {
  std::string_view name;
  std::string_view value;
};

class XmlHandler {
public:
  virtual ~XmlHandler() = default;
  virtual void Start(std::string_view name, const std::vector<XmlAttr>& attrs) = 0;
  virtual void End(std::string_view name) = 0;
  virtual void Text(std::string_view text) = 0;
};

// Value of an attribute by local name; empty when missing.
std::string_view AttrValue(const std::vector<XmlAttr>& attrs, std::string_view name);

// Parses the whole document; false on malformed XML.
bool ParseXml(const std::string& document, XmlHandler& handler);

}  // namespace ld::office
