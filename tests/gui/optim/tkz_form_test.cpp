// The short-circuit window worked through its buttons, menus, grids and dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <random>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"
#include "gui/diagram/sch_box.h"
#include "gui/diagram/sch_view_form.h"
#include "gui/optim/form_tkz.h"
#include "core/optim/tkz_cases.h"
#include "support/fuzz_mutations.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "support/typing.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using gui::TFormTKZ;

class TkzFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string();
    ProgramDir = dir_.Path().string() + "/";
    IniRec.Path = ProgramDir;
    UserAccess = 1;
    IniRec.RadiusIter = 1;
    // Case A: a load node S made a source behind j0.5 Ω, the fault at the end of a line from it.
    scheme_ = TkzRadiusScheme().Write(dir_.Path(), "сеть");
    IniRec.RadiusTKZ = {scheme_};
    form_ = std::make_unique<TFormTKZ>();
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    IniRec.RadiusTKZ.clear();
    gui::TkzFileName.clear();
  }

  static ModalScript::Step Choose(const std::string& file) {
    return [file](QDialog& d) {
      auto& dialog = static_cast<QFileDialog&>(d);
      const fs::path path(file);
      dialog.setDirectory(QString::fromStdString(path.parent_path().string()));
      Child<QLineEdit>(dialog, "fileNameEdit").setText(QString::fromStdString(path.filename().string()));
      dialog.setResult(QDialog::Accepted);
    };
  }
  QToolButton& Button(const char* name) { return Child<QToolButton>(*form_, name); }
  bool Shown(const char* name) { return Child<QWidget>(*form_, name).isVisibleTo(form_.get()); }
  std::string Data(const std::string& ext) const { return (dir_.Path() / "данные").string() + ext; }

  void FillData() {
    TDataFile& t = *form_->DataGrid().GetTable();
    InsertTableRows(t, 1, 2);
    TTkzSourceCols c;
    FillTkzSourceCols(t, c);
    c.Name->SetItem(1, "S");
    (*c.Sign)[1] = Utf8ToCp1251("С")[0];
    (*c.X)[1] = 0.5f;
    (*c.U)[1] = 10.5f;
    c.Name->SetItem(2, "f");
    (*c.Sign)[2] = Utf8ToCp1251("К")[0];
    form_->DataGrid().SetModified(true);
    form_->DataGrid().Refresh();
  }
  float FaultCurrent() {
    TTkzBranchCols c;
    FillTkzBranchCols(form_->RadiusGrid().table(), c);
    for (int r = 1; r <= c.RowCount; ++r) {
      if (c.Sign->Get(r) == Utf8ToCp1251("К")[0]) return c.Ikz->Get(r);
    }
    return -1;
  }

  TempDir dir_;
  ScriptedMsgBox msg_;
  std::string scheme_;
  std::unique_ptr<TFormTKZ> form_;
};

