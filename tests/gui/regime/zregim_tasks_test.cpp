// The menu "Задачи" of the regime window: each command through its dialogs, locks, messages and what it
// leaves on disk and on screen.
#include <QCheckBox>
#include <QPushButton>
#include <QProgressBar>
#include <QToolButton>
#include <QLineEdit>
#include <QFontMetrics>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

#include <array>
#include <cmath>

#include "core/base/dates.h"
#include "core/base/msgbox.h"
#include "core/engine/regime.h"
#include "core/office/docx.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "gui/diagram/sch_box.h"
#include "gui/grid/grid_exchange.h"
#include "gui/optim/q_form.h"
#include "gui/optim/tt_form.h"
#include "support/raw_table.h"
#include "support/table_rows.h"
#include "support/full_disk.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class RegimeTasks : public RegimeWindow {
protected:
  // A 10.5 kV supply feeding 1 MW + j0.5 Mvar through 1 + j2 Ω.
  static SchemeBuilder Line() {
    SchemeBuilder s;
    s.Title = "Линия";
    Station(s, 1, "ПС-1", "B").Um = 10.5f;
    Station(s, 2, "ТП-2", "", 1, 0.5).Um = 10.5f;
    s.Branch(2, 1, 1, 2).Mark = "АС-70";
    return s;
  }
  // The same line at 10 kV with a capacitance of 100 µS.
  static SchemeBuilder CableLine() {
    SchemeBuilder s = Line();
    for (NodeSpec& n : s.Nodes) n.Um = 10;
    s.Branches[0].B = 100;
    return s;
  }
  static ModalScript::Step EERMSettings(const char* iterations = "200") {
    return [iterations](QDialog& d) {
      Child<QLineEdit>(d, "dQEdit").setText("0.1");
      Child<QLineEdit>(d, "PrecEdit").setText("1e-9");
      Child<QLineEdit>(d, "IterEdit").setText(iterations);
      Child<QCheckBox>(d, "AbsEERMBox").setChecked(false);
      Press(d, "OKBtn");
    };
  }
  static ModalScript::Step Cancel() {
    return [](QDialog& d) { Press(d, "CancelBtn"); };
  }
  double NodeCell(const char* field, int row) const { return TNumberColumn(field, Table(".UZL")).Get(row); }
  double BranchCell(const char* field, int row) const { return TNumberColumn(field, Table(".VET")).Get(row); }
};

