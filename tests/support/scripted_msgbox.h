#pragma once
// A message box for tests: answers from a queue and records every call.
#include <deque>
#include <string>
#include <vector>

#include "core/base/msgbox.h"

namespace ld::test {

struct MsgCall {
  std::string text;
  int kind = 0;
  int buttons = 0;
};

class ScriptedMsgBox {
public:
  ScriptedMsgBox();  // installs itself
  ~ScriptedMsgBox();  // puts back the provider installed before
  ScriptedMsgBox(const ScriptedMsgBox&) = delete;
  ScriptedMsgBox& operator=(const ScriptedMsgBox&) = delete;

  // Queues the result of a later call; calls beyond the queue get the first button of their set.
  ScriptedMsgBox& Answer(int result);

  const std::vector<MsgCall>& Calls() const { return calls_; }
  std::vector<std::string> Texts() const;
  void Clear() { calls_.clear(); }

private:
  std::deque<int> answers_;
  std::vector<MsgCall> calls_;
  MsgBoxProvider previous_;
};

}  // namespace ld::test
