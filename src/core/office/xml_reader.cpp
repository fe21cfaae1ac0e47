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
  std::string head;            // the part's first bytes, up to three: whether a byte-order mark opens it
  bool utf8Mark = false;       // the part begins with the byte-order mark of UTF-8
  std::uint64_t events = 0;    // elements begun and ended and texts handed over, to tell a parse that stalls
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
    ++context.events;
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
    // the root's namespace is the part's own, which tells the elements to skip below the root; the root
    // itself is never skipped, or a part of another root would read as an empty one without a word
    if (context.depth == 1) handler.rootNs_ = std::string(element.ns);
    if (context.depth > 1 && handler.Skips(element)) {
      context.skipFrom = context.depth;
      return;
    }
    std::vector<XmlAttr>& attrs = context.attrs;
    attrs.clear();
    for (int i = 0; atts[i] != nullptr && atts[i + 1] != nullptr; i += 2) {
      const XmlName attr = SplitName(context, atts[i]);
      attrs.push_back({attr.local, std::string_view(atts[i + 1]), attr.ns});
    }
    Locate(context, context.depth);
    handler.Start(element, attrs);
    StopOnFailure(context);
  }

  static void XMLCALL OnEnd(void* data, const XML_Char* name) {
    auto& context = *static_cast<Context*>(data);
    ++context.events;
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
    ++context.events;
    if (context.stopped || context.skipFrom != 0) return;
    Locate(context, context.depth);
    context.handler->Text(std::string_view(text, static_cast<std::size_t>(len)));
    StopOnFailure(context);
  }

  static void XMLCALL OnDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
    auto& context = *static_cast<Context*>(data);
    if (context.stopped || encoding == nullptr) return;
    XmlHandler& handler = *context.handler;
    handler.Declared(encoding);
    // A byte-order mark tells the encoding before the declaration does: a part that begins with the
    // mark of UTF-8 and declares another encoding was written by something that lost track of it, and
    // read by its declaration "ТП-41" would come out as "РўРџ-41".
    if (handler.failure_.empty() && context.utf8Mark && !IsUtf8Name(encoding))
      handler.failure_ = std::string("в начале части стоит метка кодировки UTF-8, а объявлена кодировка \"") +
                         encoding + "\"";
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
  // Expat scans a token that a piece leaves unfinished (a start tag of megabytes, a long comment) again
  // from its start at every call. So once a call hands nothing over, the bytes wait here until they are
  // as many as were fed since the last call that did: the scans of one token then add up to about twice
  // its length instead of its square over the piece.
  std::string held;
  std::size_t wanted = 0;       // the bytes to hold before the next call; 0: the parse goes on as fed
  std::uint64_t sinceEvent = 0; // bytes fed since the last call that handed something over
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
  const std::uint64_t events = state_->context.events;
  state_->sound = XML_Parse(state_->parser.get(), piece.data(), static_cast<int>(piece.size()), last ? 1 : 0) ==
                      XML_STATUS_OK &&
                  state_->context.handler->Failure().empty();
  if (state_->work != nullptr) {
    const std::uint64_t work = state_->context.handler->Work();
    state_->work->Take(work - state_->counted);
    state_->counted = work;
  }
  state_->sinceEvent += piece.size();
  if (state_->context.events != events) state_->sinceEvent = 0;
  constexpr std::uint64_t kMostHeld = std::uint64_t{1} << 30;
  state_->wanted = state_->sinceEvent == 0 ? 0 : static_cast<std::size_t>(std::min(state_->sinceEvent, kMostHeld));
  return state_->sound;
}

bool XmlStream::Feed(std::string_view piece) {
  Context& context = state_->context;
  if (context.head.size() < 3) {
    context.head.append(piece.substr(0, 3 - context.head.size()));
    context.utf8Mark = context.head == "\xEF\xBB\xBF";
  }
  // Work is taken piece by piece, so a flood of elements is stopped near where it passes the bound.
  const std::size_t most = state_->work != nullptr ? std::size_t{1} << 16 : static_cast<std::size_t>(INT_MAX);
  std::string& held = state_->held;
  while (state_->sound && !piece.empty()) {
    if (state_->wanted == 0) {
      const std::size_t n = std::min(piece.size(), most);
      Parse(piece.substr(0, n), false);
      piece.remove_prefix(n);
      continue;
    }
    const std::size_t n = std::min(piece.size(), state_->wanted - held.size());
    held.append(piece.substr(0, n));
    piece.remove_prefix(n);
    if (held.size() < state_->wanted) break;
    const std::string batch = std::move(held);
    held.clear();
    Parse(batch, false);
  }
  return state_->sound;
}

bool XmlStream::Finish() {
  if (state_->sound) {
    const std::string batch = std::move(state_->held);
    state_->held.clear();
    Parse(batch, true);
  }
  return state_->sound;
}

