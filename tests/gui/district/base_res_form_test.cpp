// The district window through its menus: the states of a fresh and an open base, creating, opening and
// copying a base, switching tables with their remembered positions, the catalogues, printing, closing
// and the maximised placement below the main tool bar.
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <array>
#include <cstdio>
#include <map>

#include "core/base/dates.h"
#include "core/regime/scheme_files.h"
#include "core/tables/file_kinds.h"
#include "core/tables/table_writer.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/common/full_build.h"
#include "gui/grid/report_print_device.h"
#include "gui/optim/form_tkz.h"
#include "gui/optim/q_form.h"
#include "gui/optim/tt_form.h"
#include "gui/regime/zregim_form.h"
#include "district_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> FolderBytes(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& f : fs::directory_iterator(folder)) files[f.path().filename().string()] = ReadBytes(f.path());
  return files;
}

std::string PdfText(const std::string& pdf) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("pdftotext -layout '" + pdf + "' - 2>/dev/null").c_str(), "r"),
                                             pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get())) out.append(buffer.data(), n);
  return out;
}

class BaseWindow : public DistrictWindow {
protected:
  // A base of two line sections and 120 transformers, with a formed scheme beside it.
  void MakeBase(const std::string& name = "Пример") {
    WriteRows(Base(name) + ".RSL", LayoutLines10,
              {{"1", "", "ПС-1.1", "ТП-7.2", "1", "АС-50 2", "10"}, {"1", "", "ТП-7.2", "_3", "1", "АС-35 1", "10"}});
    Rows stations;
    for (int i = 1; i <= 120; ++i) stations.push_back({"1", "ТП-" + std::to_string(i), "Т1", "", "", "ТМ-400/10/0.4"});
    WriteRows(Base(name) + ".RTP", LayoutTransTP, stations);
    WriteRows(Base(name) + ".UZL", LayoutNodes, {{"1", "ПС-1.1", "b"}});
    WriteRows(Base(name) + ".VET", LayoutBranches, {});
  }
  bool Shown(const QAction* a) const { return a->isVisible(); }
  // The first row shown, the cursor's grid row and column.
  static std::array<int, 3> Where(const gui::TDataGrid5& grid) { return {grid.FirstRow(), grid.Row(), grid.Col()}; }
  gui::TBaseResForm& F() { return *form; }
};

TEST_F(BaseWindow, FreshWindowOffersCreatingOpeningAndCataloguesOnly) {
  Show();
  EXPECT_EQ(Caption(), "База РЭС");
  ASSERT_NE(F().BaseRegime(), nullptr);
  for (QAction* a : {F().NewItem, F().ImportItem, F().ImpPshItem, F().ImpXlsNetItem, F().OpenItem, F().QuitItem,
                     F().CatalogItem->menuAction(), F().RTItem})
    EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
  for (QAction* a : {F().SaveItem, F().SaveAsItem, F().PrintItem, F().DataItem->menuAction(),
                     F().AbonentItem->menuAction(), F().SchemeItem->menuAction(), F().NodesItem, F().GraphPQItem})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  for (QToolButton* b : {F().SaveBtn, F().PrintBtn, F().LineBtn, F().TPBtn, F().SubstBtn, F().ZamerBtn, F().ExportBtn,
                         F().NodesBtn, F().LinesBtn, F().FlowBtn})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  EXPECT_TRUE(F().OpenBtn->isEnabled());

  // entries this build keeps hidden; the buttons behind the three hidden ones close up by 81 pixels
  for (QAction* a : {F().SwitchItem, F().Line04Item, F().RayonSeparator, F().ImportSeparator, F().ImportTPItem,
                     F().ImpTPMeasItem, F().ImpFeederMeasItem, F().ImpLine04Item, F().ImpDbfBaseItem,
                     F().ImpXlsBaseItem, F().AbonentItem->menuAction(), F().CmpCatItem})
    EXPECT_FALSE(Shown(a)) << a->text().toStdString();
  for (QAction* a : {F().RayonItem, F().RenumItem, F().RenameItem, F().CmpItem, F().ExportItem})
    EXPECT_TRUE(Shown(a)) << a->text().toStdString();
  for (QToolButton* b : {F().Line04Btn, F().PromBtn, F().BytBtn}) EXPECT_FALSE(b->isVisible());
  EXPECT_EQ(F().ExportBtn->x() - F().ZamerBtn->x(), 27);
  EXPECT_TRUE(F().Info->isHidden() && !F().Split->isVisible() && F().ProcBar->isHidden());
  // The messages of the imports stand in columns of blanks: a line of names, marks, numbers and the
  // punctuation of the columns is as wide in the pane as as many digits.
  const QFontMetrics metrics(F().Info->font());
  for (const QString line : {"ПС-1.1 Т1  ТМ-400/10/0.4  12,5", "Узел ф.10: (кат.2) -0.07% |_|;", "WWWWWmmmmm iiiii lllll ЖЖЩЩЫЫ",
                             "\"Ёлка\" [N=1] <Іі> ?!*+~ '_'", "Abcxyz QWERTY юэъяё ЮЭЪЯЁ"})
    EXPECT_EQ(metrics.horizontalAdvance(line), metrics.horizontalAdvance(QString(line.size(), '0'))) << line.toStdString();

  // "/ALL": every entry offered, the buttons in their own places
  gui::SetShowAllCommands(true);
  gui::TBaseResForm all;
  gui::SetShowAllCommands(false);
  all.show();
  for (QAction* a : {all.SwitchItem, all.Line04Item, all.ImportSeparator, all.ImportTPItem, all.ImpDbfBaseItem,
                     all.AbonentItem->menuAction()})
    EXPECT_TRUE(Shown(a)) << a->text().toStdString();
  EXPECT_TRUE(all.PromBtn->isVisible());
  EXPECT_EQ(all.ExportBtn->x() - all.ZamerBtn->x(), 27 + 81);
  // the catalogue alignment, chosen with the mouse in the menu "Каталоги"
  std::string title;
  script.Then([&](QDialog& d) {
    title = d.windowTitle().toStdString();
    d.setResult(QDialog::Rejected);
  });
  QMenuBar& bar = *all.menuBar();
  QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.actionGeometry(all.CatalogItem->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(all.CatalogItem));
  QTest::mouseClick(all.CatalogItem, Qt::LeftButton, {}, all.CatalogItem->actionGeometry(all.CmpCatItem).center());
  EXPECT_EQ(title, "Выравнивание каталожных данных");
}