// A scheme whose files another system left with extensions in other letters, or that another
// workstation named with its stem in other letters, is that scheme in every window: its model is read
// when it opens, a district saved from the diagram reaches its energy flows, its tap table and its
// reactive sources are shown with their rows, and each save lands in the family's own file, never in a
// second one beside it.
TEST_F(RegimeTasks, AFamilyInOtherLettersIsFoundAndSavedUnderItsOwnNamesInEveryWindow) {
  struct Case {
    const char* what;
    // the names of the nodes, branches, energy flows, tap table and reactive sources in the folder
    std::array<const char*, 5> names;
  };
  const Case cases[] = {
      {"lower-case extensions", {"Схема.uzl", "Схема.vet", "Схема.wvt", "Схема.ktr", "Схема.qop"}},
      {"extensions in mixed letters", {"Схема.Uzl", "Схема.vEt", "Схема.Wvt", "Схема.kTr", "Схема.qOP"}},
      {"a stem in other letters", {"Схема.UZL", "Схема.VET", "СХЕМА.WVT", "схема.KTR", "СХЕМА.QOP"}},
  };
  const std::array<std::string, 5> kinds = {".UZL", ".VET", GetMaketExtention(LayoutBranchEnergy),
                                            GetMaketExtention(LayoutKtrTable),
                                            GetMaketExtention(LayoutReactiveSources)};
  // The files of the folder that are of the kind: the same name but for letter case, compared here by Qt.
  const auto ofKind = [&](const std::string& ext) {
    std::vector<std::string> found;
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (const std::string name = f.path().filename().string();
          QString::fromStdString(name).toLower() == QString::fromStdString("схема" + ext).toLower())
        found.push_back(name);
    return found;
  };
  const std::string district5("\x05\0\0\0", 4), noDistrict(4, '\0');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& ext : kinds)
      for (const std::string& name : ofKind(ext)) fs::remove(dir / name);
    const std::string stem = TwoNodes().Write(dir.Path(), "Схема");
    TDataFile energy;
    FillNamedRows(energy, LayoutBranchEnergy, {{{"Nr", "5"}, {"N1", "2"}, {"N2", "1"}}});
    WriteTableFile(stem + kinds[2], energy);
    WriteRows(stem + kinds[3], LayoutKtrTable, {{"2", "1", "0", "Т1"}});
    WriteRows(stem + kinds[4], LayoutReactiveSources, {{"2", "ТП-2"}});
    for (std::size_t k = 0; k < kinds.size(); ++k) fs::rename(stem + kinds[k], dir / c.names[k]);
    const std::string energyFile = dir / c.names[2], tapFile = dir / c.names[3], sourceFile = dir / c.names[4];
    ASSERT_EQ(RawColumn(energyFile, "Nr"), std::vector<std::string>{district5});

    box.Clear();
    script.Then(Choose("Загрузка схемы", dir / c.names[0]));
    form->OpenItem->trigger();
    EXPECT_TRUE(form->Regime()->SchemeRead) << "the model of the scheme opened";
    EXPECT_EQ(form->Regime()->NodeCount, 2);

    // a district cleared on the diagram is cleared in the energy flows of its branches as well
    form->SchBtn->click();
    form->CorrectBtn->click();  // "Правка"
    form->FindEdit->setText("~5");
    QTest::mouseClick(form->SaveSchBtn, Qt::LeftButton);
    EXPECT_EQ(RawColumn(energyFile, "Nr"), std::vector<std::string>{noDistrict});
    form->CorrectBtn->click();
    form->SchBtn->click();

    {
      gui::TT_Form taps(stem, dir.Path().string() + "/");
      taps.show();
      ASSERT_EQ(taps.TGrid->table().RowCount, 1);
      QTest::keyClick(taps.TGrid, Qt::Key_F4);
      const std::string renamed = "Т2";
      taps.TGrid->SetFieldText("NameTr", 1, &renamed);
      QTest::keyClick(taps.TGrid, Qt::Key_F2);
    }
    EXPECT_EQ(RawColumn(tapFile, "NameTr"), std::vector<std::string>{"Т2"});

    {
      gui::TQ_Form sources(stem, dir.Path().string());
      sources.show();
      ASSERT_EQ(sources.Grid().table().RowCount, 1) << "the sources the family has";
      QTest::mouseClick(&Child<QPushButton>(sources, "OkBtn"), Qt::LeftButton);
    }
    EXPECT_EQ(RawColumn(sourceFile, "Title"), std::vector<std::string>{"ТП-2"});
    EXPECT_EQ(RawTable(sourceFile).title, dir.Path().string()) << "written by the window";

    // a scheme joined to it lands in its own tables, and the model is read again from them
    SchemeBuilder added;
    Station(added, 10, "ТП-2", "B");
    Station(added, 11, "ТП-11", "", 0.2, 0.1);
    added.Branch(11, 10, 0.5, 1);
    script.Then(Choose("Добавить схему", added.Write(dir.Path(), "Добавка") + ".UZL"));
    form->JoinItem->trigger();
    EXPECT_EQ(RawColumn(dir / c.names[0], "Name"), (std::vector<std::string>{"ПС-1.1", "ТП-2", "ТП-11"}));
    EXPECT_EQ(RawTable(dir / c.names[1]).rows, 2);
    EXPECT_EQ(form->Regime()->NodeCount, 3) << "the joined scheme's model";

    for (std::size_t k = 0; k < kinds.size(); ++k)
      EXPECT_EQ(ofKind(kinds[k]), std::vector<std::string>{c.names[k]}) << "one file of the kind, under the name it had";
    EXPECT_TRUE(NoLocks());
    EXPECT_EQ(box.Texts(), std::vector<std::string>{});
  }
}

