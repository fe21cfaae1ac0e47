#pragma once
// The settings the regime dialogs start from, a scripted message box and dialog runs for their tests.
#include <QLineEdit>

#include "core/base/dates.h"
#include "core/base/settings.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"

namespace ld::test {

inline QLineEdit& Edit(QDialog& d, const char* name) { return Child<QLineEdit>(d, name); }

// The settings the dialogs edit, at values none of them starts with.
inline void KnownSettings() {
  TIniRec& ini = IniRec;
  ini.Uv = 12.5f, ini.Un = 7, ini.Prec = 0.0005f, ini.Iter1 = 150, ini.RepeatIter = true, ini.CountRQ = 3;
  ini.Damp1 = 0.8f, ini.Damp2 = 0.6f, ini.AlgmFM = 2, ini.Dimension = 0, ini.FlagU0 = 1, ini.TypLoad = 2;
  ini.FlagFM = ini.FlagPQ = ini.FlagIF = true;
  ini.FlagRQ = ini.SumSbal = false;
  ini.Date1 = EncodeDate(2004, 3, 1), ini.Date2 = EncodeDate(2004, 3, 31), ini.TypCalcPQ = 3, ini.Tgr = 1800;
  ini.CalcDate = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0);
  ini.BPrec = 0.002f, ini.Btgf = 0.45f, ini.BIter = 40, ini.BShift = 0.75f;
  ini.MulKvu = 2, ini.MulKvf = 3, ini.MulKvi = 4;
  ini.CLoad = ini.CFlow = ini.WVolt = ini.PropPQ = ini.RNull = ini.SavePQ = ini.OutIter = true;
  ini.CVolt = ini.WLoad = ini.WFlow = ini.RZnak = false;
}

class RegimeDialogTest : public ::testing::Test {
protected:
  void SetUp() override { KnownSettings(); }
  ScriptedMsgBox box;
  ModalScript script;
};

}  // namespace ld::test
