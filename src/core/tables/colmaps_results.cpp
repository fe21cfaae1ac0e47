#include "core/tables/colmaps_results.h"

#include "core/tables/colmaps_bind.h"

namespace ld {

void FillSectionCols(const TDataFile& table, TSectionCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NS", cols.NS);
  BindColumn(table, "Name", cols.Name);
  BindColumn(table, "Urez", cols.Urez);
  BindColumn(table, "Um", cols.Um);
  BindColumn(table, "dU", cols.dU);
}

void FillTransLoadCols(const TDataFile& table, TTransLoadCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Srez", cols.Srez);
  BindColumn(table, "Sdop", cols.Sdop);
  BindColumn(table, "Sp", cols.Sp);
  BindColumn(table, "Pn", cols.Pn);
  BindColumn(table, "Qn", cols.Qn);
  BindColumn(table, "Jn", cols.Jn);
  BindColumn(table, "Pk", cols.Pk);
  BindColumn(table, "Qk", cols.Qk);
  BindColumn(table, "Jk", cols.Jk);
  BindColumn(table, "A", cols.A);
}

void FillLineLoadCols(const TDataFile& table, TLineLoadCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Ul", cols.Ul);
  BindColumn(table, "Irez", cols.Irez);
  BindColumn(table, "Idop", cols.Idop);
  BindColumn(table, "Ip", cols.Ip);
  BindColumn(table, "Pn", cols.Pn);
  BindColumn(table, "Qn", cols.Qn);
  BindColumn(table, "Pk", cols.Pk);
  BindColumn(table, "Qk", cols.Qk);
  BindColumn(table, "A", cols.A);
}

void FillTransLossCols(const TDataFile& table, TTransLossCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "dPy", cols.dPy);
  BindColumn(table, "dQy", cols.dQy);
  BindColumn(table, "dPz", cols.dPz);
  BindColumn(table, "dQz", cols.dQz);
  BindColumn(table, "dPt", cols.dPt);
  BindColumn(table, "dQt", cols.dQt);
  BindColumn(table, "A", cols.A);
}

void FillLineLossCols(const TDataFile& table, TLineLossCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Ul", cols.Ul);
  BindColumn(table, "Plin", cols.Plin);
  BindColumn(table, "Qlin", cols.Qlin);
  BindColumn(table, "Pkor", cols.Pkor);
  BindColumn(table, "Qzar", cols.Qzar);
  BindColumn(table, "dP", cols.dP);
  BindColumn(table, "dQ", cols.dQ);
  BindColumn(table, "A", cols.A);
}

void FillNodeEnergyCols(const TDataFile& table, TNodeEnergyCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NS", cols.NS);
  BindColumn(table, "Nr", cols.Nr);
  BindColumn(table, "Name", cols.Name);
  BindColumn(table, "Sign", cols.Sign);
  BindColumn(table, "Unom", cols.Unom);
  BindColumn(table, "Umin", cols.Umin);
  BindColumn(table, "Umax", cols.Umax);
  BindColumn(table, "WPn", cols.WPn);
  BindColumn(table, "WQn", cols.WQn);
  BindColumn(table, "WPg", cols.WPg);
  BindColumn(table, "WQg", cols.WQg);
  BindColumn(table, "WPs", cols.WPs);
  BindColumn(table, "WQs", cols.WQs);
}

