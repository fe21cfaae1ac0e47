#pragma once
// The messages of one import. A damaged or odd file can give a message for every cell or every item of
// a list; a person reads the first ones, and millions of lines would only cost memory. So an import keeps
// the first kMaxImportMessages of its own messages and counts the rest in one closing line.
#include <cstddef>
#include <string>
#include <type_traits>
#include <vector>

namespace ld {

inline constexpr std::size_t kMaxImportMessages = 1000;

// Adds an import's messages to a list (which may hold lines from before the import: they are not
// counted). Past `most` messages of this import the rest are only counted; Finish, or the destructor,
// then adds the line "Еще сообщений не показано: <n>".
class TImportMessages {
public:
  explicit TImportMessages(std::vector<std::string>& out, std::size_t most = kMaxImportMessages)
      : out_(out), most_(most) {}
  ~TImportMessages() { Finish(); }
  TImportMessages(const TImportMessages&) = delete;
  TImportMessages& operator=(const TImportMessages&) = delete;

  void Add(std::string message) {
    if (added_ < most_) {
      out_.push_back(std::move(message));
      ++added_;
    } else {
      ++dropped_;
    }
  }
  // Whether the next message is kept: past `most`, Add only counts it.
  bool Keeps() const { return added_ < most_; }
  // The message that make() gives, made only when it is kept, and otherwise only counted: a file that
  // gives a message for each of a million cells costs no million texts.
  template <typename Make>
    requires std::is_invocable_r_v<std::string, Make&>
  void Add(Make&& make) {
    if (Keeps())
      Add(std::string(make()));
    else
      ++dropped_;
  }
  // The closing line, once, when messages were left out.
  void Finish() {
    if (dropped_ == 0) return;
    out_.push_back("Еще сообщений не показано: " + std::to_string(dropped_));
    dropped_ = 0;
  }
  std::size_t Added() const { return added_; }

private:
  std::vector<std::string>& out_;
  std::size_t most_;
  std::size_t added_ = 0;
  std::size_t dropped_ = 0;
};

}  // namespace ld
