#include "core/office/xml_reader.h"

#include <expat.h>

#include <cctype>
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <type_traits>

#include "core/base/codepage.h"
#include "core/office/zip_part.h"

namespace ld::office {

namespace {

struct Context {
  XML_Parser parser;
  XmlHandler* handler;
  bool namespaces = true;
  std::vector<XmlAttr> attrs;  // kept between elements: a sheet has millions of them
  int depth = 0;               // elements open
  int skipFrom = 0;            // the depth of the element whose content the handler skips; 0: none
  bool stopped = false;        // expat may still hand over an empty element's end once stopped
};

// Expat hands a name over as "<namespace URI><kNsSeparator><local name>", or as the local name alone
// when it has no namespace. A local name never holds the separator; a URI might, so the last one counts.
constexpr XML_Char kNsSeparator = '|';

XmlName SplitName(const Context& context, const char* name) {
  const std::string_view full(name);
  const auto bar = context.namespaces ? full.rfind(kNsSeparator) : std::string_view::npos;
  if (bar == std::string_view::npos) return {{}, full};
  return {full.substr(0, bar), full.substr(bar + 1)};
}

void Stop(Context& context) {
  context.stopped = true;
  XML_StopParser(context.parser, XML_FALSE);
}

void StopOnFailure(Context& context) {
  if (!context.handler->Failure().empty()) Stop(context);
}

}  // namespace

// The callbacks, which alone may count an element's work and mark a declared document type.
struct XmlEvents {
  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto& context = *static_cast<Context*>(data);
    XmlHandler& handler = *context.handler;
    if (context.stopped) return;
    ++handler.work_;
    if (++context.depth > kMaxXmlDepth) {
      handler.tooDeep_ = true;
      Stop(context);
      return;
    }
    if (context.skipFrom != 0) return;
    const XmlName element = SplitName(context, name);
    if (handler.Skips(element)) {
      context.skipFrom = context.depth;
      return;
    }
    std::vector<XmlAttr>& attrs = context.attrs;
    attrs.clear();
    for (int i = 0; atts[i] != nullptr && atts[i + 1] != nullptr; i += 2) {
      const XmlName attr = SplitName(context, atts[i]);
      attrs.push_back({attr.local, std::string_view(atts[i + 1]), attr.ns});
    }
    if (context.depth == 1) handler.rootNs_ = std::string(element.ns);
    Locate(context, context.depth);
    handler.Start(element, attrs);
    StopOnFailure(context);
  }

  static void XMLCALL OnEnd(void* data, const XML_Char* name) {
    auto& context = *static_cast<Context*>(data);
    if (context.stopped) return;
    const int depth = context.depth--;
    if (context.skipFrom != 0) {
      if (depth == context.skipFrom) context.skipFrom = 0;
      return;
    }
    Locate(context, depth);
    context.handler->End(SplitName(context, name));
    StopOnFailure(context);
  }

  static void XMLCALL OnText(void* data, const XML_Char* text, int len) {
    auto& context = *static_cast<Context*>(data);
    if (context.stopped || context.skipFrom != 0) return;
    Locate(context, context.depth);
    context.handler->Text(std::string_view(text, static_cast<std::size_t>(len)));
    StopOnFailure(context);
  }

