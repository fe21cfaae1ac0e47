#include "core/tables/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/inifile.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_io.h"
#include "core/tables/file_stamp.h"
#include "core/tables/share_calls.h"
#include "core/tables/switch_rec.h"

namespace ld {

namespace {

// The state of one branch as the replay has brought it so far.
struct BranchState {
  char commut = 0;
  float kta = 0;
  std::string mark;
};

TDateTime RowMoment(const TSwitchLogCols& j, int row) {
  return PackedToDateTime(j.Date->Get(row) + (j.Hour->Get(row) * 3600.0 + j.Mins->Get(row) * 60.0) / 100000.0);
}

std::string LetterText(char letter) {
  if (letter == 0) return " ";
  std::string text;
  AppendUtf8(text, Cp1251Char(static_cast<unsigned char>(letter)));
  return text;
}

// The first branch row that joins the nodes of a journal row (in either direction) by the same
// circuit; 0 when the scheme has none.
int FindBranch(const TBranchCols& b, const TSwitchLogCols& j, int row) {
  const std::int32_t n1 = j.N1->Get(row), n2 = j.N2->Get(row);
  const std::uint8_t nl = j.Nl->Get(row);
  for (int i = 1; i <= b.RowCount; ++i) {
    const std::int32_t b1 = b.N1->Get(i), b2 = b.N2->Get(i);
    if (((b1 == n1 && b2 == n2) || (b1 == n2 && b2 == n1)) && b.Nl->Get(i) == nl) return i;
  }
  return 0;
}

bool IsPartner(const TSwitchLogCols& j, int move, int partner) {
  if (partner < 1 || partner > j.RowCount) return false;
  return j.Date->Get(partner) == j.Date->Get(move) && j.Hour->Get(partner) == j.Hour->Get(move) &&
         j.Mins->Get(partner) == j.Mins->Get(move) && j.N1->Get(partner) == j.N1->Get(move) &&
         j.N2->Get(partner) == j.N2->Get(move) && j.Nl->Get(partner) == j.Nl->Get(move) &&
         j.BA->Get(partner) != j.BA->Get(move);
}

}  // namespace

bool ApplySwitchJournal(TDataFile& branches, TDataFile& journal, bool showMsg, TDateTime fromTime,
                        TDateTime toTime, std::vector<std::string>* messages) {
  if (toTime == fromTime) return true;
  bool result = true;
  auto report = [&](const std::string& text) {
    result = false;
    if (showMsg) ShowMsgForm(text, mkError, mbOk);
    if (messages) messages->push_back(text);
  };

  TBranchCols b;
  FillBranchCols(branches, b);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  std::vector<BranchState> state(static_cast<std::size_t>(b.RowCount) + 1);
  for (int i = 1; i <= b.RowCount; ++i)
    state[static_cast<std::size_t>(i)] = {b.Commut->Get(i), b.Kta->Get(i), b.Mark->GetItem(i)};
  std::vector<int> branchOf(static_cast<std::size_t>(j.RowCount) + 1, 0);

  // Going forward the after-rows are the moves, going backward the before-rows.
  const std::uint8_t moveBA = toTime > fromTime ? 1 : 0;
  const bool forward = moveBA == 1;
  // A row dated on a day that does not exist has no moment and is never a move (its pair neither).
  auto isMove = [&](int row) {
    int day = 0, month = 0, year = 0;
    SplitPackedDate(j.Date->Get(row), day, month, year);
    return j.BA->Get(row) == moveBA && IsValidDate(year, month, day);
  };

  int rowFrom = 0, rowTo = 0;
  for (int row = j.RowCount; row >= 1 && (rowFrom == 0 || rowTo == 0); --row) {
    if (!isMove(row)) continue;
    const TDateTime t = RowMoment(j, row);
    if (rowFrom == 0 && t <= fromTime) rowFrom = row;
    if (rowTo == 0 && t <= toTime) rowTo = row;
  }
  if (rowFrom == rowTo) return true;

  const int count = std::abs(rowTo - rowFrom);
  auto rowAt = [&](int n) { return forward ? rowFrom + 1 + n : rowFrom - n; };

  for (int n = 0; n < count; ++n) {
    const int row = rowAt(n);
    if (!isMove(row)) continue;
    const int branch = FindBranch(b, j, row);
    if (branch == 0) {
      report("Журнал переключений: Ветвь " + std::to_string(j.N1->Get(row)) + " - " + std::to_string(j.N2->Get(row)) +
             " не найдена в таблице ветвей схемы");
      continue;
    }
    branchOf[static_cast<std::size_t>(row)] = branch;
    const int partner = forward ? row - 1 : row + 1;
    if (!IsPartner(j, row, partner)) {
      report("Журнал переключений: строка " + std::to_string(row) + " не имеет парной записи");
      continue;
    }
    // The partner holds the state the branch must have before this move.
    BranchState& s = state[static_cast<std::size_t>(branch)];
    const std::string head = "Журнал переключений, строка " + std::to_string(partner);
    std::string message;
    if (j.Commut->Get(partner) != s.commut)
      message = head + ": не соответствие коммутации (должно быть \"" + LetterText(s.commut) + "\")";
    if (j.Mark->GetItem(partner) != s.mark)
      message = head + ": не соответствие параметров тр-ра/линии (должно быть \"" + s.mark + "\")";
    if (std::fabs(static_cast<double>(j.Kta->Get(partner)) - s.kta) > 0.001)
      message = head + ": не соответствие коэффициента трансформации (должно быть \"" + FloatToStrFixed(s.kta, 3) +
                "\")";
    if (!message.empty()) report(message);
    s = {j.Commut->Get(row), j.Kta->Get(row), j.Mark->GetItem(row)};
  }

  if (result) {
    TRecSwt rec;
    for (int n = 0; n < count; ++n) {
      const int row = rowAt(n);
      if (!isMove(row)) continue;
      ReadSwitchLogRec(j, row, rec);
      WriteBranchRec(b, branchOf[static_cast<std::size_t>(row)], rec);
    }
  }
  return result;
}

TRunBytes CurDateSwtRunBytes(const std::string& schemeBase, TDateTime value) {
  TRunBytes run{CurDateSwtFile(schemeBase), {}, {}};
  RecoverTableSetForRead(run.file);
  // The settings as one read saw them, with its stamp: the run refuses a file saved by another since, whose
  // other keys the date would otherwise write over.
  std::string bytes;
  const fileio::TFd fd(::open(run.file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.IsOpen()) {
    bool whole = StampOfOpenFile(fd.Get(), run.read);
    bytes.resize(static_cast<std::size_t>(run.read.Size));
    for (std::size_t at = 0; whole && at < bytes.size();) {
      const ssize_t got = ReadAt(fd.Get(), bytes.data() + at, bytes.size() - at, static_cast<off_t>(at));
      whole = got > 0;
      at += whole ? static_cast<std::size_t>(got) : 0;
    }
    if (!whole) throw Error("Ошибка чтения файла \"" + fileio::FullFileName(run.file) + "\": файл не читается");
  } else if (errno != ENOENT) {
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(run.file) + "\": " + SystemErrorText(errno));
  }
  TMemIniFile ini(run.file, bytes);
  IniWriteDateTime(ini, "Switch", "CurDateSwt", value);
  run.bytes = ini.FileBytes();
  return run;
}

TDateTime ReadSchemeSwitchDate(const std::string& schemeBase) {
  RecoverTableSetForRead(CurDateSwtFile(schemeBase));
  return ReadCurDateSwt(schemeBase);
}

}  // namespace ld