TEST_F(RegimeTasks, EquivalentsWrittenShownAndNothingOnCancelOrWithoutConvergence) {
  OpenScheme(Line());
  const std::string before = ReadBytes(path + ".UZL");
  script.Then(Cancel());
  form->CalcEERMItem->trigger();
  EXPECT_EQ(ReadBytes(path + ".UZL"), before);
  EXPECT_TRUE(NoLocks());
  EXPECT_TRUE(box.Texts().empty());

  script.Then(EERMSettings("1"));
  form->CalcEERMItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Режим не сходится"});
  EXPECT_EQ(ReadBytes(path + ".UZL"), before);
  EXPECT_TRUE(NoLocks());
  box.Clear();

  script.Then(EERMSettings());
  form->CalcEERMItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_NEAR(NodeCell("EERM", 2), -0.0098668, 5e-7);
  EXPECT_NEAR(NodeCell("EEAM", 2), 0.0190667, 5e-7);
  EXPECT_EQ(NodeCell("EERM", 1), 0.0);
  EXPECT_EQ(NodeCell("Qn", 2), 0.5);
  EXPECT_EQ(Label(), "Узлы схемы");
  EXPECT_TRUE(NoLocks());
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_FALSE(form->Regime()->LockFiles);
}

// Branches marked with Ctrl+Space, which locks the branch file for the grid: the district numbering and
// the equivalent removal save the grid first, so their own locks of the scheme's files are granted.
TEST_F(RegimeTasks, CommandsOnBranchesMarkedInTheGridRunAndLeaveNoLocks) {
  SchemeBuilder s = Line();
  for (NodeSpec& n : s.Nodes) n.Nr = 4;
  Station(s, 3, "ТП-3", "", 0.2, 0.1).Nr = 4;
  s.Branch(3, 2, 0.5, 1);
  OpenScheme(s);
  form->LinesItem->trigger();
  gui::TDataGrid5& grid = form->DataGrid();
  const auto mark = [&](int row) {
    grid.MoveTo(grid.FieldColumn("N1"), row);
    QTest::keyClick(&grid, Qt::Key_Space, Qt::ControlModifier);
  };
  mark(2);
  ASSERT_FALSE(NoLocks());
  form->SetRayonItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_EQ(BranchCell("Nr", 1), 4);
  EXPECT_EQ(BranchCell("Nr", 2), 4);
  EXPECT_TRUE(NoLocks());

  mark(2);  // a mark already set goes off and on again with its lock
  mark(2);
  box.Answer(1);
  form->EkvDelItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Удалить запись ?"});
  ASSERT_EQ(Table(".VET").RowCount, 1);
  EXPECT_EQ(BranchCell("N1", 1), 2);
  EXPECT_TRUE(NoLocks());
}