TEST_F(TkzFormTest, DataSetFromNewToCalculatedAndSaved) {
  const char* const dataButtons[] = {"SaveBtn", "PrintBtn", "RadiusBtn", "GraphBtn", "CalcBtn"};
  EXPECT_TRUE(Button("NewBtn").isEnabled() && Button("OpenBtn").isEnabled());
  for (const char* name : dataButtons) EXPECT_FALSE(Button(name).isEnabled()) << name;
  EXPECT_FALSE(Shown("DataPanel") || Shown("RadiusPanel"));
  EXPECT_EQ(std::pair(form_->ListSch().count(), form_->ListSch().currentIndex()), std::pair(1, -1));
  ASSERT_NE(form_->TkzRegime(), nullptr);
  // The engine lists nodes by number and name and forms no loops of fixed-voltage nodes for this window.
  EXPECT_EQ(form_->TkzRegime()->NameMode, 2);
  EXPECT_FALSE(form_->TkzRegime()->FormPVLoops);

  // A scheme kept under the data set's name survives "Создать" over an existing data set.
  SchemeBuilder other;
  other.Node(1, "B").Name = "X";
  other.Write(dir_.Path(), "данные");
  WriteBytes(Data(".TKD"), ReadBytes(Data(".UZL")));
  {
    ModalScript script;
    script.Then(Choose(Data(".TKD")));
    msg_.Answer(0);  // "Нет": nothing is created
    Button("NewBtn").click();
    EXPECT_TRUE(gui::TkzFileName.empty());
    script.Then(Choose(Data(".TKD")));
    msg_.Answer(1);
    Button("NewBtn").click();
  }
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>(2, "Данные с таким именем уже существует.\nБудут заменены файлы: "
                                                        "данные.TKD (данные т.к.з.).\nПерезаписать ?"));
  EXPECT_EQ(gui::TkzFileName, Data(""));
  EXPECT_TRUE(fs::exists(Data(".UZL")) && fs::exists(Data(".VET")));
  EXPECT_EQ(form_->windowTitle().toStdString(), "Расчет токов трехфазного короткого замыкания - данные");
  for (const char* name : dataButtons) EXPECT_TRUE(Button(name).isEnabled()) << name;
  EXPECT_TRUE(Shown("DataPanel") && Shown("NodePanel"));
  EXPECT_EQ(form_->DataGrid().table().RowCount, 0);

  // The chosen scheme's node names in the node list; the radius and the currents.
  form_->ListSch().setCurrentIndex(0);
  EXPECT_EQ(form_->NodeGrid().table().RowCount, 3);
  EXPECT_EQ(GetCellText(form_->NodeGrid().table(), 3, 1, true), "F");
  // the list's caption whole in a narrow window, as three work windows side by side make it, at the
  // list's own font (2 pixels beside the text)
  form_->resize(640, 620);
  QApplication::processEvents();
  {
    const gui::TDataGrid5& nodes = form_->NodeGrid();
    EXPECT_GT(nodes.height(), 2 * nodes.DefaultRowHeight) << "the data panels have their room";
    const QRect caption = nodes.CellRect(1, 0);
    ASSERT_FALSE(caption.isEmpty());
    EXPECT_GE(caption.width(), QFontMetrics(nodes.font()).horizontalAdvance("Узел схемы") + 4);
    EXPECT_LE(caption.x() + caption.width(), nodes.width());
  }
  FillData();
  msg_.Clear();
  Button("RadiusBtn").click();
  EXPECT_TRUE(msg_.Texts().empty());
  EXPECT_EQ(form_->RadiusGrid().table().RowCount, 3);
  EXPECT_TRUE(form_->RadiusGrid().Modified());
  EXPECT_TRUE(Shown("RadiusPanel") && !Shown("Info") && !Shown("ProgressBar"));
  Button("CalcBtn").click();
  EXPECT_NEAR(FaultCurrent(), 5.8881, 1e-4);
  // both tables as a person sees them, every caption whole, left as a picture to look at
  form_->resize(1400, 620);
  QApplication::processEvents();
  for (gui::TDataGrid5* shown : {&form_->DataGrid(), &form_->RadiusGrid()}) {
    const QFontMetrics metrics(shown->font());
    for (int g = 1; g < shown->ColCount(); ++g) {
      const std::string& title = shown->table().ColTitle[static_cast<std::size_t>(shown->TableColumn(g))];
      EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(title)) + 4, shown->ColWidths()[static_cast<std::size_t>(g)])
          << title;
    }
  }
  EXPECT_TRUE(form_->grab().save(QString::fromStdString(OutputPath("tkz_tables.png").string())));
  form_->RadiusGrid().MoveColumn(1000);  // and the currents at the right end
  QApplication::processEvents();
  EXPECT_TRUE(form_->grab().save(QString::fromStdString(OutputPath("tkz_tables_currents.png").string())));
  form_->RadiusGrid().MoveColumn(-1000);

  // Letters typed into the sign column mark the row.
  gui::TDataGrid5& grid = form_->RadiusGrid();
  grid.GotoRow(3);
  grid.MoveTo(grid.FieldColumn("Sign"), grid.Row());
  const int row = grid.CurrentTableRow();
  EXPECT_EQ(row, 3);
  auto type = [&](const QString& letter) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, letter);
    QApplication::sendEvent(&grid, &press);
  };
  for (const auto& [letter, mark] : {std::pair{"к", 80}, {"е", 16}, {"z", 0}}) {
    type(QString::fromUtf8(letter));
    EXPECT_EQ(grid.table().MarkRec->Get(row), mark) << letter;
  }

  // F9 on a row: the branch parameter dialog over the row, titled by its two nodes.
  grid.GotoRow(2);
  ASSERT_EQ(grid.CurrentTableRow(), 2);
  form_->RadiusGrid().SetModified(false);
  {
    ModalScript script;
    script.Then([](QDialog& d) {
      EXPECT_EQ(d.windowTitle().left(9), "2 S - 3 F");
      EXPECT_EQ(Child<QLineEdit>(d, "REdit").text(), "0.5");
      Child<QLineEdit>(d, "XEdit").setText("0,75");
      QTest::mouseClick(&Child<QPushButton>(d, "OkBtn"), Qt::LeftButton);
    });
    QTest::keyClick(&grid, Qt::Key_F9);
  }
  EXPECT_FLOAT_EQ(GetColumnAs<DAsingle>("X", grid.table())->Get(grid.CurrentTableRow()), 0.75f);
  EXPECT_TRUE(grid.Modified());

  Button("SaveBtn").click();
  EXPECT_FALSE(form_->RadiusGrid().Modified());
  TDataFile saved;
  ReadTableFile(Data(".TKR"), saved);
  EXPECT_EQ(saved.RowCount, 3);

  // "Сохранить как" copies the data set's two files only, not the scheme kept under its name. The radius
  // of the target's data set in other letters is that data set's own file: it is asked about as replaced
  // and written under the name it has, the sources file the target lacks made beside it. "Нет" leaves it
  // and the open data set as they were.
  const std::string otherRadius = (dir_.Path() / "КОПИЯ.TKR").string();
  WriteBytes(otherRadius, ReadBytes(Data(".TKR")));
  msg_.Clear();
  for (const int answer : {0, 1}) {
    ModalScript script;
    script.Then(Choose((dir_.Path() / "копия.TKD").string()));
    msg_.Answer(answer);
    form_->findChild<QAction*>("SaveAsItem")->trigger();
    if (answer == 0) {
      EXPECT_TRUE(gui::TkzFileName == Data("") && fs::exists(otherRadius) && !fs::exists(dir_.Path() / "копия.TKD"));
    }
  }
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>(2, "Данные с таким именем уже существует.\nБудут заменены файлы: "
                                                      "КОПИЯ.TKR (радиус т.к.з.).\nПерезаписать ?"));
  EXPECT_EQ(gui::TkzFileName, (dir_.Path() / "копия").string());
  EXPECT_TRUE(fs::exists(dir_.Path() / "копия.TKD") && !fs::exists(dir_.Path() / "копия.TKR"));
  TDataFile copied;
  ReadTableFile(otherRadius, copied);
  EXPECT_EQ(copied.RowCount, 3);
  EXPECT_FALSE(fs::exists(dir_.Path() / "копия.UZL") || fs::exists(dir_.Path() / "копия.VET"));
  EXPECT_EQ(form_->RadiusGrid().table().RowCount, 3);

  // Engine errors: a radius without any source.
  TDataFile& radius = *form_->RadiusGrid().GetTable();
  TTkzBranchCols c;
  FillTkzBranchCols(radius, c);
  for (int r = 1; r <= c.RowCount; ++r) (*c.Sign)[r] = 0;
  msg_.Clear();
  Button("CalcBtn").click();
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Ошибка расчетов Т.К.З."});
  EXPECT_TRUE(Shown("Info"));
  EXPECT_FALSE(form_->Info().toPlainText().isEmpty());
  EXPECT_EQ(FaultCurrent(), -1);

  // The close query asks both grids and frees the engine.
  form_->DataGrid().SetModified(true);
  msg_.Clear();
  msg_.Answer(2);
  bool canClose = true;
  form_->FormCloseQuery(canClose);
  EXPECT_FALSE(canClose);
  msg_.Answer(0).Answer(0);
  form_->FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  EXPECT_EQ(msg_.Calls().size(), 3u);
  EXPECT_EQ(form_->TkzRegime(), nullptr);
}

