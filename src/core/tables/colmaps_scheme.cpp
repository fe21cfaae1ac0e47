#include "core/tables/colmaps_scheme.h"

#include "core/tables/colmaps_bind.h"

namespace ld {

void FillNodeCols(const TDataFile& table, TNodeCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Nr", cols.Nr);
  BindColumn(table, "NS", cols.NS);
  BindColumn(table, "NumES", cols.NumES);
  BindColumn(table, "Idx", cols.Idx);
  BindColumn(table, "Color", cols.Color);
  BindColumn(table, "Nsh", cols.Nsh);
  BindColumn(table, "Sign", cols.Sign);
  BindColumn(table, "A", cols.A);
  BindColumn(table, "Peak", cols.Peak);
  BindColumn(table, "Name", cols.Name);
  BindColumn(table, "NameES", cols.NameES);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Prim", cols.Prim);
  BindColumn(table, "Snom", cols.Snom);
  BindColumn(table, "Ina", cols.Ina);
  BindColumn(table, "Inr", cols.Inr);
  BindColumn(table, "Iga", cols.Iga);
  BindColumn(table, "Igr", cols.Igr);
  BindColumn(table, "Gs", cols.Gs);
  BindColumn(table, "Bs", cols.Bs);
  BindColumn(table, "Um", cols.Um);
  BindColumn(table, "EERM", cols.EERM);
  BindColumn(table, "EEAM", cols.EEAM);
  BindColumn(table, "Iemk", cols.Iemk);
  BindColumn(table, "Qmin", cols.Qmin);
  BindColumn(table, "Qmax", cols.Qmax);
  BindColumn(table, "Ush", cols.Ush);
  BindColumn(table, "Kvi", cols.Kvi);
  BindColumn(table, "Kvu", cols.Kvu);
  BindColumn(table, "Trab", cols.Trab);
  BindColumn(table, "Pn", cols.Pn);
  BindColumn(table, "Qn", cols.Qn);
  BindColumn(table, "Pg", cols.Pg);
  BindColumn(table, "Qg", cols.Qg);
  BindColumn(table, "Urez", cols.Urez);
  BindColumn(table, "Angle", cols.Angle);
  BindColumn(table, "Pbal", cols.Pbal);
  BindColumn(table, "Qbal", cols.Qbal);
  BindColumn(table, "WPn", cols.WPn);
  BindColumn(table, "WQn", cols.WQn);
  BindColumn(table, "WPg", cols.WPg);
  BindColumn(table, "WQg", cols.WQg);
  BindColumn(table, "WPpr", cols.WPpr);
  BindColumn(table, "WQpr", cols.WQpr);
  BindColumn(table, "WPbt", cols.WPbt);
  BindColumn(table, "WQbt", cols.WQbt);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "Ng_n", cols.Ng_n);
  BindColumn(table, "Ng_g", cols.Ng_g);
  BindColumn(table, "Nq_n", cols.Nq_n);
  BindColumn(table, "Nq_g", cols.Nq_g);
  BindColumn(table, "Ng_u", cols.Ng_u);
}

void FillBranchCols(const TDataFile& table, TBranchCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Nr", cols.Nr);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Idx", cols.Idx);
  BindColumn(table, "Color", cols.Color);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "Tz", cols.Tz);
  BindColumn(table, "Notv", cols.Notv);
  BindColumn(table, "Ntpr", cols.Ntpr);
  BindColumn(table, "Ng_kta", cols.Ng_kta);
  BindColumn(table, "Ng_ktr", cols.Ng_ktr);
  BindColumn(table, "RT", cols.RT);
  BindColumn(table, "Commut", cols.Commut);
  BindColumn(table, "Normal", cols.Normal);
  BindColumn(table, "A", cols.A);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "TypEqu", cols.TypEqu);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "MarkCom1", cols.MarkCom1);
  BindColumn(table, "MarkCom2", cols.MarkCom2);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Regulation", cols.Regulation);
  BindColumn(table, "Ul", cols.Ul);
  BindColumn(table, "R", cols.R);
  BindColumn(table, "X", cols.X);
  BindColumn(table, "G", cols.G);
  BindColumn(table, "B", cols.B);
  BindColumn(table, "Kta", cols.Kta);
  BindColumn(table, "Ktr", cols.Ktr);
  BindColumn(table, "Ktn", cols.Ktn);
  BindColumn(table, "Kflow", cols.Kflow);
  BindColumn(table, "Idop", cols.Idop);
  BindColumn(table, "Sdop", cols.Sdop);
  BindColumn(table, "Irez", cols.Irez);
  BindColumn(table, "Faza", cols.Faza);
  BindColumn(table, "U1", cols.U1);
  BindColumn(table, "F1", cols.F1);
  BindColumn(table, "U2", cols.U2);
  BindColumn(table, "F2", cols.F2);
  BindColumn(table, "Ia", cols.Ia);
  BindColumn(table, "Ir", cols.Ir);
  BindColumn(table, "Iemk1", cols.Iemk1);
  BindColumn(table, "Iemk2", cols.Iemk2);
  BindColumn(table, "Com1", cols.Com1);
  BindColumn(table, "Com2", cols.Com2);
  BindColumn(table, "Text", cols.Text);
  BindColumn(table, "ExtFile", cols.ExtFile);
}

void FillLoadCharCols(const TDataFile& table, TLoadCharCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Nsh", cols.Nsh);
  BindColumn(table, "Name", cols.Name);
  BindColumn(table, "A0", cols.A0);
  BindColumn(table, "A1", cols.A1);
  BindColumn(table, "A2", cols.A2);
  BindColumn(table, "B0", cols.B0);
  BindColumn(table, "B1", cols.B1);
  BindColumn(table, "B2", cols.B2);
}