TEST_F(BaseWindow, WithoutTheWriteRightABaseIsViewedPrintedAndSwitchedOnly) {
  MakeBase();
  UserAccess = 0;
  Show();
  for (QAction* a : {F().NewItem, F().ImportItem, F().ImpPshItem, F().ImpXlsNetItem}) EXPECT_FALSE(a->isEnabled());
  Open();
  EXPECT_FALSE(F().DataGrid().EditTable());
  for (QAction* a : {F().SaveItem, F().SaveAsItem, F().SchemeItem->menuAction(), F().RenumItem})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  EXPECT_FALSE(F().SaveBtn->isEnabled() || F().ExportBtn->isEnabled());
  EXPECT_TRUE(F().PrintItem->isEnabled() && F().DataItem->menuAction()->isEnabled() && F().TPBtn->isEnabled());
  F().TPBtn->click();
  EXPECT_EQ(Label(), "Формат РЭС (ТП,РП)");
  EXPECT_FALSE(F().DataGrid().EditTable());
}

// "Создать" over a stem that holds a file of every kind of the program's list: the question names each
// file that goes with what it is, "Нет" changes nothing, and "Да" replaces the base and the scheme formed
// from it, leaving the other families of the stem (the short-circuit data, the load variants) and
// another base's stem as they were.
TEST_F(BaseWindow, CreatingOverAnExistingStemAsksNamingEachFileAndReplacesTheBaseWithItsScheme) {
  MakeBase();
  for (const TFileKind& kind : StemFileKinds())
    if (!fs::exists(Base() + kind.Ext)) WriteBytes(Base() + kind.Ext, "данные");
  WriteRows(Base("Пример.a") + ".RSL", LayoutLines10, {{"1", "", "А", "Б"}});
  Show();
  const auto before = FolderBytes(dir.Path());
  const std::string question = CopyReplaceQuestion("База с таким именем уже существует.", EmptyBaseReplaced(Base()),
                                                   TReplacedBy::Create, TFileFamily::Base);

  box.Answer(0);  // "Нет"
  script.Then(Choose("Создание базы РЭС", Base() + ".RSL"));
  F().NewItem->trigger();
  ASSERT_EQ(box.Texts(), std::vector<std::string>{question});
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);
  EXPECT_EQ(box.Calls()[0].buttons, mbYesNoCancel);
  EXPECT_EQ(FolderBytes(dir.Path()), before);
  EXPECT_EQ(Caption(), "База РЭС");

  box.Answer(1);  // "Да"
  script.Then(Choose("Создание базы РЭС", Base() + ".RSL"));
  F().NewItem->trigger();
  for (const TFileKind& kind : StemFileKinds()) {
    const bool stays = kind.Family != TFileFamily::Base && kind.Family != TFileFamily::Scheme;
    if (kind.Ext != ".RSL") {
      EXPECT_EQ(question.find("Пример" + kind.Ext + " (" + kind.What + ")") != std::string::npos, !stays) << kind.Ext;
      EXPECT_EQ(fs::exists(Base() + kind.Ext), stays) << kind.Ext;
    }
    EXPECT_TRUE(!stays || ReadBytes(Base() + kind.Ext) == "данные") << kind.Ext;
  }
  EXPECT_EQ(ReadBytes(Base("Пример.a") + ".RSL"), before.at("Пример.a.RSL")) << "another base's stem";
  const TDataFile lines = Table(Base() + ".RSL");
  EXPECT_EQ(std::tuple(lines.Name, lines.RowCount, lines.Title), std::tuple(std::string(LayoutLines10), 0, std::string("Пример")));
  EXPECT_EQ(F().BaseFileName, Base());
  EXPECT_EQ(Caption(), "База РЭС - Пример");
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  EXPECT_TRUE(F().DataGrid().EditTable() && F().SaveItem->isEnabled() && F().ExportBtn->isEnabled());
  EXPECT_FALSE(F().NodesBtn->isEnabled());
}

