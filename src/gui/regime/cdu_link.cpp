#include "gui/regime/cdu_link.h"

#include <utility>

#include "core/base/error.h"
#include "core/district/cdu_cards.h"
#include "core/district/outside_readers.h"
#include "gui/common/import_commands.h"

namespace ld::gui {

namespace {
TCardImport& Importer() {
  // the regime window reads no load cards and shows no progress of its own
  static TCardImport importer = [](const std::string& fileName, TDataFile& nodes, TDataFile& branches) {
    TOutsideRun run;
    const TImportTaken taken = FindOutsideReader(ImportReader("Режим", "ImportCDU")).ReadInto(fileName, run);
    nodes = std::move(run.Tables[0]);
    branches = std::move(run.Tables[1]);
    return taken;
  };
  return importer;
}
TCardExport& Exporter() {
  static TCardExport exporter = [](const std::string& basePath, const std::string& fileName) {
    ld::ExportCardScheme(basePath, fileName);
  };
  return exporter;
}
TBaseFileName& BaseSource() {
  static TBaseFileName source;
  return source;
}
}  // namespace

std::string DistrictBaseFileName() { return BaseSource() ? BaseSource()() : std::string(); }
TBaseFileName SetBaseFileNameSource(TBaseFileName source) { return std::exchange(BaseSource(), std::move(source)); }

TImportTaken ImportCardScheme(const std::string& fileName, TDataFile& nodes, TDataFile& branches) {
  if (!Importer()) throw Error("Преобразование формата ЦДУ не подключено");
  return Importer()(fileName, nodes, branches);
}

void ExportCardScheme(const std::string& basePath, const std::string& fileName) {
  if (!Exporter()) throw Error("Преобразование формата ЦДУ не подключено");
  Exporter()(basePath, fileName);
}

TCardImport SetCardImport(TCardImport import) { return std::exchange(Importer(), std::move(import)); }
TCardExport SetCardExport(TCardExport exporter) { return std::exchange(Exporter(), std::move(exporter)); }

}  // namespace ld::gui
