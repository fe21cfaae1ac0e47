#include "core/office/xml_reader.h"

#include <expat.h>

#include <climits>
#include <memory>

namespace ld::office {

namespace {

std::string_view LocalName(const char* name) {
  const std::string_view full(name);
  const auto colon = full.rfind(':');
  return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
  std::vector<XmlAttr> attrs;
  for (int i = 0; atts[i] != nullptr && atts[i + 1] != nullptr; i += 2)
    attrs.push_back({LocalName(atts[i]), std::string_view(atts[i + 1])});
  static_cast<XmlHandler*>(data)->Start(LocalName(name), attrs);
}

void XMLCALL OnEnd(void* data, const XML_Char* name) { static_cast<XmlHandler*>(data)->End(LocalName(name)); }

void XMLCALL OnText(void* data, const XML_Char* text, int len) {
  static_cast<XmlHandler*>(data)->Text(std::string_view(text, static_cast<std::size_t>(len)));
}

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

std::string_view AttrValue(const std::vector<XmlAttr>& attrs, std::string_view name) {
  for (const XmlAttr& attr : attrs)
    if (attr.name == name) return attr.value;
  return {};
}

bool ParseXml(const std::string& document, XmlHandler& handler) {
  if (document.size() > static_cast<std::size_t>(INT_MAX)) return false;
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parser(XML_ParserCreate("UTF-8"));
  if (!parser) return false;
  XML_SetUserData(parser.get(), &handler);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  return XML_Parse(parser.get(), document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
}

}  // namespace ld::office