// The source table typed into as a person does, the grid painting between the keys; the saved file
// holds the numbers typed, as its single-precision columns hold them.
TEST_F(TkzFormTest, NumbersTypedIntoTheSourceTableAreStoredAsTyped) {
  {
    ModalScript script;
    script.Then(Choose(Data(".TKD")));
    Button("NewBtn").click();
  }
  gui::TDataGrid5& grid = form_->DataGrid();
  QLineEdit* editor = grid.Editor();
  grid.setFocus();
  QTest::keyClick(&grid, Qt::Key_F4);
  const auto type = [&](const char* field, int row, const QString& text) {
    grid.MoveTo(grid.FieldColumn(field), row);
    editor->selectAll();
    TypeIntoCell(editor, text);
  };
  const std::pair<const char*, float> typed[] = {{"0.07", 0.07f}, {"12.66", 12.66f}, {"0,5", 0.5f},
                                                 {"-1.5e-3", -1.5e-3f}, {".5", 0.5f}, {"1.", 1}};
  int row = 1;
  for (const auto& [text, value] : typed) {
    type("Name", row, "S" + QString::number(row));
    type("X", row++, text);
    EXPECT_EQ(editor->text().toStdString(), text);
  }
  type("R", 1, "0.0x7");
  EXPECT_EQ(editor->text(), "0.07");
  type("U", 1, "10.5");
  type("U", 1, "99");
  QTest::keyClick(editor, Qt::Key_Escape);  // the 10.5 typed before stays
  QTest::keyClick(&grid, Qt::Key_F4);
  type("Sign", 1, QString::fromUtf8("К"));
  editor->deselect();
  editor->setCursorPosition(1);
  TypeIntoCell(editor, QString::fromUtf8("С"));  // overtyped, the caret behind the old letter
  EXPECT_EQ(editor->text(), QString::fromUtf8("С"));
  Button("SaveBtn").click();
  EXPECT_TRUE(msg_.Texts().empty());

  TDataFile saved;
  ReadTableFile(Data(".TKD"), saved);
  ASSERT_EQ(saved.RowCount, 6);
  const auto* x = GetColumnAs<DAsingle>("X", saved);
  row = 1;
  for (const auto& [text, value] : typed) EXPECT_EQ(x->Get(row++), value) << text;
  EXPECT_EQ(GetColumnAs<DAsingle>("R", saved)->Get(1), 0.07f);
  EXPECT_EQ(GetColumnAs<DAsingle>("U", saved)->Get(1), 10.5f);
  EXPECT_EQ(GetCellText(saved, 1, FindColumnIndex("Sign", saved), true), "С");
  FreeTable(saved);
}

