// The regime window's imports in the table of every import command: "Импорт замеров", "Чтение файлов
// PNT,LIN" and "Импорт ЦДУ", each run through the window over the sample scheme of 33 nodes and 37
// branches, its file chosen in the window's own dialogs.
#include <QAction>
#include <QLabel>
#include <QTest>
#include <memory>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/regime/pnt_lin.h"
#include "core/tables/table_file.h"
#include "gui/common/msgform.h"
#include "gui/imports/import_window.h"
#include "gui/imports/wrong_files.h"
#include "gui/regime/zregim_form.h"
#include "support/modal_script.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

using TRegimeImport = TOpenWindow<gui::TZregimForm>;

gui::TZregimForm& Form() { return *TRegimeImport::Current().window; }

// The sample scheme copied into the folder and opened in a new regime window.
void OpenSample(const fs::path& folder) {
  TRegimeImport& s = TRegimeImport::Current();
  s.program = std::make_unique<TProgramFolder>("Иванов");
  for (const std::string ext : {".UZL", ".VET"}) fs::copy_file(DataDir() / ("Пример" + ext), folder / ("Пример" + ext));
  s.window = std::make_unique<gui::TZregimForm>();
  Form().Params.clear();
  Form().show();
  ModalScript script;
  script.Then(ChooseInOpenDialog(folder / "Пример.UZL", "Загрузка схемы"));
  Form().OpenItem->trigger();
}

void CloseSample() { TRegimeImport::Current().Close(); }

const TImportCommandEntry kMeasurements{{"Режим / Данные / Импорт замеров", ".xlsx", {}, OpenSample,
                                         [](const fs::path&, const fs::path& chosen) {
                                           ModalScript script;
                                           script.Then([&](QDialog& d) {
                                             Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(chosen.string()));
                                             Press(d, "OKBtn");
                                           });
                                           Form().ImpZamer->trigger();
                                         },
                                         CloseSample, {"Режим", "ImpZamer"}}};

// The partner of the chosen PNT file is a sound LIN file of the scheme: the PNT file alone is wrong.
const TImportCommandEntry kPntLin{{"Режим / Узлы схемы / Ctrl+P (Чтение файлов PNT,LIN)", ".PNT", {},
                                   [](const fs::path& folder) {
                                     OpenSample(folder);
                                     TDataFile nodes, branches;
                                     ReadTableFile((folder / "Пример.UZL").string(), nodes);
                                     ReadTableFile((folder / "Пример.VET").string(), branches);
                                     WritePntLin((folder / "лин.PNT").string(), nodes, branches, {});
                                     fs::rename(folder / "лин.LIN", folder / "выбранный.LIN");
                                     fs::remove(folder / "лин.PNT");
                                   },
                                   [](const fs::path&, const fs::path& chosen) {
                                     ModalScript script;
                                     script.Then(ChooseInOpenDialog(chosen, "Чтение файлов PNT,LIN"));
                                     QTest::keyClick(&Form().DataGrid(), Qt::Key_P, Qt::ControlModifier);
                                   },
                                   CloseSample, {"Режим", "ReadPntLin"}}};

const TImportCommandEntry kCards{{"Режим / Схема / Импорт ЦДУ", ".CDU", {"cards"}, OpenSample,
                                  [](const fs::path&, const fs::path& chosen) {
                                    ModalScript script;
                                    script.Then(ChooseInOpenDialog(chosen, "Выбор файла формата ЦДУ"));
                                    Form().ImportCDU->trigger();
                                  },
                                  CloseSample, {"Режим", "ImportCDU"}}};

// A card file an editor saved in UTF-8 with its byte-order mark, chosen in "Импорт ЦДУ": the scheme gets
// its names as written and node 1 stays the balancing node, without a question. One whose names read as
// names in DOS and in Windows-1251 alike asks through the program's message box, which shows both
// readings; "Нет" reads Windows-1251.
TEST(CardImport, TheCodePageOfACardFileIsToldByItsBytesOrAskedThroughTheMessageBox) {
  TempDir dir;
  OpenSample(dir.Path());
  gui::InstallQtMsgBox();
  const auto field = [](const std::string& text, std::size_t width) { return std::string(width - text.size(), ' ') + text; };
  const std::string cards = "0102" + std::string(20, ' ') + field("1", 8) + "\r\n" +     //
                            "0201    " + field("1", 8) + field("10.5", 8) + "\r\n" +       //
                            "0201    " + field("2", 8) + field("10", 8) + "\r\n" +         //
                            "0301    " + field("1", 8) + field("2", 8) + field("0.5", 8) + "\r\n";
  const auto import = [&](const std::string& name, const std::string& bytes, std::vector<std::string> said,
                          bool asked) {
    WriteBytes(dir.Path() / (name + ".CDU"), bytes);
    ModalScript script;
    script.Then(ChooseInOpenDialog(dir.Path() / (name + ".CDU"), "Выбор файла формата ЦДУ"));
    if (asked)
      script.Then([&](QDialog& d) {
        said.push_back(Child<QLabel>(d, "LMessage").text().toStdString());
        Press(d, "Button2");
      });
    script.Then([](QDialog& d) { Press(d, "Button1"); });
    Form().ImportCDU->trigger();
    TDataFile nodes;
    ReadTableFile((dir.Path() / (name + ".UZL")).string(), nodes);
    const DAString* names = GetColumnAs<DAString>("Name", nodes);
    std::vector<std::string> read = {std::string(1, GetColumnAs<DAChar>("Sign", nodes)->Get(1))};
    for (int row = 1; row <= nodes.RowCount; ++row) read.push_back(names->GetItem(row));
    return std::pair(read, said);
  };
  const auto [utf8, none] =
      import("редактор", "\xEF\xBB\xBF" + cards + "0290" + field("1", 12) + "ПС «Южная»\r\n0290" + field("2", 12) + "ТП-2\r\n", {}, false);
  EXPECT_EQ(utf8, (std::vector<std::string>{"b", "ПС «Южная»", "ТП-2"}));
  const auto [either, question] =
      import("нижние", cards + "0290" + field("2", 12) + Utf8ToCp866("тёс") + "\r\n", {}, true);
  EXPECT_EQ(either, (std::vector<std::string>{"b", "", "всб"}));
  ASSERT_EQ(question.size(), 1u);
  EXPECT_NE(question[0].find("первое имя читается как \"тёс\" в кодировке DOS (866) или как \"всб\" в кодировке "
                             "Windows-1251"), std::string::npos)
      << question[0];
  SetMsgBoxProvider({});
  CloseSample();
}

}  // namespace
}  // namespace ld::test