// A table shown in a window while a new base is made over its stem (in another base window) went with
// the family it was read from: its first change, by a key in its table (F4, and F2 after it, each) or the
// diagram's save, is refused as a changed table's, and nothing is made where it was, beside the new base.
// So is a table shown where no file was once another has made that file, and a table of the
// optimisation windows or the catalogue windows whose file was removed, alone or with its family.
TEST_F(BaseWindow, ATableWhoseFileWentSinceItWasShownIsRefusedAsAChangedOne) {
  Show();
  std::unique_ptr<gui::TZregimForm> regime;
  std::unique_ptr<QWidget> window;  // the optimisation or catalogue window that holds the table
  gui::TDataGrid5* held = nullptr;   // its table's grid
  const auto showTaps = [&] {
    auto taps = std::make_unique<gui::TT_Form>(Base(), dir.Path().string() + "/");
    held = taps->TGrid;
    window = std::move(taps);
    window->show();
  };
  const auto showSources = [&] {
    auto sources = std::make_unique<gui::TQ_Form>(Base(), dir.Path().string());
    held = &sources->Grid();
    window = std::move(sources);
    window->show();
  };
  const auto showGraphs = [&] {
    auto graphs = std::make_unique<gui::TCatGrForm>(Base(), gui::kNoGraphSearch);
    held = graphs->CatGrid;
    window = std::move(graphs);
    window->show();
  };
  const std::string catalogue = ProgramDir + "sprav_RT.cat";
  const auto showCatalogue = [&] {
    auto list = std::make_unique<gui::TCatalogForm>();
    list->Prepare(catalogue, nullptr, 1);
    held = list->DTable();
    window = std::move(list);
    window->show();
  };
  const auto chooseData = [&](const char* title) {
    return [&, title](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), title);
      auto& files = static_cast<QFileDialog&>(d);
      files.setDirectory(QString::fromStdString(dir.Path().string()));
      Child<QLineEdit>(files, "fileNameEdit").setText("Пример" + QString::fromStdString(GetMaketExtention(LayoutTkzSources)));
      d.setResult(QDialog::Accepted);
    };
  };
  const auto showFaults = [&] {
    auto faults = std::make_unique<gui::TFormTKZ>();
    faults->show();
    script.Then(chooseData("Загрузка данных для расчета Т.К.З."));
    Child<QToolButton>(*faults, "OpenBtn").click();
    held = &faults->DataGrid();
    window = std::move(faults);
  };
  const auto newFaultData = [&] {
    gui::TFormTKZ other;
    other.show();
    box.Answer(1);  // "Да" to the files it replaces
    script.Then(chooseData("Создание данных для расчета Т.К.З."));
    Child<QToolButton>(other, "NewBtn").click();
  };
  const auto removed = [&](const std::string& file) { return [file] { fs::remove(file); }; };
  const auto okButton = [&] { QTest::mouseClick(&Child<QPushButton>(*window, "OkBtn"), Qt::LeftButton); };
  const auto openScheme = [&] {
    script.Then([&](QDialog& d) {
      auto& files = static_cast<QFileDialog&>(d);
      files.setDirectory(QString::fromStdString(dir.Path().string()));
      Child<QLineEdit>(files, "fileNameEdit").setText("Пример.UZL");
      d.setResult(QDialog::Accepted);
    });
    regime->OpenItem->trigger();
  };
  const auto newBase = [&] {
    gui::TBaseResForm other;
    other.show();
    box.Answer(1);  // "Да" to the files it replaces
    script.Then(Choose("Создание базы РЭС", Base() + ".RSL"));
    other.NewItem->trigger();
  };
  const auto keys = [](gui::TDataGrid5& grid) {
    QTest::keyClick(&grid, Qt::Key_F4);
    QTest::keyClick(&grid, Qt::Key_F2);
  };
  const std::string inputs = GetMaketExtention(LayoutSubstInputs);
  const std::string taps = GetMaketExtention(LayoutKtrTable), sources = GetMaketExtention(LayoutReactiveSources),
                    graphs = GetMaketExtention(GraphCatalogMaket), faults = GetMaketExtention(LayoutTkzSources),
                    radius = GetMaketExtention(LayoutTkzRadius);
  struct Case {
    const char* what;
    std::string ext;  // of the table refused
    std::function<void()> show, meanwhile, change;
    std::size_t refusals = 2;
    bool theirs = false;  // the file there is one another made after the table was shown
    std::string path = {};  // the table's file where it is no file of the base's family
    bool lower = false;     // the family's extensions in lower case, as a copy from elsewhere leaves them
  };
  const Case cases[] = {
      {"a district table in the base window", ".RTP", [&] { Open(); F().TPBtn->click(); }, newBase,
       [&] { keys(F().DataGrid()); }},
      {"the node table in the regime window", ".UZL", openScheme, newBase, [&] { keys(regime->DataGrid()); }},
      {"the node table in the regime window, its family in lower case", ".uzl", openScheme, newBase,
       [&] { keys(regime->DataGrid()); }, 2, false, {}, true},
      {"the branch table in the regime window", ".VET", [&] { openScheme(); regime->LinesItem->trigger(); },
       newBase, [&] { keys(regime->DataGrid()); }},
      {"the diagram's save in the regime window", ".UZL",
       [&] {
         openScheme();
         regime->SchBtn->click();
         regime->CorrectBtn->click();  // "Правка"
       },
       newBase,
       [&] {
         regime->FindEdit->setText("~5");
         regime->SaveSchBtn->click();
       },
       1},
      {"a table shown where no file was, made by another", inputs, [&] { Open(); F().SubstBtn->click(); },
       [&] {
         TDataFile theirs;
         FillNamedRows(theirs, LayoutSubstInputs, {{{"Subst", "ПС-9"}}});
         WriteTableFile(Base() + inputs, theirs);
       },
       [&] { keys(F().DataGrid()); }, 2, true},
      {"the tap table of the two-transformer window, removed", taps, showTaps, removed(Base() + taps),
       [&] { keys(*held); }},
      {"the tap table of the two-transformer window, its family made anew", taps, showTaps, newBase,
       [&] { keys(*held); }},
      {"the tap table saved by its window's button, removed", taps, showTaps, removed(Base() + taps), okButton, 1},
      {"the tap table saved by its window's button where none was, made by another", taps,
       [&] {
         fs::remove(Base() + taps);
         showTaps();
       },
       [&] { WriteRows(Base() + taps, LayoutKtrTable, {{"5", "6", "0", "Т9"}}); }, okButton, 1, true},
      {"the reactive sources of their window, removed", sources, showSources, removed(Base() + sources),
       [&] { keys(*held); }},
      {"the reactive sources of their window, their family made anew", sources, showSources, newBase,
       [&] { keys(*held); }},
      {"the reactive sources saved by their window's button, their family made anew", sources, showSources, newBase,
       okButton, 1},
      {"the reactive sources saved by their window's button where none were, made by another", sources,
       [&] {
         fs::remove(Base() + sources);
         showSources();
       },
       [&] { WriteRows(Base() + sources, LayoutReactiveSources, {{"7", "ТП-9"}}); }, okButton, 1, true},
      {"the graph catalogue, removed", graphs, showGraphs, removed(Base() + graphs), [&] { keys(*held); }},
      {"the graph catalogue, its base made anew", graphs, showGraphs, newBase, [&] { keys(*held); }},
      {"an equipment catalogue in its window, removed", "", showCatalogue, removed(catalogue), [&] { keys(*held); },
       2, false, catalogue},
      {"the short-circuit sources, removed", faults, showFaults, removed(Base() + faults), [&] { keys(*held); }},
      {"the short-circuit sources, their data set made anew", faults, showFaults, newFaultData,
       [&] { keys(*held); }, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeBase();
    WriteRows(Base() + taps, LayoutKtrTable, {{"1", "2", "0", "Т1"}});
    WriteRows(Base() + sources, LayoutReactiveSources, {{"1", "ПС-1.1"}});
    WriteRows(Base() + graphs, GraphCatalogMaket, {{"3", "Зимний", "0", "P", "", "кВт"}});
    WriteRows(catalogue, "Справочник токоогр.реакторов", {{"РБ-10-630-0.56"}});
    TDataFile sourcesOfFaults;
    FillNamedRows(sourcesOfFaults, LayoutTkzSources, {{{"Name", "S"}}});
    WriteTableFile(Base() + faults, sourcesOfFaults);
    WriteRows(Base() + radius, LayoutTkzRadius, {});
    fs::remove(Base() + inputs);
    if (c.lower)
      for (const auto& f : fs::directory_iterator(dir.Path())) {
        std::string name = f.path().filename().string();
        const std::size_t dot = name.rfind('.');
        if (!f.is_regular_file() || dot == std::string::npos) continue;
        std::transform(name.begin() + static_cast<long>(dot), name.end(), name.begin() + static_cast<long>(dot),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        fs::rename(f.path(), dir.Path() / name);
      }
    regime = std::make_unique<gui::TZregimForm>();
    regime->Params.clear();
    regime->show();
    c.show();
    c.meanwhile();
    const std::string file = c.path.empty() ? Base() + c.ext : c.path;
    const bool made = fs::exists(file);
    ASSERT_EQ(made, c.theirs);
    const std::string bytes = made ? ReadBytes(file) : "";
    box.Clear();
    c.change();
    EXPECT_EQ(box.Texts(), std::vector<std::string>(c.refusals, ChangedMeanwhileText(file)));
    EXPECT_EQ(fs::exists(file), made);
    if (made) {
      EXPECT_EQ(ReadBytes(file), bytes);
    }
    for (const auto& f : fs::directory_iterator(dir.Path()))
      EXPECT_NE(f.path().string().back(), '~') << f.path().filename().string();
    window.reset();
    regime.reset();
    // the next case's family is spelt as the layout spells it
    if (c.lower)
      for (const auto& f : fs::directory_iterator(dir.Path()))
        if (const std::string ext = f.path().extension().string();
            std::any_of(ext.begin(), ext.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; }))
          fs::remove(f.path());
  }
}

