// The regime window's "Экспорт ЦДУ" and "Импорт ЦДУ" with the district subsystem's card converter
// installed as the program has it.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/regime/scheme_files.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

TEST_F(RegimeWindow, ASchemeExportedAsCardsComesBackAsANewScheme) {
  SchemeBuilder s = TwoNodes();
  s.Nodes[1].Gs = 2.5f;
  s.Branches[0].Commut = "К";
  OpenScheme(s);
  const std::string card = dir / "Обмен.CDU";
  script.Then(Choose("Экспорт в формат ЦДУ", card));
  form->ExportCDU->trigger();
  EXPECT_TRUE(box.Texts().empty());
  EXPECT_EQ(ReadBytes(card).substr(0, 34), "0102                           1\r\n");
  EXPECT_NE(ReadBytes(card).find(Utf8ToCp1251("0290         2  ТП-2\r\n")), std::string::npos);
  EXPECT_TRUE(NoLocks());

  script.Then(Choose("Выбор файла формата ЦДУ", card));
  form->ImportCDU->trigger();
  // a card file cut at a line's end reads as a whole one: the closing message counts what was taken
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Импорт из файла \"" + card +
                                                  "\" закончен, взято: узлов 2 (с именами 2), ветвей 1"});
  box.Clear();
  EXPECT_EQ(Caption(), "Z-режим - Обмен");
  TDataFile nodes, branches;
  ReadTableFile(dir / "Обмен.UZL", nodes);
  ReadTableFile(dir / "Обмен.VET", branches);
  TNodeCols n;
  FillNodeCols(nodes, n);
  ASSERT_EQ(n.RowCount, 2);
  EXPECT_EQ(n.Name->GetItem(1), "ПС-1.1");
  EXPECT_EQ(n.Sign->Get(1), 'b');
  EXPECT_EQ(n.Gs->Get(2), 2.5f);
  EXPECT_DOUBLE_EQ(n.Pn->Get(2), 1);
  TBranchCols b;
  FillBranchCols(branches, b);
  ASSERT_EQ(b.RowCount, 1);
  EXPECT_EQ(b.Commut->Get(1), '\xCE') << "a branch switched off at one end comes back off at both";
  EXPECT_EQ(b.R->Get(1), 1.0f);
  EXPECT_TRUE(NoLocks());

  // a card file with a field that is no number: the window says so and keeps the scheme it shows
  WriteBytes(dir / "Порча.CDU", "0201       1-2     10.00\r\n");
  script.Then(Choose("Выбор файла формата ЦДУ", dir / "Порча.CDU"));
  form->ImportCDU->trigger();
  ASSERT_EQ(box.Texts().size(), 1U);
  EXPECT_NE(box.Texts()[0].find("\"1-2\" не является целым числом"), std::string::npos) << box.Texts()[0];
  EXPECT_EQ(Caption(), "Z-режим - Обмен");
  EXPECT_TRUE(NoLocks());
}

