// The menu "Оптимизация": the guard before the locks, the locks held while an optimisation window is
// open, and the views read anew only after a write.
#include <QPushButton>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/tables/table_file.h"
#include "gui/optim/r_form.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class OptimisationCommands : public RegimeWindow {
protected:
  OptimisationCommands() {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10.5f;
    const double loads[] = {0.5, 2.0, 0.1, 0.1};
    for (int ns = 2; ns <= 5; ++ns) s.Node(ns, "", loads[ns - 2], loads[ns - 2] / 2).Um = 10;
    s.Branch(1, 2, 1.0, 1.6);
    s.Branch(2, 3, 1.0, 1.6);
    s.Branch(1, 4, 0.4, 0.8);
    s.Branch(4, 5, 0.4, 0.8);
    s.Branch(3, 5, 0.2, 0.4).Commut = "Н";  // the heavy node 3 fed the long way
    OpenScheme(s, "Кольцо");
  }
  std::string GridCommut(int row) {
    const char c = GetColumnAs<DAChar>("Commut", *form->DataGrid().GetTable())->Get(row);
    return c == 0 ? "" : Cp1251ToUtf8(std::string(1, c));
  }
};

TEST_F(OptimisationCommands, GuardFirstThenLocksAndTheBranchTableReadAfterAWrite) {
  form->LinesItem->trigger();
  ASSERT_EQ(Label(), "Ветви схемы");
  // An unsaved edit of the branch table: the grid holds its own lock until it saves.
  form->DataGrid().LockOnce();
  ASSERT_FALSE(NoLocks());

  // Saved first, then locked for the window; closed without writing: nothing read anew.
  const int shown = script.Shown();
  box.Answer(1);
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Оптимизация разрывов");
    EXPECT_TRUE(fs::exists(path + ".UZL~"));
    EXPECT_TRUE(fs::exists(path + ".VET~"));
    Press(d, "QuitBtn");
  });
  form->RazrezItem->trigger();
  EXPECT_EQ(script.Shown(), shown + 1);
  EXPECT_EQ(box.Texts().size(), 1u) << box.Texts().back();
  EXPECT_TRUE(NoLocks());
  EXPECT_EQ(GridCommut(5), "Н");

  // Run and write: the branch table shown is the one written.
  script.Then([&](QDialog& d) {
    Press(d, "OptimBtn");
    Press(d, "WriteBtn");
    Press(d, "QuitBtn");
  });
  form->RazrezItem->trigger();
  EXPECT_TRUE(NoLocks());
  TDataFile b;
  ReadTableFile(path + ".VET", b);
  const char written = GetColumnAs<DAChar>("Commut", b)->Get(5);
  EXPECT_EQ(written, 0);  // the cut left the weak tie
  EXPECT_EQ(GridCommut(5), "");
  int open = 0;
  for (int row = 1; row <= 5; ++row) open += GridCommut(row).empty() ? 0 : 1;
  EXPECT_EQ(open, 1);
}

}  // namespace
}  // namespace ld::test
