#pragma once
// The one message box of the system. The core calls ShowMsgForm; the front end installs the real dialog,
// tests install a scripted provider that answers and records.
#include <functional>
#include <string>

namespace ld {

// Kinds: captions "Ошибка", "Предупреждение", "Информация".
enum MsgKind : int { mkError = 0, mkWarning = 1, mkInfo = 2 };

// Button sets and their results:
//  0: "OK" -> 1, "Отменить" -> 0
//  1: "Да" -> 1, "Нет" -> 0
//  2: "Да" -> 1, "Нет" -> 0, "Отмена" -> 2
//  3: "OK" -> 0
enum MsgButtons : int { mbOkCancel = 0, mbYesNo = 1, mbYesNoCancel = 2, mbOk = 3 };

using MsgBoxProvider = std::function<int(const std::string& text, int kind, int buttons)>;

// Shows the message box and returns the value of the button pressed.
int ShowMsgForm(const std::string& text, int kind, int buttons);

// Installs a provider and returns the one installed before (empty for the default).
MsgBoxProvider SetMsgBoxProvider(MsgBoxProvider provider);

// The answer of the first button of a set: what the default provider (no front end) returns.
int FirstButtonResult(int buttons);

}  // namespace ld