TEST_F(RegimeTasks, TheTestColoursTheBranchAndKeepsItsColumnsOutOfTheFile) {
  OpenScheme(Line());
  script.Then(EERMSettings());
  form->CalcEERMItem->trigger();
  const int stored = Table(".VET").NCols;
  script.Then([](QDialog& d) {
    Child<QLineEdit>(d, "NumEdit").setText("2");
    Child<QLineEdit>(d, "dQEdit").setText("0.2");
    Press(d, "OKBtn");
  });
  form->EERMTestItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  const TDataFile& shown = form->DataGrid().table();
  EXPECT_EQ(shown.Name, "Ветви схемы");
  EXPECT_EQ(shown.NCols, stored + 9);
  EXPECT_EQ(shown.FieldName[shown.NCols], "Qm*");
  EXPECT_NEAR(static_cast<const DAdouble*>(GetColumnArray("Qm*", shown))->Get(1), -0.2, 1e-7);
  // On disk: the colour of a falling loss, no computed column, the mark as it was.
  const TDataFile file = Table(".VET");
  EXPECT_EQ(file.NCols, stored);
  EXPECT_EQ(BranchCell("Color", 1), 0x0000FF);
  EXPECT_EQ(GetColumnAs<DAString>("Mark", file)->GetItem(1), "АС-70");
  // The label is shown in the equipment text of the grid; the file keeps the text of the mark.
  EXPECT_EQ(GetColumnAs<DAString>("Text", shown)->GetItem(1).substr(0, 6), "-100, ");
  EXPECT_EQ(GetColumnAs<DAString>("Text", file)->GetItem(1), "АС-70");
  EXPECT_FALSE(form->DataGrid().Modified());
  EXPECT_TRUE(NoLocks());
  // The model's load is the table's again.
  for (const TRegimeElement* e = form->Regime()->FirstElement; e != nullptr; e = e->Next) {
    if (e->Number == 2 && e->BranchIndex != 0) {
      EXPECT_EQ(e->Load1, Complex(1, -0.5));
    }
  }
}

TEST_F(RegimeTasks, TheStatementNeedsItsTemplateAndIsOpenedWhenWritten) {
  OpenScheme(Line());
  std::vector<std::string> opened;
  const gui::TDocumentOpener saved =
      gui::SetDocumentOpener([&opened](const std::string& file) { opened.push_back(file); return true; });
  const std::string out = dir / "ЭЭРМ Схема.docx";
  WriteBytes(out, "old");
  form->PrintEERMItem->trigger();
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].text, "Шаблон документа " + ProgramDir + "ЭЭРМ.docx не найден");
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(ReadBytes(out), "old");
  EXPECT_TRUE(opened.empty());

  fs::copy_file(DataDir() / "ЭЭРМ.docx", ProgramDir + "ЭЭРМ.docx");
  form->PrintEERMItem->trigger();
  EXPECT_EQ(opened, std::vector<std::string>{out});
  EXPECT_EQ(box.Calls().size(), 1u);
  // a desktop without a program for the document: the person is told where it lies
  gui::SetDocumentOpener([](const std::string&) { return false; });
  form->PrintEERMItem->trigger();
  gui::SetDocumentOpener(saved);
  ASSERT_EQ(box.Calls().size(), 2u);
  EXPECT_EQ(box.Calls()[1].text, "Ведомость ЭЭРМ записана в файл \"" + out +
                                     "\".\nОткрыть его не удалось: нет программы для просмотра документов такого вида.");
  EXPECT_EQ(box.Calls()[1].kind, mkInfo);
  const DocxDocument doc = DocxDocument::Open(out);
  EXPECT_EQ(doc.RowCount(1), 3);
  EXPECT_EQ(doc.CellText(1, 3, 2), "ТП-2");
  EXPECT_EQ(doc.CellText(1, 3, 4), "0.0000");  // never calculated
}

TEST_F(RegimeTasks, CapacitiveCurrentsByNominalVoltagesAndTheirView) {
  OpenScheme(CableLine());
  // An earlier calculation that did not converge says nothing about the nominal voltages.
  script.Then(EERMSettings("1"));
  form->CalcEERMItem->trigger();
  ASSERT_FALSE(form->Regime()->Converged);
  box.Clear();
  form->NodesItem->trigger();
  script.Then([](QDialog& d) {
    // The dialog is wide enough for its title in the frame's bold font, beside the frame's buttons.
    QFont bold = d.font();
    bold.setBold(true);
    EXPECT_GE(d.width(), QFontMetrics(bold).horizontalAdvance("Расчет емкостных токов") + 100);
    Child<QRadioButton>(d, "Unom").setChecked(true);
    Press(d, "OKBtn");
  });
  form->CalcEmkItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  const double i = std::sqrt(3.0) * 0.001 * 10 * 100;
  EXPECT_NEAR(BranchCell("Iemk1", 1), i, 1e-5);
  EXPECT_NEAR(BranchCell("Iemk2", 1), i, 1e-5);
  EXPECT_NEAR(std::fabs(NodeCell("Iemk", 2)), i, 1e-5);
  EXPECT_EQ(Label(), "Узлы схемы");  // the shown table shown again
  EXPECT_TRUE(NoLocks());

  form->EmkBPItem->trigger();
  EXPECT_EQ(Label(), "Емкостные токи");
  const TDataFile& view = form->DataGrid().table();
  ASSERT_GE(view.RowCount, 2);
  EXPECT_NEAR(TNumberColumn("Iemk1", view).Get(2), -i, 1e-5);
  EXPECT_FALSE(form->DataGrid().EditTable());
}

