#include "core/office/xml_reader.h"

#include <expat.h>

#include <cctype>
#include <algorithm>
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
  std::vector<XmlAttr> attrs;  // kept between elements: a sheet has millions of them
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
  auto& context = *static_cast<Context*>(data);
  std::vector<XmlAttr>& attrs = context.attrs;
  attrs.clear();
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

struct XmlStream::State {
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parser;
  Context context{};
  bool sound = true;
};

XmlStream::XmlStream(XmlHandler& handler) : state_(std::make_unique<State>()) {
  // No encoding forced: the part's declaration decides, UTF-8 when it declares none.
  state_->parser.reset(XML_ParserCreate(nullptr));
  if (!state_->parser) {
    state_->sound = false;
    return;
  }
  XML_Parser parser = state_->parser.get();
  state_->context.parser = parser;
  state_->context.handler = &handler;
  XML_SetUserData(parser, &state_->context);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnText);
  XML_SetUnknownEncodingHandler(parser, OnUnknownEncoding, nullptr);
}

XmlStream::~XmlStream() = default;

bool XmlStream::Feed(std::string_view piece) {
  while (state_->sound && !piece.empty()) {
    const std::size_t n = std::min<std::size_t>(piece.size(), INT_MAX);
    state_->sound = XML_Parse(state_->parser.get(), piece.data(), static_cast<int>(n), 0) == XML_STATUS_OK &&
                    state_->context.handler->Failure().empty();
    piece.remove_prefix(n);
  }
  return state_->sound;
}

bool XmlStream::Finish() {
  if (state_->sound)
    state_->sound = XML_Parse(state_->parser.get(), "", 0, 1) == XML_STATUS_OK &&
                    state_->context.handler->Failure().empty();
  return state_->sound;
}

bool ParseXml(const std::string& document, XmlHandler& handler) {
  XmlStream stream(handler);
  return stream.Feed(document) && stream.Finish();
}

}  // namespace ld::office