  static void XMLCALL OnDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
    auto& context = *static_cast<Context*>(data);
    if (context.stopped || encoding == nullptr) return;
    context.handler->Declared(encoding);
    StopOnFailure(context);
  }

  // Where the event being handed over stands: its bytes in the part, and its depth (an element's own,
  // a text's that of the element holding it).
  static void Locate(const Context& context, int depth) {
    const XML_Index at = XML_GetCurrentByteIndex(context.parser);
    const int length = XML_GetCurrentByteCount(context.parser);
    context.handler->eventAt_ = at < 0 ? 0 : static_cast<std::uint64_t>(at);
    context.handler->eventLength_ = length < 0 ? 0 : static_cast<std::size_t>(length);
    context.handler->depth_ = depth;
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

  static void Refuse(Context& context) {
    context.handler->documentType_ = true;
    Stop(context);
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
    if (attr.ns.empty() && attr.name == name) return attr.value;
  return {};
}

bool AttrValue(const std::vector<XmlAttr>& attrs, std::string_view ns, std::string_view name, std::string_view& value) {
  for (const XmlAttr& attr : attrs)
    if (attr.ns == ns && attr.name == name) {
      value = attr.value;
      return true;
    }
  return false;
}

struct XmlStream::State {
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parser;
  Context context{};
  TFileScaledBudget* work = nullptr;
  std::uint64_t counted = 0;  // of the handler's work, what was taken from the budget
  bool sound = true;
};

XmlStream::XmlStream(XmlHandler& handler, TFileScaledBudget* work, TXmlNames names)
    : state_(std::make_unique<State>()) {
  // No encoding forced: the part's declaration decides, UTF-8 when it declares none.
  const bool namespaces = names == TXmlNames::Namespaces;
  state_->parser.reset(namespaces ? XML_ParserCreateNS(nullptr, kNsSeparator) : XML_ParserCreate(nullptr));
  state_->work = work;
  if (!state_->parser) {
    state_->sound = false;
    return;
  }
  XML_Parser parser = state_->parser.get();
  state_->context.parser = parser;
  state_->context.handler = &handler;
  state_->context.namespaces = namespaces;
  XML_SetUserData(parser, &state_->context);
  XML_SetElementHandler(parser, XmlEvents::OnStart, XmlEvents::OnEnd);
  XML_SetCharacterDataHandler(parser, XmlEvents::OnText);
  XML_SetXmlDeclHandler(parser, XmlEvents::OnDeclaration);
  XML_SetStartDoctypeDeclHandler(parser, XmlEvents::OnDoctype);
  XML_SetEntityDeclHandler(parser, XmlEvents::OnEntity);
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetUnknownEncodingHandler(parser, OnUnknownEncoding, nullptr);
}

XmlStream::~XmlStream() = default;

bool XmlStream::Parse(std::string_view piece, bool last) {
  state_->sound = XML_Parse(state_->parser.get(), piece.data(), static_cast<int>(piece.size()), last ? 1 : 0) ==
                      XML_STATUS_OK &&
                  state_->context.handler->Failure().empty();
  if (state_->work != nullptr) {
    const std::uint64_t work = state_->context.handler->Work();
    state_->work->Take(work - state_->counted);
    state_->counted = work;
  }
  return state_->sound;
}

bool XmlStream::Feed(std::string_view piece) {
  // Work is taken piece by piece, so a flood of elements is stopped near where it passes the bound.
  const std::size_t most = state_->work != nullptr ? std::size_t{1} << 16 : static_cast<std::size_t>(INT_MAX);
  while (state_->sound && !piece.empty()) {
    const std::size_t n = std::min(piece.size(), most);
    Parse(piece.substr(0, n), false);
    piece.remove_prefix(n);
  }
  return state_->sound;
}

bool XmlStream::Finish() {
  if (state_->sound) Parse({}, true);
  return state_->sound;
}

std::string DocumentTypeRefusal(const std::string& part) {
  return "файл поврежден (в части \"" + part + "\" объявлен тип документа)";
}

std::string StructureRefusal(const std::string& part, const XmlHandler& handler) {
  if (handler.DeclaresDocumentType()) return DocumentTypeRefusal(part);
  if (handler.TooDeep())
    return "файл поврежден (в части \"" + part + "\" элементы вложены глубже " + std::to_string(kMaxXmlDepth) +
           " уровней)";
  return {};
}

bool ParseXml(const std::string& document, XmlHandler& handler) {
  XmlStream stream(handler);
  return stream.Feed(document) && stream.Finish();
}

}  // namespace ld::office
