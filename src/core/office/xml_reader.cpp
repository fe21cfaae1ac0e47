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

// Expat hands a name over as "<namespace URI><kNsSeparator><local name>", or as the local name alone
// when it has no namespace. A local name never holds the separator; a URI might, so the last one counts.
constexpr XML_Char kNsSeparator = '|';

XmlName SplitName(const char* name) {
  const std::string_view full(name);
  const auto bar = full.rfind(kNsSeparator);
  if (bar == std::string_view::npos) return {{}, full};
  return {full.substr(0, bar), full.substr(bar + 1)};
}

void StopOnFailure(const Context& context) {
  if (!context.handler->Failure().empty()) XML_StopParser(context.parser, XML_FALSE);
}

}  // namespace

// The callbacks, which alone may count an element's work and mark a declared document type.
struct XmlEvents {
  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto& context = *static_cast<Context*>(data);
    std::vector<XmlAttr>& attrs = context.attrs;
    attrs.clear();
    for (int i = 0; atts[i] != nullptr && atts[i + 1] != nullptr; i += 2)
      attrs.push_back({SplitName(atts[i]).local, std::string_view(atts[i + 1])});
    ++context.handler->work_;
    context.handler->Start(SplitName(name), attrs);
    StopOnFailure(context);
  }

  static void XMLCALL OnEnd(void* data, const XML_Char* name) {
    const auto& context = *static_cast<Context*>(data);
    context.handler->End(SplitName(name));
    StopOnFailure(context);
  }

  static void XMLCALL OnText(void* data, const XML_Char* text, int len) {
    const auto& context = *static_cast<Context*>(data);
    context.handler->Text(std::string_view(text, static_cast<std::size_t>(len)));
    StopOnFailure(context);
  }

  // Stopped at "<!DOCTYPE", before any of its declarations is taken in.
  static void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Refuse(*static_cast<Context*>(data));
  }
  // Declarations come only inside a document type, which is refused at its start; should expat still
  // hand one over, no entity is kept.
  static void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                               const XML_Char*, const XML_Char*, const XML_Char*) {
    Refuse(*static_cast<Context*>(data));
  }

  static void Refuse(const Context& context) {
    context.handler->documentType_ = true;
    XML_StopParser(context.parser, XML_FALSE);
  }
};

namespace {

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
  state_->parser.reset(XML_ParserCreateNS(nullptr, kNsSeparator));
  if (!state_->parser) {
    state_->sound = false;
    return;
  }
  XML_Parser parser = state_->parser.get();
  state_->context.parser = parser;
  state_->context.handler = &handler;
  XML_SetUserData(parser, &state_->context);
  XML_SetElementHandler(parser, XmlEvents::OnStart, XmlEvents::OnEnd);
  XML_SetCharacterDataHandler(parser, XmlEvents::OnText);
  XML_SetStartDoctypeDeclHandler(parser, XmlEvents::OnDoctype);
  XML_SetEntityDeclHandler(parser, XmlEvents::OnEntity);
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
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

std::string DocumentTypeRefusal(const std::string& part) {
  return "файл поврежден (в части \"" + part + "\" объявлен тип документа)";
}

bool ParseXml(const std::string& document, XmlHandler& handler) {
  XmlStream stream(handler);
  return stream.Feed(document) && stream.Finish();
}

}  // namespace ld::office