// On a window narrower than the tool bar, its extension button brings the hidden buttons out.
TEST_F(TkzFormTest, ANarrowWindowsToolBarOpensItsHiddenButtons) {
  auto* bar = form_->findChild<QToolBar*>("ToolBar");
  ASSERT_NE(bar, nullptr);
  form_->resize(220, 400);
  QApplication::processEvents();
  auto* more = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
  ASSERT_TRUE(more && more->isVisible());
  ASSERT_FALSE(Button("GraphBtn").isVisible());
  // the scheme list has a row of its own, which the buttons never push out of the window
  EXPECT_TRUE(form_->ListSch().isVisible());
  // without data the graph button is off, and so is its item
  QTest::mouseClick(more, Qt::LeftButton);
  auto* menu = more->findChild<QMenu*>("OverflowMenu");
  ASSERT_TRUE(menu && menu->isVisible());
  QAction* graph = menu->findChild<QAction*>("GraphBtn");
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(graph->text(), "На графике");
  EXPECT_FALSE(graph->isEnabled());
  menu->close();
  {
    ModalScript script;
    script.Then(Choose(Data(".TKD")));
    Button("NewBtn").click();
  }
  // with data every hidden button works from the menu
  const char* const names[] = {"SaveBtn", "PrintBtn", "RadiusBtn", "CalcBtn", "GraphBtn"};
  int reached = 0;
  for (const char* name : names) {
    if (Button(name).isVisible()) continue;
    int clicks = 0;
    const auto link = QObject::connect(&Button(name), &QToolButton::pressed, [&] { ++clicks; });
    // the command itself is not run: only its button's press is counted
    const auto block = QObject::connect(&Button(name), &QToolButton::pressed, &Button(name), [&] {
      Button(name).blockSignals(true);
    });
    QTest::mouseClick(more, Qt::LeftButton);
    QAction* item = menu->findChild<QAction*>(name);
    ASSERT_TRUE(item && item->isEnabled()) << name;
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
    Button(name).blockSignals(false);
    QObject::disconnect(link);
    QObject::disconnect(block);
    EXPECT_EQ(clicks, 1) << name;
    ++reached;
  }
  EXPECT_GE(reached, 3);
}