TEST_F(BaseWindow, OpeningShowsTheSwitchingMomentAndKeepsTheSchemeTablesClosed) {
  MakeBase();
  MakeBase("Без даты");
  WriteCurDateSwt(Base(), EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  Show();
  Open();
  EXPECT_EQ(Caption(), "База РЭС - Пример (05.03.2004 10:30)");
  EXPECT_EQ(F().DataGrid().table().RowCount, 2);
  // the formed scheme of an earlier run stays closed until a scheme is formed again
  for (QAction* a : {F().NodesItem, F().LinesItem, F().FlowItem}) EXPECT_FALSE(a->isEnabled());
  for (QToolButton* b : {F().NodesBtn, F().LinesBtn, F().FlowBtn}) EXPECT_FALSE(b->isEnabled());
  F().EnableSchemeTables();
  EXPECT_TRUE(F().NodesBtn->isEnabled() && F().FlowItem->isEnabled());
  F().NodesBtn->click();
  EXPECT_EQ(Label(), "Узлы схемы");

  Open("Без даты");
  EXPECT_EQ(Caption(), "База РЭС - Без даты");
  EXPECT_FALSE(F().NodesBtn->isEnabled());
  std::string name;
  F().GetBaseFileName(name);
  EXPECT_EQ(name, Base("Без даты"));

  // A base whose line table is cut short, or no table at all: refused saying why, and the base that was
  // open stays open with its table.
  MakeBase("Обрезанная");
  const std::string lines = Base("Обрезанная") + ".RSL";
  const std::string whole = ReadBytes(lines);
  for (const auto& [bytes, reason] :
       {std::pair(whole.substr(0, whole.size() - 3), std::string("файл обрезан: на столбец \"Idx\" нужно 8 байт, а "
                                                                 "до конца файла 5 байт")),
        std::pair(std::string("линии"), std::string("файл не является таблицей (в начале нет подписи ZREGIM)"))}) {
    WriteBytes(lines, bytes);
    box.Clear();
    Open("Обрезанная");
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + lines + "\": " + reason});
    EXPECT_EQ(Caption(), "База РЭС - Без даты");
    EXPECT_EQ(F().BaseFileName, Base("Без даты"));
    EXPECT_EQ(F().DataGrid().FileName(), Base("Без даты") + ".RSL");
    EXPECT_EQ(F().DataGrid().table().RowCount, 2);
  }
}

