#include "core/optim/ktr_table.h"

#include <filesystem>

#include "core/base/inifile.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/electric.h"
#include "core/tables/colmaps_bind.h"
#include "core/tables/layout.h"

namespace ld {

void FillKtrCols(const TDataFile& table, TKtrCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Num1", cols.Num1);
  BindColumn(table, "Num2", cols.Num2);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "NameTr", cols.NameTr);
  BindColumn(table, "Wind", cols.Wind);
  BindColumn(table, "Typ", cols.Typ);
  BindColumn(table, "Reg", cols.Reg);
  BindColumn(table, "Kta", cols.Kta);
  BindColumn(table, "Ktr", cols.Ktr);
  BindColumn(table, "Knom", cols.Knom);
  BindColumn(table, "Kotv", cols.Kotv);
  BindColumn(table, "Nnom", cols.Nnom);
  BindColumn(table, "Ntek", cols.Ntek);
  BindColumn(table, "Delta", cols.Delta);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "Node1", cols.Node1);
  BindColumn(table, "U1min", cols.U1min);
  BindColumn(table, "U1max", cols.U1max);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Node2", cols.Node2);
  BindColumn(table, "U2min", cols.U2min);
  BindColumn(table, "U2max", cols.U2max);
  BindColumn(table, "Nkor", cols.Nkor);
  BindColumn(table, "Kna", cols.Kna);
  BindColumn(table, "Knr", cols.Knr);
}

namespace {

// The lower limit of a control node: the nominal class of the branch's rated voltage carried through
// its ratio. A branch without an active ratio part keeps its rated voltage rather than dividing by 0.
float ControlLimit(const TBranchCols& b, int row) {
  const double ul = b.Ul->Get(row);
  const double kta = b.Kta->Get(row);
  return static_cast<float>(NearestNominalVoltage(kta != 0 ? ul / kta : ul));
}

void FillTaps(const TMarkParts& p, TRecTr& rec) {
  rec.Wind = (p.Side == "СН" || p.Side == "НН") ? 1 : 0;
  rec.Typ = p.Kind == "П" ? 0 : 1;
  rec.Kotv = p.Positions;
  rec.Nnom = p.Neutral;
  rec.Delta = p.Step;
}

}  // namespace

void FillRecTr(const TBranchCols& b, int row, TRecTr& lon, TRecTr& tra) {
  lon = TRecTr{};
  tra = TRecTr{};
  lon.Num1 = b.N1->Get(row);
  lon.Num2 = b.N2->Get(row);
  lon.Nl = b.Nl->Get(row);
  lon.NameTr = b.Name1->GetItem(row);
  lon.Knom = b.Ktn->Get(row);
  lon.R = b.R->Get(row);
  lon.X = b.X->Get(row);

  // Of two parts of the same kind the second one is the regulator.
  std::string lonText, traText;
  SplitRegulation(NormalizeName(b.Regulation->GetItem(row)), lonText, traText);

  TMarkParts p;
  if (!lonText.empty() && ParseMarkParts(lonText, p)) {
    FillTaps(p, lon);
    lon.Reg = 0;
    const int notv = b.Notv.Get(row);
    lon.Ntek = notv != 0 ? notv : lon.Nnom;

    const std::string typEqu = b.TypEqu->GetItem(row);
    if (!typEqu.empty()) {
      // The kind is written in Latin letters; a Cyrillic look-alike typed by hand means the same.
      const std::string kind = NormalizeName(typEqu.substr(0, 2));
      if (kind == NormalizeName("T2") || p.Side == "СН") {
        lon.N1 = lon.Num2;
        lon.Node1 = b.Name2->GetItem(row);
        lon.U1min = ControlLimit(b, row);
        lon.U1max = 1.05f * lon.U1min;
      } else if ((kind == NormalizeName("T3") || kind == NormalizeName("TR")) && p.Side == "ВН") {
        int found = 0;
        for (int r = 1; r <= b.RowCount && found < 2; ++r) {
          if (b.N1->Get(r) != lon.Num2) continue;
          const float umin = ControlLimit(b, r);
          if (found++ == 0) {
            lon.N1 = b.N2->Get(r), lon.Node1 = b.Name2->GetItem(r), lon.U1min = umin, lon.U1max = 1.05f * umin;
          } else {
            lon.N2 = b.N2->Get(r), lon.Node2 = b.Name2->GetItem(r), lon.U2min = umin, lon.U2max = 1.05f * umin;
          }
        }
      }
    }
  }
  if (!traText.empty() && ParseMarkParts(traText, p)) {
    tra.Num1 = lon.Num1;
    tra.Num2 = lon.Num2;
    tra.Nl = lon.Nl;
    tra.NameTr = lon.NameTr;
    tra.R = lon.R;
    tra.X = lon.X;
    tra.Knom = 0;
    FillTaps(p, tra);
    tra.Reg = 1;
    const int ntpr = b.Ntpr.Get(row);
    tra.Ntek = ntpr != 0 ? ntpr : tra.Nnom;
  }
}

void PutRecTr(const TKtrCols& c, int row, const TRecTr& rec) {
  (*c.Num1)[row] = rec.Num1;
  (*c.Num2)[row] = rec.Num2;
  (*c.Nl)[row] = rec.Nl;
  c.NameTr->SetItem(row, rec.NameTr);
  c.Wind[row] = rec.Wind;
  c.Typ[row] = rec.Typ;
  c.Reg[row] = rec.Reg;
  c.Kotv[row] = rec.Kotv;
  c.Nnom[row] = rec.Nnom;
  (*c.Ntek)[row] = static_cast<float>(rec.Ntek);
  (*c.Knom)[row] = rec.Knom;
  (*c.Delta)[row] = rec.Delta;
  if (rec.N1 != 0) {
    (*c.N1)[row] = rec.N1;
    c.Node1->SetItem(row, rec.Node1);
    (*c.U1min)[row] = rec.U1min;
    (*c.U1max)[row] = rec.U1max;
  }
  if (rec.N2 != 0) {
    (*c.N2)[row] = rec.N2;
    c.Node2->SetItem(row, rec.Node2);
    (*c.U2min)[row] = rec.U2min;
    (*c.U2max)[row] = rec.U2max;
  }
}

void ReadOptimTSettings(const std::string& iniFile, TOptimTSettings& s) {
  const TMemIniFile ini(iniFile);
  s.KIter = ini.ReadString(OptimTSection, "KIter", "100");
  s.Kdp = ini.ReadString(OptimTSection, "Kdp", "1");
  s.Ku = ini.ReadString(OptimTSection, "Ku", "100");
  s.Du = ini.ReadString(OptimTSection, "Du", "0.1");
  s.Dn = ini.ReadString(OptimTSection, "Dn", "0.1");
  s.Um = ini.ReadBool(OptimTSection, "Um", false);
}

void WriteOptimTSettings(const std::string& iniFile, const TOptimTSettings& s) {
  TMemIniFile ini(iniFile);
  ini.WriteString(OptimTSection, "KIter", s.KIter);
  ini.WriteString(OptimTSection, "Kdp", s.Kdp);
  ini.WriteString(OptimTSection, "Ku", s.Ku);
  ini.WriteString(OptimTSection, "Du", s.Du);
  ini.WriteString(OptimTSection, "Dn", s.Dn);
  ini.WriteBool(OptimTSection, "Um", s.Um);
  ini.UpdateFile();
}

std::string KtrTableFileName(const std::string& schemeStem) { return FamilyFile(schemeStem, GetMaketExtention(LayoutKtrTable)); }

}  // namespace ld