// "Сохранить" writes the data set's two tables in one run; where another program changed one of them
// since the window read it, it writes neither and the changes stay in the window.
TEST_F(TkzFormTest, SaveWritesBothTablesInOneRunOrNeither) {
  {
    ModalScript script;
    script.Then(Choose(Data(".TKD")));
    Button("NewBtn").click();
  }
  FillData();
  TDataFile& radius = *form_->RadiusGrid().GetTable();
  InsertTableRows(radius, 1, 1);
  (*GetColumnAs<DAsingle>("X", radius))[1] = 1.25f;
  form_->RadiusGrid().SetModified(true);
  int runs = 0, renamed = 0;
  SetTableRunStepHook([&](TRunStep step) {
    runs += step == TRunStep::Committed;
    renamed += step == TRunStep::Renamed;
  });
  Button("SaveBtn").click();
  SetTableRunStepHook(nullptr);
  EXPECT_TRUE(msg_.Texts().empty());
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(renamed, 2);
  TDataFile saved;
  ReadTableFile(Data(".TKD"), saved);
  EXPECT_EQ(saved.RowCount, 2);
  ReadTableFile(Data(".TKR"), saved);
  EXPECT_EQ(saved.RowCount, 1);
  EXPECT_FALSE(form_->DataGrid().Modified() || form_->RadiusGrid().Modified());
  EXPECT_FALSE(fs::exists(Data(".TKD~")) || fs::exists(Data(".TKR~")));

  const std::string sources = ReadBytes(Data(".TKD"));
  InsertTableRows(*form_->DataGrid().GetTable(), 3, 1);
  (*GetColumnAs<DAsingle>("X", *form_->DataGrid().GetTable()))[3] = 2.5f;
  form_->DataGrid().SetModified(true);
  saved.Title += " (другая программа)";
  WriteTableFile(Data(".TKR"), saved);
  const std::string other = ReadBytes(Data(".TKR"));
  Button("SaveBtn").click();
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{ChangedMeanwhileText(Data(".TKR"))});
  EXPECT_EQ(ReadBytes(Data(".TKD")), sources);
  EXPECT_EQ(ReadBytes(Data(".TKR")), other);
  EXPECT_TRUE(form_->DataGrid().Modified());
  FreeTable(saved);
}

TEST_F(TkzFormTest, SchemeListAndDamagedDataFiles) {
  // A scheme added to the list goes into the settings.
  const std::string second = (dir_.Path() / "вторая").string();
  SchemeBuilder s;
  s.Node(1, "B").Name = "Q";
  s.Write(dir_.Path(), "вторая");
  {
    ModalScript script;
    script.Then(Choose(second + ".UZL"));
    form_->AddSchemeClick();
  }
  ASSERT_EQ(form_->ListSch().count(), 2);
  EXPECT_EQ(IniRec.RadiusTKZ, (std::vector<std::string>{scheme_, second}));
  form_->ListSch().setCurrentIndex(0);
  form_->DeleteSchemeClick();
  EXPECT_EQ(IniRec.RadiusTKZ, std::vector<std::string>{second});
  EXPECT_EQ(form_->ListSch().currentIndex(), -1);
  EXPECT_EQ(form_->NodeGrid().table().RowCount, 0);

  // A valid data set, then damaged copies of it: each either opens or says which file failed, and a
  // failure leaves the window as after its start.
  for (const char* layout : {LayoutTkzSources, LayoutTkzRadius}) CreateEmptyTableFile(Data(GetMaketExtention(layout)), layout, "данные");
  {
    ModalScript script;
    script.Then(Choose(Data(".TKD")));
    form_->OpenClick();
  }
  FillData();
  form_->SaveClick();
  const std::string valid = ReadBytes(Data(".TKD"));
  std::mt19937 random(28);
  int failures = 0;
  for (int i = 0; i < 40; ++i) {
    WriteBytes(Data(".TKD"), Mutate(valid, random));
    msg_.Clear();
    ModalScript script;
    script.Then(Choose(Data(".TKD")));
    form_->OpenClick();
    if (msg_.Texts().empty()) continue;
    ++failures;
    ASSERT_EQ(msg_.Texts().size(), 1u);
    EXPECT_EQ(msg_.Texts()[0].rfind("Ошибка загрузки данных Т.К.З. \"" + Data(".TKD") + "\" : ", 0), 0u)
        << msg_.Texts()[0];
    EXPECT_TRUE(gui::TkzFileName.empty());
    EXPECT_FALSE(Shown("DataPanel"));
    EXPECT_FALSE(Button("SaveBtn").isEnabled());
  }
  EXPECT_GT(failures, 5);
}

