// The diagram panel of the regime window: the diagram of the open scheme with its regime, and a
// switching entered into the journal.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <map>
#include <memory>
#include <fstream>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTextEdit>
#include <QTimeEdit>
#include <QTest>
#include <QToolButton>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/inifile.h"
#include "core/base/settings.h"
#include "core/diagram/scheme_files.h"
#include "core/engine/regime.h"
#include "core/tables/cell_convert.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/diagram/scheme_edit.h"
#include "core/regime/switch_journal.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/element_names.h"
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"
#include "gui/diagram/sch_box.h"
#include "gui/regime/write_swt_form.h"
#include "support/full_disk.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

using Rows = std::vector<std::int32_t>;
namespace fs = std::filesystem;

class RegimeDiagram : public RegimeWindow {
protected:
  RegimeDiagram() {
    // A substation feeding a tap-off and two stations; the first line in district 5, the station
    // "ТП3" in district 7.
    SchemeBuilder s;
    s.Title = "Фидер";
    Station(s, 1, "ПС1.1", "B");
    Station(s, 2, "ОТП-2", "", 0.5, 0.2);
    Station(s, 3, "ТП3", "", 0.3, 0.1).Nr = 7;
    Station(s, 4, "ТП4.2", "", 0.2, 0.1);
    s.Branch(2, 1, 1, 2).Nr = 5;
    s.Branch(3, 2, 1, 2);
    s.Branch(4, 2, 1, 2);
    OpenScheme(s, "Фидер");
    form->SchBtn->click();  // the diagram panel shown
  }

  gui::TSchemBox& Box() { return *form->SchBox; }
  // Branch row `row` switched off at both ends, or on again, by the line's menu command on a line
  // element of its state (the drawing of this scheme is not laid out here).
  void Toggle(int row) {
    diagram::SElem line;
    line.BranchRow = row;
    if (!Shown(row).empty()) line.Flags = diagram::efOffOwn | diagram::efOffParent;
    Box().MarkedLine = &line;
    diagram::ToggleLineBothSides(Box());
    Box().MarkedLine = nullptr;
  }
  // The commutation letter of a branch row as the diagram holds it.
  std::string Shown(int row) {
    const char c = Box().BranchCols.Commut->Get(row);
    return c == 0 ? "" : Cp1251ToUtf8(std::string(1, c));
  }
  // The journal dialog given 05.03.2004 at hh:mm and an executor, confirmed.
  static ModalScript::Step Enter(int hour, int minute, const char* executor = "") {
    return [=](QDialog& d) {
      Child<QDateEdit>(d, "DateEdit").setDate(QDate(2004, 3, 5));
      Child<QTimeEdit>(d, "TimeEdit").setTime(QTime(hour, minute));
      Child<QLineEdit>(d, "DispEdit").setText(executor);
      Press(d, "OKBtn");
    };
  }
  // Branch rows 1 and 2 formed from the two lines of a district base, which writes the lines' marks and
  // dispatcher's names in letters the scheme holds otherwise ("150*ААБл-120", "ф-3") or not at all (the
  // sectional breaker "ШСВ", which carries no line mark); the scheme opened again with the whole diagram.
  void LinkToBase() {
    TDataFile lines, branches;
    ReadMaket(LayoutLines10, lines);
    CreateColumns(lines, 2);
    TLine10Cols l;
    FillLine10Cols(lines, l);
    ReadTableFile(path + ".VET", branches);
    TBranchCols b;
    FillBranchCols(branches, b);
    const char* ends[][2] = {{"ОТП-2", "ПС1.1"}, {"ТП3", "ОТП-2"}};
    const char* marks[][2] = {{" 150*ААБл-120", "150*ААБЛ-120"}, {"ШСВ", ""}};
    const char* names[] = {"ф-3 ", "шсв-10"};
    for (int row = 1; row <= 2; ++row) {
      (*l.Idx)[row] = row;
      l.Name1->SetItem(row, ends[row - 1][0]);
      l.Name2->SetItem(row, ends[row - 1][1]);
      l.KodLine->SetItem(row, marks[row - 1][0]);
      l.DSNum->SetItem(row, names[row - 1]);
      b.ExtFile->SetItem(row, ".RSL");
      (*b.Idx)[row] = row;
      b.Name1->SetItem(row, ends[row - 1][0]);
      b.Name2->SetItem(row, ends[row - 1][1]);
      b.Mark->SetItem(row, marks[row - 1][1]);
      b.DSName->SetItem(row, UpperCase(TrimName(names[row - 1])));
    }
    WriteTableFile(path + ".RSL", lines);
    WriteTableFile(path + ".VET", branches);  // the scheme formed after its base
    form->SchBtn->click();
    Open(path);
    form->SchBtn->click();
    form->FullSchBtn->click();
  }
  std::string Commut(int row) {
    const char c = GetColumnAs<DAChar>("Commut", Table(".VET"))->Get(row);
    return c == 0 ? "" : Cp1251ToUtf8(std::string(1, c));
  }
};

