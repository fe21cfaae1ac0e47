#pragma once
// The cases files of the test-data corpora: objects, arrays, texts and numbers, as the corpora write them.
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ld::test {

struct TJson {
  enum TKind { Null, Bool, Number, Text, Array, Object } Kind = Null;
  double Value = 0;
  std::string String;
  std::vector<TJson> Items;
  std::vector<std::pair<std::string, TJson>> Members;

  const TJson* Find(std::string_view key) const {
    for (const auto& [k, v] : Members)
      if (k == key) return &v;
    return nullptr;
  }
  std::string TextOf(std::string_view key) const {
    const TJson* v = Find(key);
    return v && v->Kind == Text ? v->String : std::string();
  }
};

class TJsonReader {
public:
  explicit TJsonReader(std::string text) : s_(std::move(text)) {}
  TJson Read() {
    Blanks();
    TJson v;
    const char c = s_.at(at_);
    if (c == '{') {
      v.Kind = TJson::Object;
      ++at_;
      while (Next() != '}') {
        if (s_[at_] == ',') ++at_, Blanks();
        std::string key = String();
        Blanks();
        ++at_;  // ':'
        v.Members.emplace_back(std::move(key), Read());
        Blanks();
      }
      ++at_;
    } else if (c == '[') {
      v.Kind = TJson::Array;
      ++at_;
      while (Next() != ']') {
        if (s_[at_] == ',') ++at_;
        v.Items.push_back(Read());
        Blanks();
      }
      ++at_;
    } else if (c == '"') {
      v.Kind = TJson::Text;
      v.String = String();
    } else if (s_.compare(at_, 4, "true") == 0 || s_.compare(at_, 5, "false") == 0 || s_.compare(at_, 4, "null") == 0) {
      v.Kind = c == 'n' ? TJson::Null : TJson::Bool;
      v.Value = c == 't';
      at_ += c == 'f' ? 5 : 4;
    } else {
      v.Kind = TJson::Number;
      const auto [end, ec] = std::from_chars(s_.data() + at_, s_.data() + s_.size(), v.Value);
      if (ec != std::errc()) throw std::runtime_error("cases.json: no value at " + std::to_string(at_));
      at_ = static_cast<std::size_t>(end - s_.data());
    }
    return v;
  }

private:
  void Blanks() {
    while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
  }
  char Next() {
    Blanks();
    return s_.at(at_);
  }
  static void Utf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  unsigned Hex4() {
    const unsigned code = static_cast<unsigned>(std::stoul(s_.substr(at_, 4), nullptr, 16));
    at_ += 4;
    return code;
  }
  std::string String() {
    std::string out;
    ++at_;  // '"'
    while (s_.at(at_) != '"') {
      if (s_[at_] != '\\') {
        out += s_[at_++];
        continue;
      }
      const char e = s_.at(++at_);
      ++at_;
      switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          unsigned code = Hex4();
          if (code >= 0xD800 && code < 0xDC00 && s_.compare(at_, 2, "\\u") == 0) {
            at_ += 2;
            code = 0x10000 + ((code - 0xD800) << 10) + (Hex4() - 0xDC00);
          }
          Utf8(out, code);
          break;
        }
        default: out += e;
      }
    }
    ++at_;
    return out;
  }

  std::string s_;
  std::size_t at_ = 0;
};

}  // namespace ld::test
