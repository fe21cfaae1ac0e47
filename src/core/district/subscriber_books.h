#pragma once
// The command that imports the district's subscriber bases and technical metering from workbooks: up to
// three workbooks, each read by its reader of the program's list of sheet readers (sheet_imports.h), and
// their tables written in one run.
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/district/base_import.h"

namespace ld {

struct TSubscriberXlsRequest {
  std::string BaseStem;
  bool Prom = false, Byt = false, Tech = false;
  std::string PathProm, PathByt, PathTech;
};

// The whole command along the one import path: the wanted tables of the stem locked, every workbook read
// whole in the order industrial, household, technical, and only then all their tables written in one
// run. The messages of a workbook come under the line '<sheet's name>: файл <path>'. An industrial or
// households sheet with cells at or below the empty first cell that ends its data adds '<sheet's name>,
// строка <r>: пустая ячейка в столбце 1 - конец данных листа, строки ниже не прочитаны' to info. Returns
// the layout to show (the industrial base, else the household base, else the feeders; empty when
// nothing was wanted). A workbook that cannot be read (also one without a sheet, or with a damaged
// cell), or that gives no whole row (NothingImportedText with the first reason), throws its refusal
// naming it and saying that nothing was changed, every table left as it was; a lock held by someone
// else throws the table store's error.
std::string ImportSubscriberBasesXls(const TSubscriberXlsRequest& request, std::vector<std::string>& info,
                                     const TImportProgress& progress = {}, const TStageProc& stage = {});

}  // namespace ld
