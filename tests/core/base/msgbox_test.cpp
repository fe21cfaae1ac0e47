#include <gtest/gtest.h>

#include "core/base/msgbox.h"
#include "support/scripted_msgbox.h"

namespace ld {

TEST(MsgBox, ScriptedProviderAnswersInOrderThenTakesFirstButton) {
  test::ScriptedMsgBox box;
  box.Answer(2).Answer(0);
  EXPECT_EQ(ShowMsgForm("Сохранить?", mkWarning, mbYesNoCancel), 2);
  EXPECT_EQ(ShowMsgForm("Продолжить?", mkWarning, mbYesNo), 0);
  EXPECT_EQ(ShowMsgForm("Готово", mkInfo, mbOk), 0);        // "OK" of set 3 is 0
  EXPECT_EQ(ShowMsgForm("Удалить?", mkWarning, mbOkCancel), 1);  // "OK" of set 0 is 1
  ASSERT_EQ(box.Calls().size(), 4u);
  EXPECT_EQ(box.Calls()[0].text, "Сохранить?");
  EXPECT_EQ(box.Calls()[2].kind, mkInfo);
  EXPECT_EQ(box.Calls()[3].buttons, mbOkCancel);
}

}  // namespace ld