void FillBranchEnergyCols(const TDataFile& table, TBranchEnergyCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "Nr", cols.Nr);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "A", cols.A);
  BindColumn(table, "T", cols.T);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "TypEqu", cols.TypEqu);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "Ul", cols.Ul);
  BindColumn(table, "Idop", cols.Idop);
  BindColumn(table, "Imin", cols.Imin);
  BindColumn(table, "Imax", cols.Imax);
  BindColumn(table, "Sdop", cols.Sdop);
  BindColumn(table, "Smin", cols.Smin);
  BindColumn(table, "Smax", cols.Smax);
  BindColumn(table, "R", cols.R);
  BindColumn(table, "X", cols.X);
  BindColumn(table, "G", cols.G);
  BindColumn(table, "B", cols.B);
  BindColumn(table, "WPnr", cols.WPnr);
  BindColumn(table, "WQnr", cols.WQnr);
  BindColumn(table, "WPnl", cols.WPnl);
  BindColumn(table, "WQnl", cols.WQnl);
  BindColumn(table, "WPkr", cols.WPkr);
  BindColumn(table, "WQkr", cols.WQkr);
  BindColumn(table, "WPkl", cols.WPkl);
  BindColumn(table, "WQkl", cols.WQkl);
  BindColumn(table, "dWPz", cols.dWPz);
  BindColumn(table, "dWQz", cols.dWQz);
  BindColumn(table, "dWPy", cols.dWPy);
  BindColumn(table, "dWQy", cols.dWQy);
  BindColumn(table, "dWPp", cols.dWPp);
  BindColumn(table, "dWPq", cols.dWPq);
  BindColumn(table, "WPp", cols.WPp);
  BindColumn(table, "WQp", cols.WQp);
  BindColumn(table, "WPm", cols.WPm);
  BindColumn(table, "WQm", cols.WQm);
  BindColumn(table, "WPn", cols.WPn);
  BindColumn(table, "WQn", cols.WQn);
  BindColumn(table, "WPsn", cols.WPsn);
  BindColumn(table, "WQsn", cols.WQsn);
  BindColumn(table, "WPg", cols.WPg);
  BindColumn(table, "WQg", cols.WQg);
  BindColumn(table, "WPpr", cols.WPpr);
  BindColumn(table, "WQpr", cols.WQpr);
  BindColumn(table, "WPbt", cols.WPbt);
  BindColumn(table, "WQbt", cols.WQbt);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "dWP1", cols.dWP1);
  BindColumn(table, "dWQ1", cols.dWQ1);
  BindColumn(table, "dWP2", cols.dWP2);
  BindColumn(table, "dWQ2", cols.dWQ2);
  BindColumn(table, "dWP1a", cols.dWP1a);
  BindColumn(table, "dWQ1a", cols.dWQ1a);
  BindColumn(table, "dWP2a", cols.dWP2a);
  BindColumn(table, "dWQ2a", cols.dWQ2a);
}

void FillNodeVoltDevCols(const TDataFile& table, TNodeVoltDevCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "NS", cols.NS);
  BindColumn(table, "Name", cols.Name);
  BindColumn(table, "Sign", cols.Sign);
  BindColumn(table, "Unom", cols.Unom);
  BindColumn(table, "Umin", cols.Umin);
  BindColumn(table, "Umax", cols.Umax);
  BindColumn(table, "dUmin", cols.dUmin);
  BindColumn(table, "dUmax", cols.dUmax);
  BindColumn(table, "WPn", cols.WPn);
  BindColumn(table, "WQn", cols.WQn);
  BindColumn(table, "WPg", cols.WPg);
  BindColumn(table, "WQg", cols.WQg);
  BindColumn(table, "WPs", cols.WPs);
  BindColumn(table, "WQs", cols.WQs);
}

void FillTransEnergyCols(const TDataFile& table, TTransEnergyCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Smin", cols.Smin);
  BindColumn(table, "Smax", cols.Smax);
  BindColumn(table, "Sdop", cols.Sdop);
  BindColumn(table, "Sp", cols.Sp);
  BindColumn(table, "WPnr", cols.WPnr);
  BindColumn(table, "WQnr", cols.WQnr);
  BindColumn(table, "WPnl", cols.WPnl);
  BindColumn(table, "WQnl", cols.WQnl);
  BindColumn(table, "WPkr", cols.WPkr);
  BindColumn(table, "WQkr", cols.WQkr);
  BindColumn(table, "WPkl", cols.WPkl);
  BindColumn(table, "WQkl", cols.WQkl);
}

void FillLineEnergyCols(const TDataFile& table, TLineEnergyCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Ul", cols.Ul);
  BindColumn(table, "Imin", cols.Imin);
  BindColumn(table, "Imax", cols.Imax);
  BindColumn(table, "Idop", cols.Idop);
  BindColumn(table, "Ip", cols.Ip);
  BindColumn(table, "WPnr", cols.WPnr);
  BindColumn(table, "WQnr", cols.WQnr);
  BindColumn(table, "WPnl", cols.WPnl);
  BindColumn(table, "WQnl", cols.WQnl);
  BindColumn(table, "WPkr", cols.WPkr);
  BindColumn(table, "WQkr", cols.WQkr);
  BindColumn(table, "WPkl", cols.WPkl);
  BindColumn(table, "WQkl", cols.WQkl);
}

void FillTransELossCols(const TDataFile& table, TTransELossCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "dWPy", cols.dWPy);
  BindColumn(table, "dWQy", cols.dWQy);
  BindColumn(table, "dWPz", cols.dWPz);
  BindColumn(table, "dWQz", cols.dWQz);
  BindColumn(table, "dWPt", cols.dWPt);
  BindColumn(table, "dWQt", cols.dWQt);
  BindColumn(table, "A", cols.A);
}