TEST_F(RegimeTasks, CoincidenceWithOneCoefficientWritesThePlainRegime) {
  OpenScheme(Line());
  Calculate();
  const double plain = NodeCell("Urez", 2);
  WriteBytes(path + ".RGM", "");
  box.Clear();
  script.Then([](QDialog& d) { Press(d, "OKBtn"); });
  form->CalcFlowsKoefItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_NEAR(NodeCell("Urez", 2), plain, 1e-3);
  EXPECT_GT(fs::file_size(path + ".RGM"), 0u);
  EXPECT_EQ(Label(), "Общие характеристики режима");
  EXPECT_TRUE(NoLocks());
}

TEST_F(RegimeTasks, TgByClassIntoInfo) {
  SchemeBuilder s = Line();
  s.Nodes[1].Pn = 1.5;
  s.Nodes[1].Qn = 0.75;
  OpenScheme(s);
  form->CalcTgItem->trigger();
  EXPECT_EQ(form->InfoLines(),
            (std::vector<std::string>{" Uном    P переток  Q переток  tg(ф)", " 10 кВ:      1.500      0.750  0.500"}));
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
}

TEST_F(RegimeTasks, FragmentOfTheWholeDiagramRefusalsAndOverwrite) {
  OpenScheme(Line());
  form->FragItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не выбран фрагмент на графике схемы"});
  box.Clear();

  form->SchBtn->click();
  form->FullSchBtn->click();
  // A regime that does not converge gives no border powers: nothing is written.
  const auto iterations = IniRec.Iter1;
  IniRec.Iter1 = 1;
  script.Then(Choose("Запись фрагмента схемы", dir / "Новый.UZL"));
  form->FragItem->trigger();
  IniRec.Iter1 = iterations;
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Режим не сходится"});
  EXPECT_FALSE(fs::exists(dir / "Новый.UZL"));
  EXPECT_EQ(form->SchemePath, path);
  EXPECT_TRUE(NoLocks());
  box.Clear();

  // Another scheme of the name, with its journal, switching moment and flows: asked about naming each
  // file; "Нет" keeps them all, "Да" replaces the scheme whole.
  const std::string target = dir / "Фрагмент";
  SchemeBuilder other = Line();
  other.Title = "Другая";
  other.Write(dir.Path(), "Фрагмент");
  WriteCurDateSwt(target, EncodeDate(2004, 3, 5));
  WriteBytes(target + ".SWT", "журнал");
  WriteBytes(target + ".PL", "перетоки");
  const std::string existing = ReadBytes(target + ".UZL");
  box.Answer(0);  // "Нет"
  script.Then(Choose("Запись фрагмента схемы", target + ".UZL"));
  form->FragItem->trigger();
  EXPECT_EQ(box.Texts(),
            std::vector<std::string>{
                "Схема с таким именем уже существует.\nБудут заменены файлы: Фрагмент.UZL (узлы схемы), Фрагмент.VET "
                "(ветви схемы).\nБудут удалены файлы, которых в новой схеме не будет: Фрагмент.INI (дата коммутации "
                "схемы), Фрагмент.PL (перетоки в линиях), Фрагмент.SWT (журнал переключений).\nПерезаписать ?"});
  EXPECT_EQ(ReadBytes(target + ".UZL"), existing);
  EXPECT_EQ(ReadBytes(target + ".SWT"), "журнал");
  box.Clear();

  box.Answer(1);
  script.Then(Choose("Запись фрагмента схемы", target + ".UZL"));
  form->FragItem->trigger();
  EXPECT_EQ(form->SchemePath, target);
  TDataFile nodes;
  ReadTableFile(target + ".UZL", nodes);
  ASSERT_EQ(nodes.RowCount, 2);
  EXPECT_EQ(GetColumnAs<DALongint>("NS", nodes)->Get(1), 2);
  EXPECT_EQ(GetColumnAs<DALongint>("NS", nodes)->Get(2), 1);
  EXPECT_EQ(TNumberColumn("Pg", nodes).Get(1), 0.0);
  EXPECT_EQ(nodes.Title, "Фрагмент");
  EXPECT_NE(Caption().find("Фрагмент"), std::string::npos);
  for (const char* ext : {".INI", ".SWT", ".PL"}) EXPECT_FALSE(fs::exists(target + ext)) << ext;
  EXPECT_TRUE(NoLocks());
}

