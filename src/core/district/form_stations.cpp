// The station phase: each transformer row of a ТП or РП hangs on the 6–10 kV node of its station,
// either as a branch to a 0.4 kV node that carries the load or as a load on the station node itself;
// and the parameters of equipment branches and the loads of nodes, which the other phases share.
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/trans_formulas.h"
#include "core/district/form_context.h"
#include "core/engine/electric.h"

namespace ld::forming {

namespace {

constexpr char kLabel[] = "Трансформаторы ТП,РП";

// "type-power/high/low": power and the two voltages; false when a given number is none.
bool ParseTransformerMark(const std::string& mark, double& s, double& u1, double& u2) {
  s = u1 = u2 = 0;
  std::string rest = mark;
  if (const std::size_t dash = rest.find('-'); dash != std::string::npos) rest.erase(0, dash + 1);
  bool ok = true;
  const auto number = [&ok](const std::string& text) {
    try {
      return StrToFloatZ(TrimName(text));
    } catch (const ConvertError&) {
      ok = false;
      return 0.0;
    }
  };
  std::size_t slash = rest.find('/');
  s = number(rest.substr(0, slash));
  if (slash == std::string::npos) return ok;
  rest.erase(0, slash + 1);
  slash = rest.find('/');
  u1 = number(rest.substr(0, slash));
  if (slash == std::string::npos) return ok;
  u2 = number(rest.substr(slash + 1));
  return ok;
}

template <typename Rec>
bool FindUnit(const std::string& listName, const std::string& mark, bool (*inList)(const std::string&, Rec&),
              bool (*byMark)(const std::string&, Rec&), bool (*check)(Rec&), Rec& rec) {
  const bool found = listName.empty() ? byMark(mark, rec) : inList(listName, rec);
  return found && check(rec);
}

}  // namespace

void TSchemeForming::SplitTypEqu(const std::string& text, std::string& kind, std::string& listName,
                                 std::uint8_t& winding) {
  const std::size_t bar1 = text.find('|');
  kind = text.substr(0, bar1);
  listName.clear();
  winding = 0;
  if (bar1 == std::string::npos) return;
  const std::size_t bar2 = text.find('|', bar1 + 1);
  listName = text.substr(bar1 + 1, bar2 == std::string::npos ? std::string::npos : bar2 - bar1 - 1);
  if (bar2 == std::string::npos) return;
  try {
    const int value = StrToIntZ(TrimName(text.substr(bar2 + 1)));
    if (value >= 0 && value <= 255) winding = static_cast<std::uint8_t>(value);
  } catch (const ConvertError&) {
  }
}

void TSchemeForming::FillEquipmentBranch(std::uint8_t nl, const std::string& typeText, const char* label, int row,
                                         const std::string& mark) {
  const int k = branchCount_;
  std::string type = typeText, kind, listName;
  std::uint8_t winding = 0;
  if (type.empty()) {
    type = "T2||";
    kind = "T2";
  } else {
    SplitTypEqu(type, kind, listName, winding);
  }
  // One side of a transformer: R, X, G, B, ratio, rated power in MVA and its regulation text.
  const auto side = [&](float r, float x, float g, float bb, float kta, float ktr, std::uint8_t notv, float ktn,
                        float sdop, const std::string& regulation) {
    (*b_.R)[k] = r, (*b_.X)[k] = x, (*b_.G)[k] = g, (*b_.B)[k] = bb;
    (*b_.Kta)[k] = kta, (*b_.Ktr)[k] = ktr, (*b_.Ktn)[k] = ktn;
    b_.Notv[k] = notv;
    if (sdop != 0) (*b_.Sdop)[k] = sdop;
    b_.Regulation->SetItem(k, regulation);
  };
  bool found = false;
  const auto failed = [&](const std::string& error) { Message(label, row, error); };
  if (kind == "T2") {
    TRecT2 rec;
    if (!FindUnit(listName, mark, FindT2InList, FindT2ByMark, CheckT2Params, rec)) {
      failed(CatalogErrorT2);
    } else {
      side(rec.R, rec.X, rec.G, rec.B, rec.Kt, rec.KtIm, nl, rec.Kt, rec.Sv / 1000, rec.RPN);
      found = true;
    }
  } else if (kind == "TR") {
    TRecTR rec;
    if (!FindUnit(listName, mark, FindTRInList, FindTRByMark, CheckTRParams, rec)) {
      failed(CatalogErrorTR);
    } else if (winding <= 2) {
      const std::string regulation = WindingSideName(winding, kind, rec.RPN);
      if (winding == 0) side(rec.Rv, rec.Xv, rec.G, rec.B, rec.Kv, rec.KvIm, nl, rec.Kv, rec.Sv / 1000, regulation);
      else if (winding == 1) side(rec.Rn1, rec.Xn1, 0, 0, rec.Kn1, rec.Kn1Im, 0, rec.Kn1, rec.Sv / 2000, regulation);
      else side(rec.Rn2, rec.Xn2, 0, 0, rec.Kn2, rec.Kn2Im, 0, rec.Kn2, rec.Sv / 2000, regulation);
      found = true;
    }
  } else if (kind == "T3") {
    TRecT3 rec;
    if (!FindUnit(listName, mark, FindT3InList, FindT3ByMark, CheckT3Params, rec)) {
      failed(CatalogErrorT3);
    } else if (winding <= 2) {
      const std::string regulation = WindingSideName(winding, kind, rec.RPN);
      const auto share = [&](float percent) { return percent != 0 ? rec.Sv / 1000 * percent / 100 : 0.0f; };
      if (winding == 0) side(rec.Rv, rec.Xv, rec.G, rec.B, rec.Kv, rec.KvIm, nl, rec.Kv, rec.Sv / 1000, regulation);
      else if (winding == 1) side(rec.Rs, rec.Xs, 0, 0, rec.Ks, rec.KsIm, 0, rec.Ks, share(rec.Ss), regulation);
      else side(rec.Rn, rec.Xn, 0, 0, rec.Kn, rec.KnIm, 0, rec.Kn, share(rec.Sn), regulation);
      found = true;
    }
  } else if (kind == "RT") {
    TRecRT rec;
    if (!FindUnit(listName, mark, FindRTInList, FindRTByMark, CheckRTParams, rec)) {
      failed(CatalogErrorRT);
    } else {
      (*b_.R)[k] = rec.R;
      (*b_.X)[k] = rec.Xr;
      found = true;
    }
  }
  if (found) {
    b_.TypEqu->SetItem(k, type);
    b_.Mark->SetItem(k, mark);
    b_.Text->SetItem(k, type + mark);
  }
  if (!b_.Regulation->GetView(k).empty() && b_.Ktn->Get(k) != 0) ApplyTaps(k, label, row);
}

// The ratio of a regulated transformer from its tap positions. The part of the regulation text that
// names "ТПР" describes the quadrature regulator, any other part the in-phase one; both are read, so
// that a transformer with both keeps both.
void TSchemeForming::ApplyTaps(int k, const char* label, int row) {
  const std::string regulation = b_.Regulation->GetItem(k);
  std::string inPhase, quadrature;
  SplitRegulation(regulation, inPhase, quadrature);
  TMarkParts p1, p2;
  const bool has2 = ParseMarkParts(quadrature, p2);
  const bool has1 = ParseMarkParts(inPhase, p1);
  if (!has1 && !has2) return Message(label, row, "неверно задана регулировка трансформатора");
  if (b_.Notv.Get(k) == 0 && has1) b_.Notv[k] = p1.Neutral;
  if (b_.Ntpr.Get(k) == 0 && has2) b_.Ntpr[k] = p2.Neutral;
  const TMarkParts& lead = has1 ? p1 : p2;
  double kta = b_.Kta->Get(k), ktr = b_.Ktr->Get(k);
  if (!CalcTapRatio(lead.Side, lead.Kind, b_.Notv.Get(k), p1.Neutral, p1.Positions, p1.Step, b_.Ntpr.Get(k),
                    p2.Neutral, p2.Positions, p2.Step, b_.Ktn->Get(k), kta, ktr))
    return Message(label, row, "ошибка расчета Ктр");
  (*b_.Kta)[k] = static_cast<float>(kta);
  (*b_.Ktr)[k] = static_cast<float>(ktr);
}

void TSchemeForming::AddNodeLoadByType(int ns, int t, double pn, double qn, double pg, double qg, float kv, double s,
                                       double u, const char* label, int row) {
  if (o_.EERM) {
    t = 0;
    pn = qn = 0;
  }
  t = std::abs(t);
  if (t >= 6) return Message(label, row, "неверно задан тип нагрузки (колонка \"Т\")");
  TFormNode& node = reg_[ns];
  node.Kvi = kv != 0 ? kv : o_.Kv[static_cast<std::size_t>(t)];
  const auto tg = [&](double x) { return x != 0 ? x : static_cast<double>(o_.Tgf); };
  const auto cosOf = [](double tgPhi) { return std::cos(std::atan(tgPhi)); };
  const auto sinOf = [](double tgPhi) { return std::sin(std::atan(tgPhi)); };
  switch (t) {
    case 0: {
      const double kz = pn != 0 ? pn : o_.Koef;
      node.Pn += 0.00001 * s * kz * cosOf(tg(qn));
      node.Qn += 0.00001 * s * kz * sinOf(tg(qn));
      break;
    }
    case 1:
      node.Pn += 0.001 * pn, node.Qn += 0.001 * qn, node.Pg += 0.001 * pg, node.Qg += 0.001 * qg;
      break;
    case 2:
      node.Pn += 0.001 * pn, node.Qn += 0.001 * pn * tg(qn);
      node.Pg += 0.001 * pg, node.Qg += 0.001 * pg * tg(qg);
      break;
    case 3: {
      if (u == 0) return Message(label, row, "Неизвестно напряжение");
      const double k = 0.001 * u * std::sqrt(3.0);
      node.Pn += k * pn * cosOf(tg(qn)), node.Qn += k * pn * sinOf(tg(qn));
      node.Pg += k * pg * cosOf(tg(qg)), node.Qg += k * pg * sinOf(tg(qg));
      break;
    }
    // Loads given by energies: the period's kW·h and kvar·h are the node's given energies, which the
    // engine turns into average powers over the calculated period and the period run counts as the
    // node's consumption.
    case 4:
      node.WPn += pn, node.WQn += qn, node.WPg += pg, node.WQg += qg;
      break;
    default:
      node.WPn += pn, node.WQn += pn * tg(qn), node.WPg += pg, node.WQg += pg * tg(qg);
      break;
  }
}

void TSchemeForming::FormStations(TDataFile& table) {
  TTransTPCols t;
  FillTransTPCols(table, t);
  const bool name2Shown = StationName2Shown(table);
  const bool asBranches = o_.T04 && !o_.EERM;
  const float low04 = static_cast<float>(NearestNominalVoltage(0.4));
  for (int i = 1; i <= t.RowCount; ++i) {
    (*t.Idx)[i] = i;
    const TStationNames names = ComposeStationNames(t, i, name2Shown);
    const char32_t letter = StationLetter(t.Commut->Get(i));
    const std::string ntr = TrimName(t.Ntr->GetView(i));
    const std::string mark = UpperCase(TrimName(t.Transform->GetView(i)));
    if (names.Station.empty()) {
      Message(kLabel, i, "Не задан ТП,РП (ВН)");
      continue;
    }
    double s = 0, mu1 = 0, mu2 = 0;
    bool markOk = true;
    if (!mark.empty() && !ParseTransformerMark(mark, s, mu1, mu2)) {
      Message(kLabel, i, "Неверно задана марка тр-ра " + mark);
      markOk = false;
    }
    float u1 = static_cast<float>(NearestNominalVoltage(mu1));
    float u2 = static_cast<float>(NearestNominalVoltage(mu2));
    if (u2 == 0) u2 = low04;

    bool created = false;
    const int station = reg_.Get(names.Station, u1, created);
    if (created) {
      Message(kLabel, i, names.Station + " отсутствует в таблице линий 10(6) кВ");
    } else if (u1 != 0) {
      if (reg_[station].Um != u1) Message(kLabel, i, "Несовпадение Uн (сторона ВН)");
    } else {
      u1 = reg_[station].Um;
    }
    {
      TFormNode& node = reg_[station];
      node.Nr = t.Nr->Get(i);
      node.Peak = 1;
      node.A = t.A->Get(i);
      node.Balans = t.Balans->GetItem(i);
      if (s != 0) node.Snom += (node.Snom.empty() ? "" : ",") + GeneralDot(s);
    }
    const auto energies = [&](TFormNode& node) {
      node.WPpr += t.WPpr->Get(i), node.WQpr += t.WQpr->Get(i), node.WPbt += t.WPbt->Get(i);
      node.WQbt += t.WQbt->Get(i), node.dWPa += t.dWPa->Get(i), node.dWQa += t.dWQa->Get(i);
    };
    const auto graphs = [&](TFormNode& node) {
      node.Ng_n = t.Ng_n->Get(i), node.Nq_n = t.Nq_n->Get(i), node.Ng_g = t.Ng_g->Get(i), node.Nq_g = t.Nq_g->Get(i);
    };

    if (!asBranches || t.U->Get(i) != 0) {
      // The load stays on the station node; a switched-off transformer of load type 0 carries none.
      if (letter == 0 || t.T.Get(i) != 0 || o_.EERM)
        AddNodeLoadByType(station, t.T.Get(i), t.Pn->Get(i), t.Qn->Get(i), t.Pg->Get(i), t.Qg->Get(i), t.Kv->Get(i), s,
                          t.U->Get(i) == 1 ? u1 : u2, kLabel, i);
      TFormNode& node = reg_[station];
      graphs(node);
      if (node.Sign == 0) node.Sign = t.PM->Get(i);
      energies(node);
      continue;
    }

    if (names.Low.empty()) {
      Message(kLabel, i, "Не задан номер трансформатора");
      continue;
    }
    const int low = reg_.Get(names.Low, u2, created);
    if (!created) {
      if (u2 != 0 && reg_[low].Um != u2) Message(kLabel, i, "Несовпадение Uн (сторона НН)");
      else if (u2 == 0) u2 = reg_[low].Um;
    }
    {
      TFormNode& node = reg_[low];
      node.Nr = t.Nr->Get(i);
      node.Peak = 1;
      if (node.Sign == 0) node.Sign = t.PM->Get(i);
    }
    AddNodeLoadByType(low, t.T.Get(i), t.Pn->Get(i), t.Qn->Get(i), t.Pg->Get(i), t.Qg->Get(i), t.Kv->Get(i), s, u2,
                      kLabel, i);
    {
      TFormNode& node = reg_[low];
      graphs(node);
      node.A = t.A->Get(i);
      node.Balans = t.Balans->GetItem(i);
      energies(node);
    }

    const int k = NewBranch();
    (*b_.Ul)[k] = u1;
    (*b_.Nr)[k] = t.Nr->Get(i);
    (*b_.N1)[k] = station;
    (*b_.N2)[k] = low;
    b_.Name1->SetNew(k, names.Station);
    b_.Name2->SetNew(k, names.Low);
    b_.DSName->SetItem(k, ntr);
    (*b_.Kflow)[k] = t.Kflow->Get(i);
    (*b_.A)[k] = t.A->Get(i);
    (*b_.Commut)[k] = LetterByte(letter);
    SetSwitches(k, letter, false);
    b_.MarkCom1->SetItem(k, t.MarkCom1->GetView(i));
    b_.MarkCom2->SetItem(k, t.MarkCom2->GetView(i));
    b_.Balans->SetItem(k, t.Balans->GetView(i));
    b_.ExtFile->SetNew(k, ".RTP");
    (*b_.Idx)[k] = i;
    if (markOk)
      FillEquipmentBranch(static_cast<std::uint8_t>(t.Notv.Get(i) & 0xFF), t.TypEqu->GetItem(i), kLabel, i, mark);

    if (names.Third.empty()) continue;
    const char32_t thirdLetter = StationLetter(t.CommutC->Get(i));
    const int third = reg_.Get(names.Third, u2, created);
    if (!created) {
      if (u2 != 0 && reg_[third].Um != u2) Message(kLabel, i, "Несовпадение Uн (сторона НН)");
      else if (u2 == 0) u2 = reg_[third].Um;
    }
    reg_[third].Peak = 1;
    const int c = NewBranch();
    (*b_.Ul)[c] = u2;
    (*b_.Nr)[c] = t.Nr->Get(i);
    (*b_.N1)[c] = low;
    (*b_.N2)[c] = third;
    b_.Name1->SetNew(c, names.Low);
    b_.Name2->SetNew(c, names.Third);
    (*b_.A)[c] = t.A->Get(i);
    b_.Balans->SetItem(c, t.Balans->GetView(i));
    (*b_.Commut)[c] = LetterByte(thirdLetter);
    SetSwitches(c, thirdLetter, false);
    b_.ExtFile->SetNew(c, ".RTP");
    (*b_.Idx)[c] = -i;
  }
}

}  // namespace ld::forming
