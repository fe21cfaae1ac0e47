#include "support/scripted_msgbox.h"

#include <utility>

namespace ld::test {

ScriptedMsgBox::ScriptedMsgBox() {
  previous_ = SetMsgBoxProvider([this](const std::string& text, int kind, int buttons) {
    calls_.push_back({text, kind, buttons});
    if (answers_.empty()) return FirstButtonResult(buttons);
    const int result = answers_.front();
    answers_.pop_front();
    return result;
  });
}

ScriptedMsgBox::~ScriptedMsgBox() { SetMsgBoxProvider(std::move(previous_)); }

ScriptedMsgBox& ScriptedMsgBox::Answer(int result) {
  answers_.push_back(result);
  return *this;
}

std::vector<std::string> ScriptedMsgBox::Texts() const {
  std::vector<std::string> texts;
  for (const auto& call : calls_) texts.push_back(call.text);
  return texts;
}

}  // namespace ld::test
