// A statement template of 620 KB whose four table cells each hold their paragraph in content controls
// that declare 60,000 namespace prefixes (240,000 in all): opened, its cells filled and saved, within
// 1 GB and 5 s. Every prefix a cell's paragraph is written with must be bound again on its new start
// tag, and what finding them costs must grow with the declarations, not with their square. Counters: the
// file's size, the declarations and the peak memory of one run in a child process.
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_peak.h"
#include "core/office/docx.h"
#include "quick.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCells = 4;
// a share of them in the quick pass
int PrefixesPerCell() { return static_cast<int>(ld::bench::PassSize(60000)); }
constexpr int kLevels = 100;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-office-docx");
  return dir.path;
}

// One row of kCells cells, each with its paragraph in kLevels content controls nested in one another,
// each declaring its share of PrefixesPerCell() prefixes: start tags of about 15 KB, as one tag of megabytes
// would time the parser's own rescans of a tag that spans the pieces it is handed. The paragraph uses
// the outermost prefix, so that every cell written anew must carry it.
const std::string& DeclaredTemplate() {
  static const std::string path = [] {
    std::string part =
        R"(<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
        "<w:body><w:tbl><w:tr>";
    const int perLevel = PrefixesPerCell() / kLevels;
    for (int c = 0; c < kCells; ++c) {
      part += "<w:tc>";
      for (int level = 0; level < kLevels; ++level) {
        part += "<w:sdt";
        for (int d = level * perLevel; d < (level + 1) * perLevel; ++d)
          part += " xmlns:n" + std::to_string(d) + "=\"urn:district:" + std::to_string(c) + "\"";
        part += "><w:sdtContent>";
      }
      part += "<w:p n0:id=\"1\"><w:r><w:t>ТП-1</w:t></w:r></w:p>";
      for (int level = 0; level < kLevels; ++level) part += "</w:sdtContent></w:sdt>";
      part += "</w:tc>";
    }
    part += "</w:tr></w:tbl><w:p/></w:body></w:document>";
    const std::string file = (WorkDir() / "declared.docx").string();
    std::ofstream(file, std::ios::binary) << ld::test::BuildZip({{"word/document.xml", part}});
    return file;
  }();
  return path;
}

bool FillTemplate() {
  ld::DocxDocument doc = ld::DocxDocument::Open(DeclaredTemplate());
  for (int c = 1; c <= kCells; ++c) doc.SetCellText(1, 1, c, "ТП-" + std::to_string(c));
  doc.SaveAs((WorkDir() / "filled.docx").string());
  return doc.CellCount(1, 1) == kCells;
}

void BM_FillTemplateOfManyDeclarations(benchmark::State& state) {
  const ld::bench::TBound bound;
  DeclaredTemplate();  // written once, in the scratch folder of this process
  // The child first: a cost that grows with the square of the declarations would hold a timed run for hours.
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin(FillTemplate, bound);
  if (!ld::bench::CheckBound(state, child, bound)) return;
  for (auto _ : state) benchmark::DoNotOptimize(FillTemplate());
  state.counters["file_KB"] = static_cast<double>(fs::file_size(DeclaredTemplate())) / 1024.0;
  state.counters["declarations"] = static_cast<double>(kCells) * PrefixesPerCell();
}
BENCHMARK(BM_FillTemplateOfManyDeclarations)->Unit(benchmark::kMillisecond);

}  // namespace
