#include <gtest/gtest.h>

#include "core/base/msgbox.h"

namespace ld {

// Without a front end the first button answers, whatever value its set gives it.
TEST(MsgBox, WithoutAProviderTheFirstButtonAnswers) {
  const MsgBoxProvider previous = SetMsgBoxProvider({});
  EXPECT_EQ(ShowMsgForm("Готово", mkInfo, mbOk), 0);               // "OK" of set 3 is 0
  EXPECT_EQ(ShowMsgForm("Удалить?", mkWarning, mbOkCancel), 1);    // "OK" of set 0 is 1
  EXPECT_EQ(ShowMsgForm("Сохранить?", mkWarning, mbYesNoCancel), 1);
  SetMsgBoxProvider(previous);
}

}  // namespace ld