// A fragment that the disk does not take: the writer's message, no file of the fragment, the scheme
// still open and no lock left behind; also when the node file went in and the branch file did not, and
// over another scheme of the name, which keeps both of its files.
TEST_F(RegimeTasks, AFragmentTheDiskDoesNotTakeLeavesNoFileOfIt) {
  OpenScheme(Line());
  auto save = [&](const std::string& target, std::size_t room) {
    if (!form->SchBtn->isChecked()) form->SchBtn->click();
    form->FullSchBtn->click();
    box.Clear();
    const FullDisk disk(room);
    script.Then(Choose("Запись фрагмента схемы", target + ".UZL"));
    form->FragItem->trigger();
  };
  auto nothingOf = [&](const std::string& target, const std::string& failed) {
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка записи файла \"" + failed + "\": нет места на диске"});
    EXPECT_FALSE(fs::exists(target + ".UZL") || fs::exists(target + ".VET"));
    EXPECT_EQ(form->SchemePath, path);
    EXPECT_TRUE(NoLocks());
  };
  const std::string first = dir / "Фрагмент1", second = dir / "Фрагмент2";
  save(first, 0);
  nothingOf(first, first + ".UZL");

  save(first, std::size_t{1} << 20);
  ASSERT_EQ(form->SchemePath, first);
  const std::size_t nodeBytes = fs::file_size(first + ".UZL");
  Open(path);
  save(second, nodeBytes);
  nothingOf(second, second + ".VET");

  // Over another scheme of that name: both of its files stay as they were.
  TwoNodes().Write(dir.Path(), "Фрагмент1");
  const std::string nodes = ReadBytes(first + ".UZL"), branches = ReadBytes(first + ".VET");
  box.Answer(1);
  save(first, nodeBytes);
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Схема с таким именем уже существует.\nБудут заменены файлы: "
                                                   "Фрагмент1.UZL (узлы схемы), Фрагмент1.VET (ветви схемы).\n"
                                                   "Перезаписать ?",
                                                   FullDiskMessage(first + ".VET")}));
  EXPECT_EQ(ReadBytes(first + ".UZL"), nodes);
  EXPECT_EQ(ReadBytes(first + ".VET"), branches);
  EXPECT_EQ(form->SchemePath, path);
  EXPECT_TRUE(NoLocks());
}