TEST_F(BaseWindow, SaveAsCopiesEveryFileOfTheStemAndOpensTheCopy) {
  MakeBase();
  WriteBytes(Base() + ".GRC", "графики");
  WriteCurDateSwt(Base(), EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  // An older base of the copy's name with its scheme, files of both that the copied base lacks (a table,
  // a journal, a protocol in other letters, the scheme's results, tap table and reactive sources), which
  // go with the base they were made for; a file of no family and another base whose name only begins the
  // same stay. Asked about by the file typed, whichever of them it is, each file named with what it is.
  WriteRows(Base("Копия") + ".RSL", LayoutLines10, {});
  WriteBytes(Base("Копия") + ".ABC", "своё");
  WriteRows(Base("Копия") + ".BPA", LayoutMeterPoints, {});
  WriteRows(Base("Копия") + ".SWT", LayoutSwitchLog, {});
  WriteBytes(Base("Копия") + ".wrg", "прежний протокол");
  WriteRows(Base("Копия") + ".WUZ", LayoutNodeEnergy, {});
  for (const char* ext : {".NUZ", ".ZLN", ".KTR", ".QOP"}) WriteBytes(Base("Копия") + ext, "прежняя схема");
  WriteRows(Base("Копия2") + ".RSL", LayoutLines10, {});
  Show();
  Open();
  const auto before = FolderBytes(fs::path(Base("Копия")).parent_path());
  for (const int answer : {0, 1}) {
    box.Answer(answer);
    script.Then([](QDialog& d) {
      EXPECT_EQ(Child<QLineEdit>(d, "fileNameEdit").text().toStdString(), "Пример");
      Choose("Сохранение базы РЭС", (fs::path(static_cast<QFileDialog&>(d).directory().absolutePath().toStdString()) /
                                     "Копия.SWT").string())(d);
    });
    F().SaveAsItem->trigger();
    if (answer == 0) {
      EXPECT_TRUE(FolderBytes(fs::path(Base("Копия")).parent_path()) == before) << "\"Нет\" changed files";
    }
  }
  for (const char* ext : {".BPA", ".SWT", ".wrg", ".WUZ", ".NUZ", ".ZLN", ".KTR", ".QOP"})
    EXPECT_FALSE(fs::exists(Base("Копия") + ext)) << ext;
  EXPECT_TRUE(fs::exists(Base("Копия2") + ".RSL"));
  for (const char* ext : {".RSL", ".RTP", ".UZL", ".VET", ".GRC", ".INI"})
    EXPECT_TRUE(fs::exists(Base("Копия") + ext)) << ext;
  EXPECT_EQ(ReadBytes(Base("Копия") + ".GRC"), "графики");
  EXPECT_EQ(Table(Base("Копия") + ".RTP").RowCount, 120);
  EXPECT_EQ(F().BaseFileName, Base("Копия"));
  EXPECT_EQ(Caption(), "База РЭС - Копия (05.03.2004 10:30)");
  EXPECT_EQ(F().DataGrid().FileName(), Base("Копия") + ".RSL");
  EXPECT_EQ(F().DataGrid().table().RowCount, 2);
  EXPECT_EQ(ReadBytes(Base("Копия") + ".ABC"), "своё");
  EXPECT_EQ(box.Texts(),
            std::vector<std::string>(
                2, "База с таким именем уже существует.\nБудут заменены файлы: Копия.RSL (таблица линий).\nБудут "
                   "удалены файлы, которых в копии не будет: Копия.BPA (база промышленных абонентов).\nБудут удалены "
                   "файлы схемы, которых в копии не будет: Копия.KTR (таблица отпаек), Копия.NUZ (напряжения узлов, "
                   "результат расчета), Копия.QOP (источники реактивной мощности), Копия.SWT (журнал переключений), "
                   "Копия.WUZ (электропотребление в узлах), Копия.ZLN (загрузка линий, результат расчета), Копия.wrg "
                   "(результаты расчета потерь).\nПерезаписать ?"));

  // Onto its own name, as the dialog offers it, the copy is a save: nothing asked, every byte kept, the
  // base open as it was.
  box.Clear();
  const auto saved = FolderBytes(fs::path(Base("Копия")).parent_path());
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "fileNameEdit").text().toStdString(), "Копия");
    d.setResult(QDialog::Accepted);
  });
  F().SaveAsItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_TRUE(FolderBytes(fs::path(Base("Копия")).parent_path()) == saved) << "a save onto itself changed files";
  EXPECT_EQ(Caption(), "База РЭС - Копия (05.03.2004 10:30)");
  EXPECT_EQ(F().DataGrid().FileName(), Base("Копия") + ".RSL");
}