std::string DocumentTypeRefusal(const std::string& part) {
  return "файл поврежден (в части \"" + part + "\" объявлен тип документа)";
}

bool IsUtf8Name(std::string_view encoding) { return EqualNoCaseAscii(encoding, "UTF-8") || EqualNoCaseAscii(encoding, "UTF8"); }

std::string StructureRefusal(const std::string& part, const XmlHandler& handler) {
  if (handler.DeclaresDocumentType()) return DocumentTypeRefusal(part);
  if (handler.TooDeep())
    return "файл поврежден (в части \"" + part + "\" элементы вложены глубже " + std::to_string(kMaxXmlDepth) +
           " уровней)";
  return {};
}

TStructuredPart::TStructuredPart(const TXmlRule* rules, std::size_t count, std::vector<std::string_view> namespaces)
    : rules_(rules), count_(count), namespaces_(std::move(namespaces)) {
  // the once-coming children of an element are told apart by a bit of one word
  if (count_ > 64) count_ = 64;
  lastChild_.assign(count_, 0);
}

namespace {

// Names are a few letters long: compared in place rather than by a call.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

int TStructuredPart::Find(int parent, std::string_view local) {
  const int last = lastChild_[static_cast<std::size_t>(parent)];
  if (last != 0 && SameName(rules_[last].local, local)) return last;
  for (std::size_t i = 1; i < count_; ++i)
    if (rules_[i].parent == parent && SameName(rules_[i].local, local)) {
      lastChild_[static_cast<std::size_t>(parent)] = static_cast<int>(i);
      return static_cast<int>(i);
    }
  return -1;
}

bool TStructuredPart::Known(std::string_view local) const {
  for (std::size_t i = 0; i < count_; ++i)
    if (SameName(rules_[i].local, local)) return true;
  return false;
}

bool TStructuredPart::Skips(const XmlName& name) const {
  return name.ns != RootNamespace() || SameName(name.local, "extLst");
}

void TStructuredPart::Misplaced(std::string_view local, int parent, std::string_view parentName) {
  Fail("элемент \"" + std::string(local) + "\" внутри \"" +
       std::string(parent >= 0 ? rules_[parent].local : parentName) + "\", где его быть не может");
}

void TStructuredPart::Start(const XmlName& name, const std::vector<XmlAttr>& attrs) {
  if (open_.empty()) {
    if (count_ == 0 || name.local != rules_[0].local) {
      Fail("корневой элемент части \"" + std::string(name.local) + "\", а не \"" +
           std::string(count_ == 0 ? std::string_view() : rules_[0].local) + "\"");
      return;
    }
    if (std::find(namespaces_.begin(), namespaces_.end(), name.ns) == namespaces_.end()) {
      Fail("корневой элемент \"" + std::string(name.local) + "\" в чужом пространстве имен \"" +
           std::string(name.ns) + "\"");
      return;
    }
    open_.push_back({0});
    Open(0, attrs);
    return;
  }
  TOpen& parent = open_.back();
  const int rule = parent.rule < 0 ? -1 : Find(parent.rule, name.local);
  if (rule < 0) {
    if (Known(name.local)) {
      const std::string_view parentName = parent.rule < 0 ? std::string_view(unknownNames_[unknown_ - 1]) : "";
      Misplaced(name.local, parent.rule, parentName);
      // the place is damage whatever the reader had to say of it
      if (Failure().empty()) TStructuredPart::Misplaced(name.local, parent.rule, parentName);
      return;
    }
    if (unknown_ < unknownNames_.size())
      unknownNames_[unknown_].assign(name.local);
    else
      unknownNames_.emplace_back(name.local);
    ++unknown_;
    open_.push_back({-1});
    return;
  }
  if (rules_[rule].once) {
    const std::uint64_t bit = std::uint64_t{1} << rule;
    if (parent.seen & bit) {
      Fail("второй элемент \"" + std::string(name.local) + "\" внутри \"" + std::string(rules_[parent.rule].local) + "\"");
      return;
    }
    parent.seen |= bit;
  }
  open_.push_back({rule});
  Open(rule, attrs);
}

void TStructuredPart::End(const XmlName&) {
  if (open_.empty()) return;
  const int rule = open_.back().rule;
  open_.pop_back();
  if (rule < 0)
    --unknown_;
  else
    Close(rule);
}

void TStructuredPart::Text(std::string_view text) {
  if (open_.empty()) return;
  const int rule = open_.back().rule;
  if (rule < 0) return;  // the text of an element the reader has no use for
  if (rules_[rule].text) {
    Content(rule, text);
    return;
  }
  // blank space between elements is no text
  if (text.find_first_not_of(" \t\r\n") != std::string_view::npos)
    Fail("текст прямо внутри элемента \"" + std::string(rules_[rule].local) + "\"");
}

bool ParseXml(const std::string& document, XmlHandler& handler) {
  XmlStream stream(handler);
  return stream.Feed(document) && stream.Finish();
}

}  // namespace ld::office