// The card file is read before anything is asked or touched: the calculation's protocol beside the
// scheme and a document hold no node and are refused by name; a scheme of the card file's name is
// replaced only after "Да", and "Нет" leaves its files and the window as they were.
TEST_F(RegimeWindow, ACardFileReplacesAnExistingSchemeOnlyAfterYesAndOneWithoutNodesIsRefused) {
  SchemeBuilder s = TwoNodes();
  s.Nodes[1].Name = "ТП-2 Лесная";
  OpenScheme(s, "Образец");
  Calculate();
  ASSERT_TRUE(std::filesystem::exists(path + ".RGM"));
  std::filesystem::copy_file(DataDir() / "ЭЭРМ.docx", dir / "ЭЭРМ.docx");
  const std::string caption = Caption();
  box.Clear();
  // every file of the folder with its bytes, the window's settings file aside
  const auto files = [&] {
    std::map<std::string, std::string> all;
    for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
      if (f.path().filename() != "zr.ini") all[f.path().filename().string()] = ReadBytes(f.path());
    return all;
  };
  const auto before = files();

  for (const std::string chosen : {"Образец.RGM", "ЭЭРМ.docx"}) {
    box.Clear();
    script.Then(Choose("Выбор файла формата ЦДУ", dir / chosen));
    form->ImportCDU->trigger();
    const std::string stem = chosen.substr(0, chosen.find('.'));
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка импорта данных ЦДУ \"" + stem +
                                                    "\" : Ошибка чтения файла \"" + dir / chosen +
                                                    "\": в файле нет карт узлов (0201, 0299, 5008): нет данных для "
                                                    "импорта, ничего не изменено"});
    EXPECT_EQ(box.Calls()[0].kind, mkError);
    EXPECT_EQ(files(), before) << chosen << ": nothing written, no empty scheme";
    EXPECT_EQ(Caption(), caption) << "the open scheme stays";
    EXPECT_EQ(form->SchemePath, path);
    EXPECT_TRUE(NoLocks());
  }

  // the scheme exported as cards and brought back: its files would lose what cards do not carry
  const std::string card = dir / "Образец.CDU";
  script.Then(Choose("Экспорт в формат ЦДУ", card));
  form->ExportCDU->trigger();
  const std::string nodes = ReadBytes(path + ".UZL"), branches = ReadBytes(path + ".VET");
  for (const int answer : {0, 2}) {
    box.Clear();
    box.Answer(answer);
    script.Then(Choose("Выбор файла формата ЦДУ", card));
    form->ImportCDU->trigger();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{CopyReplaceQuestion("Схема \"Образец\" уже существует.",
                                                                        EmptySchemeReplaced(path), TReplacedBy::Import,
                                                                        TFileFamily::Scheme)});
    EXPECT_EQ(box.Calls()[0].kind, mkWarning);
    EXPECT_EQ(box.Calls()[0].buttons, mbYesNoCancel);
    EXPECT_EQ(ReadBytes(path + ".UZL") + ReadBytes(path + ".VET"), nodes + branches) << answer;
    EXPECT_EQ(Caption(), caption);
    EXPECT_EQ(form->SchemePath, path);
    EXPECT_TRUE(NoLocks());
  }

  // "Да", and the branch file cannot take its place: the node file is not left replaced beside the old
  // branches
  box.Clear();
  box.Answer(1);
  const TTableRenamer system = SetTableRenamer([&](const std::string& temp, const std::string& file) {
    if (file == path + ".VET") {
      errno = EACCES;
      return false;
    }
    return std::rename(temp.c_str(), file.c_str()) == 0;
  });
  script.Then(Choose("Выбор файла формата ЦДУ", card));
  form->ImportCDU->trigger();
  SetTableRenamer(system);
  ASSERT_EQ(box.Texts().size(), 2u);
  EXPECT_EQ(box.Texts()[1].rfind("Ошибка импорта данных ЦДУ \"Образец\" : ", 0), 0u) << box.Texts()[1];
  EXPECT_EQ(ReadBytes(path + ".UZL") + ReadBytes(path + ".VET"), nodes + branches);
  EXPECT_TRUE(NoLocks());

  // the old scheme's journal, switching moment and results go with it, named; the short-circuit data stay
  box.Clear();
  box.Answer(1);
  WriteBytes(path + ".INI", "[Switch]\r\nCurDateSwt=46000\r\n");
  WriteBytes(path + ".RGM", "протокол");
  WriteBytes(path + ".TKD", "данные т.к.з.");
  const std::string question =
      CopyReplaceQuestion("Схема \"Образец\" уже существует.", EmptySchemeReplaced(path), TReplacedBy::Import,
                          TFileFamily::Scheme);
  for (const char* named : {"Образец.INI (дата коммутации схемы)", "Образец.RGM (протокол расчета режима)"})
    EXPECT_NE(question.find(named), std::string::npos) << named;
  EXPECT_EQ(question.find(".TKD"), std::string::npos);
  script.Then(Choose("Выбор файла формата ЦДУ", card));
  form->ImportCDU->trigger();
  for (const char* ext : {".INI", ".RGM"}) EXPECT_FALSE(std::filesystem::exists(path + ext)) << ext;
  EXPECT_EQ(ReadBytes(path + ".TKD"), "данные т.к.з.");
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{question,
                                                   "Импорт из файла \"" + card +
                                                       "\" закончен, взято: узлов 2 (с именами 2), ветвей 1"}));
  EXPECT_NE(ReadBytes(path + ".UZL"), nodes);
  EXPECT_EQ(Caption(), "Z-режим - Образец");
  TNodeCols n;
  const TDataFile replaced = Table(".UZL");
  FillNodeCols(replaced, n);
  ASSERT_EQ(n.RowCount, 2);
  EXPECT_EQ(n.Name->GetItem(2), "ТП-2 Лесная");
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
