#pragma once
// A small event reader over expat for the XML parts of office files. Elements are handed over by their
// namespace URI and local name ("x:c" and "c" are one element when their prefixes name one namespace),
// so that a reader can tell its own elements from an extension's of the same local name; attributes by
// their namespace (none for an unprefixed one) and local name. A part may declare UTF-8, UTF-16,
// ISO-8859-1 or Windows-1251; the handler always gets UTF-8. A part that begins with the byte-order mark
// of UTF-8 and declares another encoding fails, its handler's Failure() saying so.
//
// No part of an office package declares a document type, and no entity of one is ever expanded: a part
// that declares one is stopped there, before a byte of its declarations is taken in, and fails with
// DeclaresDocumentType() set on its handler (entities expand a few kilobytes into gigabytes).
//
// Every element still open costs the parser memory, so a part nesting millions of elements would take
// gigabytes from a file of two megabytes; sound parts nest a few dozen levels. A part nesting deeper than
// kMaxXmlDepth fails with TooDeep() set on its handler.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ld::office {

class TFileScaledBudget;

inline constexpr int kMaxXmlDepth = 256;

struct XmlAttr {
  std::string_view name;   // the local name
  std::string_view value;
  std::string_view ns;     // the namespace URI; empty for an unprefixed attribute
};

struct XmlName {
  std::string_view ns;     // the namespace URI; empty for an element of no namespace
  std::string_view local;  // the name without its prefix (the name as written where namespaces are not read)
};

struct XmlEvents;

class XmlHandler {
public:
  virtual ~XmlHandler() = default;
  virtual void Start(const XmlName& name, const std::vector<XmlAttr>& attrs) = 0;
  virtual void End(const XmlName& name) = 0;
  virtual void Text(std::string_view text) = 0;
  // The encoding that the part's XML declaration names, when it names one.
  virtual void Declared(std::string_view /*encoding*/) {}

  // A handler that meets content it must refuse sets the reason; the parse then stops and fails.
  const std::string& Failure() const { return failure_; }
  // The parse stopped at a document type declaration.
  bool DeclaresDocumentType() const { return documentType_; }
  // The parse stopped at an element nested deeper than kMaxXmlDepth.
  bool TooDeep() const { return tooDeep_; }
  // What the parse has cost so far: one for each element, and whatever the handler added for what it
  // keeps of one (Spend), for a reader to bound by the file's size.
  std::uint64_t Work() const { return work_; }

protected:
  void Fail(std::string reason) {
    if (failure_.empty()) failure_ = std::move(reason);
  }
  void Spend(std::uint64_t work) { work_ += work; }
  // An element whose content, itself included, the handler never sees (an extension's); its elements
  // still count as work and depth. The part's root is always seen, whatever its name.
  virtual bool Skips(const XmlName& /*name*/) const { return false; }
  // Where the element or text being handed over stands in the part, and how many bytes its own markup
  // takes there (0 for the end of an empty-element tag).
  std::uint64_t EventAt() const { return eventAt_; }
  std::size_t EventLength() const { return eventLength_; }
  // How deep the element being handed over stands, the part's root at 1; for a text, the depth of the
  // element holding it.
  int Depth() const { return depth_; }
  // The namespace of the part's root element, which the part's own elements share (an extension's
  // elements may be named alike in a namespace of their own).
  const std::string& RootNamespace() const { return rootNs_; }

private:
  friend struct XmlEvents;
  std::string failure_;
  bool documentType_ = false;
  bool tooDeep_ = false;
  std::uint64_t work_ = 0;
  std::uint64_t eventAt_ = 0;
  std::size_t eventLength_ = 0;
  int depth_ = 0;
  std::string rootNs_;
};

// One element of the structure the format gives a part: its local name in the part's own namespace,
// the element it stands in (the index of that one's rule; -1 for the part's root, which is rule 0), whether
// it may come only once there, and whether it may hold text (which a reader takes or leaves).
struct TXmlRule {
  std::string_view local;
  int parent;
  bool once;
  bool text;
};