TEST_F(BaseWindow, TablesKeepTheirPositionsWhileTheBaseStaysOpen) {
  MakeBase();
  MakeBase("Другая");
  Show();
  Open();
  gui::TDataGrid5& grid = F().DataGrid();
  F().TPItem->trigger();
  grid.GotoRow(100);
  grid.MoveTo(4, 2);
  const std::array<int, 3> where = Where(grid);
  ASSERT_GT(where[0], 1);
  F().LineBtn->click();
  EXPECT_EQ(Where(grid), (std::array{1, 1, 1}));
  F().TPBtn->click();
  EXPECT_EQ(Where(grid), where);

  // a position beyond the table as it is now: the last row, the first column
  F().LineItem->trigger();
  WriteRows(Base() + ".RTP", LayoutTransTP, {{"1", "ТП-1"}, {"1", "ТП-2"}, {"1", "ТП-3"}});
  F().BaseGridPositions.Save(LayoutTransTP, 1, 60, 15);
  F().TPItem->trigger();
  EXPECT_EQ(Where(grid), (std::array{1, 3, 1}));

  // a table without its file: its layout, empty; merely looking creates nothing, the first save does
  F().SubstBtn->click();
  EXPECT_EQ(Label(), "Формат РЭС (вводы п/ст)");
  EXPECT_EQ(grid.table().RowCount, 0);
  EXPECT_FALSE(fs::exists(Base() + ".RSV"));
  const std::string subst = "ПС-1";
  grid.SetFieldText("Subst", 1, &subst);
  F().SaveBtn->click();
  const TDataFile inputs = Table(Base() + ".RSV");
  EXPECT_EQ(std::tuple(inputs.RowCount, inputs.Title), std::tuple(1, std::string("Пример")));
  EXPECT_FALSE(fs::exists(Base() + ".RSV~"));

  // the switching journal and the industrial base are hidden entries whose commands still work
  F().DataItemClick(F().SwitchItem);
  EXPECT_EQ(Label(), "Переключения");
  F().DataItemClick(F().PromBtn);
  EXPECT_EQ(Label(), "База промышленных абонентов");

  // the graph catalogue of the base opens for browsing; the hidden catalogue alignment still runs
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.objectName().toStdString(), "CatGrForm");
    EXPECT_TRUE(Child<QWidget>(d, "OkPanel").isHidden()) << "browsing, no choice";
    d.reject();
  });
  F().GraphPQItem->trigger();
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Выравнивание каталожных данных");
    d.reject();
  });
  F().CmpCatItemClick();

  // a table whose file carries a lower-case extension (a folder copied from another system) is shown from
  // that file and saved into it, never into a second file beside it
  F().LineItem->trigger();
  fs::rename(Base() + ".RTP", Base() + ".rtp");
  F().TPBtn->click();
  EXPECT_EQ(grid.FileName(), Base() + ".rtp");
  ASSERT_EQ(grid.table().RowCount, 3);
  const std::string station = "ТП-9";
  grid.SetFieldText("Name1", 1, &station);
  F().SaveBtn->click();
  EXPECT_FALSE(fs::exists(Base() + ".RTP"));
  const TDataFile stations = Table(Base() + ".rtp");
  EXPECT_EQ(stations.RowCount, 3);
  EXPECT_EQ(GetColumnAs<DAString>("Name1", stations)->GetItem(1), "ТП-9");

  Open("Другая");
  for (const char* layout : BaseMaketNames) EXPECT_EQ(F().BaseGridPositions.Get(layout), (TBaseGridPos{1, 1, 1}));
}

