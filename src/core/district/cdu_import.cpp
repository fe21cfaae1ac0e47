// Reading a CDU card file into the node and branch tables of a new scheme.
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/outside_value.h"
#include "core/base/strings.h"
#include "core/base/text_lines.h"
#include "core/district/base_import.h"
#include "core/district/cdu_card_fields.h"
#include "core/district/cdu_cards.h"
#include "core/tables/file_io.h"

namespace ld {

namespace {

struct TShuntSum {
  float G = 0, B = 0;
};

bool IsDosCodeLine(std::string_view line) {
  static constexpr std::string_view kDosCode = "DOSCODE";
  if (line.size() != kDosCode.size()) return false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kDosCode[i]) return false;
  }
  return true;
}

// A card that names a node no node card of the file gives (a file cut before its node cards ended,
// a card of another scheme pasted in) would make a branch, a load or a name of nothing.
void RequireNode(const std::unordered_set<std::int32_t>& nodes, std::int32_t ns, int code) {
  if (!nodes.contains(ns))
    throw ConvertError("карта " + std::string(code < 1000 ? "0" : "") + std::to_string(code) + " называет узел " +
                       std::to_string(ns) + ", карты которого (0201, 0299, 5008) в файле нет");
}

}  // namespace

void ImportCardScheme(const std::string& fileName, bool useLoadCards, TDataFile& nodeTable, TDataFile& branchTable,
                      const TPercentProc& progress, int& nodeCount, int& branchCount, int& balancingCount,
                      int& fixedVoltageCount, int& shuntCount) {
  nodeCount = branchCount = balancingCount = fixedVoltageCount = shuntCount = 0;
  const TCardNodeColumns node = FindCardNodeColumns(nodeTable);
  const TCardBranchColumns branch = FindCardBranchColumns(branchTable);
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) return;

  const TTextLines text = ReadTextLines(fileName);
  const std::vector<std::string>& lines = text.Lines;
  // The working lists live in this call alone, so an error that ends the reading frees them too.
  std::unordered_set<std::int32_t> balancing;
  std::unordered_map<std::int32_t, TShuntSum> shunts;
  // The first row of each node number (names go there) and the last one (load cards go there).
  std::unordered_map<std::int32_t, int> firstRow, lastRow;
  std::unordered_set<std::int32_t> nodes;
  std::size_t lineNo = 0;
  try {
    bool dos = false;
    int nodeCards = 0, branchCards = 0;
    // the names are the texts of a card file: they tell its code page
    TCodePageTally names;
    for (lineNo = 1; lineNo <= lines.size(); ++lineNo) {
      const std::string_view line = lines[lineNo - 1];
      if (!dos && IsDosCodeLine(line)) dos = true;
      const int code = CardCode(line);
      if (const std::string cut = CardCutFault(line, code); !cut.empty()) throw ConvertError(cut);
      if (code == 290) names.Add(CardTail(line, 17));
      if (code == 201 || code == 299 || code == 5008) {
        ++nodeCards;
        nodes.insert(CardInt(line, 9, 16));
      }
      if (code == 301 || code == 399 || code == 309) ++branchCards;
      if (code == 102) {
        ++balancingCount;
        balancing.insert(CardInt(line, 25, 32));
      } else if (code == 301 && CardInt(line, 17, 24) == 0) {
        const auto [it, added] = shunts.try_emplace(CardInt(line, 9, 16));
        if (added) ++shuntCount;
        // Sums are kept in Single, as the shunt columns hold them.
        it->second.G = static_cast<float>(it->second.G + CardReal(line, 25, 32));
        it->second.B = static_cast<float>(it->second.B + CardReal(line, 33, 40));
      }
    }
    // A last line without its end is a line cut inside, whatever it holds: its card code cut to "02" would
    // be no card, and the name or branch it began would be lost without a word.
    lineNo = lines.size();
    if (nodeCards > 0) RequireLastLineEnded(text, fileName);
    const int codePage = TextCodePage(fileName, names, text.Utf8Mark, dos ? kCodePageDos : 0);
    const int nameWidth = nodeTable.CtrlSize[static_cast<std::size_t>(FindColumnIndex("Name", nodeTable))];
    // The columns take their rows at once rather than growing step by step with them.
    ReserveCardRows(node, nodeCards);
    ReserveCardRows(branch, branchCards);
    firstRow.reserve(static_cast<std::size_t>(nodeCards));
    lastRow.reserve(static_cast<std::size_t>(nodeCards));

    const int step = static_cast<int>(lines.size() / 10);
    int threshold = step, percent = 0;
    for (lineNo = 1; lineNo <= lines.size(); ++lineNo) {
      const std::string_view line = lines[lineNo - 1];
      const int code = CardCode(line);
      if (code == 201 || code == 299 || code == 5008) {
        const int row = ++nodeCount;
        const std::int32_t ns = CardInt(line, 9, 16);
        (*node.NS)[row] = ns;
        const float um = static_cast<float>(CardReal(line, 17, 24));
        (*node.Um)[row] = um;
        (*node.Ush)[row] = um;
        (*node.Pn)[row] = CardReal(line, 25, 32);
        (*node.Qn)[row] = CardReal(line, 33, 40);
        (*node.Pg)[row] = CardReal(line, 41, 48);
        (*node.Qg)[row] = CardReal(line, 49, 56);
        (*node.Qmin)[row] = static_cast<float>(CardReal(line, 65, 72));
        (*node.Qmax)[row] = static_cast<float>(CardReal(line, 73, 80));
        const double u = CardReal(line, 57, 64);
        const double angle = CardReal(line, 82, 89);
        char sign = 0;
        if (balancing.contains(ns)) {
          sign = 'b';
          // Many files give a balancing node its voltage in 17-24 alone: a zero fixed voltage keeps it.
          if (u != 0) (*node.Um)[row] = static_cast<float>(u);
          (*node.Angle)[row] = angle;
        }
        if (const auto s = shunts.find(ns); s != shunts.end()) {
          (*node.Gs)[row] = s->second.G;
          (*node.Bs)[row] = s->second.B;
        }
        if (u != 0 && code == 201 && sign != 'b' && sign != 'u') {
          sign = 'u';
          (*node.Um)[row] = static_cast<float>(u);
          ++fixedVoltageCount;
        }
        if (sign != 0) (*node.Sign)[row] = sign;
        if (const int nsh = CardInt(line, 7, 8, INT16_MIN, INT16_MAX); nsh != 0) node.Nsh[row] = nsh;
        firstRow.try_emplace(ns, row);
        lastRow[ns] = row;
      } else if (code == 102) {
        RequireNode(nodes, CardInt(line, 25, 32), code);
      } else if (code == 202) {
        if (useLoadCards) {
          const std::int32_t ns = CardInt(line, 9, 16);
          RequireNode(nodes, ns, code);
          const double p = CardReal(line, 33, 40);
          const double q = CardReal(line, 41, 48);
          if (const auto r = lastRow.find(ns); r != lastRow.end()) {
            (*node.Pn)[r->second] = static_cast<float>(p);
            (*node.Qn)[r->second] = static_cast<float>(q);
          }
        }
      } else if (code == 301 || code == 399 || code == 309) {
        const std::int32_t n1 = CardInt(line, 9, 16);
        const std::int32_t n2 = CardInt(line, 17, 24);
        RequireNode(nodes, n1, code);
        if (n2 != 0) RequireNode(nodes, n2, code);
        if (n2 != 0) {  // with 0 a shunt, summed in the first pass
          const int row = ++branchCount;
          (*branch.N1)[row] = n1;
          (*branch.N2)[row] = n2;
          (*branch.Nl)[row] = static_cast<std::uint8_t>(CardInt(line, 5, 6, 0, UINT8_MAX));
          (*branch.R)[row] = static_cast<float>(CardReal(line, 25, 32));
          (*branch.X)[row] = static_cast<float>(CardReal(line, 33, 40));
          (*branch.B)[row] = static_cast<float>(CardReal(line, 41, 48));
          (*branch.G)[row] = static_cast<float>(CardReal(line, 65, 72));
          // A card holds the reciprocal k' + j k'' of the table's ratio Kta + j Ktr.
          const double k1 = CardReal(line, 49, 56);
          const double k2 = CardReal(line, 57, 64);
          if (k1 != 0) {
            const double d = k1 * k1 + k2 * k2;
            (*branch.Kta)[row] = static_cast<float>(k1 / d);
            (*branch.Ktr)[row] = static_cast<float>(-k2 / d);
          } else {
            (*branch.Kta)[row] = 0;
            (*branch.Ktr)[row] = static_cast<float>(k2);
          }
          if (code != 301) {
            (*branch.Com1)[row] = kCardEndOff;
            (*branch.Com2)[row] = kCardEndOff;
            (*branch.Commut)[row] = kCardCommutOff;
          }
        }
      } else if (code == 290) {
        const std::int32_t ns = CardInt(line, 5, 16);
        RequireNode(nodes, ns, code);
        if (const auto r = firstRow.find(ns); r != firstRow.end()) {
          // Taken by the one name rule with the field's width: a name longer than the field would be cut,
          // and two long names that share their beginning would become one; a character that the tables'
          // code page lacks (box drawing of a name in another code page) would be written as "?".
          const TValueRead<std::string> name =
              TOutsideValue::Text(DecodeText(CardTail(line, 17), codePage)).Name(nameWidth);
          if (!name)
            throw Error("Ошибка в строке " + std::to_string(lineNo) + " файла \"" + fileio::FullFileName(fileName) +
                        "\": имя узла (колонки 17 и далее): " + name.Fault);
          node.Name->SetItem(r->second, *name);
        }
      }
      if (threshold < static_cast<int>(lineNo)) {
        threshold += step;
        percent += 10;
        if (progress) progress(percent);
      }
    }
  } catch (const ConvertError& e) {
    throw ConvertError("Ошибка в строке " + std::to_string(lineNo) + " файла \"" + fileio::FullFileName(fileName) +
                       "\": " + e.what());
  }
}

TImportTaken ReadCardScheme(const std::string& fileName, TDataFile& nodeTable, TDataFile& branchTable) {
  // a missing file reads as one without cards, which a command must not take for an empty scheme
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec))
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(fileName) + "\": файл не найден");
  int nodes = 0, branches = 0, balancing = 0, fixedVoltage = 0, shunts = 0;
  ImportCardScheme(fileName, false, nodeTable, branchTable, {}, nodes, branches, balancing, fixedVoltage, shunts);
  nodeTable.RowCount = nodes;
  branchTable.RowCount = branches;
  TImportTaken taken;
  taken.Items = nodes;
  // names come last in a card file: a file cut between its name cards keeps every node and branch
  int named = 0;
  if (const DAString* names = GetColumnAs<DAString>("Name", nodeTable))
    for (int row = 1; row <= nodes; ++row) named += names->GetView(row).empty() ? 0 : 1;
  taken.Summary = "узлов " + std::to_string(nodes) + " (с именами " + std::to_string(named) + "), ветвей " +
                  std::to_string(branches);
  if (nodes == 0) taken.NotTaken("в файле нет карт узлов (0201, 0299, 5008)");
  return taken;
}

}  // namespace ld