void FillLineFlowCols(const TDataFile& table, TLineFlowCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Line", cols.Line);
  BindColumn(table, "Typ", cols.Typ);
  BindColumn(table, "NK", cols.NK);
  BindColumn(table, "B", cols.B);
  BindColumn(table, "PM", cols.PM);
  BindColumn(table, "Ngr", cols.Ngr);
  BindColumn(table, "Ngl", cols.Ngl);
  BindColumn(table, "Nqr", cols.Nqr);
  BindColumn(table, "Nql", cols.Nql);
  BindColumn(table, "Ngp", cols.Ngp);
  BindColumn(table, "Pr", cols.Pr);
  BindColumn(table, "Qr", cols.Qr);
  BindColumn(table, "Pl", cols.Pl);
  BindColumn(table, "Ql", cols.Ql);
  BindColumn(table, "WPop", cols.WPop);
  BindColumn(table, "WQop", cols.WQop);
  BindColumn(table, "WPom", cols.WPom);
  BindColumn(table, "WQom", cols.WQom);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "Prn", cols.Prn);
  BindColumn(table, "Qrn", cols.Qrn);
  BindColumn(table, "Pln", cols.Pln);
  BindColumn(table, "Qln", cols.Qln);
  BindColumn(table, "Prb", cols.Prb);
  BindColumn(table, "Qrb", cols.Qrb);
  BindColumn(table, "Plb", cols.Plb);
  BindColumn(table, "Qlb", cols.Qlb);
  BindColumn(table, "Kv", cols.Kv);
}

void FillSchemeAreaCols(const TDataFile& table, TSchemeAreaCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Nr", cols.Nr);
  BindColumn(table, "Name", cols.Name);
  BindColumn(table, "Color", cols.Color);
}

void FillTkzSourceCols(const TDataFile& table, TTkzSourceCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Name", cols.Name);
  BindColumn(table, "Text", cols.Text);
  BindColumn(table, "Sign", cols.Sign);
  BindColumn(table, "R", cols.R);
  BindColumn(table, "X", cols.X);
  BindColumn(table, "U", cols.U);
}

void FillTkzBranchCols(const TDataFile& table, TTkzBranchCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Sign", cols.Sign);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "TypEqu", cols.TypEqu);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "MarkCom1", cols.MarkCom1);
  BindColumn(table, "MarkCom2", cols.MarkCom2);
  BindColumn(table, "Regulation", cols.Regulation);
  BindColumn(table, "Notv", cols.Notv);
  BindColumn(table, "Ntpr", cols.Ntpr);
  BindColumn(table, "R", cols.R);
  BindColumn(table, "X", cols.X);
  BindColumn(table, "U1", cols.U1);
  BindColumn(table, "U2", cols.U2);
  BindColumn(table, "F1", cols.F1);
  BindColumn(table, "F2", cols.F2);
  BindColumn(table, "Kta", cols.Kta);
  BindColumn(table, "Ktr", cols.Ktr);
  BindColumn(table, "Ktn", cols.Ktn);
  BindColumn(table, "Ikz0", cols.Ikz0);
  BindColumn(table, "Fkz0", cols.Fkz0);
  BindColumn(table, "Ikz", cols.Ikz);
  BindColumn(table, "Fkz", cols.Fkz);
  BindColumn(table, "Io1", cols.Io1);
  BindColumn(table, "It1", cols.It1);
  BindColumn(table, "Io2", cols.Io2);
  BindColumn(table, "It2", cols.It2);
  BindColumn(table, "Idop", cols.Idop);
  BindColumn(table, "Sdop", cols.Sdop);
}

void FillSwitchLogCols(const TDataFile& table, TSwitchLogCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Date", cols.Date);
  BindColumn(table, "Hour", cols.Hour);
  BindColumn(table, "Mins", cols.Mins);
  BindColumn(table, "BA", cols.BA);
  BindColumn(table, "DateS", cols.DateS);
  BindColumn(table, "Disp", cols.Disp);
  BindColumn(table, "Prim", cols.Prim);
  BindColumn(table, "User", cols.User);
  BindColumn(table, "Time", cols.Time);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Fider1", cols.Fider1);
  BindColumn(table, "Fider2", cols.Fider2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "TypEqu", cols.TypEqu);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Regulation", cols.Regulation);
  BindColumn(table, "Notv", cols.Notv);
  BindColumn(table, "Ntpr", cols.Ntpr);
  BindColumn(table, "Commut", cols.Commut);
  BindColumn(table, "Ul", cols.Ul);
  BindColumn(table, "R", cols.R);
  BindColumn(table, "X", cols.X);
  BindColumn(table, "G", cols.G);
  BindColumn(table, "B", cols.B);
  BindColumn(table, "Kta", cols.Kta);
  BindColumn(table, "Ktr", cols.Ktr);
  BindColumn(table, "Ktn", cols.Ktn);
  BindColumn(table, "Idop", cols.Idop);
  BindColumn(table, "Sdop", cols.Sdop);
}

void FillCapCurrentCols(const TDataFile& table, TCapCurrentCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Idx", cols.Idx);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Iemk1", cols.Iemk1);
  BindColumn(table, "Iemk2", cols.Iemk2);
}

void FillUserCols(const TDataFile& table, TUserCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "UserName", cols.UserName);
  BindColumn(table, "Password", cols.Password);
  BindColumn(table, "UserData", cols.UserData);
  BindColumn(table, "Access", cols.Access);
}

}  // namespace ld