TEST_F(BaseWindow, CataloguesOpenWithoutABaseAndTablesPrintUnderTheBaseName) {
  WriteRows(ProgramDir + "SPRAV_RT.CAT", "Справочник токоогр.реакторов", {{"РБ-10-630-0.56"}});
  MakeBase();
  Show();
  F().RTItem->trigger();
  EXPECT_EQ(F().DataGrid().FileName(), ProgramDir + "SPRAV_RT.CAT");
  EXPECT_EQ(Label(), "Каталог токоограничивающих реакторов");
  EXPECT_EQ(F().DataGrid().table().RowCount, 1);
  EXPECT_TRUE(F().DataGrid().EditTable() && F().SaveItem->isEnabled() && F().SaveBtn->isEnabled() &&
              F().PrintItem->isEnabled() && F().PrintBtn->isEnabled());
  // a catalogue that is missing shows empty under its title
  F().KAItem->trigger();
  EXPECT_EQ(std::pair(F().DataGrid().table().Name, F().DataGrid().table().RowCount),
            std::pair(std::string("Коммутационные аппараты"), 0));
  EXPECT_FALSE(fs::exists(ProgramDir + "sprav_KA.cat"));

  Open();
  const std::string pdf = dir / "lines.pdf";
  gui::ReportPrinter().setOutputFileName(QString::fromStdString(pdf));
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QPlainTextEdit>(d, "BeginText").toPlainText().toStdString(), "Схема: Пример - Формат РЭС (линии)");
    Press(d, "PrintBtn");  // prints
    Press(d, "PrintBtn");  // "Выход"
  });
  F().PrintItem->trigger();
  gui::ReportPrinter().setOutputFileName(QString());
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("Схема: Пример - Формат РЭС (линии)"), std::string::npos) << text;
  EXPECT_NE(text.find("ТП-7.2"), std::string::npos);

  // the messages pane prints under the window's caption and hides with its splitter
  F().Info->setPlainText("Строка 1\nСтрока 2");
  F().ShowInfo(true);
  EXPECT_TRUE(F().Info->isVisible() && F().Split->isVisible());
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QPlainTextEdit>(d, "BeginText").toPlainText().toStdString(), "База РЭС - Пример");
    d.reject();
  });
  F().PrnInfoItem->trigger();
  F().CloseItem->trigger();
  EXPECT_FALSE(F().Info->isVisible() || F().Split->isVisible());
}