TEST_F(RegimeDiagram, ShownByTheButtonWithTheWholeSchemeAndItsRegime) {
  ASSERT_TRUE(form->SchPanel2->isVisible() && form->SchPanel->isVisible());
  EXPECT_EQ(Box().SchemeBase, path);
  // the panel opens on an empty fragment: the whole scheme is one button away
  EXPECT_TRUE(Box().NodeSet.empty());
  form->FullSchBtn->click();
  EXPECT_EQ(Box().NodeSet, (Rows{1, 2, 3, 4}));
  EXPECT_EQ(Box().LineSet, (Rows{1, 2, 3}));
  EXPECT_FALSE(Box().Picture().isNull());

  // the engine lists by the diagram's captions and marks the diagram's rows
  EXPECT_EQ(form->Regime()->NodeMarks, &Box().NoSupplyNodes);
  EXPECT_EQ(form->Regime()->BranchMarks, &Box().NoSupplyBranches);
  script.Then(Settings());
  form->CalcItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();

  // a modified drawing is offered for saving before a command that reads the scheme; "Нет" discards
  // it and the command runs
  Box().Modified = true;
  box.Answer(0);
  form->ARKItem->trigger();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Texts()[0], "Сохранить схему \"Фидер\" ?");
  EXPECT_FALSE(Box().Modified);
  EXPECT_TRUE(form->Info->toPlainText().startsWith("[Контроль конфигурации]"));
  // showing a table saves only the grid's edits, never the drawing
  Box().Modified = true;
  form->NodesItem->trigger();
  EXPECT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(Label(), "Узлы схемы");
  Box().Modified = false;

  form->SchBtn->click();
  EXPECT_FALSE(form->SchPanel2->isVisible() || form->SchPanel->isVisible());
}

