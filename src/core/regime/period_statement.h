#pragma once
// The loss statement of a period calculation: the template "Потери.docx" of the program folder filled
// with the metered totals of the period and the structure of its losses, saved beside the scheme as
// "Потери NAME.docx".
#include <array>
#include <functional>
#include <string>

#include "core/base/dates.h"
#include "core/regime/period_report.h"

namespace ld {

class TDataFile;

struct TLossStatementData {
  std::string SchemeName;  // the scheme's file name
  TDateTime Date1 = 0, Date2 = 0, Now = 0;
  TMeterTotals Totals;  // kW·h
  // The period's load losses caused by reactive flows by class (TPeriodSums::ReactiveByClass), kW·h.
  std::array<double, 8> ReactiveByClass{};
};

// The template: the program folder's "Потери.docx", whatever the letter case of its name.
std::string LossStatementTemplate();
// The statement of the scheme at schemeBase (path without extension): its folder + "Потери " + name.
std::string LossStatementPath(const std::string& schemeBase);

// Fills the template's five tables from data and the rows of the branch energy table ("Перетоки
// электроэнергии": columns T, A, Ul, dWPz, dWPy) and saves the statement as outputPath. A missing
// template is reported through errorBox ("Шаблон документа <path> не найден") and gives false, the old
// statement left; the old statement is replaced only once the new one is saved. A template that cannot
// be read, has fewer than the five tables (the message names the first missing and how many there are)
// or a statement that cannot be written raises ld::Error.
bool WriteLossReportDoc(const std::string& templatePath, const std::string& outputPath, const TLossStatementData& data,
                        const TDataFile& branchEnergy, const std::function<void(const std::string&)>& errorBox);

}  // namespace ld
