#include "core/office/xml_reader.h"

#include <expat.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <memory>
#include <type_traits>

#include "core/base/codepage.h"

namespace ld::office {

namespace {

struct Context {
  XML_Parser parser;
  XmlHandler* handler;
};

std::string_view LocalName(const char* name) {
  const std::string_view full(name);
  const auto colon = full.rfind(':');
  return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

void StopOnFailure(const Context& context) {
  if (!context.handler->Failure().empty()) XML_StopParser(context.parser, XML_FALSE);
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
  const auto& context = *static_cast<Context*>(data);
  std::vector<XmlAttr> attrs;
  for (int i = 0; atts[i] != nullptr && atts[i + 1] != nullptr; i += 2)
    attrs.push_back({LocalName(atts[i]), std::string_view(atts[i + 1])});
  context.handler->Start(LocalName(name), attrs);
  StopOnFailure(context);
}

void XMLCALL OnEnd(void* data, const XML_Char* name) {
  const auto& context = *static_cast<Context*>(data);
  context.handler->End(LocalName(name));
  StopOnFailure(context);
}

void XMLCALL OnText(void* data, const XML_Char* text, int len) {
  const auto& context = *static_cast<Context*>(data);
  context.handler->Text(std::string_view(text, static_cast<std::size_t>(len)));
  StopOnFailure(context);
}

bool IsCp1251Name(const XML_Char* name) {
  std::string upper;
  for (const char* p = name; *p; ++p) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
  return upper == "WINDOWS-1251" || upper == "CP1251" || upper == "X-CP1251";
}

// Encodings that expat does not know itself: Windows-1251, in which older programs of the district
// wrote their workbooks.
int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (!IsCp1251Name(name)) return XML_STATUS_ERROR;
  for (int byte = 0; byte < 256; ++byte) {
    const char32_t c = Cp1251Char(static_cast<unsigned char>(byte));
    info->map[byte] = c == 0 && byte != 0 ? -1 : static_cast<int>(c);
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
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
  // No encoding forced: the part's declaration decides, UTF-8 when it declares none.
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parser(XML_ParserCreate(nullptr));
  if (!parser) return false;
  Context context{parser.get(), &handler};
  XML_SetUserData(parser.get(), &context);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  XML_SetUnknownEncodingHandler(parser.get(), OnUnknownEncoding, nullptr);
  const bool parsed =
      XML_Parse(parser.get(), document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
  return parsed && handler.Failure().empty();
}

}  // namespace ld::office
