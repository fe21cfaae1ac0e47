// The regime window's commands that write a set of tables write what their entries in the program's list
// of set writers write, over the same folder: the list's kill tests hold the window's own road only while
// both go through one function.
#include <QDialog>
#include <QRadioButton>

#include <functional>
#include <map>
#include <set>

#include "core/base/inifile.h"
#include "core/district/set_writers.h"
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
  std::string TableBytes(const fs::path& file) const {
    TDataFile table;
    ReadTableFile(file.string(), table);
    table.FileDate = 0;
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
  };
  const std::vector<Case> cases = {
      {"Z-режим: Расчет режима", "Пример", [&] { Calculate(); }},
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
      {"Z-режим: Расчет емкостных токов", "Образец",
       [&] {
         script.Then([](QDialog& d) {
           Child<QRadioButton>(d, "Unom").setChecked(true);
           Press(d, "OKBtn");
         });
         form->CalcEmkItem->trigger();
       }},
      {"Z-режим: Стыковка схем по балансирующим узлам", "Пример",
       [&] {
         script.Then(Choose("Добавить схему", (window / "Добавка.UZL").string()));
         form->JoinItem->trigger();
       }},
  };
  std::set<std::string> checked;
  for (const TSetWriter& writer : SetWriters()) {
    const auto c = std::find_if(cases.begin(), cases.end(), [&](const Case& k) { return k.command == writer.Command; });
    if (c == cases.end()) continue;
    SCOPED_TRACE(writer.Command);
    checked.insert(writer.Command);
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
    writer.Run(listed.string());

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
        if (!byWindow.count(name) || name.ends_with(".RGM")) continue;
        EXPECT_TRUE(TableBytes(window / name) == TableBytes(listed / name)) << name << ": other rows";
      }
  }
  EXPECT_EQ(checked.size(), cases.size()) << "a command the program's list no longer names";
}

}  // namespace
}  // namespace ld::test
