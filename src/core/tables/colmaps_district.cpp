#include "core/tables/colmaps_district.h"

#include "core/tables/colmaps_bind.h"

namespace ld {

void FillDistrict10Cols(const TDataFile& table, TDistrict10Cols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Sign", cols.Sign);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Commut", cols.Commut);
  BindColumn(table, "ComBeg", cols.ComBeg);
  BindColumn(table, "ComEnd", cols.ComEnd);
  BindColumn(table, "KodLine", cols.KodLine);
  BindColumn(table, "Transform", cols.Transform);
  BindColumn(table, "TypPQ", cols.TypPQ);
  BindColumn(table, "P", cols.P);
  BindColumn(table, "Q", cols.Q);
  BindColumn(table, "Text", cols.Text);
}

void FillLine10Cols(const TDataFile& table, TLine10Cols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Nr", cols.Nr);
  BindColumn(table, "Sign", cols.Sign);
  BindColumn(table, "Commut", cols.Commut);
  BindColumn(table, "Normal", cols.Normal);
  BindColumn(table, "A", cols.A);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "Idop", cols.Idop);
  BindColumn(table, "Kflow", cols.Kflow);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "TypEqu", cols.TypEqu);
  BindColumn(table, "KodLine", cols.KodLine);
  BindColumn(table, "Un", cols.Un);
  BindColumn(table, "MarkCom1", cols.MarkCom1);
  BindColumn(table, "MarkCom2", cols.MarkCom2);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "DSNum", cols.DSNum);
  BindColumn(table, "Text", cols.Text);
  BindColumn(table, "Idx", cols.Idx);
}

void FillLine04Cols(const TDataFile& table, TLine04Cols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NameTP", cols.NameTP);
  BindColumn(table, "Ntr", cols.Ntr);
  BindColumn(table, "Fider", cols.Fider);
  BindColumn(table, "KodLine", cols.KodLine);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Prim", cols.Prim);
  BindColumn(table, "Commut", cols.Commut);
  BindColumn(table, "A", cols.A);
  BindColumn(table, "PM", cols.PM);
  BindColumn(table, "Tz", cols.Tz);
  BindColumn(table, "T", cols.T);
  BindColumn(table, "P", cols.P);
  BindColumn(table, "Pn", cols.Pn);
  BindColumn(table, "Qn", cols.Qn);
  BindColumn(table, "Pg", cols.Pg);
  BindColumn(table, "Qg", cols.Qg);
  BindColumn(table, "WPpr", cols.WPpr);
  BindColumn(table, "WQpr", cols.WQpr);
  BindColumn(table, "WPbt", cols.WPbt);
  BindColumn(table, "WQbt", cols.WQbt);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "Ng_n", cols.Ng_n);
  BindColumn(table, "Nq_n", cols.Nq_n);
  BindColumn(table, "Ng_g", cols.Ng_g);
  BindColumn(table, "Nq_g", cols.Nq_g);
  BindColumn(table, "Kv", cols.Kv);
  BindColumn(table, "Idx", cols.Idx);
}

void FillTransTPCols(const TDataFile& table, TTransTPCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Notv", cols.Notv);
  BindColumn(table, "Nr", cols.Nr);
  BindColumn(table, "Ng_n", cols.Ng_n);
  BindColumn(table, "Nq_n", cols.Nq_n);
  BindColumn(table, "Ng_g", cols.Ng_g);
  BindColumn(table, "Nq_g", cols.Nq_g);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "NameC", cols.NameC);
  BindColumn(table, "Ntr", cols.Ntr);
  BindColumn(table, "TypEqu", cols.TypEqu);
  BindColumn(table, "Transform", cols.Transform);
  BindColumn(table, "MarkCom1", cols.MarkCom1);
  BindColumn(table, "MarkCom2", cols.MarkCom2);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Address", cols.Address);
  BindColumn(table, "Commut", cols.Commut);
  BindColumn(table, "CommutC", cols.CommutC);
  BindColumn(table, "A", cols.A);
  BindColumn(table, "PM", cols.PM);
  BindColumn(table, "U", cols.U);
  BindColumn(table, "T", cols.T);
  BindColumn(table, "Pn", cols.Pn);
  BindColumn(table, "Qn", cols.Qn);
  BindColumn(table, "Pg", cols.Pg);
  BindColumn(table, "Qg", cols.Qg);
  BindColumn(table, "WPpr", cols.WPpr);
  BindColumn(table, "WQpr", cols.WQpr);
  BindColumn(table, "WPbt", cols.WPbt);
  BindColumn(table, "WQbt", cols.WQbt);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "Idx", cols.Idx);
  BindColumn(table, "Kv", cols.Kv);
  BindColumn(table, "Kflow", cols.Kflow);
}

