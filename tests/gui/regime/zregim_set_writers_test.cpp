// The regime window's commands that write a set of tables write what their entries in the program's list
// of set writers write, over the same folder: the list's kill tests hold the window's own road only while
// both go through one function, and each setting of a calculation changes what both of them write.
#include <QDateEdit>
#include <QDialog>
#include <QRadioButton>
#include <QTimeEdit>
#include <QToolButton>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/inifile.h"
#include "core/diagram/scheme_files.h"
#include "core/district/set_writers.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/switch_rec.h"
#include "gui/diagram/sch_box.h"
#include "gui/regime/write_swt_form.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using TFiles = std::map<std::string, std::string>;  // name within the folder: bytes

class RegimeSetWriters : public RegimeWindow {
protected:
  static TFiles Files(const fs::path& folder) {
    TFiles files;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
  }
  // A table as a write of its own would write it, its date left out: what two writes of the same rows give.
  // A journal's entries are compared without the clock and the person that wrote them.
  std::string TableBytes(const fs::path& file) const {
    TDataFile table;
    ReadTableFile(file.string(), table);
    table.FileDate = 0;
    if (file.extension() == GetMaketExtention(LayoutSwitchLog)) {
      TSwitchLogCols j;
      FillSwitchLogCols(table, j);
      for (int row = 1; row <= j.RowCount; ++row)
        for (DAString* written : {j.DateS, j.Time, j.User}) written->SetItem(row, "");
    }
    const std::string alone = dir / "одна";
    WriteTableFile(alone, table);
    return ReadBytes(alone);
  }
};

