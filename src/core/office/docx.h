#pragma once
// A text document (.docx) filled as a template: the cells of its tables are read and given new texts,
// and the document is saved under another name. Everything else of the file stays as it was: the parts
// other than the main document are copied unchanged, and in the main document only the changed cells
// are rewritten, each with the namespace declarations of the template's cell, so that the saved
// document is read as the template was.
//
// Tables, rows and cells count from 1 as a word processor counts them: tables in document order
// (tables nested in a cell are part of their cell and are not counted), rows of a table, cells of a row.
#include <string>
#include <utility>
#include <vector>

namespace ld {

class DocxDocument {
public:
  // Reads the file. Fails with ld::Error 'Ошибка чтения файла "<path>": <reason>' for a file that is no
  // document or is damaged.
  static DocxDocument Open(const std::string& path);

  int TableCount() const { return static_cast<int>(tables_.size()); }
  // The caller fills the document's first `count` tables by their numbers, as `filler` ("ведомость
  // потерь"). A template of fewer tables (an office suite joins tables with no paragraph between them
  // when it saves) fails here with ld::Error naming the first table missing; in one of more (a table
  // added before the first, such as a stamp "УТВЕРЖДАЮ"), every table filled is the one before it, and a
  // cell that is not there is named with the template's count of tables and that they are shifted.
  void ExpectTables(int count, const std::string& filler);
  int RowCount(int table) const;           // 0 for a table that is not there
  int CellCount(int table, int row) const; // 0 for a row that is not there

  // The cell's text: its paragraphs joined by "\n". Fails with ld::Error naming the document and the
  // table, row or cell that is not there.
  std::string CellText(int table, int row, int col) const;
  // The cell gets the text in its first paragraph, with the paragraph's properties and the font of the
  // paragraph's first run (of its paragraph mark when it has no run); its other runs and paragraphs go.
  // "\n" in the text breaks the line.
  void SetCellText(int table, int row, int col, const std::string& text);
  // Appends an empty row to the table, laid out as the table's last row of the file. Fails with
  // ld::Error for a table that is not there or has no row.
  void AddRow(int table);

  // Writes the document as path; an existing file there is replaced only once the new one is whole.
  // Fails with ld::TFileError 'Ошибка записи файла "<path>": <reason>', the old file left as it was.
  void SaveAs(const std::string& path) const;

  struct Cell {
    std::size_t begin = 0, end = 0;  // the cell element in the main part
    std::size_t openLength = 0;      // its start tag there, written again as it stands
    std::string cellProps;           // the cell's properties element, as written
    // The start tag of its first paragraph ("" when it has none), and the properties below, as written
    // with the namespace declarations they take from the elements a new text leaves out.
    std::string paraOpen;
    std::string paraProps;           // that paragraph's properties element
    std::string runProps;            // the properties of that paragraph's first run
    std::string markProps;           // the properties of that paragraph's mark
    bool hasRun = false;             // that paragraph has a run
    std::string text;
    bool changed = false;
  };

private:
  const Cell& At(int table, int row, int col) const;
  Cell& At(int table, int row, int col);
  // 'В документе "<path>" <what>', and when the document has more tables than the caller fills, why.
  std::string MissingText(const std::string& what) const;
  // The main part with the changed cells; throws the write error of path for cells it cannot place.
  std::string MainPart(const std::string& path) const;

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  std::string path_;
  int expectedTables_ = 0;  // ExpectTables: how many tables the caller fills, and as what
  std::string filler_;
  std::vector<std::pair<std::string, std::string>> entries_;  // every part of the file: name, contents
  std::size_t mainEntry_ = kNone;                              // the main document part (XML)
  std::vector<std::vector<std::vector<Cell>>> tables_;
  // Per table, the rows of the file (begin and end of each row element); rows beyond them were added.
  std::vector<std::vector<std::pair<std::size_t, std::size_t>>> rowSpans_;
};

}  // namespace ld