void FillSubstInputCols(const TDataFile& table, TSubstInputCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Subst", cols.Subst);
  BindColumn(table, "NamePS", cols.NamePS);
  BindColumn(table, "LinkPS", cols.LinkPS);
  BindColumn(table, "Uzam", cols.Uzam);
  BindColumn(table, "T", cols.T);
  BindColumn(table, "B", cols.B);
  BindColumn(table, "ComPS", cols.ComPS);
  BindColumn(table, "P", cols.P);
  BindColumn(table, "Q", cols.Q);
  BindColumn(table, "Pm", cols.Pm);
  BindColumn(table, "Qm", cols.Qm);
  BindColumn(table, "WPop", cols.WPop);
  BindColumn(table, "WQop", cols.WQop);
  BindColumn(table, "WPom", cols.WPom);
  BindColumn(table, "WQom", cols.WQom);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "Ng", cols.Ng);
  BindColumn(table, "Nqp", cols.Nqp);
  BindColumn(table, "Npm", cols.Npm);
  BindColumn(table, "Nqm", cols.Nqm);
  BindColumn(table, "Ngp", cols.Ngp);
  BindColumn(table, "Idx", cols.Idx);
}

void FillSubstFeederCols(const TDataFile& table, TSubstFeederCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Line", cols.Line);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "NK", cols.NK);
  BindColumn(table, "T", cols.T);
  BindColumn(table, "B", cols.B);
  BindColumn(table, "P", cols.P);
  BindColumn(table, "Q", cols.Q);
  BindColumn(table, "Pm", cols.Pm);
  BindColumn(table, "Qm", cols.Qm);
  BindColumn(table, "WPop", cols.WPop);
  BindColumn(table, "WQop", cols.WQop);
  BindColumn(table, "WPom", cols.WPom);
  BindColumn(table, "WQom", cols.WQom);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "Ng", cols.Ng);
  BindColumn(table, "Nqp", cols.Nqp);
  BindColumn(table, "Npm", cols.Npm);
  BindColumn(table, "Nqm", cols.Nqm);
  BindColumn(table, "Ngp", cols.Ngp);
}

void FillConsumerCols(const TDataFile& table, TConsumerCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NameTP", cols.NameTP);
  BindColumn(table, "Ndog", cols.Ndog);
  BindColumn(table, "NameAb", cols.NameAb);
  BindColumn(table, "Address", cols.Address);
  BindColumn(table, "Nkat", cols.Nkat);
}

void FillConsumerEnergyCols(const TDataFile& table, TConsumerEnergyCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NameTP", cols.NameTP);
  BindColumn(table, "Ndog", cols.Ndog);
  BindColumn(table, "NameAb", cols.NameAb);
  BindColumn(table, "Address", cols.Address);
  BindColumn(table, "Nkat", cols.Nkat);
  BindColumn(table, "Kp", cols.Kp);
  BindColumn(table, "WPs", cols.WPs);
  BindColumn(table, "WQps", cols.WQps);
  BindColumn(table, "WQgs", cols.WQgs);
}

void FillMeterPointCols(const TDataFile& table, TMeterPointCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NameTP", cols.NameTP);
  BindColumn(table, "Ntr", cols.Ntr);
  BindColumn(table, "Fider", cols.Fider);
  BindColumn(table, "Ndog", cols.Ndog);
  BindColumn(table, "Abonent", cols.Abonent);
  BindColumn(table, "NamePoint", cols.NamePoint);
  BindColumn(table, "Address", cols.Address);
  BindColumn(table, "WorkTime", cols.WorkTime);
  BindColumn(table, "NumCounter", cols.NumCounter);
  BindColumn(table, "MarkCounter", cols.MarkCounter);
  BindColumn(table, "Transform", cols.Transform);
  BindColumn(table, "Line", cols.Line);
  BindColumn(table, "LinkTP", cols.LinkTP);
  BindColumn(table, "Praz", cols.Praz);
  BindColumn(table, "NumPoint", cols.NumPoint);
  BindColumn(table, "Sub", cols.Sub);
  BindColumn(table, "Device", cols.Device);
  BindColumn(table, "FVL", cols.FVL);
  BindColumn(table, "TypCounter", cols.TypCounter);
  BindColumn(table, "Next", cols.Next);
  BindColumn(table, "Prev", cols.Prev);
  BindColumn(table, "Ktok", cols.Ktok);
  BindColumn(table, "Kvolt", cols.Kvolt);
  BindColumn(table, "Koef", cols.Koef);
  BindColumn(table, "W", cols.W);
  BindColumn(table, "Wt", cols.Wt);
  BindColumn(table, "Wl", cols.Wl);
  BindColumn(table, "Ws", cols.Ws);
  BindColumn(table, "WP", cols.WP);
  BindColumn(table, "WQp", cols.WQp);
  BindColumn(table, "WQg", cols.WQg);
  BindColumn(table, "dWP", cols.dWP);
  BindColumn(table, "dWQ", cols.dWQ);
}

void FillHouseholdCols(const TDataFile& table, THouseholdCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NameTP", cols.NameTP);
  BindColumn(table, "Fider", cols.Fider);
  BindColumn(table, "LinkTP", cols.LinkTP);
  BindColumn(table, "CountAb", cols.CountAb);
  BindColumn(table, "PayAb", cols.PayAb);
  BindColumn(table, "W", cols.W);
  BindColumn(table, "Ws", cols.Ws);
}

}  // namespace ld