// A part read by the structure its format gives it. Its root is rule 0, of one of the namespaces the
// format allows for it; elements of other namespaces, and extension lists of any, are skipped whole with
// their content, however they are named, as no part of the part's own data. An element of the part's own
// namespace stands where a rule puts it, as often as the rule allows; one of the names the rules know
// anywhere else, a second of one that comes once, and text where the rules put none are damage, and the
// parse fails naming them. Elements the rules do not name (those of the format that the reader has no use
// for) are gone through, and an element of the rules found inside one is damage too: a cell inside
// <mergeCells> is never a cell of the sheet.
class TStructuredPart : public XmlHandler {
public:
  // `rules` and `namespaces` outlive the handler; an empty namespace allows a root of none.
  TStructuredPart(const TXmlRule* rules, std::size_t count, std::vector<std::string_view> namespaces);

  void Start(const XmlName& name, const std::vector<XmlAttr>& attrs) final;
  void End(const XmlName& name) final;
  void Text(std::string_view text) final;

protected:
  // The element of rule `rule` opens (after its place was checked), closes; text of one that holds it.
  virtual void Open(int rule, const std::vector<XmlAttr>& attrs) = 0;
  virtual void Close(int /*rule*/) {}
  virtual void Content(int /*rule*/, std::string_view /*text*/) {}
  // An element of a known name out of its place, inside the element of rule `parent` (-1: inside one
  // the rules do not name, `parentName`); fails the parse (a reader may say it better first).
  virtual void Misplaced(std::string_view local, int parent, std::string_view parentName);
  bool Skips(const XmlName& name) const override;

private:
  struct TOpen {
    int rule;                // -1: an element the rules do not name
    std::uint64_t seen = 0;  // the rules of once-coming children met in it, as bits
  };
  int Find(int parent, std::string_view local);
  bool Known(std::string_view local) const;

  const TXmlRule* rules_;
  std::size_t count_;
  // For each rule, the rule of the child met in it last: a sheet's rows hold cell after cell, so the
  // child met last is the one to try first.
  std::vector<int> lastChild_;
  std::vector<std::string_view> namespaces_;
  std::vector<TOpen> open_;
  // The names of the open elements the rules do not name, for a message; the first `unknown_` hold them,
  // the others are kept for their room.
  std::vector<std::string> unknownNames_;
  std::size_t unknown_ = 0;
};

// Value of an attribute of no namespace by its local name; empty when missing.
std::string_view AttrValue(const std::vector<XmlAttr>& attrs, std::string_view name);
// Value of an attribute of a namespace by its local name; whether the element has it.
bool AttrValue(const std::vector<XmlAttr>& attrs, std::string_view ns, std::string_view name, std::string_view& value);

// The reason for a part that declares a document type: 'файл поврежден (в части "<part>" объявлен тип
// документа)'.
std::string DocumentTypeRefusal(const std::string& part);
// The reason for a part that the parser itself refused to go on with (a document type, nesting past
// kMaxXmlDepth): 'файл поврежден (в части "<part>" ...)'; empty when neither stopped it.
std::string StructureRefusal(const std::string& part, const XmlHandler& handler);
// Whether an encoding declaration names UTF-8 ("UTF-8" or "UTF8", in any letter case).
bool IsUtf8Name(std::string_view encoding);

// How names reach the handler: by namespace and local name, or as written (a part whose prefixes are
// kept as they stand, its namespace declarations not checked).
enum class TXmlNames { Namespaces, AsWritten };

// Parses the whole document; false on malformed XML, a document type declaration, nesting past
// kMaxXmlDepth or when the handler failed.
bool ParseXml(const std::string& document, XmlHandler& handler);

// Parses a document handed over piece by piece, so that a part of any size is read without holding it
// whole. Feed returns false once the XML is malformed or the handler failed; Finish ends the document
// and tells whether all of it was sound. With a work budget, the handler's Work() is taken from it as
// the parse goes (at least every 64 KB of the part that holds elements), which throws as the budget's Take
// does. A token that spans many pieces costs about twice its length, however the pieces cut it.
class XmlStream {
public:
  explicit XmlStream(XmlHandler& handler, TFileScaledBudget* work = nullptr, TXmlNames names = TXmlNames::Namespaces);
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  bool Feed(std::string_view piece);
  bool Finish();

private:
  bool Parse(std::string_view piece, bool last);

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ld::office