// A fragment whose files were written but that cannot be opened: its own model marks the cut-off node
// unsupplied and that write finds the disk full. The message names the fragment and the window is
// left without a scheme.
TEST_F(RegimeTasks, AFragmentThatCannotBeOpenedAfterItsWriteIsNamed) {
  OpenScheme(Line());
  auto save = [&](const std::string& target, std::size_t room) {
    if (!form->SchBtn->isChecked()) form->SchBtn->click();
    form->FullSchBtn->click();
    form->SchBox->NodeSet = {2};  // ТП-2 without its line
    form->SchBox->LineSet.clear();
    box.Clear();
    const FullDisk disk(room);
    script.Then(Choose("Запись фрагмента схемы", target + ".UZL"));
    form->FragItem->trigger();
  };
  const std::string first = dir / "Фрагмент1", second = dir / "Фрагмент2";
  save(first, std::size_t{1} << 20);
  ASSERT_EQ(form->SchemePath, first);
  // Room for the two tables and for the record of their run that lies beside each while they take
  // their places, and not a byte more.
  const std::string record = "-\tФрагмент2.UZL\n-\tФрагмент2.VET\n";
  const std::size_t bytes = fs::file_size(first + ".UZL") + fs::file_size(first + ".VET") + 2 * record.size();
  Open(path);
  save(second, bytes);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка записи фрагмента схемы \"Фрагмент2\" : " +
                                                  FullDiskMessage(second + ".UZL")});
  EXPECT_TRUE(form->SchemePath.empty());
  EXPECT_TRUE(NoLocks());
}

// Joining changes nothing of the open scheme when the added scheme's regime does not converge, nor
// when the disk takes the joined node table and not the branch table.
TEST_F(RegimeTasks, JoiningWithoutConvergenceOrRoomWritesNothing) {
  SchemeBuilder added;
  Station(added, 10, "ТП-2", "B");
  Station(added, 11, "А-1", "", 0.3, 0.1);
  added.Branch(11, 10, 0.5, 1);
  const std::string addedPath = added.Write(dir.Path(), "Добавка");
  auto join = [&](std::size_t room) {
    box.Clear();
    const FullDisk disk(room);
    script.Then(Choose("Добавить схему", addedPath + ".UZL"));
    form->JoinItem->trigger();
  };
  OpenScheme(Line(), "Проба");
  join(std::size_t{1} << 20);
  ASSERT_TRUE(box.Texts().empty()) << box.Texts()[0];
  const std::size_t nodeBytes = fs::file_size(path + ".UZL");

  OpenScheme(Line(), "Схема");
  const std::string nodes = ReadBytes(path + ".UZL"), branches = ReadBytes(path + ".VET");
  auto unchanged = [&](const std::vector<std::string>& texts) {
    EXPECT_EQ(box.Texts(), texts);
    EXPECT_EQ(ReadBytes(path + ".UZL"), nodes);
    EXPECT_EQ(ReadBytes(path + ".VET"), branches);
    EXPECT_TRUE(NoLocks());
  };
  const auto iterations = IniRec.Iter1;
  IniRec.Iter1 = 1;
  join(std::size_t{1} << 20);
  IniRec.Iter1 = iterations;
  unchanged({"Режим не сходится"});
  join(nodeBytes);
  unchanged({FullDiskMessage(path + ".VET")});
}