TEST_F(BaseWindow, CloseQueryKeepsTheWindowOnCancelAndFreesTheEngineOtherwise) {
  MakeBase();
  Show();
  Open();
  F().DataGrid().LockOnce();  // an edit begun in the line table
  box.Answer(2);              // "Отмена"
  EXPECT_FALSE(F().close());
  EXPECT_TRUE(F().isVisible() && F().BaseRegime() != nullptr);
  box.Answer(0);  // "Нет"
  EXPECT_TRUE(F().close());
  EXPECT_EQ(F().BaseRegime(), nullptr);
  EXPECT_FALSE(fs::exists(Base() + ".RSL~"));
  F().show();  // shown again: a new engine and no base
  EXPECT_NE(F().BaseRegime(), nullptr);
  EXPECT_EQ(Caption(), "База РЭС");
  EXPECT_TRUE(F().BaseFileName.empty());
}

TEST(WorkWindowPlacement, MaximisedBelowTheToolBarWhereverTheWorkAreaBegins) {
  // a work area below a panel of 30 pixels and right of one of 100; the tool bar ends at 55
  EXPECT_EQ(gui::TWorkForm::MaximizedRect(QRect(100, 30, 1000, 700), 55), QRect(100, 55, 1000, 675));
  EXPECT_EQ(gui::TWorkForm::MaximizedRect(QRect(100, 30, 1000, 700), 0), QRect(100, 30, 1000, 700));
  EXPECT_EQ(gui::TWorkForm::MaximizedRect(QRect(0, 0, 800, 600), 25), QRect(0, 25, 800, 575));

  ScriptedMsgBox box;
  gui::TBaseResForm form;
  form.SetTag(40);
  form.show();  // the window opens maximised
  QApplication::processEvents();
  const QRect area = form.screen()->availableGeometry();
  EXPECT_EQ(form.frameGeometry(), gui::TWorkForm::MaximizedRect(area, 40));
  EXPECT_FALSE(form.windowState() & Qt::WindowMaximized);
  form.showNormal();
  form.resize(300, 200);
  form.showMaximized();
  QApplication::processEvents();
  EXPECT_EQ(form.frameGeometry(), QRect(area.left(), 40, area.width(), area.bottom() + 1 - 40));
}

}  // namespace
}  // namespace ld::test
