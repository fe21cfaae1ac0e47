// The regime window's menu "Схема": open, create, copy, and the CDU import through the converter.
#include <QListWidget>
#include <filesystem>
#include <map>

#include "core/base/dates.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "gui/regime/cdu_link.h"
#include "support/typing.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// Every file of a folder, by path: its bytes.
std::map<std::string, std::string> FolderBytes(const fs::path& folder) {
  std::map<std::string, std::string> bytes;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) bytes[entry.path().string()] = ReadBytes(entry.path());
  return bytes;
}

double NodeValue(const std::string& file, const char* field, int row) {
  TDataFile t;
  ReadTableFile(file, t);
  return TNumberColumn(field, t).Get(row);
}

TEST_F(RegimeWindow, OpenShowsTheSchemeWithItsMomentAndAFailureResets) {
  const std::string path = TwoNodes().Write(dir.Path(), "Схема");
  WriteCurDateSwt(path, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  script.Then([&](QDialog& d) {
    EXPECT_EQ(static_cast<QFileDialog&>(d).nameFilters(), QStringList{"Узлы схемы (*.UZL)"});
    Choose("Загрузка схемы", path + ".UZL")(d);
  });
  form->OpenItem->trigger();
  EXPECT_EQ(Caption(), "Z-режим - Схема (05.03.2004 10:30)");
  EXPECT_EQ(Label(), "Узлы схемы");
  EXPECT_EQ(form->SchemePath, path);
  EXPECT_TRUE(form->DataGrid().GridVisible() && form->DataGrid().EditTable());
  EXPECT_EQ(form->DataGrid().table().RowCount, 2);
  for (QAction* a : {form->SaveItem, form->CalcItem, form->WCalcItem, form->TreItem, form->RegimItem->menuAction()})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_TRUE(box.Texts().empty());

  // a damaged node file: the load error names the scheme and the window goes back to no scheme
  WriteBytes(dir.Path() / "Порча.UZL", "не таблица");
  Open((dir.Path() / "Порча").string());
  ASSERT_EQ(box.Calls().size(), 1U);
  EXPECT_EQ(box.Texts()[0].rfind("Ошибка загрузки схемы \"Порча\" : ", 0), 0U) << box.Texts()[0];
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(Caption(), "Z-режим");
  EXPECT_TRUE(form->SchemePath.empty());
  EXPECT_FALSE(form->SaveItem->isEnabled() || form->DataGrid().GridVisible());
}

TEST_F(RegimeWindow, NewAsksBeforeOverwritingAndSaveAsGoesOnWithTheRoundedCopy) {
  SchemeBuilder s = TwoNodes();
  s.Nodes[1].Pn = 1.57;
  path = s.Write(dir.Path(), "Схема");
  const std::string nodes = ReadBytes(path + ".UZL"), branches = ReadBytes(path + ".VET");
  script.Then(Choose("Создание схемы", path + ".UZL"));
  box.Answer(0);
  form->NewItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Схема с таким именем уже существует.\nБудут заменены файлы: "
                                                  "Схема.UZL (узлы схемы), Схема.VET (ветви схемы).\nПерезаписать ?"});
  EXPECT_EQ(box.Calls()[0].buttons, mbYesNoCancel);
  EXPECT_EQ(ReadBytes(path + ".UZL") + ReadBytes(path + ".VET"), nodes + branches);
  EXPECT_EQ(Caption(), "Z-режим");

  // a new scheme beside a base of its name: the older scheme's tap table goes, asked about, and the base's
  // tables stay
  WriteBytes(dir / "Новая.RSL", "база");
  WriteBytes(dir / "новая.ktr", "отпайки");
  script.Then(Choose("Создание схемы", dir / "Новая.UZL"));
  box.Clear();
  box.Answer(1);
  form->NewItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Схема с таким именем уже существует.\nБудут удалены файлы, которых "
                                                  "в новой схеме не будет: новая.ktr (таблица отпаек).\nПерезаписать ?"});
  EXPECT_EQ(Caption(), "Z-режим - Новая");
  EXPECT_EQ(ReadBytes(dir / "Новая.RSL"), "база");
  EXPECT_FALSE(fs::exists(dir / "новая.ktr"));

  Open(path);
  script.Then(Choose("Копирование схемы", dir / "Копия1-.UZL"));
  form->SaveAsItem->trigger();
  EXPECT_EQ(Caption(), "Z-режим - Копия1-");
  EXPECT_EQ(form->SchemePath, dir / "Копия1-");
  EXPECT_NEAR(NodeValue(dir / "Копия1-.UZL", "Pn", 2), 1.6, 1e-9);
  EXPECT_NEAR(NodeValue(path + ".UZL", "Pn", 2), 1.57, 1e-9);

  // A copy onto the scheme itself is its save: the edited table's save question is the only one asked;
  // "Нет" leaves every byte and "Да" writes the value typed, and the scheme opens again as saved.
  const std::string own = dir / "Копия1-";
  gui::TDataGrid5& grid = form->DataGrid();
  for (const int answer : {0, 1}) {
    const auto before = FolderBytes(dir.Path());
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F4);
    grid.MoveTo(grid.FieldColumn("Pn"), 2);
    grid.Editor()->selectAll();
    TypeIntoCell(grid.Editor(), "2.5");
    QTest::keyClick(grid.Editor(), Qt::Key_Return);
    ASSERT_TRUE(grid.Modified());
    script.Then(Choose("Копирование схемы", own + ".UZL"));
    box.Clear();
    box.Answer(answer);
    form->SaveAsItem->trigger();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Сохранить файл \"Копия1-.UZL\" (Узлы схемы) ?"});
    auto after = FolderBytes(dir.Path());
    if (answer == 1) {
      EXPECT_NEAR(NodeValue(own + ".UZL", "Pn", 2), 2.5, 1e-9);
      EXPECT_NE(after[own + ".UZL"], before.at(own + ".UZL"));
      after[own + ".UZL"] = before.at(own + ".UZL");
    }
    EXPECT_EQ(after, before) << answer;
    EXPECT_EQ(Caption(), "Z-режим - Копия1-");
    EXPECT_FALSE(grid.Modified());
    EXPECT_NEAR(TNumberColumn("Pn", grid.table()).Get(2), answer == 1 ? 2.5 : 1.6, 1e-9);
    EXPECT_TRUE(NoLocks());
  }

  // The scheme beside a district base of its own copied onto a district that has a base and no scheme:
  // the copy replaces that base whole, and the question says so and nothing of a scheme. "Нет" leaves
  // every byte; "Да" leaves the district the copy's base and scheme, its other base files gone.
  CreateEmptyTableFile(own + ".RSL", LayoutLines10, "Копия1-");
  const std::string district = dir / "Район";
  WriteBytes(district + ".RSL", "линии района");
  WriteBytes(district + ".RTP", "подстанции района");
  WriteBytes(dir / "район.grc", "графики района");
  const auto beforeCopy = FolderBytes(dir.Path());
  box.Clear();
  for (const int answer : {0, 1}) {
    script.Then(Choose("Копирование схемы", district + ".UZL"));
    box.Answer(answer);
    form->SaveAsItem->trigger();
    if (answer == 0) {
      EXPECT_EQ(FolderBytes(dir.Path()), beforeCopy);
    }
  }
  EXPECT_EQ(box.Texts(), std::vector<std::string>(2, "База с таким именем уже существует.\nБудут заменены файлы базы "
                                                     "РЭС: Район.RSL (таблица линий).\nБудут удалены файлы базы РЭС, "
                                                     "которых в копии не будет: Район.RTP (таблица ТП, РП), район.grc "
                                                     "(каталог графиков нагрузки).\nПерезаписать ?"));
  std::map<std::string, std::string> expected;  // the folder after "Да": every byte that was, but the district's
  for (const auto& [file, bytes] : beforeCopy)
    if (fs::path(file).stem() != "Район" && fs::path(file).stem() != "район") expected[file] = bytes;
  for (const auto& [file, bytes] : beforeCopy)
    if (fs::path(file).stem() == "Копия1-") expected[district + fs::path(file).extension().string()] = "";
  auto copied = FolderBytes(dir.Path());
  for (auto& [file, bytes] : copied)
    if (fs::path(file).stem() == "Район") {
      EXPECT_TRUE(IsTableFile(file)) << file;
      bytes.clear();
    }
  EXPECT_EQ(copied, expected);
  EXPECT_EQ(Caption(), "Z-режим - Район");
  EXPECT_EQ(form->DataGrid().table().RowCount, 2);
  EXPECT_TRUE(NoLocks());
  fs::remove(own + ".RSL");
  Open(own);

  // A copy onto a name whose node file is gone but whose scheme family is there: asked about all of it,
  // each file named with what it is; "Нет" leaves every file, "Да" leaves none of the older scheme (no
  // switching moment or tap table of it either) and the base with its load graphs kept under that name.
  const std::string older = dir / "Прежняя";
  SchemeBuilder o = TwoNodes();
  o.Write(dir.Path(), "Прежняя");
  fs::remove(older + ".UZL");
  TDataFile journal;
  ReadMaket(LayoutSwitchLog, journal);
  CreateColumns(journal, 1);
  WriteTableFile(older + journal.Extention, journal);
  WriteBytes(older + ".RGM", "прежний протокол");
  WriteCurDateSwt(older, EncodeDate(2004, 3, 5));
  WriteBytes(older + ".RSL", "база");
  WriteBytes(older + ".KTR", "отпайки");
  WriteBytes(older + ".GRC", "графики");
  const std::string olderBranches = ReadBytes(older + ".VET");
  box.Clear();
  for (const int answer : {0, 1}) {
    script.Then(Choose("Копирование схемы", older + ".UZL"));
    box.Answer(answer);
    form->SaveAsItem->trigger();
    if (answer == 0) {
      EXPECT_EQ(ReadBytes(older + ".VET") + ReadBytes(older + ".RGM"), olderBranches + "прежний протокол");
      EXPECT_TRUE(fs::exists(older + ".SWT") && fs::exists(older + ".INI") && !fs::exists(older + ".UZL"));
      EXPECT_EQ(Caption(), "Z-режим - Копия1-");
    }
  }
  EXPECT_EQ(box.Texts(), std::vector<std::string>(2, "Схема с таким именем уже существует.\nБудут заменены файлы: "
                                                     "Прежняя.VET (ветви схемы).\nБудут удалены файлы, которых в копии "
                                                     "не будет: Прежняя.INI (дата коммутации схемы), Прежняя.KTR "
                                                     "(таблица отпаек), Прежняя.RGM (протокол расчета режима), "
                                                     "Прежняя.SWT (журнал переключений).\nПерезаписать ?"));
  for (const char* ext : {".SWT", ".RGM", ".INI", ".KTR"}) EXPECT_FALSE(fs::exists(older + ext)) << ext;
  EXPECT_EQ(ReadBytes(older + ".RSL") + ReadBytes(older + ".GRC"), "базаграфики");
  EXPECT_EQ(Caption(), "Z-режим - Прежняя");
  EXPECT_EQ(form->DataGrid().table().RowCount, 2);
}

