// The last phases: the 0.4 kV lines under the stations' 0.4 kV nodes, the substation feeds and the
// feeder heads that mark where the district is supplied from and write the given flows, and the
// switching journal pointed at the node numbers of the new scheme.
#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/district/form_context.h"
#include "core/engine/electric.h"

namespace ld::forming {

namespace {

constexpr char kLabel04[] = "Линии 0.4 кВ";
constexpr char kLabelFeeds[] = "Вводы п/ст";
constexpr char kLabelFeeders[] = "Фидеры п/ст";
constexpr char kLabelJournal[] = "Переключения";
const std::string kMissing = " отсутствует в таблице линий 10(6) кВ";

// The kind of a feed; a letter outside the accepted ones counts as none.
char32_t FeedKind(char cell) {
  const char32_t letter = DistrictLetter(cell);
  static constexpr char32_t kAccepted[] = {U'+', U'-', U'Б', U'К', U'Н', U'О', U'П'};
  return std::find(std::begin(kAccepted), std::end(kAccepted), letter) != std::end(kAccepted) ? letter : 0;
}

}  // namespace

void TSchemeForming::FormLines04(TDataFile& table) {
  TLine04Cols l;
  FillLine04Cols(table, l);
  const float u = static_cast<float>(NearestNominalVoltage(0.4));
  for (int i = 1; i <= l.RowCount; ++i) {
    (*l.Idx)[i] = i;
    const TLine04Ends e = ComposeLine04Ends(l, i);
    const std::string mark = UpperCase(TrimName(l.KodLine->GetView(i)));
    const int begin = reg_.Find(e.Name1);
    if (begin == 0) {
      Message(kLabel04, i, e.Name1 + " отсутствует в таблице узлов схемы");
      continue;
    }
    bool created = false;
    const int end = reg_.Get(e.Name2, u, created);
    {
      TFormNode& node = reg_[end];
      if (node.Sign == 0) node.Sign = l.PM->Get(i);
      node.Ng_n = l.Ng_n->Get(i), node.Nq_n = l.Nq_n->Get(i), node.Ng_g = l.Ng_g->Get(i), node.Nq_g = l.Nq_g->Get(i);
      node.A = l.A->Get(i);
      node.Balans = l.Balans->GetItem(i);
      node.WPpr += l.WPpr->Get(i), node.WQpr += l.WQpr->Get(i), node.WPbt += l.WPbt->Get(i);
      node.WQbt += l.WQbt->Get(i), node.dWPa += l.dWPa->Get(i), node.dWQa += l.dWQa->Get(i);
      node.Prim = l.Prim->GetItem(i);
    }
    AddNodeLoadByType(end, l.T.Get(i), l.Pn->Get(i), l.Qn->Get(i), l.Pg->Get(i), l.Qg->Get(i), l.Kv->Get(i), 0, u,
                      kLabel04, i);
    const int k = NewBranch();
    (*b_.Ul)[k] = u;
    (*b_.N1)[k] = begin;
    (*b_.N2)[k] = end;
    b_.Name1->SetNew(k, e.Name1);
    b_.Name2->SetNew(k, e.Name2);
    (*b_.A)[k] = l.A->Get(i);
    b_.Balans->SetItem(k, l.Balans->GetView(i));
    const std::uint8_t tz = l.Tz->Get(i);
    (*b_.Tz)[k] = tz;
    if (tz >= 4) Message(kLabel04, i, "неверно задан тип загрузки линии");
    (*b_.Commut)[k] = l.Commut->Get(i);
    if (!mark.empty()) SetLineBranch(k, mark, u, kLabel04, i);
    b_.ExtFile->SetNew(k, ".R04");
    (*b_.Idx)[k] = i;
  }
}

void TSchemeForming::FormFeeds(TDataFile& table) {
  TSubstInputCols s;
  FillSubstInputCols(table, s);
  const bool eerm = o_.EERM;
  // A feed's energies reach its node as given energies and as industrial ones.
  const auto addEnergies = [&](TFormNode& node, int i) {
    node.WPn += s.WPop->Get(i), node.WQn += s.WQop->Get(i), node.WPg += s.WPom->Get(i), node.WQg += s.WQom->Get(i);
    node.WPpr += s.WPop->Get(i), node.WQpr += s.WQop->Get(i), node.dWPa += s.dWPa->Get(i), node.dWQa += s.dWQa->Get(i);
  };
  const auto addFlows = [&](int row, int i) {
    (*f_.Pr)[row] += s.P->Get(i), (*f_.Qr)[row] += s.Q->Get(i), (*f_.Pl)[row] += s.Pm->Get(i), (*f_.Ql)[row] += s.Qm->Get(i);
  };
  const auto findFlow = [&](const auto& match) {
    for (int row = 1; row <= flowCount_; ++row)
      if (match(row)) return row;
    return NewFlow();
  };
  for (int i = 1; i <= s.RowCount; ++i) {
    (*s.Idx)[i] = i;
    const char32_t kind = FeedKind(s.B->Get(i));
    const TFeedEnds e = ComposeFeedEnds(s, i);
    const int bus = reg_.Find(e.Bus);
    const bool plain = kind == U'+' || kind == U'-' || kind == U'Б' || kind == U'П';
    if (!eerm && bus != 0 && !e.Subst.empty() && !plain) {
      // The bus is held at its measured voltage behind a balancing substation node at the nominal one.
      TFormNode& busNode = reg_[bus];
      if (const float uzam = s.Uzam->Get(i); uzam != 0) busNode.Um = uzam;
      busNode.Sign = 0;
      const float busU = busNode.Um;
      bool created = false;
      const int subst = reg_.Get(e.Subst, 0, created);
      TFormNode& node = reg_[subst];
      if (created) {
        node.Sign = 'b';
        node.Peak = 2;
        node.Um = static_cast<float>(NearestNominalVoltage(busU));
      }
      addEnergies(node, i);
      const int k = NewBranch();
      (*b_.N1)[k] = subst;
      (*b_.N2)[k] = bus;
      b_.Name1->SetNew(k, reg_[subst].Name);
      b_.Name2->SetNew(k, reg_[bus].Name);
      (*b_.Commut)[k] = LetterByte(kind);
      (*b_.Ul)[k] = reg_[subst].Um;
      (*b_.Kta)[k] = busU != 0 ? reg_[subst].Um / busU : 0;
      b_.ExtFile->SetNew(k, ".RSV");
      (*b_.Idx)[k] = i;

      const int row = findFlow([&](int r) { return f_.N2->Get(r) == subst && f_.N1->Get(r) == ExternalSourceNode; });
      (*f_.N1)[row] = ExternalSourceNode;
      (*f_.N2)[row] = subst;
      f_.Name1->SetItem(row, "");
      f_.Name2->SetItem(row, reg_[subst].Name);
      f_.Line->SetItem(row, "");
      f_.NK[row] = 0;
      f_.B[row] = 1;
      (*f_.PM)[row] = '+';
      f_.Typ[row] = std::abs(s.T.Get(i));
      addFlows(row, i);
      (*f_.Ngp)[row] = s.Ngp->Get(i);

      if (!e.Link.empty()) {
        const char32_t letter = DistrictLetter(s.ComPS->Get(i));
        if (const int link = reg_.Find(e.Link); link != 0) {
          const int c = NewBranch();
          (*b_.N1)[c] = bus;
          (*b_.N2)[c] = link;
          b_.Name1->SetNew(c, reg_[bus].Name);
          b_.Name2->SetNew(c, reg_[link].Name);
          (*b_.Commut)[c] = LetterByte(letter);
          (*b_.Ul)[c] = static_cast<float>(NearestNominalVoltage(reg_[bus].Um));
          b_.ExtFile->SetNew(c, ".RSV");
          (*b_.Idx)[c] = -i;
        } else {
          Message(kLabelFeeds, i, e.Link + kMissing);
        }
      }
      continue;
    }

    // A plain feed; a bus joined to another one ("О") is fed through that one.
    const std::string& name = kind == U'О' ? e.Link : e.Bus;
    const int fed = kind == U'О' ? reg_.Find(name) : bus;
    if (fed != 0) {
      TFormNode& node = reg_[fed];
      if (const float uzam = s.Uzam->Get(i); uzam != 0) node.Um = uzam;
      if (!eerm) addEnergies(node, i);
    } else if (kind == 0 || kind == U'Б') {
      Message(kLabelFeeds, i, name + kMissing);
    }
    if (kind != U'О' || !e.Link.empty()) {
      const int row = findFlow([&](int r) { return f_.Name2->GetView(r) == name; });
      (*f_.N1)[row] = ExternalSourceNode;
      (*f_.N2)[row] = fed;
      f_.Name1->SetItem(row, "");
      f_.Name2->SetItem(row, name);
      f_.Line->SetItem(row, "");
      f_.NK[row] = 0;
      addFlows(row, i);
      if (fed == 0) {
        (*f_.WPop)[row] += s.WPop->Get(i), (*f_.WQop)[row] += s.WQop->Get(i), (*f_.WPom)[row] += s.WPom->Get(i);
        (*f_.WQom)[row] += s.WQom->Get(i), (*f_.dWPa)[row] += s.dWPa->Get(i), (*f_.dWQa)[row] += s.dWQa->Get(i);
      }
      if (kind != U'О') {
        const char32_t given = kind == U'Б' ? 0 : kind;
        if (given != 0) {
          f_.B[row] = 1;
          (*f_.PM)[row] = LetterByte(given);
        }
        if (given == U'-' || given == U'П') {
          (*f_.N1)[row] = 0;
          f_.Name1->SetItem(row, "");
        } else if (given == 0) {
          (*f_.PM)[row] = '+';
        }
        f_.Typ[row] = std::abs(s.T.Get(i));
        (*f_.Ngr)[row] = s.Ng->Get(i), (*f_.Nqr)[row] = s.Nqp->Get(i), (*f_.Ngl)[row] = s.Npm->Get(i);
        (*f_.Nql)[row] = s.Nqm->Get(i), (*f_.Ngp)[row] = s.Ngp->Get(i);
      }
    }
    if (kind == U'О' && !eerm) {
      // The joined bus is no supply point of its own.
      if (bus == 0) {
        Message(kLabelFeeds, i, e.Bus + kMissing);
        continue;
      }
      TFormNode& node = reg_[bus];
      node.Sign = 0;
      node.Um = static_cast<float>(NearestNominalVoltage(node.Um));
      if (fed == 0) continue;
      const int k = NewBranch();
      (*b_.N1)[k] = fed;
      (*b_.N2)[k] = bus;
      b_.Name1->SetNew(k, reg_[fed].Name);
      b_.Name2->SetNew(k, reg_[bus].Name);
      (*b_.Ul)[k] = node.Um;
      b_.MarkCom1->SetItem(k, "-");
      b_.MarkCom2->SetItem(k, "-");
    }
  }
}

void TSchemeForming::FormFeeders(TDataFile& table, const std::vector<std::string>& feederList) {
  TSubstFeederCols d;
  FillSubstFeederCols(table, d);
  std::unordered_set<std::string> chosen;
  for (const std::string& feeder : feederList) chosen.insert(FeederKey(feeder));
  for (int i = 1; i <= d.RowCount; ++i) {
    const std::string name1 = TrimName(d.Name1->GetView(i)), name2 = TrimName(d.Name2->GetView(i));
    const char32_t kind = DistrictLetter(d.B->Get(i));
    if (o_.EERM && kind != U'Б') continue;
    if (o_.FeederSelection && chosen.count(FeederKey(name2)) == 0) continue;
    const int n1 = reg_.Find(name1), n2 = reg_.Find(name2);
    if (n1 == 0) Message(kLabelFeeders, i, name1 + kMissing);
    if (n2 == 0) Message(kLabelFeeders, i, name2 + kMissing);
    if (n2 != 0) {
      TFormNode& node = reg_[n2];
      if (kind == U'+' || kind == U'-' || kind == U'П' || kind == U'С') {
        node.WPn += d.P->Get(i), node.WQn += d.Q->Get(i), node.WPg += d.Pm->Get(i), node.WQg += d.Qm->Get(i);
      } else {
        node.WPn += d.WPop->Get(i), node.WQn += d.WQop->Get(i), node.WPg += d.WPom->Get(i), node.WQg += d.WQom->Get(i);
        node.WPpr += d.WPop->Get(i), node.WQpr += d.WQop->Get(i), node.dWPa += d.dWPa->Get(i), node.dWQa += d.dWQa->Get(i);
      }
      if ((kind == U'+' || kind == U'-' || kind == U'С') && node.Sign == 0) node.Sign = LetterByte(kind);
    }
    const int row = NewFlow();
    (*f_.N1)[row] = n1;
    (*f_.N2)[row] = n2;
    (*f_.Nl)[row] = d.Nl->Get(i);
    f_.Name1->SetItem(row, name1);
    f_.Name2->SetItem(row, name2);
    f_.Line->SetItem(row, d.Line->GetView(i));
    f_.NK[row] = d.NK.Get(i);
    if (kind != U'Б') {
      f_.B[row] = 1;
      (*f_.PM)[row] = LetterByte(kind);
    }
    f_.Typ[row] = std::abs(d.T.Get(i));
    (*f_.Pr)[row] += d.P->Get(i), (*f_.Qr)[row] += d.Q->Get(i), (*f_.Pl)[row] += d.Pm->Get(i), (*f_.Ql)[row] += d.Qm->Get(i);
    if (n2 == 0) {
      (*f_.WPop)[row] += d.WPop->Get(i), (*f_.WQop)[row] += d.WQop->Get(i), (*f_.WPom)[row] += d.WPom->Get(i);
      (*f_.WQom)[row] += d.WQom->Get(i), (*f_.dWPa)[row] += d.dWPa->Get(i), (*f_.dWQa)[row] += d.dWQa->Get(i);
    }
    (*f_.Ngr)[row] = d.Ng->Get(i), (*f_.Nqr)[row] = d.Nqp->Get(i), (*f_.Ngl)[row] = d.Npm->Get(i);
    (*f_.Nql)[row] = d.Nqm->Get(i), (*f_.Ngp)[row] = d.Ngp->Get(i);
  }
}

void TSchemeForming::RenumberJournal(TDataFile& table) {
  TSwitchLogCols j;
  FillSwitchLogCols(table, j);
  for (int i = 1; i <= j.RowCount; ++i) {
    (*j.N1)[i] = 0;
    (*j.N2)[i] = 0;
  }
  for (int i = 1; i <= j.RowCount; ++i) {
    for (const auto& [names, numbers] : {std::pair{j.Name1, j.N1}, std::pair{j.Name2, j.N2}}) {
      const std::string name = TrimName(names->GetView(i));
      const int ns = reg_.Find(name);
      if (ns == 0) Message(kLabelJournal, i, name + kMissing);
      (*numbers)[i] = ns;
    }
  }
}

}  // namespace ld::forming