TEST_F(RegimeSetWriters, EachCommandWritesWhatItsListedWriterWrites) {
  const fs::path window = dir / "окно", listed = dir / "список";
  CopyDataFiles(dir.Path());  // the program folder's catalogues
  struct Case {
    std::string command, scheme;
    std::function<void()> run;  // the command in the window over the scheme opened
    std::function<void()> settings = {};  // other than the defaults, for the window and the list alike
  };
  // Each setting of a calculation reaches the function the window and the list share: with it the results
  // are not those of the defaults.
  const auto emk = [&](const char* by) {
    return [&, by] {
      script.Then([by](QDialog& d) {
        Child<QRadioButton>(d, by).setChecked(true);
        Press(d, "OKBtn");
      });
      form->CalcEmkItem->trigger();
    };
  };
  const std::vector<Case> cases = {
      {"Z-режим: Расчет режима", "Пример", [&] { Calculate(); }},
      {"Z-режим: Расчет режима", "Пример", [&] { Calculate(); }, [] { IniRec.FlagIF = true; }},
      {"Z-режим: Расчет режима", "Пример", [&] { Calculate(); }, [] { IniRec.TypLoad = 1; }},
      {"Z-режим: Расчет по коэф. совмещ.", "Пример",
       [&] {
         {
           TIniFile ini(ConfigFileName);
           ini.EraseSection("FlowsKoef");
           const float coefs[] = {1.0f, 0.9f, 0.8f};
           for (int k = 0; k < 3; ++k) ini.WriteSingle("FlowsKoef", std::to_string(k + 1), coefs[k]);
         }
         script.Then([](QDialog& d) { Press(d, "OKBtn"); });
         form->CalcFlowsKoefItem->trigger();
       }},
      {"Z-режим: Расчет емкостных токов", "Образец", emk("Unom")},
      {"Z-режим: Расчет емкостных токов", "Образец", emk("Ureg")},
      {"Z-режим: переключение на графике с записью в журнал", "Пример",
       [&] {
         IniRec.FSaveCom = true;
         gui::LastSwitchExecutor.clear();  // the executor entered by an earlier switching of this program
         form->SchBtn->click();
         if (!form->SchPanel2->isVisible()) form->SchBtn->click();
         ASSERT_TRUE(form->SchPanel2->isVisible());
         form->FullSchBtn->click();
         gui::TSchemBox& b = *form->SchBox;
         TRecSwt before;
         ReadBranchRec(*b.BranchTable, 2, before);
         diagram::StartChange(b);
         (*b.BranchCols.Commut)[2] = before.Commut == 0 ? Utf8ToCp1251("О")[0] : 0;
         script.Then([](QDialog& d) {
           Child<QDateEdit>(d, "DateEdit").setDate(QDate(2026, 11, 2));
           Child<QTimeEdit>(d, "TimeEdit").setTime(QTime(12, 0));
           Press(d, "OKBtn");
         });
         EXPECT_TRUE(form->SchBoxChangeLine(b.SchemeBase, b.BranchTable.get(), 2, &before));
         form->SchBtn->click();
         IniRec.FSaveCom = false;
       }},
      {"Z-режим: Стыковка схем по балансирующим узлам", "Пример",
       [&] {
         script.Then(Choose("Добавить схему", (window / "Добавка.UZL").string()));
         form->JoinItem->trigger();
       }},
  };
  std::map<std::string, std::vector<TFiles>> results;  // of each command, its tables as each case wrote them
  for (auto c = cases.begin(); c != cases.end(); ++c) {
    SCOPED_TRACE(c->command + " #" + std::to_string(c - cases.begin()));
    const auto listedWriter = std::find_if(SetWriters().begin(), SetWriters().end(),
                                           [&](const TSetWriter& w) { return w.Command == c->command; });
    if (listedWriter == SetWriters().end()) {
      ADD_FAILURE() << "a command the program's list no longer names";
      continue;
    }
    const TSetWriter& writer = *listedWriter;
    struct Back {  // the settings the cases change, as they were
      bool phase = IniRec.FlagIF, uemk = IniRec.Uemk;
      std::uint8_t load = IniRec.TypLoad;
      ~Back() { IniRec.FlagIF = phase, IniRec.Uemk = uemk, IniRec.TypLoad = load; }
    } back;
    if (c->settings) c->settings();
    form->ResetForm();
    for (const fs::path& folder : {window, listed}) {
      fs::remove_all(folder);
      CopyDataFiles(folder);
      if (writer.Prepare) writer.Prepare(folder.string());
    }
    const TFiles beforeWindow = Files(window), beforeList = Files(listed);
    Open((window / c->scheme).string());
    c->run();
    EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
    box.Clear();
    form->ResetForm();
    // The scheme opened as the window opens it before the command, and read again as the window reads it
    // after the command: each read writes back what it marks anew, in a run of its own.
    const auto read = [&] {
      TRegime opened;
      opened.ReadScheme((listed / c->scheme).string());
    };
    read();
    writer.Run(listed.string());
    read();

    // The same files changed, and every table of its sets holds the same rows.
    const TFiles byWindow = Files(window), byList = Files(listed);
    std::set<std::string> changedByWindow, changedByList;
    for (const auto& [name, bytes] : byWindow)
      if (!beforeWindow.count(name) || beforeWindow.at(name) != bytes) changedByWindow.insert(name);
    for (const auto& [name, bytes] : byList)
      if (!beforeList.count(name) || beforeList.at(name) != bytes) changedByList.insert(name);
    EXPECT_FALSE(changedByWindow.empty());
    EXPECT_EQ(changedByWindow, changedByList);
    for (const auto& set : writer.Sets())
      for (const std::string& name : set) {
        if (!byWindow.count(name) || !byList.count(name) || name.ends_with(".RGM")) continue;
        if (!byWindow.at(name).starts_with("\x06ZREGIM")) {
          EXPECT_TRUE(byWindow.at(name) == byList.at(name)) << name << ": other bytes";
          continue;
        }
        EXPECT_TRUE(TableBytes(window / name) == TableBytes(listed / name)) << name << ": other rows";
      }
    TFiles tables;
    for (const auto& set : writer.Sets())
      for (const std::string& name : set)
        if (byWindow.count(name) && byWindow.at(name).starts_with("\x06ZREGIM")) tables[name] = TableBytes(window / name);
    for (const TFiles& other : results[writer.Command]) EXPECT_FALSE(other == tables) << "a setting that changes nothing";
    results[writer.Command].push_back(std::move(tables));
  }
}

}  // namespace
}  // namespace ld::test