void FillLineELossCols(const TDataFile& table, TLineELossCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "Ul", cols.Ul);
  BindColumn(table, "dWPy", cols.dWPy);
  BindColumn(table, "dWQy", cols.dWQy);
  BindColumn(table, "dWPz", cols.dWPz);
  BindColumn(table, "dWQz", cols.dWQz);
  BindColumn(table, "dWPl", cols.dWPl);
  BindColumn(table, "dWQl", cols.dWQl);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "A", cols.A);
}

void FillLineBalanceCols(const TDataFile& table, TLineBalanceCols& cols) {
  StartMap(table, cols);
  BindColumn(table, "N1", cols.N1);
  BindColumn(table, "N2", cols.N2);
  BindColumn(table, "IdxWLin", cols.IdxWLin);
  BindColumn(table, "Commut", cols.Commut);
  BindColumn(table, "A", cols.A);
  BindColumn(table, "PM", cols.PM);
  BindColumn(table, "Nz", cols.Nz);
  BindColumn(table, "NK", cols.NK);
  BindColumn(table, "Nl", cols.Nl);
  BindColumn(table, "Name1", cols.Name1);
  BindColumn(table, "Name2", cols.Name2);
  BindColumn(table, "Line", cols.Line);
  BindColumn(table, "DSName", cols.DSName);
  BindColumn(table, "Mark", cols.Mark);
  BindColumn(table, "Balans", cols.Balans);
  BindColumn(table, "WPp", cols.WPp);
  BindColumn(table, "WQp", cols.WQp);
  BindColumn(table, "WPm", cols.WPm);
  BindColumn(table, "WQm", cols.WQm);
  BindColumn(table, "WPn", cols.WPn);
  BindColumn(table, "WQn", cols.WQn);
  BindColumn(table, "WPg", cols.WPg);
  BindColumn(table, "WQg", cols.WQg);
  BindColumn(table, "WPs", cols.WPs);
  BindColumn(table, "WQs", cols.WQs);
  BindColumn(table, "WPpr", cols.WPpr);
  BindColumn(table, "WQpr", cols.WQpr);
  BindColumn(table, "WPbt", cols.WPbt);
  BindColumn(table, "WQbt", cols.WQbt);
  BindColumn(table, "dWPa", cols.dWPa);
  BindColumn(table, "dWQa", cols.dWQa);
  BindColumn(table, "dWPs", cols.dWPs);
  BindColumn(table, "dWQs", cols.dWQs);
  BindColumn(table, "Dwp", cols.Dwp);
  BindColumn(table, "Dwq", cols.Dwq);
  BindColumn(table, "dWPh", cols.dWPh);
  BindColumn(table, "dWQh", cols.dWQh);
  BindColumn(table, "dWPn", cols.dWPn);
  BindColumn(table, "dWQn", cols.dWQn);
  BindColumn(table, "dWPt", cols.dWPt);
  BindColumn(table, "Twp", cols.Twp);
  BindColumn(table, "dWQt", cols.dWQt);
  BindColumn(table, "Twq", cols.Twq);
  BindColumn(table, "WPsn", cols.WPsn);
  BindColumn(table, "WQsn", cols.WQsn);
  BindColumn(table, "WPneb", cols.WPneb);
  BindColumn(table, "Pwp", cols.Pwp);
  BindColumn(table, "Rwp", cols.Rwp);
  BindColumn(table, "WQneb", cols.WQneb);
  BindColumn(table, "Pwq", cols.Pwq);
  BindColumn(table, "Rwq", cols.Rwq);
  BindColumn(table, "dWPm", cols.dWPm);
  BindColumn(table, "Mwp", cols.Mwp);
  BindColumn(table, "dWQm", cols.dWQm);
  BindColumn(table, "Mwq", cols.Mwq);
  BindColumn(table, "WPnr", cols.WPnr);
  BindColumn(table, "WQnr", cols.WQnr);
  BindColumn(table, "WPnl", cols.WPnl);
  BindColumn(table, "WQnl", cols.WQnl);
  BindColumn(table, "WPkr", cols.WPkr);
  BindColumn(table, "WQkr", cols.WQkr);
  BindColumn(table, "WPkl", cols.WPkl);
  BindColumn(table, "WQkl", cols.WQkl);
  BindColumn(table, "Fdop", cols.Fdop);
  BindColumn(table, "Fmin", cols.Fmin);
  BindColumn(table, "Fmax", cols.Fmax);
  BindColumn(table, "Fp", cols.Fp);
}

}  // namespace ld