TEST_F(RegimeDiagram, SwitchingEnteredIntoTheJournal) {
  form->FullSchBtn->click();
  gui::TSchemBox& b = Box();
  const std::string journal = path + GetMaketExtention(LayoutSwitchLog);
  const TDateTime t0 = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0);
  WriteCurDateSwt(path, t0);

  IniRec.FSaveCom = false;
  Toggle(3);
  EXPECT_FALSE(fileio::FileExists(journal));
  EXPECT_TRUE(b.Modified);  // the change stays on the diagram
  EXPECT_EQ(Shown(3), "О");
  box.Answer(0);  // "Нет": the drawing is read again
  int answer = 0;
  diagram::SaveScheme(b, true, false, answer);
  EXPECT_EQ(Shown(3), "");

  // Cancelled: the switching is undone on the diagram; nothing is written, no lock stays.
  IniRec.FSaveCom = true;
  const TDateTime opened = Now();
  script.Then([&](QDialog& d) {
    // the branch rows carry no end names here: the end numbers stand for them
    EXPECT_EQ(Child<QLabel>(d, "HeaderLabel").text().toStdString(), "4 - 2: ");
    EXPECT_EQ(Child<QLabel>(d, "KindLabel").text().toStdString(), "ОТКЛЮЧЕНИЕ");
    // now is proposed, not the scheme's switching moment
    const TDateTime proposed = static_cast<gui::TWriteSwtFrm&>(d).Moment();
    EXPECT_TRUE(proposed > opened - 1.0 / 1440 && proposed <= Now()) << FormatDateTime("dd.mm.yyyy hh:nn", proposed);
    d.setResult(QDialog::Rejected);
  });
  Toggle(3);
  EXPECT_FALSE(fileio::FileExists(journal));
  EXPECT_DOUBLE_EQ(ReadCurDateSwt(path), t0);
  EXPECT_EQ(Shown(3), "");
  EXPECT_FALSE(b.Modified);
  EXPECT_TRUE(NoLocks());

  script.Then(Enter(11, 0, "Петров"));
  Toggle(3);
  ASSERT_TRUE(fileio::FileExists(journal));
  EXPECT_DOUBLE_EQ(ReadCurDateSwt(path), EncodeDate(2004, 3, 5) + EncodeTime(11, 0, 0));
  EXPECT_EQ(Caption(), "Z-режим - Фидер (05.03.2004 11:00)");
  EXPECT_FALSE(b.Modified);
  TDataFile log;
  ReadTableFile(journal, log);
  TSwitchLogCols j;
  FillSwitchLogCols(log, j);
  ASSERT_EQ(log.RowCount, 2);
  EXPECT_EQ(j.DateS->GetItem(1) + " " + j.Disp->GetItem(2) + " " + Cp1251ToUtf8(std::string(1, (*j.Commut)[2])),
            "05.03.2004 11:00 Петров О");
  EXPECT_EQ(Commut(3), "О");  // the saved branch file holds the switching

  // Back to 10:45 by the journal.

  box.Clear();
  script.Then([](QDialog& d) {
    auto& list = Child<QComboBox>(d, "DatSwtList");
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.itemText(0).toStdString(), "05.03.2004 11:00...откл. 4 - 2");
    EXPECT_EQ(list.currentIndex(), 0);
    Child<QTimeEdit>(d, "_Time").setTime(QTime(10, 45));
    Press(d, "OKBtn");
  });
  form->ReconfigItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_DOUBLE_EQ(ReadCurDateSwt(path), EncodeDate(2004, 3, 5) + EncodeTime(10, 45, 0));
  EXPECT_EQ(Caption(), "Z-режим - Фидер (05.03.2004 10:45)");
  EXPECT_EQ(Commut(3), "");
  EXPECT_EQ((*Box().BranchCols.Commut)[3], 0);
  EXPECT_TRUE(NoLocks());

  // An entry at 11:30 cancelled: the journal's 11:00 row does not move the drawing, and the switching
  // of the other branch is undone.
  script.Then([](QDialog& d) {
    Child<QDateEdit>(d, "DateEdit").setDate(QDate(2004, 3, 5));
    Child<QTimeEdit>(d, "TimeEdit").setTime(QTime(11, 30));
    d.setResult(QDialog::Rejected);
  });
  Toggle(2);
  EXPECT_EQ(Shown(3), "");
  EXPECT_EQ(Shown(2), "");

  // An entry that repeats one of the journal is refused with the dialog kept open, naming the row it
  // repeats and what to change; "Отменить" then undoes the switching.
  script.Then([](QDialog& d) {
    Child<QDateEdit>(d, "DateEdit").setDate(QDate(2004, 3, 5));
    Child<QTimeEdit>(d, "TimeEdit").setTime(QTime(11, 0));
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible() && d.result() != QDialog::Accepted);
    Press(d, "CancelBtn");
  });
  box.Clear();
  Toggle(3);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{DuplicateEntryText(1, EncodeDate(2004, 3, 5) + EncodeTime(11, 0, 0))});
  EXPECT_EQ(Shown(3), "");
  EXPECT_EQ(Table(GetMaketExtention(LayoutSwitchLog)).RowCount, 2);
  EXPECT_DOUBLE_EQ(ReadCurDateSwt(path), EncodeDate(2004, 3, 5) + EncodeTime(10, 45, 0));
  EXPECT_FALSE(b.Modified);
  EXPECT_TRUE(NoLocks());
}