TEST_F(RegimeWindow, ImportOfACardFileMakesTheSchemeBesideIt) {
  const std::string card = dir / "NET.TXT";
  WriteBytes(card, "карта");
  const gui::TCardImport saved = gui::SetCardImport(
      [](const std::string&, TDataFile& nodes, TDataFile& branches) {
        for (int row = 1; row <= 2; ++row) {
          (*GetColumnAs<DALongint>("NS", nodes))[row] = row;
          (*GetColumnAs<DAsingle>("Um", nodes))[row] = 10;
        }
        (*GetColumnAs<DAChar>("Sign", nodes))[1] = 'B';
        (*GetColumnAs<DALongint>("N1", branches))[1] = 2;
        (*GetColumnAs<DALongint>("N2", branches))[1] = 1;
        (*GetColumnAs<DAsingle>("R", branches))[1] = 1;
        nodes.RowCount = 2;
        branches.RowCount = 1;
        return TImportTaken{2, {}};
      });
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Выбор файла формата ЦДУ");
    auto& files = static_cast<QFileDialog&>(d);
    files.setDirectory(files.directory());
    Child<QLineEdit>(files, "fileNameEdit").setText("NET.TXT");
    d.setResult(QDialog::Accepted);
  });
  form->ImportCDU->trigger();
  EXPECT_EQ(Caption(), "Z-режим - NET");
  TDataFile nodes;
  ReadTableFile(dir / "NET.UZL", nodes);
  EXPECT_EQ(nodes.Title + std::to_string(nodes.RowCount), "NET2");
  EXPECT_TRUE(NoLocks());

  gui::SetCardImport([](const std::string&, TDataFile&, TDataFile&) -> TImportTaken { throw Error("строка 3"); });
  script.Then(Choose("Выбор файла формата ЦДУ", card));
  form->ImportCDU->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка импорта данных ЦДУ \"NET\" : строка 3, ничего не изменено"});
  EXPECT_EQ(Caption(), "Z-режим - NET") << "a refused file leaves the open scheme open";
  EXPECT_TRUE(NoLocks());
  gui::SetCardImport(saved);
}

}  // namespace
}  // namespace ld::test
