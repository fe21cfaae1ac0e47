#pragma once
// A small event reader over expat for the XML parts of office files. Elements are handed over by their
// namespace URI and local name ("x:c" and "c" are one element when their prefixes name one namespace),
// so that a reader can tell its own elements from an extension's of the same local name; attributes by
// their local name, which is all these formats need of them. A part may declare UTF-8, UTF-16,
// ISO-8859-1 or Windows-1251; the handler always gets UTF-8.
//
// No part of an office package declares a document type, and no entity of one is ever expanded: a part
// that declares one is stopped there, before a byte of its declarations is taken in, and fails with
// DeclaresDocumentType() set on its handler (entities expand a few kilobytes into gigabytes).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ld::office {

struct XmlAttr {
  std::string_view name;
  std::string_view value;
};

struct XmlName {
  std::string_view ns;     // the namespace URI; empty for an element of no namespace
  std::string_view local;  // the name without its prefix
};

struct XmlEvents;

class XmlHandler {
public:
  virtual ~XmlHandler() = default;
  virtual void Start(const XmlName& name, const std::vector<XmlAttr>& attrs) = 0;
  virtual void End(const XmlName& name) = 0;
  virtual void Text(std::string_view text) = 0;

  // A handler that meets content it must refuse sets the reason; the parse then stops and fails.
  const std::string& Failure() const { return failure_; }
  // The parse stopped at a document type declaration.
  bool DeclaresDocumentType() const { return documentType_; }
  // What the parse has cost so far: one for each element, and whatever the handler added for what it
  // keeps of one (Spend), for a reader to bound by the file's size.
  std::uint64_t Work() const { return work_; }

protected:
  void Fail(std::string reason) {
    if (failure_.empty()) failure_ = std::move(reason);
  }
  void Spend(std::uint64_t work) { work_ += work; }

private:
  friend struct XmlEvents;
  std::string failure_;
  bool documentType_ = false;
  std::uint64_t work_ = 0;
};

// Value of an attribute by local name; empty when missing.
std::string_view AttrValue(const std::vector<XmlAttr>& attrs, std::string_view name);

// The reason for a part that declares a document type: 'файл поврежден (в части "<part>" объявлен тип
// документа)'.
std::string DocumentTypeRefusal(const std::string& part);

// Parses the whole document; false on malformed XML, a document type declaration or when the handler
// failed.
bool ParseXml(const std::string& document, XmlHandler& handler);

// Parses a document handed over piece by piece, so that a part of any size is read without holding it
// whole. Feed returns false once the XML is malformed or the handler failed; Finish ends the document
// and tells whether all of it was sound.
class XmlStream {
public:
  explicit XmlStream(XmlHandler& handler);
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  bool Feed(std::string_view piece);
  bool Finish();

private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ld::office