// Two workstations on one program folder: the second was started before the first ticked "Запись
// переключений в журнал" and so reads it unticked. Once the scheme has a journal, its switching is
// entered all the same; and a workstation started after the tick reads it ticked.
TEST_F(RegimeDiagram, EveryWorkstationKeepsTheJournalOfASchemeThatHasOne) {
  form->FullSchBtn->click();
  const std::string journal = path + GetMaketExtention(LayoutSwitchLog);
  WriteCurDateSwt(path, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  WriteBytes(ConfigFileName, "[Graphic]\r\nFSaveCom=0\r\n");
  ReadConfig();
  TIniRec second = std::move(IniRec);
  IniRec.UnomList = std::move(second.UnomList);
  ReadConfig();

  script.Then([](QDialog& d) {
    QCheckBox& keep = Child<QCheckBox>(d, "CheckBox25");
    ASSERT_FALSE(keep.isChecked());
    QTest::mouseClick(&keep, Qt::LeftButton, {}, QPoint(4, keep.height() / 2));
    EXPECT_TRUE(keep.isChecked());
    Press(d, "OKBtn");
  });
  form->SetPrmBtn->click();
  EXPECT_EQ(TMemIniFile(ConfigFileName).ReadString("Graphic", "FSaveCom", ""), "1");
  script.Then(Enter(11, 0, "Петров"));
  Toggle(3);
  ASSERT_EQ(Table(".SWT").RowCount, 2);

  second.UnomList = std::move(IniRec.UnomList);
  IniRec = std::move(second);
  ASSERT_FALSE(IniRec.FSaveCom);
  const int shown = script.Shown();
  script.Then(Enter(11, 15, "Сидоров"));
  Toggle(2);
  EXPECT_EQ(script.Shown(), shown + 1) << "the entry was not asked for";
  TDataFile log;
  ReadTableFile(journal, log);
  TSwitchLogCols j;
  FillSwitchLogCols(log, j);
  ASSERT_EQ(log.RowCount, 4);
  EXPECT_EQ(j.DateS->GetItem(3) + " " + j.Disp->GetItem(4) + " " + Cp1251ToUtf8(std::string(1, (*j.Commut)[4])),
            "05.03.2004 11:15 Сидоров О");
  EXPECT_DOUBLE_EQ(ReadCurDateSwt(path), EncodeDate(2004, 3, 5) + EncodeTime(11, 15, 0));
  EXPECT_EQ(Commut(2), "О");
  EXPECT_FALSE(Box().Modified);

  ReadConfig();  // a workstation started now
  EXPECT_TRUE(IniRec.FSaveCom);
}

// A switching that its journal entry or its save does not take (cancelled, a repeated entry, one dated
// before the branch's last entry, a journal another user holds, a disk full at the scheme's branches, the
// journal or the district lines) is undone on the diagram and writes nothing; neither the save on leaving
// "Правка" nor the next switching writes it later. The switching that is saved changes only its line's
// state in the district base: the marks the scheme holds in other letters, or not at all, stay as the base
// has them.
TEST_F(RegimeDiagram, ASwitchingNotSavedWithItsEntryIsUndoneAndNoLaterSaveWritesIt) {
  LinkToBase();
  gui::TSchemBox& b = Box();
  IniRec.FSaveCom = IniRec.FSave10 = true;
  WriteCurDateSwt(path, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  const std::string lines = ReadBytes(path + ".RSL");
  form->CorrectBtn->click();  // "Правка"
  ASSERT_TRUE(b.EditMode);
  script.Then(Enter(11, 0));
  Toggle(1);
  ASSERT_EQ(Table(".SWT").RowCount, 2);
  ASSERT_EQ(Shown(1), "О");
  TDataFile base;
  ReadTableFile(path + ".RSL", base);
  TLine10Cols l;
  FillLine10Cols(base, l);
  EXPECT_EQ(Cp1251ToUtf8(std::string(1, l.Commut->Get(1))), "О");
  (*l.Commut)[1] = 0;
  base.FileDate = TFileStamp();  // a new file of these rows
  WriteTableFile(dir / "копия.RSL", base);
  EXPECT_EQ(ReadBytes(dir / "копия.RSL"), lines) << "the base's lines changed beyond the switched state";

  const auto folder = [&] {
    std::map<std::string, std::string> files;
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename() != "zr.ini" && f.path().string().back() != '~')
        files[f.path().filename().string()] = ReadBytes(f.path());
    return files;
  };
  const auto before = folder();
  struct Case {
    const char* what;
    const char* fullAt;  // the file the disk fills at; none
    bool foreignLock;
    std::vector<ModalScript::Step> steps;
    std::string told;
  };
  const std::string duplicate = DuplicateEntryText(1, EncodeDate(2004, 3, 5) + EncodeTime(11, 0, 0));
  const Case cases[] = {
      {"cancelled", "", false, {[](QDialog& d) { Press(d, "CancelBtn"); }}, ""},
      {"repeated, then cancelled", "", false, {[](QDialog& d) {
         Child<QDateEdit>(d, "DateEdit").setDate(QDate(2004, 3, 5));
         Child<QTimeEdit>(d, "TimeEdit").setTime(QTime(11, 0));
         Press(d, "OKBtn");
         Press(d, "CancelBtn");
       }},
       duplicate},
      {"before the branch's last entry, then cancelled", "", false, {[](QDialog& d) {
         Child<QDateEdit>(d, "DateEdit").setDate(QDate(2004, 3, 5));
         Child<QTimeEdit>(d, "TimeEdit").setTime(QTime(10, 50));
         Press(d, "OKBtn");
         Press(d, "CancelBtn");
       }},
       "Запись переключения на 05.03.2004 10:50 раньше последней записи этой ветви в журнале переключений "
       "(строка 1, 05.03.2004 11:00). Новая запись должна быть позже 05.03.2004 11:00: измените время или дату "
       "записи"},
      {"journal of another user", "", true, {}, "редактируется. Петров"},
      {"disk full at the branches", "Фидер.VET", false, {Enter(11, 5)}, FullDiskMessage(path + ".VET")},
      {"disk full at the journal", "Фидер.SWT", false, {Enter(11, 5)}, FullDiskMessage(path + ".SWT")},
      {"disk full at the base's lines", "Фидер.RSL", false, {Enter(11, 5)}, FullDiskMessage(path + ".RSL")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    box.Clear();
    for (const auto& step : c.steps) script.Then(step);
    if (c.foreignLock) {
      const std::string me = CurrentUserName;
      CurrentUserName = "Петров";
      LockTableFiles(path, ".SWT");
      CurrentUserName = me;
    }
    {
      std::unique_ptr<FullDiskAt> disk;
      if (*c.fullAt != 0) disk = std::make_unique<FullDiskAt>(c.fullAt);
      Toggle(1);
    }
    if (c.foreignLock) fs::remove(path + ".SWT~");
    ASSERT_EQ(box.Texts().size(), c.told.empty() ? 0u : 1u);
    if (!c.told.empty()) {
      EXPECT_NE(box.Texts()[0].find(c.told), std::string::npos) << box.Texts()[0];
    }
    EXPECT_EQ(Shown(1), "О");
    EXPECT_FALSE(b.Modified);
    EXPECT_TRUE(NoLocks());
    EXPECT_TRUE(folder() == before);
  }

  // Leaving "Правка" has nothing to save; the next switching saves itself and nothing of those.
  box.Clear();
  box.Answer(1);
  form->CorrectBtn->click();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_TRUE(folder() == before);
  script.Then(Enter(11, 10));
  Toggle(2);
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_EQ(Commut(1) + Commut(2), "ОО");
  EXPECT_EQ(Table(".SWT").RowCount, 4);
  EXPECT_DOUBLE_EQ(ReadCurDateSwt(path), EncodeDate(2004, 3, 5) + EncodeTime(11, 10, 0));
  ReadTableFile(path + ".RSL", base);
  FillLine10Cols(base, l);
  (*l.Commut)[1] = (*l.Commut)[2] = 0;
  base.FileDate = TFileStamp();  // a new file of these rows
  WriteTableFile(dir / "копия.RSL", base);
  EXPECT_EQ(ReadBytes(dir / "копия.RSL"), lines) << "the base's lines changed beyond the switched states";
  EXPECT_TRUE(NoLocks());
}

// Two switchings on the diagram, the first with "Сохранение коммутаций, параметров линий и
// трансформаторов в базу РЭС" off (as a new workstation has it), the second after it was ticked in the
// diagram's settings: the first leaves the district lines as they were, the second writes both lines'
// states into them, and nothing else of them; the diagram's next change is taken.
TEST_F(RegimeDiagram, ASwitchingSavedBeforeTheBoxWasTickedReachesTheBaseWithTheNext) {
  LinkToBase();
  IniRec.FSaveCom = true;
  IniRec.FSave10 = false;
  WriteCurDateSwt(path, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  const std::string lines = ReadBytes(path + ".RSL");
  const auto baseStates = [&] {
    TDataFile base;
    ReadTableFile(path + ".RSL", base);
    TLine10Cols l;
    FillLine10Cols(base, l);
    std::string states;
    for (int row = 1; row <= 2; ++row)
      states += l.Commut->Get(row) == 0 ? "-" : Cp1251ToUtf8(std::string(1, l.Commut->Get(row)));
    return states;
  };
  form->CorrectBtn->click();  // "Правка"
  script.Then(Enter(11, 0));
  Toggle(1);
  EXPECT_EQ(Commut(1) + Commut(2), "О");
  EXPECT_EQ(baseStates(), "--");
  EXPECT_EQ(ReadBytes(path + ".RSL"), lines);

  script.Then([](QDialog& d) {
    Child<QCheckBox>(d, "CheckBox31").click();
    Press(d, "OKBtn");
  });
  form->SetPrmBtn->click();
  ASSERT_TRUE(IniRec.FSave10);
  script.Then(Enter(11, 10));
  Toggle(2);
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_EQ(Commut(1) + Commut(2), "ОО");
  EXPECT_EQ(baseStates(), "ОО");
  TDataFile base;
  ReadTableFile(path + ".RSL", base);
  TLine10Cols l;
  FillLine10Cols(base, l);
  (*l.Commut)[1] = (*l.Commut)[2] = 0;
  base.FileDate = TFileStamp();  // a new file of these rows
  WriteTableFile(dir / "копия.RSL", base);
  EXPECT_EQ(ReadBytes(dir / "копия.RSL"), lines) << "the base's lines changed beyond the switched states";
  script.Then(Enter(11, 20));
  Toggle(1);
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_EQ(Commut(1) + Commut(2), "О");
  EXPECT_EQ(baseStates(), "-О");
  EXPECT_TRUE(NoLocks());
}

// Another workstation saves the scheme's branches right after the diagram's own save (or while the
// diagram only shows them): the diagram keeps the stamps of the tables as it saved or read them, so its
// next change is refused as one over a changed file, never saved over the other workstation's branches.
TEST_F(RegimeDiagram, ASaveOfAnotherWorkstationAfterTheDiagramsOwnIsNeverTakenForIt) {
  gui::TSchemBox& b = Box();
  const std::string branches = path + GetMaketExtention(LayoutBranches), other = path + "-другая.VET";
  const TDateTime t0 = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0);
  IniRec.FSaveCom = true;
  // The other workstation's branch table: the scheme's, under another title.
  const auto prepareOther = [&] {
    TDataFile table;
    ReadTableFile(branches, table);
    table.Title += " (другая станция)";
    table.FileDate = 0;  // a new file of these rows
    WriteTableFile(other, table);
  };
  // Put in place as soon as the run of the diagram's save is over (its last record gone).
  const auto afterTheSave = [&] {
    SetTableRunStepHook([&, laid = 0, removed = 0, done = false](TRunStep step) mutable {
      if (step == TRunStep::Locked) laid = removed = 0;
      laid += step == TRunStep::RecordLaid;
      if (step == TRunStep::RecordRemoved && ++removed == laid && !std::exchange(done, true))
        fs::rename(other, branches);
    });
  };
  const auto change = [&] {
    diagram::StartChange(b);
    (*b.BranchCols.R)[1] = b.BranchCols.R->Get(1) + 1;
  };
  const std::vector<std::pair<std::string, std::function<void()>>> cases = {
      {"\"Да\" on leaving \"Правка\"",
       [&] {
         form->CorrectBtn->click();
         change();
         afterTheSave();
         box.Answer(1);
         form->CorrectBtn->click();
       }},
      {"\"Да\" before a command that reads the scheme",
       [&] {
         change();
         afterTheSave();
         box.Answer(1);
         form->ARKItem->trigger();
       }},
      {"a switching saved with its journal entry",
       [&] {
         WriteCurDateSwt(path, t0);
         TRecSwt before;
         ReadBranchRec(b.BranchCols, 3, before);
         diagram::StartChange(b);
         (*b.BranchCols.Commut)[3] = before.Commut == 0 ? Utf8ToCp1251("О")[0] : 0;
         script.Then([](QDialog& d) { Press(d, "OKBtn"); });
         afterTheSave();
         form->SchBoxChangeLine(b.SchemeBase, b.BranchTable.get(), 3, &before);
       }},
      {"\"Анализ конфигурации\" of a diagram not changed",
       [&] {
         fs::rename(other, branches);
         form->ARKItem->trigger();
       }},
  };
  for (const auto& [name, action] : cases) {
    SCOPED_TRACE(name);
    form->FullSchBtn->click();
    prepareOther();
    const std::string theirs = ReadBytes(other);
    action();
    SetTableRunStepHook(nullptr);
    ASSERT_FALSE(fs::exists(other)) << "the other workstation's save was not made";
    EXPECT_FALSE(b.Modified);
    EXPECT_EQ(ErrorOf([&] { diagram::StartChange(b); }), ChangedMeanwhileText(fileio::FullFileName(branches)));
    EXPECT_EQ(ReadBytes(branches), theirs);
    // the diagram read again, as the user is told to
    form->ReloadDiagram();
    EXPECT_TRUE(NoLocks());
  }
}

// The read of the scheme by "Анализ конфигурации" writes the tables back with its own marks (every row
// marked unsupplied is supplied): the diagram holds the very tables that read took, and changes on.
TEST_F(RegimeDiagram, TheSchemesReadWritingItsMarksBackLeavesTheDiagramFreeToChange) {
  for (const char* ext : {".UZL", ".VET"}) {
    TDataFile table;
    ReadTableFile(path + ext, table);
    if (!table.MarkRec) table.MarkRec = std::make_unique<DAbyte>(table.RowCount);
    table.MarkRec->EnsureIndex(table.RowCount);
    for (int row = 1; row <= table.RowCount; ++row) (*table.MarkRec)[row] = 'p';
    WriteTableFile(path + ext, table);
  }
  form->ReloadDiagram();
  const std::string before = ReadBytes(path + ".VET");
  form->ARKItem->trigger();
  ASSERT_NE(ReadBytes(path + ".VET"), before) << "the read wrote nothing back";
  EXPECT_EQ(ErrorOf([&] { diagram::StartChange(Box()); }), "<no error>");
  int answer = 0;
  EXPECT_TRUE(Box().Modified && form->Diagram().SaveScheme(false, false, answer));
  EXPECT_TRUE(NoLocks());
}

TEST_F(RegimeDiagram, SavedDistrictTableIsWhatTheDiagramOffers) {
  EXPECT_TRUE(Box().AreaNumbers.empty());  // the scheme has no district table
  form->RayonItem->trigger();
  ASSERT_EQ(Label(), "Районы схемы");
  gui::TDataGrid5& grid = form->DataGrid();
  grid.LockOnce();
  TDataFile& t = *grid.GetTable();
  t.RowCount = 1;
  for (auto [field, text] : {std::pair<const char*, std::string>{"Nr", "5"}, {"Name", "Северный"}, {"Color", "255"}})
    ASSERT_TRUE(StoreCellText(t, 1, FindColumnIndex(field, t), text)) << field;
  QTest::keyClick(&grid, Qt::Key_F2);
  ASSERT_FALSE(grid.Modified());
  EXPECT_EQ(Table(".RAY").RowCount, 1);
  EXPECT_EQ(Box().AreaNumbers, std::vector<std::string>{"5"});
  EXPECT_EQ(Box().AreaNames, std::vector<std::string>{"Северный"});
  EXPECT_EQ(Box().AreaColors, std::vector<std::int32_t>{255});
}

// Reconfiguration rewrites the district element tables, so it locks those that exist with the scheme's
// own files: another user's lock of one refuses the command and stays in place.
TEST_F(RegimeDiagram, AnotherUsersLockOfADistrictTableRefusesReconfiguration) {
  { std::ofstream(path + ".RSL") << "x"; }
  const std::string me = CurrentUserName;
  CurrentUserName = "Петров";
  LockTableFiles(path, ".RSL");
  CurrentUserName = me;
  box.Clear();
  form->ReconfigItem->trigger();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_NE(box.Texts()[0].find("редактируется. Петров"), std::string::npos) << box.Texts()[0];
  EXPECT_TRUE(fileio::FileExists(path + ".RSL~"));
  fs::remove(path + ".RSL~");
  fs::remove(path + ".RSL");
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
