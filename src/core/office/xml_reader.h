#pragma once
// A small event reader over expat for the XML parts of office files. Names are handed over without
// their namespace prefix ("x:c" and "c" are one element), which is all these formats need. A part may
// declare UTF-8, UTF-16, ISO-8859-1 or Windows-1251; the handler always gets UTF-8.
#include <memory>
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

  // A handler that meets content it must refuse sets the reason; the parse then stops and fails.
  const std::string& Failure() const { return failure_; }

protected:
  void Fail(std::string reason) {
    if (failure_.empty()) failure_ = std::move(reason);
  }

private:
  std::string failure_;
};

// Value of an attribute by local name; empty when missing.
std::string_view AttrValue(const std::vector<XmlAttr>& attrs, std::string_view name);

// Parses the whole document; false on malformed XML or when the handler failed.
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