TEST_F(TkzFormTest, GraphWritesItsFilesApartIntoTheViewerAndMaximisingKeepsTheToolBar) {
  for (const char* layout : {LayoutTkzSources, LayoutTkzRadius}) CreateEmptyTableFile(Data(GetMaketExtention(layout)), layout, "данные");
  SchemeBuilder beside;
  beside.Node(1, "B").Name = "X";
  beside.Write(dir_.Path(), "данные");
  const std::string besideBytes = ReadBytes(Data(".UZL"));
  {
    ModalScript script;
    script.Then(Choose(Data(".TKD")));
    form_->OpenClick();
  }
  form_->ListSch().setCurrentIndex(0);
  FillData();
  form_->RadiusBtnClick();
  form_->CalcBtnClick();
  std::string shownStem, shownCaption;
  int nodes = 0;
  auto before = gui::SetTkzSchemeViewer([&](const std::string& stem, const std::string& caption) {
    shownStem = stem;
    shownCaption = caption;
    TDataFile t;
    ReadTableFile(stem + GetMaketExtention(LayoutNodes), t);
    nodes = t.RowCount;
  });
  Button("GraphBtn").click();
  gui::SetTkzSchemeViewer(before);
  EXPECT_EQ(shownCaption, "Расчетный радиус К.З. - данные");
  EXPECT_EQ(nodes, 4);
  EXPECT_NE(fs::path(shownStem).parent_path(), dir_.Path());
  EXPECT_FALSE(fs::exists(shownStem + GetMaketExtention(LayoutNodes)));
  EXPECT_EQ(ReadBytes(Data(".UZL")), besideBytes);

  // The program's scheme viewer reads the radius before its files go, shows it at once and keeps its
  // own settings sections.
  const std::string savedConfig = ConfigFileName;
  ConfigFileName = dir_ / "program.ini";
  {
    gui::TSchViewForm view;
    gui::SchViewForm = &view;
    before = gui::SetTkzSchemeViewer(gui::ShowTkzScheme);
    Button("GraphBtn").click();
    gui::SetTkzSchemeViewer(before);
    gui::SchViewForm = nullptr;
    const gui::TSchemBox& box = view.SchBox();
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.windowTitle(), "Расчетный радиус К.З. - данные");
    EXPECT_EQ(box.NodeSet.size(), 4u);
    EXPECT_GT(box.Model->Width, 0);
    EXPECT_EQ(box.tColors, 4);
    EXPECT_FALSE(box.WrapCaptions);
    view.close();
  }
  const std::string ini = ReadBytes(ConfigFileName);
  ConfigFileName = savedConfig;
  for (const char* key : {"[GraphicTKZ]", "[ColorTKZ]", "tColors=4"}) EXPECT_NE(ini.find(key), std::string::npos) << key;
  EXPECT_TRUE(msg_.Texts().empty());

  form_->SetTag(40);
  EXPECT_EQ(gui::TWorkForm::MaximizedRect(form_->screen()->availableGeometry(), form_->Tag()),
            form_->screen()->availableGeometry().adjusted(0, 40, 0, 0));
}

}  // namespace
}  // namespace ld::test
