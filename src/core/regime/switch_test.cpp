#include "core/regime/switch_test.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/protocol.h"
#include "core/regime/period_report.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/journal.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"

namespace ld {

namespace {

// Open sides of a branch by its commutation letter: 1 at N1, 2 at N2.
struct OpenSides {
  std::array<std::uint8_t, 256> flags{};
  OpenSides() {
    for (int c = 1; c < 256; ++c) {
      const char32_t letter = UpperChar(Cp1251Char(static_cast<unsigned char>(c)));
      if (letter == U'Н' || letter == U'О' || letter == U'П') flags[static_cast<std::size_t>(c)] = 1;
      if (letter == U'К' || letter == U'Ф') flags[static_cast<std::size_t>(c)] = 2;
    }
  }
  std::uint8_t operator()(char letter) const { return flags[static_cast<unsigned char>(letter)]; }
};
const OpenSides kOpen;

void SplitStamp(TStamp s, std::int64_t& date, std::int64_t& second) {
  date = s / 100000;
  second = s % 100000;
  if (second < 0) {
    second += 100000;
    --date;
  }
}

// Days since 1 January 1970 of a proleptic Gregorian date; any numbers give some day, so that a damaged
// journal row cannot stop the count.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t AbsoluteSecond(TStamp s) {
  std::int64_t date = 0, second = 0;
  SplitStamp(s, date, second);
  return DaysFromCivil(date / 10000, date / 100 % 100, date % 100) * 86400 + second;
}

std::string StampText(TStamp s) { return PackedDateTimeToStr(60, StampToPacked(s)); }

std::string Difference(std::int64_t value, std::int64_t norm) {
  const std::int64_t d = value - norm;
  std::string text = std::to_string(d);
  if (d > 0) text.insert(text.begin(), '+');  // a negative difference carries its own sign
  return text;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Cuts the first n characters off s when, upper-cased, they are one of the prefixes.
void CutPrefix(std::string& s, std::size_t n, std::initializer_list<const char*> prefixes) {
  const std::string head = Utf8Left(s, n);
  if (Utf8Length(head) != n) return;
  const std::string upper = UpperCase(head);
  for (const char* p : prefixes)
    if (upper == p) {
      s.erase(0, head.size());
      return;
    }
}

// Reads a table of the scheme (a missing journal is an empty one) and binds its columns. Whatever goes
// wrong names the file: a message about the layout alone does not tell the person which file is damaged.
template <typename Cols>
void ReadSchemeTable(const std::string& file, const char* layout, bool mayBeMissing, TDataFile& table,
                     void (*fill)(const TDataFile&, Cols&)) {
  try {
    if (mayBeMissing && !fileio::FileExists(FamilyFile(file))) {
      ReadMaket(layout, table);
      CreateColumns(table, 0);
    } else {
      ReadTableFile(file, table);
    }
    Cols cols;
    fill(table, cols);
  } catch (const Error& e) {
    const std::string name = std::filesystem::path(file).filename().string();
    if (std::string(e.what()).find(name) != std::string::npos) throw;
    throw Error("Файл \"" + name + "\": " + e.what());
  }
}

}  // namespace

TStamp StampOf(TDateTime value) {
  int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  DecodeDate(value, y, m, d);
  DecodeTime(value, h, mi, s, ms);
  return (static_cast<TStamp>(y) * 10000 + m * 100 + d) * 100000 + h * 3600 + mi * 60 + s;
}

TStamp JournalStamp(std::int32_t date, std::int32_t hour, std::int32_t minutes) {
  return static_cast<TStamp>(date) * 100000 + static_cast<TStamp>(hour) * 3600 + static_cast<TStamp>(minutes) * 60;
}

double StampToPacked(TStamp stamp) {
  std::int64_t date = 0, second = 0;
  SplitStamp(stamp, date, second);
  return static_cast<double>(date) + static_cast<double>(second) / 100000.0;
}

std::int64_t SecondsBetween(TStamp a, TStamp b) {
  const std::int64_t d = AbsoluteSecond(a) - AbsoluteSecond(b);
  return d < 0 ? -d : d;
}

std::string OutageReportFile(const std::string& schemeBase) { return schemeBase + " (длительность отключений).txt"; }
std::string SnrReportFile(const std::string& schemeBase) { return schemeBase + " (отклонения от СНР).txt"; }

// ---- the steps --------------------------------------------------------------------------------------

std::string TSwitchTest::ReportName(const std::string& name, float um) {
  std::string s = name;
  bool excluded = false;
  const std::size_t dot = s.find('.');
  if (dot != std::string::npos) {
    s[dot] = '_';
    s += "С";
    excluded = s.find('.') != std::string::npos;
  }
  excluded = excluded || StartsWith(s, "_") || StartsWith(s, "Ф") || StartsWith(s, "ЛР") || std::trunc(um) == 0;
  if (excluded) return "_" + s;
  CutPrefix(s, 2, {"ТП"});
  CutPrefix(s, 3, {"КТП", "ЗТП", "МТП"});
  return s;
}

TSwitchTest::TSwitchTest(TDataFile& nodes, TDataFile& branches, const TSwitchTestSettings& settings, TStamp p1,
                         TStamp p2)
    : p1_(p1), p2_(p2), previous_(p1), noSupNorm_(settings.NoSupNorm), contNorm_(settings.ContNorm) {
  FillNodeCols(nodes, n_);
  FillBranchCols(branches, b_);
  nodeCount_ = std::max(n_.RowCount, 0);
  const int branchCount = std::max(b_.RowCount, 0);

  std::unordered_map<std::int32_t, int> nodeOf;
  for (int i = 0; i < nodeCount_; ++i) nodeOf.emplace(n_.NS->Get(i + 1), i);
  auto nodeIndex = [&](std::int32_t number) {
    const auto it = nodeOf.find(number);
    return it == nodeOf.end() ? -1 : it->second;
  };
  end1_.resize(static_cast<std::size_t>(branchCount));
  end2_.resize(static_cast<std::size_t>(branchCount));
  feederName_.resize(static_cast<std::size_t>(branchCount));
  std::vector<int> count(static_cast<std::size_t>(nodeCount_) + 1, 0);
  for (int r = 0; r < branchCount; ++r) {
    const auto k = static_cast<std::size_t>(r);
    end1_[k] = nodeIndex(b_.N1->Get(r + 1));
    end2_[k] = nodeIndex(b_.N2->Get(r + 1));
    feederName_[k] = NameId(b_.DSName->GetItem(r + 1));
    if (end1_[k] >= 0) ++count[static_cast<std::size_t>(end1_[k])];
    if (end2_[k] >= 0 && end2_[k] != end1_[k]) ++count[static_cast<std::size_t>(end2_[k])];
  }
  // Each node's branches in table order: the walk scans them as the table lists them.
  adjStart_.assign(static_cast<std::size_t>(nodeCount_) + 1, 0);
  for (int v = 0; v < nodeCount_; ++v)
    adjStart_[static_cast<std::size_t>(v) + 1] = adjStart_[static_cast<std::size_t>(v)] + count[static_cast<std::size_t>(v)];
  adjBranch_.resize(static_cast<std::size_t>(adjStart_.back()));
  std::vector<int> fill(adjStart_.begin(), adjStart_.end() - 1);
  for (int r = 0; r < branchCount; ++r) {
    const auto k = static_cast<std::size_t>(r);
    if (end1_[k] >= 0) adjBranch_[static_cast<std::size_t>(fill[static_cast<std::size_t>(end1_[k])]++)] = r;
    if (end2_[k] >= 0 && end2_[k] != end1_[k])
      adjBranch_[static_cast<std::size_t>(fill[static_cast<std::size_t>(end2_[k])]++)] = r;
  }

  sourceName_.assign(static_cast<std::size_t>(nodeCount_), 0);
  reportNames_.resize(static_cast<std::size_t>(nodeCount_));
  for (int v = 0; v < nodeCount_; ++v) {
    const std::string name = n_.Name->GetItem(v + 1);
    const char sign = n_.Sign->Get(v + 1);
    if (sign == 'B' || sign == 'b') {
      std::string source = name.substr(0, name.find('.'));
      if (source.find("ТЭЦ") == std::string::npos) source = "ПС " + source;
      sourceName_[static_cast<std::size_t>(v)] = NameId(source);
      balancing_.push_back(v);
    }
    reportNames_[static_cast<std::size_t>(v)] = ReportName(name, n_.Um->Get(v + 1));
  }
  const auto nodes0 = static_cast<std::size_t>(nodeCount_);
  normal_.assign(nodes0, {});
  current_.assign(nodes0, {});
  previousSupply_.assign(nodes0, {});
  wasUnsupplied_.assign(nodes0, 0);
  openOutage_.assign(nodes0, -1);
}

std::int32_t TSwitchTest::NameId(const std::string& name) {
  const auto [it, added] = nameIds_.emplace(name, static_cast<std::int32_t>(names_.size()));
  if (added) names_.push_back(name);
  return it->second;
}

void TSwitchTest::BranchRowChanged(int row) {
  const auto k = static_cast<std::size_t>(row - 1);
  if (row < 1 || k >= end1_.size()) return;
  feederName_[k] = NameId(b_.DSName->GetItem(row));
  // The journal finds a branch by its two ends in either order and writes its own order back.
  const int e1 = end1_[k], e2 = end2_[k];
  if (e1 >= 0 && e2 >= 0 && b_.N1->Get(row) != n_.NS->Get(e1 + 1) && b_.N1->Get(row) == n_.NS->Get(e2 + 1))
    std::swap(end1_[k], end2_[k]);
}

void TSwitchTest::AnalyseSupply(bool normal) {
  const DAChar& letters = normal ? *b_.Normal : *b_.Commut;
  std::vector<Supply>& supply = normal ? normal_ : current_;
  const auto nodes0 = static_cast<std::size_t>(nodeCount_);
  reached_.assign(nodes0, 0);
  supply.assign(nodes0, {});
  used_.assign(end1_.size(), 0);
  queue_.clear();
  for (const int v : balancing_) {
    const auto k = static_cast<std::size_t>(v);
    if (reached_[k] != 0) continue;
    reached_[k] = 1;
    supply[k] = {0, sourceName_[k]};
    queue_.push_back(v);
  }
  int loops = 0;
  for (std::size_t head = 0; head < queue_.size(); ++head) {
    const int v = queue_[head];
    const Supply from = supply[static_cast<std::size_t>(v)];
    for (int a = adjStart_[static_cast<std::size_t>(v)]; a < adjStart_[static_cast<std::size_t>(v) + 1]; ++a) {
      const int r = adjBranch_[static_cast<std::size_t>(a)];
      const auto k = static_cast<std::size_t>(r);
      if (used_[k] != 0) continue;
      const std::uint8_t open = kOpen(letters.Get(r + 1));
      const bool atEnd1 = end1_[k] == v;
      if ((open & (atEnd1 ? 1 : 2)) != 0) continue;
      used_[k] = 1;
      const int other = atEnd1 ? end2_[k] : end1_[k];
      if (other < 0) continue;
      const auto o = static_cast<std::size_t>(other);
      if ((open & (atEnd1 ? 2 : 1)) == 0 && reached_[o] == 0) {
        reached_[o] = 1;
        supply[o] = {from.feeder != 0 ? from.feeder : feederName_[k], from.source};
        queue_.push_back(other);
      } else if (reached_[o] != 0 && open == 0) {
        ++loops;
      }
    }
  }
  unsupplied_ = nodeCount_ - static_cast<int>(queue_.size());
  loops_ = loops;
  // Before the first switching every node counts as normally supplied.
  if (normal) previousSupply_ = normal_;
}

std::optional<std::string> TSwitchTest::WriteTestLine(TStamp t) {
  if (t == previous_ && t != p2_) return std::nullopt;
  std::string line = FitRight(StampText(previous_), 22) +
                     FitRight(std::to_string(unsupplied_) + " узлов (" + Difference(unsupplied_, noSupNorm_) + ")", 22) +
                     FitRight(std::to_string(loops_) + " контуров (" + Difference(loops_, contNorm_) + ")", 23);
  const std::int64_t seconds = SecondsBetween(previous_, t);
  const std::int64_t hours = seconds / 3600, minutes = seconds % 3600 / 60;
  line += hours != 0 ? FitLeft(std::to_string(hours), 4) + " час  " : std::string(10, ' ');
  line += FitLeft(std::to_string(minutes), 2) + " мин";
  previous_ = t;
  return line;
}

void TSwitchTest::TrackOutages(TStamp t) {
  for (int v = 0; v < nodeCount_; ++v) {
    const auto k = static_cast<std::size_t>(v);
    const std::uint8_t now = reached_[k] == 0 ? 1 : 0;
    if (now != 0 && wasUnsupplied_[k] == 0) {
      openOutage_[k] = static_cast<int>(outages_.size());
      outages_.push_back({v, t, 0});
    } else if (now == 0 && wasUnsupplied_[k] != 0) {
      if (openOutage_[k] >= 0)
        outages_[static_cast<std::size_t>(openOutage_[k])].end = t;
      else
        outages_.push_back({v, p1_, t});
      openOutage_[k] = -1;
    }
    wasUnsupplied_[k] = now;
  }
}

void TSwitchTest::TrackNormalDeviations(TStamp t) {
  std::size_t firstTouched = deviations_.size();
  // Within one call the record a search finds for a pair of supplies stays the one found; nodes that
  // moved together share it.
  std::map<std::array<std::int32_t, 5>, std::size_t> found;
  for (int v = 0; v < nodeCount_; ++v) {
    const auto k = static_cast<std::size_t>(v);
    const Supply now = current_[k], before = previousSupply_[k];
    if (now == before) continue;
    const std::string& name = reportNames_[k];
    if (StartsWith(name, "_")) continue;
    const bool back = now == normal_[k];
    const std::array<std::int32_t, 5> key{back ? 1 : 0, before.feeder, before.source, now.feeder, now.source};
    auto it = found.find(key);
    if (it == found.end()) {
      std::size_t i = deviations_.size();
      while (i > 0) {
        const Deviation& d = deviations_[i - 1];
        if ((back ? d.end : d.begin) == t && d.before == before && d.after == now) break;
        --i;
      }
      it = found.emplace(key, i > 0 ? i - 1 : deviations_.size()).first;
      if (i == 0) {
        Deviation d;
        (back ? d.end : d.begin) = t;
        d.before = before;
        d.after = now;
        d.list = Utf8Left(name, 255);
        deviations_.push_back(std::move(d));
        firstTouched = std::min(firstTouched, deviations_.size() - 1);
        continue;
      }
    }
    Deviation& d = deviations_[it->second];
    d.list = Utf8Left(d.list + "; " + name, 255);
    firstTouched = std::min(firstTouched, it->second);
  }
  previousSupply_ = current_;
  // Only a record whose list changed now can pair anew: the others were tried with what they hold.
  MergeFrom(firstTouched);
}

void TSwitchTest::MergeFrom(std::size_t first) {
  for (std::size_t i = first; i < deviations_.size();) {
    const Deviation& d = deviations_[i];
    if (d.end != 0 && d.begin == 0) {
      std::size_t j = i;
      while (j > 0) {
        const Deviation& e = deviations_[j - 1];
        if (e.before == d.after && e.after == d.before && e.list == d.list) break;
        --j;
      }
      if (j > 0) {
        deviations_[j - 1].end = d.end;
        deviations_.erase(deviations_.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
    }
    ++i;
  }
}

std::vector<std::string> TSwitchTest::OutageReport() const {
  std::vector<std::string> lines;
  for (const Outage& o : outages_) {
    const TStamp end = o.end != 0 ? o.end : p2_;
    const std::int64_t minutes = SecondsBetween(o.start, end) / 60;
    if (minutes == 0) continue;
    lines.push_back(n_.Name->GetItem(o.node + 1) + "\t" + StampText(o.start) + "\t" + StampText(end) + "\t" +
                    std::to_string(minutes));
  }
  return lines;
}

std::vector<std::string> TSwitchTest::SnrReport() const {
  auto day = [](TStamp s) {
    std::int64_t date = 0, second = 0;
    SplitStamp(s, date, second);
    return s == 0 ? std::string() : PackedDateTimeToStr(60, static_cast<double>(date));
  };
  auto timeOfDay = [](TStamp s) {
    std::int64_t date = 0, second = 0;
    SplitStamp(s, date, second);
    return s == 0 ? std::string() : PackedDateTimeToStr(60, static_cast<double>(second) / 100000.0);
  };
  std::vector<std::string> lines;
  int number = 0;
  for (const Deviation& d : deviations_) {
    const auto name = [this](std::int32_t id) { return names_[static_cast<std::size_t>(id)]; };
    lines.push_back(std::to_string(++number) + "\t" + day(d.begin) + "\t" + timeOfDay(d.begin) + "\t" + day(d.end) +
                    "\t" + timeOfDay(d.end) + "\t" + d.list + "\t" + name(d.before.feeder) + "\t" +
                    name(d.before.source) + "\t" + name(d.after.feeder) + "\t" + name(d.after.source));
  }
  return lines;
}

// ---- the run ----------------------------------------------------------------------------------------

void ReadSwitchTestTables(const std::string& schemeBase, TSwitchTestTables& tables) {
  const std::string nodeExt = GetMaketExtention(LayoutNodes), branchExt = GetMaketExtention(LayoutBranches),
                    journalExt = GetMaketExtention(LayoutSwitchLog);
  const std::string extensions = nodeExt + "," + branchExt + "," + journalExt;
  LockTableFiles(schemeBase, extensions);
  struct Unlock {
    const std::string &base, &extensions;
    ~Unlock() {
      try {
        UnlockTableFiles(base, extensions);
      } catch (...) {  // a lock that cannot be removed must not hide what the reading found
      }
    }
  } unlock{schemeBase, extensions};
  ReadSchemeTable(schemeBase + nodeExt, LayoutNodes, false, tables.Nodes, &FillNodeCols);
  ReadSchemeTable(schemeBase + branchExt, LayoutBranches, false, tables.Branches, &FillBranchCols);
  ReadSchemeTable(schemeBase + journalExt, LayoutSwitchLog, true, tables.Journal, &FillSwitchLogCols);
}

TSwitchTestResult RunSwitchTest(const std::string& schemeBase, TSwitchTestTables& tables, TDateTime curDateSwt,
                                const TSwitchTestSettings& settings, const TSwitchTestCallbacks& cb) {
  TSwitchTestResult result;
  auto message = [&](const std::string& line) {
    if (cb.Message) cb.Message(line);
  };
  if (cb.Status) cb.Status("Анализ узлов без питания и контуров по журналу переключений ...");
  TDataFile &branches = tables.Branches, &journal = tables.Journal;
  TBranchCols b;
  FillBranchCols(branches, b);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);

  if (settings.SnrReport) {
    // The normal state of a district line is its own; every other branch stands as the scheme has it.
    const std::string lineExt = GetMaketExtention(LayoutLines10);
    for (int r = 1; r <= b.RowCount; ++r)
      if (b.ExtFile->GetItem(r) != lineExt) (*b.Normal)[r] = b.Commut->Get(r);
  }

  const TDateTime t0 = curDateSwt != 0 ? curDateSwt : Now();
  const TDateTime p1 = settings.Date1, p2 = settings.Date2 + 1;
  std::vector<std::string> replay;
  bool consistent = false;
  try {
    consistent = ApplySwitchJournal(branches, journal, false, t0, p1, &replay) &&
                 ApplySwitchJournal(branches, journal, false, p1, p2, &replay) &&
                 ApplySwitchJournal(branches, journal, false, p2, p1, &replay);
  } catch (const Error& e) {  // a row whose moment is no moment at all
    replay.push_back(e.what());
  }
  for (const std::string& line : replay) message(line);

  std::optional<TSwitchTest> test;
  if (consistent) {
    result.Replayed = true;
    const TStamp s1 = StampOf(p1), s2 = StampOf(p2);
    test.emplace(tables.Nodes, branches, settings, s1, s2);
    if (settings.SnrReport) test->AnalyseSupply(true);
    test->AnalyseSupply();
    if (settings.SnrReport) test->TrackNormalDeviations(s1);
    int previousLoops = test->Loops();
    message("Норма узлов без питания : " + std::to_string(settings.NoSupNorm));
    message("Норма замкнутых контуров: " + std::to_string(settings.ContNorm));
    message("");
    message("Дата переключения     Узлов без питания     Замкнутых контуров     Продолжительность");

    // Tracking a state at the moment of the switching that made it.
    auto track = [&] {
      if (settings.OutageReport) test->TrackOutages(test->PreviousMoment());
      if (settings.SnrReport && test->Loops() <= previousLoops) test->TrackNormalDeviations(test->PreviousMoment());
      previousLoops = test->Loops();
    };
    std::map<std::array<std::int32_t, 3>, int> branchOf;  // the first row of the two ends and circuit
    for (int r = b.RowCount; r >= 1; --r) {
      const std::int32_t n1 = b.N1->Get(r), n2 = b.N2->Get(r);
      branchOf[{std::min(n1, n2), std::max(n1, n2), b.Nl->Get(r)}] = r;
    }
    const int every = journal.RowCount / 10 != 0 ? journal.RowCount / 10 : std::max(journal.RowCount, 1);
    int done = 0, position = 0;
    TRecSwt rec;
    for (int r = 1; r <= j.RowCount; ++r) {
      if (j.BA->Get(r) != 1) continue;
      const TStamp t = JournalStamp(j.Date->Get(r), j.Hour->Get(r), j.Mins->Get(r));
      if (t < s1 || t > s2) continue;
      const std::int32_t n1 = j.N1->Get(r), n2 = j.N2->Get(r);
      const auto it = branchOf.find({std::min(n1, n2), std::max(n1, n2), j.Nl->Get(r)});
      if (it == branchOf.end()) {
        message(FitRight(StampText(t), 16) + ": ветвь " + std::to_string(n1) + " - " + std::to_string(n2) +
                " не найдена в таблице ветвей схемы");
      } else {
        test->AnalyseSupply();
        track();
        if (const auto line = test->WriteTestLine(t)) message(*line);
        ReadSwitchLogRec(j, r, rec);
        WriteBranchRec(b, it->second, rec);
        test->BranchRowChanged(it->second);
      }
      if (++done % every == 0) {
        position = std::min(position + 10, 100);
        if (cb.Progress) cb.Progress(position);
      }
      if (cb.StopQuery && cb.StopQuery()) {
        message("<<<< Процесс прерван >>>>");
        result.Stopped = true;
        break;
      }
    }
    if (!result.Stopped) {
      test->AnalyseSupply();
      // What the period's last switching made holds to the end of the period: it enters the reports
      // from that switching's moment.
      track();
      if (const auto line = test->WriteTestLine(s2)) message(*line);
    }
  }

  // The two reports of one test in one run: never one test's outages beside another's deviations.
  std::vector<TRunBytes> reports;
  if (settings.OutageReport)
    reports.push_back({OutageReportFile(schemeBase), ProtocolBytes(test ? test->OutageReport() : std::vector<std::string>{})});
  if (settings.SnrReport) {
    if (test) test->MergeOpenDeviations();
    reports.push_back({SnrReportFile(schemeBase), ProtocolBytes(test ? test->SnrReport() : std::vector<std::string>{})});
  }
  WriteTablesTogether({}, reports);
  return result;
}

}  // namespace ld
