// The sample base of the program folder formed by the program's converter: every option that the
// newcomer may try forms it without a message, the normal-regime scheme goes beside the base's own,
// and feeder trees are cut from the real scheme.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/settings.h"
#include "core/district/scheme_forming.h"
#include "core/engine/regime.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SampleBase : public ::testing::Test {
protected:
  SampleBase() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    IniRec.Path = dir.Path().string() + "/";
    for (const auto& f : fs::directory_iterator(DataDir())) {
      const std::string name = f.path().filename().string();
      if (name.rfind("Образец.", 0) == 0 || name.rfind("sprav_", 0) == 0) fs::copy_file(f.path(), dir.Path() / name);
    }
    ReadNominalVoltageList();
    engine.NameMode = 1;
    engine.FormPVLoops = true;
  }
  std::string Base() const { return dir / "Образец"; }
  TSchemeFormingResult Form(bool feederMode = false, const Lines& feeders = {}) {
    messages.clear();
    return FormSchemeFromBase(Base(), feederMode, feeders, engine, DefaultSchemeConverter(), {}, messages);
  }
  // What the converter said: the lines between the two headings.
  Lines ConverterLines() const {
    const auto end = std::find(messages.begin(), messages.end(), "[Контроль конфигурации]");
    return Lines(messages.begin() + 1, end == messages.end() ? end : end - 1);
  }
  Lines Names(const std::string& stem) const {
    TDataFile t;
    ReadTableFile(stem + ".UZL", t);
    Lines names;
    for (int r = 1; r <= t.RowCount; ++r) names.push_back(GetColumnAs<DAString>("Name", t)->GetItem(r));
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir;
  TRegime engine;
  std::vector<std::string> messages;
};

TEST_F(SampleBase, FormsWithoutMessagesUnderEveryOption) {
  EXPECT_TRUE(Form().Written);
  EXPECT_TRUE(ConverterLines().empty()) << ConverterLines().front();
  EXPECT_EQ(messages.back(), "Узлов БП = 2");
  EXPECT_TRUE(fs::exists(Base() + ".PL"));
  const std::size_t plain = Names(Base()).size();

  IniRec.T04 = IniRec.L04 = true;
  IniRec.ChkTr = true;
  IniRec.NrToAll = true;
  EXPECT_TRUE(Form().Written);
  EXPECT_TRUE(ConverterLines().empty()) << ConverterLines().front();
  const Lines names = Names(Base());
  EXPECT_EQ(names.size(), plain + 19 + 9) << "a 0.4 kV node per transformer and per 0.4 kV line";
  EXPECT_TRUE(std::count(names.begin(), names.end(), "ТП-10.Т2") == 1);
  EXPECT_TRUE(std::count(names.begin(), names.end(), "ТП-1.Л2") == 1);

  IniRec.T04 = IniRec.L04 = false;
  IniRec.EERM_D2 = true;
  EXPECT_TRUE(Form().Written);
  EXPECT_TRUE(ConverterLines().empty()) << ConverterLines().front();
}

TEST_F(SampleBase, NormalRegimeSchemeIsWrittenBesideTheBasesOwn) {
  Form();
  const std::string own = ReadBytes(Base() + ".UZL");
  const std::string ownBranches = ReadBytes(Base() + ".VET");
  IniRec.SNR = true;
  const TSchemeFormingResult snr = Form();
  EXPECT_EQ(snr.SchemeStem, Base() + " СНР");
  EXPECT_TRUE(fs::exists(Base() + " СНР.UZL"));
  EXPECT_TRUE(fs::exists(Base() + " СНР.VET"));
  EXPECT_EQ(ReadBytes(Base() + ".UZL"), own);
  EXPECT_EQ(ReadBytes(Base() + ".VET"), ownBranches);
  EXPECT_EQ(engine.SchemeName, "");  // the model goes with the run
  EXPECT_NE(std::find(messages.begin(), messages.end(), "<<<<< Импорт данных завершен >>>>>"), messages.end());
}

TEST_F(SampleBase, FeederTreesAreCutFromTheFormedScheme) {
  // the feeder typed in small letters: the feeder key finds it
  EXPECT_TRUE(Form(true, {"ф-2", "Ф-9"}).Written);
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Ошибка построения схемы по фидеру: Ф-9"), messages.end());
  EXPECT_EQ(Names(Base()), (Lines{"ПС-1.2", "ТП-10", "ТП-15", "ТП-8", "ТП-9", "Ф-2"}))
      << "the bus, the feeder's head, its stations and the far end of its open point";
  const auto unsupplied = std::find(messages.begin(), messages.end(), "Схема \"Образец\" содержит узлы без питания (1)");
  ASSERT_NE(unsupplied, messages.end());
  EXPECT_EQ(*(unsupplied + 1), "   ТП-15");
  EXPECT_FALSE(fs::exists(Base() + ".PL~"));
}

}  // namespace
}  // namespace ld::test