// A join whose files were written but whose scheme cannot be opened again: the appended balancing node
// ПС-7 gets its mark then, and that write finds the disk full. The message names the added scheme, the
// window is left without a scheme, and the missing junction is still told.
TEST_F(RegimeTasks, AJoinThatCannotBeOpenedAfterItsWriteNamesTheAddedScheme) {
  SchemeBuilder added;
  Station(added, 10, "ТП-2", "B");
  Station(added, 11, "ПС-7", "B");
  Station(added, 12, "А-1", "", 0.3, 0.1);
  added.Branch(12, 10, 0.5, 1);
  auto join = [&](std::size_t room) {
    const std::string addedPath = added.Write(dir.Path(), "Добавка");
    box.Clear();
    const FullDisk disk(room);
    script.Then(Choose("Добавить схему", addedPath + ".UZL"));
    form->JoinItem->trigger();
    return addedPath;
  };
  auto size = [](const std::string& base) { return fs::file_size(base + ".UZL") + fs::file_size(base + ".VET"); };
  OpenScheme(Line(), "Проба");
  const std::string addedPath = join(std::size_t{1} << 20);
  ASSERT_EQ(box.Texts(), std::vector<std::string>{"Не найдены стыковочные узлы: ПС-7"});
  // and the record of the join's run that lies beside each of the two tables while they take their places
  const std::string record = "+.old~\tСхема.UZL\n+.old~\tСхема.VET\n";
  const std::size_t bytes = size(addedPath) + size(path) + 2 * record.size();

  OpenScheme(Line(), "Схема");
  join(bytes);
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Ошибка добавления схемы \"Добавка.UZL\" : " +
                                                       FullDiskMessage(path + ".UZL"),
                                                   "Не найдены стыковочные узлы: ПС-7"}));
  EXPECT_TRUE(form->SchemePath.empty());
  EXPECT_TRUE(NoLocks());
}

TEST_F(RegimeTasks, JoiningWarnsOfBalancingNodesWithoutAJunction) {
  SchemeBuilder open = Line();
  OpenScheme(open, "Основная");
  form->SchBtn->click();
  form->FullSchBtn->click();
  SchemeBuilder added;
  Station(added, 10, "тп-2", "B");
  Station(added, 11, "ПС-7", "B");
  Station(added, 12, "ПС-9", "B");
  Station(added, 2, "А-2", "", 0.3, 0.1);
  added.Branch(2, 10, 0.5, 1);
  const std::string addedPath = added.Write(dir.Path(), "Добавка");
  script.Then(Choose("Добавить схему", addedPath + ".UZL"));
  form->JoinItem->trigger();
  ASSERT_EQ(box.Calls().size(), 1u) << box.Texts()[0];
  EXPECT_EQ(box.Calls()[0].text, "Не найдены стыковочные узлы: ПС-7, ПС-9");
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);
  const TDataFile nodes = Table(".UZL");
  ASSERT_EQ(nodes.RowCount, 2 + 3);
  EXPECT_EQ(GetColumnAs<DALongint>("NS", nodes)->Get(2), 10);  // the junction
  EXPECT_EQ(GetColumnAs<DALongint>("NS", nodes)->Get(5), 13);  // 2 taken by the open scheme
  EXPECT_EQ(Label(), "Узлы схемы");
  EXPECT_TRUE(NoLocks());
  // the diagram draws the joined scheme, not the picture of the two nodes before
  const gui::TSchemBox& drawn = *form->SchBox;
  EXPECT_EQ(drawn.NodeSet, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(drawn.LineSet, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(drawn.NodeCols.NS->Get(2), 10);
}

TEST_F(RegimeTasks, AnotherUsersLockStaysWhenTheRunCannotTakeItsOwn) {
  OpenScheme(Line());
  form->SchBtn->click();
  form->FullSchBtn->click();
  const std::string target = dir / "Чужая";
  Line().Write(dir.Path(), "Чужая");
  CurrentUserName = "Петров";
  LockTableFiles(target, ".VET");
  CurrentUserName = "Иванов";
  const std::string lock = ReadBytes(target + ".VET~");
  box.Answer(1);
  script.Then(Choose("Запись фрагмента схемы", target + ".UZL"));
  form->FragItem->trigger();
  EXPECT_EQ(form->SchemePath, path);
  ASSERT_EQ(box.Calls().size(), 2u);  // the overwrite question, then the refused lock
  EXPECT_EQ(box.Calls()[1].kind, mkError);
  EXPECT_EQ(ReadBytes(target + ".VET~"), lock);
  EXPECT_FALSE(fs::exists(path + ".UZL~"));
  EXPECT_FALSE(fs::exists(target + ".UZL~"));
  UnlockTableFiles(target, ".VET");
}

}  // namespace
}  // namespace ld::test
