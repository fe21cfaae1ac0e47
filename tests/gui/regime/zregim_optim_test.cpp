// The menu "Оптимизация": the guard before the locks, the locks held while an optimisation window is
// open, and the views read anew only after a write.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

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

// The open-point window reads the scheme silently: what keeps it from a model must come out as a message
// instead of a window over nothing, and the command's locks go either way.
TEST_F(RegimeWindow, OpenPointsOfASchemeThatCannotBeModelledNameTheFaultAndOpenNoWindow) {
  SchemeBuilder s = TwoNodes();
  s.Nodes[0].Sign = "";  // no balancing node
  OpenScheme(s);
  box.Clear();
  const int shown = script.Shown();
  form->RazrezItem->trigger();
  EXPECT_EQ(script.Shown(), shown);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"В схеме \"Два узла\" нет балансирующих пунктов"});
  EXPECT_TRUE(NoLocks());

  box.Clear();
  std::ofstream(path + ".VET", std::ios::binary | std::ios::trunc) << "не таблица ветвей";
  form->RazrezItem->trigger();
  EXPECT_EQ(script.Shown(), shown);
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Texts()[0].rfind("Ошибка чтения файла \"" + path + ".VET\"", 0), 0u) << box.Texts()[0];
  EXPECT_TRUE(NoLocks());
}

// The sample of the program folder with the voltage classes shipped beside it, as a newcomer opens it.
class ShippedSample : public RegimeWindow {
protected:
  ShippedSample() {
    for (const char* file : {"Пример.UZL", "Пример.VET", "sprav_UN.cat"})
      fs::copy_file(DataDir() / file, dir / file, fs::copy_options::overwrite_existing);
    ReadNominalVoltageList();
    Open(dir / "Пример");
    path = dir / "Пример";
  }
  std::string Protocol() const {
    std::ifstream in(path + ".RGM", std::ios::binary);
    return Cp1251ToUtf8(std::string(std::istreambuf_iterator<char>(in), {}));
  }
};

TEST_F(ShippedSample, OpenPointsMoveToThePublishedOptimumAndTheProtocolShowsIt) {
  Calculate();
  EXPECT_EQ(Protocol().find("завышены"), std::string::npos) << Protocol();
  EXPECT_NEAR(FileNumber(".VET", "Ul", 1), 12.66, 1e-5);  // the sample's own class

  std::string result;
  script.Then([&](QDialog& d) {
    Press(d, "OptimBtn");
    result = Child<QLabel>(d, "PLabel").text().toStdString() + "; " + Child<QLabel>(d, "OptLabel").text().toStdString();
    Press(d, "WriteBtn");
    Press(d, "QuitBtn");
  });
  form->RazrezItem->trigger();
  // The window compares losses rounded to the accuracy of the settings: 1e-3 MW.
  EXPECT_EQ(result, "dP = 140.000 кВт; Оптимизация = 63.0 кВт");
  const TDataFile b = Table(".VET");
  std::string open;
  for (int row = 1; row <= b.RowCount; ++row)
    if (GetColumnAs<DAChar>("Commut", b)->Get(row) != 0)
      open += std::to_string(GetColumnAs<DALongint>("N2", b)->Get(row)) + "-" +
              std::to_string(GetColumnAs<DALongint>("N1", b)->Get(row)) + " ";
  EXPECT_EQ(open, "7-8 9-10 14-15 32-33 25-29 ");  // the published branches 7, 9, 14, 32 and 37

  IniRec.Dimension = 1;  // results in kW
  Calculate();
  const std::string protocol = Protocol();
  EXPECT_NE(protocol.find("139.551"), std::string::npos) << protocol;
  EXPECT_EQ(protocol.find("завышены"), std::string::npos) << protocol;
  EXPECT_NE(form->Memo1->toPlainText().toStdString().find("139.551"), std::string::npos);
}

}  // namespace
}  // namespace ld::test
