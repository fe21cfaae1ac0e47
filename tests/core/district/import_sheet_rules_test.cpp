// The sheet readers of the program's own list, each run through the same rules: every cell taken only
// through the rules of outside values, a cell that cannot be read named wherever a reader looks at it,
// a workbook of another reader's kind refused before anything changes, and a row of another shape
// refusing its sheet by its cell. A reader added to the list is run here without being named.
#include "import_rules.h"

namespace ld::test {
namespace {

// Every sheet reader of the program's own list, each run on sheets of every layout the list reads, as
// people's programs leave them: a no-break space, a figure space, a narrow no-break space, a tab or a
// line break at a text's ends changes nothing the reader writes or says, and a control character inside
// a text is never stored. A reader added to the list is run here without being named.
TEST_F(ImportRules, EverySheetReaderOfTheProgramTakesItsCellsOnlyThroughTheRules) {
  using TGrid = std::map<std::pair<int, int>, std::string>;
  const std::vector<TGrid> sheets = {
      // households, industrial, transformer, station, technical and feeder measurements
      {{{1, 1}, "ТП-42"}, {{2, 1}, "1"}, {{2, 2}, "1"}, {{2, 3}, "5"}, {{2, 4}, "10"}, {{3, 1}, "ТП-42 Л8"}},
      {{{1, 1}, "Ведомость"}, {{2, 1}, "№"}, {{3, 1}, "1"}, {{3, 2}, "Д1"}, {{3, 3}, "Завод"}, {{3, 4}, "Т1"},
       {{3, 6}, "ТП-42.Т1"}, {{3, 8}, "100"}, {{3, 9}, "0123"}, {{3, 11}, "1"}, {{3, 12}, "АЕ спож."},
       {{3, 13}, "5"}, {{3, 14}, "2"}},
      {{{1, 3}, "ТП-42"}, {{1, 4}, "Т1"}, {{1, 5}, "400 кВА"}, {{1, 8}, "100"}},
      {{{1, 1}, "ТП"}, {{2, 1}, "ТП-42"}, {{2, 2}, "400"}, {{2, 3}, "100"}},
      {{{1, 1}, "Наименование"}, {{2, 1}, "ТП-42"}, {{2, 2}, "5"}, {{2, 3}, "1"}, {{2, 4}, "2"}, {{2, 5}, "3"}},
      {{{1, 3}, "ТП-42"}, {{1, 8}, "5"}, {{1, 12}, "1"}, {{1, 18}, "2"}, {{1, 22}, "1"}},
  };
  // what the reader wrote into its tables and said, or its refusal
  // (covered: each cell as a merged range shows it on a row below its first)
  const auto run = [&](const TSheetImport& reader, const TGrid& grid, bool covered = false) {
    const TSheetCells cells = [&grid, covered](int row, int col) {
      const auto at = grid.find({row, col});
      if (at == grid.end()) return TOutsideValue();
      return covered ? TOutsideValue::Text(at->second).Covered("Z1:Z2") : TOutsideValue::Text(at->second);
    };
    return ReadShown(reader, cells);
  };
  const std::vector<std::pair<std::string, std::string>> ends = {
      {"", "\xC2\xA0"}, {"\t", " \xE2\x80\x87"}, {" ", "\xE2\x80\xAF\r\n"}, {"\xC2\xA0 ", "\n"}};
  ASSERT_FALSE(SheetImports().empty());
  for (const TSheetImport& reader : SheetImports())
    for (const TGrid& grid : sheets) {
      const std::string clean = run(reader, grid);
      EXPECT_EQ(clean.rfind("refused", 0), std::string::npos) << reader.Name << ": " << clean;
      for (const auto& [before, after] : ends) {
        TGrid dressed = grid;
        for (auto& [at, text] : dressed) text = before + text + after;
        EXPECT_EQ(run(reader, dressed), clean) << reader.Name << ": " << ControlsShown(before + "…" + after);
      }
      // a no-break space of any width inside a text is the blank it shows ("АЕ спож.", "400 кВА")
      for (const std::string blank : {"\xC2\xA0", "\xE2\x80\x87", "\xE2\x80\xAF"}) {
        TGrid unbroken = grid;
        for (auto& [at, text] : unbroken)
          for (std::size_t space; (space = text.find(' ')) != std::string::npos;) text.replace(space, 1, blank);
        EXPECT_EQ(run(reader, unbroken), clean) << reader.Name << ": " << ControlsShown(blank);
      }
      // a carriage return inside every text: refused by its cell, or kept out of every table
      TGrid damaged = grid;
      for (auto& [at, text] : damaged) {
        std::size_t second = 1;  // after the first character, whole
        while (second < text.size() && (static_cast<unsigned char>(text[second]) & 0xC0) == 0x80) ++second;
        text.insert(second, "\r");
      }
      const std::string said = run(reader, damaged);
      const std::string written = said.substr(0, said.rfind('\n') == std::string::npos ? 0 : said.rfind('\n'));
      EXPECT_EQ(written.find('\r'), std::string::npos) << reader.Name << ": " << ControlsShown(said);
      // every cell shown by a merged range: a row the reader takes has a figure, which is named by its
      // range, never given to this row too
      if (clean.rfind("0 ", 0) != 0) {
        EXPECT_NE(run(reader, grid, true).find("объединенную ячейку Z1:Z2"), std::string::npos) << reader.Name << ": " << clean;
      }
    }
}


// Every sheet reader of the program's own list, fed its own sheet with each of its cells replaced in turn
// by each kind of cell a workbook holds: a value is taken as the sheet shows it (a number with its zeros,
// a duration as hours and minutes, never a serial day), and a cell that cannot be read (an error value, a
// boolean, a formula without its result) is named by its cell wherever the reader looks at it: for a row
// number, a heading, a key or the end of the data as for a number. It is never an empty cell.
TEST_F(ImportRules, EverySheetReaderNamesACellThatCannotBeReadWhereverItLooksAtIt) {
  using TGrid = std::map<std::pair<int, int>, std::string>;
  struct TOwnSheet {
    TGrid grid;
    int firstRow;  // the rows above are the sheet's headings, which the reader does not read
  };
  // each reader's own sheet; the households sheet's feeder of ТП-42 is followed by another station
  const std::map<std::string, TOwnSheet> own = {
      {kHouseholdsSheet,
       {{{{1, 1}, "ТП-42"}, {{2, 1}, "1"}, {{2, 2}, "1"}, {{2, 3}, "5"}, {{2, 4}, "10"}, {{3, 1}, "ТП-43"},
         {{4, 1}, "2"}, {{4, 2}, "2"}, {{4, 3}, "6"}, {{4, 4}, "12"}}, 1}},
      {kMeterPointsSheet,
       {{{{1, 1}, "Ведомость"}, {{2, 1}, "№"}, {{3, 1}, "1"}, {{3, 2}, "Д1"}, {{3, 3}, "Завод"}, {{3, 4}, "Т1"},
         {{3, 6}, "ТП-42.Т1"}, {{3, 8}, "100"}, {{3, 9}, "0123"}, {{3, 11}, "1"}, {{3, 12}, "АЕ спож."},
         {{3, 13}, "5"}, {{3, 14}, "2"}}, 3}},
      {kTransformerMeasureSheet, {{{{1, 3}, "ТП-42"}, {{1, 4}, "Т1"}, {{1, 5}, "400 кВА"}, {{1, 8}, "100"}}, 1}},
      {kStationMeasureSheet, {{{{1, 1}, "ТП"}, {{2, 1}, "ТП-42"}, {{2, 2}, "400"}, {{2, 3}, "100"}}, 1}},
      {kTechnicalSheet,
       {{{{1, 1}, "Наименование"}, {{2, 1}, "ТП-42"}, {{2, 2}, "5"}, {{2, 3}, "1"}, {{2, 4}, "2"}, {{2, 5}, "3"}}, 1}},
      {kFeederMeasureSheet,
       {{{{1, 3}, "ТП-42"}, {{1, 8}, "5"}, {{1, 12}, "1"}, {{1, 18}, "2"}, {{1, 22}, "1"}}, 1}},
  };
  struct TKind {
    const char* name;
    TOutsideValue value;
  };
  const std::vector<TKind> values = {
      {"text", TOutsideValue::Text("Х-7")},
      {"number", TOutsideValue::Number(7.25, "7.25")},
      {"date", TOutsideValue::Date(46143, "01.05.2026")},
      {"zeros", TOutsideValue::Number(11070123456.0, "000011070123456")},
      {"duration", TOutsideValue::Date(1.5208333333333333, "36:30")},
      {"empty", TOutsideValue()},
  };
  const std::vector<TKind> faults = {
      {"error", TOutsideValue::Unreadable(UnreadableCellReason(UnreadableCell::ErrorValue, "#REF!"))},
      {"boolean", TOutsideValue::Unreadable(UnreadableCellReason(UnreadableCell::BooleanValue, "ИСТИНА"))},
      {"formula", TOutsideValue::Unreadable(UnreadableCellReason(UnreadableCell::FormulaWithoutResult, ""))},
  };
  // what the reader wrote and said, or its refusal, with the sheet's cell `at` of the kind
  const auto run = [&](const TSheetImport& reader, const TGrid& grid, std::pair<int, int> at, const TOutsideValue* kind) {
    const TSheetCells cells = [&](int row, int col) {
      if (kind && std::pair{row, col} == at) return *kind;
      const auto cell = grid.find({row, col});
      return cell == grid.end() ? TOutsideValue() : TOutsideValue::Text(cell->second);
    };
    return ReadShown(reader, cells);
  };
  const auto named = [](const std::string& said, std::pair<int, int> at) {
    const std::string rowCol = "трока " + std::to_string(at.first) + ", столбец " + std::to_string(at.second);
    return said.find("ячейка " + SheetCellName(at.first, at.second)) != std::string::npos ||
           said.find(rowCol) != std::string::npos;
  };
  ASSERT_EQ(own.size(), SheetImports().size()) << "a reader of the list has no sheet of its own here";
  for (const TSheetImport& reader : SheetImports()) {
    const TOwnSheet& sheet = own.at(reader.Name);
    const std::string clean = run(reader, sheet.grid, {0, 0}, nullptr);
    ASSERT_EQ(clean.rfind("refused", 0), std::string::npos) << reader.Name << ": " << clean;
    for (const auto& [at, text] : sheet.grid) {
      if (at.first < sheet.firstRow) continue;
      const std::string cell = std::string(reader.Name) + " " + SheetCellName(at.first, at.second);
      for (const TKind& kind : faults) {
        const std::string said = run(reader, sheet.grid, at, &kind.value);
        EXPECT_TRUE(named(said, at)) << cell << " " << kind.name << ": " << said;
        EXPECT_NE(said.find(kind.value.Name().Fault), std::string::npos) << cell << " " << kind.name << ": " << said;
      }
      for (const TKind& kind : values) {
        const std::string said = run(reader, sheet.grid, at, &kind.value);
        // a meter's kind of energy the industrial reader cannot tell refuses the sheet by its cell, never
        // stored as consumption; one not given is consumption, and named
        if (std::string(reader.Name) == kMeterPointsSheet && at.second == 12) {
          if (kind.value.Blank()) EXPECT_EQ(said.rfind("1 \n", 0), 0u) << cell << " " << kind.name << ": " << said;
          else EXPECT_EQ(said.rfind("refused", 0), 0u) << cell << " " << kind.name << ": " << said;
        }
        if (said.rfind("refused", 0) == 0) {
          EXPECT_TRUE(named(said, at)) << cell << " " << kind.name << ": " << said;
          continue;
        }
        // a date or a duration is never a serial day, a number never loses the zeros it shows in a text
        EXPECT_EQ(said.find("1899"), std::string::npos) << cell << " " << kind.name << ": " << said;
        EXPECT_EQ(said.find("1.520833"), std::string::npos) << cell << " " << kind.name << ": " << said;
        EXPECT_EQ(said.find("46143"), std::string::npos) << cell << " " << kind.name << ": " << said;
        // a text, a date or a duration goes into a text field as shown, or its row is named (a number is
        // the number its column takes: summed, compared, rounded to the column's precision)
        if (kind.value.Kind() == TOutsideValue::TKind::Number) continue;
        const std::string shown = *kind.value.Name();
        // (the industrial station column parts station, transformer and feeder at its dots)
        std::string parted = shown;
        std::replace(parted.begin(), parted.end(), '.', '|');
        const bool taken = shown.empty() || said.find(shown) != std::string::npos ||
                           said.find(UpperCase(shown)) != std::string::npos || said.find(parted) != std::string::npos;
        EXPECT_TRUE(taken || said == clean || said.find("трока " + std::to_string(at.first)) != std::string::npos)
            << cell << " " << kind.name << ": " << said;
      }
    }
    // an empty cell that may be a formula never calculated, where the first empty one ends the data: no
    // end, but named with the advice to recalculate, by the check of the sheet's kind as by the reader
    if (reader.FirstBlankEnds) {
      const std::pair<int, int> at{sheet.firstRow, reader.Columns.front().Col};
      const TOutsideValue uncalculated = TOutsideValue::UnsureEmpty(UnreadableCellReason(UnreadableCell::FormulaWithoutResult, {}));
      const std::string said = run(reader, sheet.grid, at, &uncalculated);
      EXPECT_TRUE(named(said, at) && said.find(uncalculated.EndFault()) != std::string::npos) << reader.Name << ": " << said;
    }
  }
  // a 0 where a station, an input or a feeder is named (a text formula's result its book did not keep) is
  // no name: named by its cell, never stored or looked up as the name "0"
  const std::map<std::string, std::vector<std::pair<int, int>>> names = {
      {kHouseholdsSheet, {{1, 1}, {2, 2}}}, {kMeterPointsSheet, {{3, 6}}}, {kTransformerMeasureSheet, {{1, 3}}},
      {kStationMeasureSheet, {{2, 1}}},     {kTechnicalSheet, {{2, 1}}},   {kFeederMeasureSheet, {{1, 3}}}};
  ASSERT_EQ(names.size(), SheetImports().size()) << "a reader of the list has no name cell here";
  const TOutsideValue zero = TOutsideValue::Number(0, "0");
  for (const TSheetImport& reader : SheetImports())
    for (const std::pair<int, int>& at : names.at(reader.Name)) {
      const std::string said = run(reader, own.at(reader.Name).grid, at, &zero);
      EXPECT_TRUE(named(said, at) && said.find(UnitNameFault("0")) != std::string::npos) << reader.Name << ": " << said;
    }
}


// Every sheet reader of the program's own list, fed the workbooks of the other readers and of no reader
// as other programs wrote them (tests/data): each is refused by name, before the reader has reset or
// written anything of its tables, though the base holds the stations, inputs and feeders they name.
TEST_F(ImportRules, EverySheetReaderRefusesAnotherReadersWorkbookBeforeItChangesAnything) {
  // the workbooks of a reader's own kind, by the beginning of their names
  const std::map<std::string, std::vector<std::string>> ownKinds = {
      {kHouseholdsSheet, {"households_line_breaks", "households_pasted", "households_merged", "households_formulas",
                          "households_letters", "households_numbered", "households_station"}},
      {kMeterPointsSheet, {"industrial", "points_merged", "points_untitled", "points_unheaded"}},
      {kTechnicalSheet, {"technical_"}},
      {kFeederMeasureSheet, {"inputs_", "uncalculated_"}},
      {kStationMeasureSheet, {"stations_"}},
      {kTransformerMeasureSheet, {"transformers_"}},
  };
  std::vector<fs::path> books;
  for (const char* folder : {"subscriber_sheets", "sheets", "wrong_files"})
    for (const auto& entry : fs::directory_iterator(TestDataDir() / folder))
      if (entry.path().extension() == ".xls" || entry.path().extension() == ".xlsx") books.push_back(entry.path());
  // the grid's export of the inputs table, as the grid writes one: a row number, then each visible
  // column under its title, numbers as numbers; and the same with the column of linked buses hidden,
  // which puts the inputs' P under column 8 and their energies under 12
  for (const bool linkHidden : {false, true}) {
    TDataFile inputs;
    FillRows(inputs, LayoutSubstInputs, {{"ПС-1", "Ввод 1", "", "", "4", "", "", "7", "7", "", "", "5"},
                                         {"ПС-2", "Ввод 2", "", "", "4", "", "", "8", "8"}});
    if (linkHidden) inputs.Visible[static_cast<std::size_t>(FindColumnIndex("LinkPS", inputs))] = 0;
    Workbook exported;
    Worksheet& sheet = exported.sheets.emplace_back(inputs.Name);
    sheet.SetText(1, 1, "№ п/п");
    for (int c = 1, col = 1; c <= inputs.NCols; ++c) {
      if (inputs.Visible[static_cast<std::size_t>(c)] != 1) continue;
      sheet.SetText(1, ++col, inputs.ColTitle[static_cast<std::size_t>(c)]);
      for (int row = 1; row <= inputs.RowCount; ++row) {
        sheet.SetNumber(row + 1, 1, row);
        const std::string text = GetCellText(inputs, row, c, false);
        if (text.empty()) continue;
        if (IsNumericType(inputs.ColType[static_cast<std::size_t>(c)]))
          sheet.SetNumber(row + 1, col, StrToFloatZ(text));
        else
          sheet.SetText(row + 1, col, text);
      }
    }
    books.push_back(dir / (linkHidden ? "textfile_hidden.xlsx" : "textfile.xlsx"));
    WriteXlsx(books.back(), exported);
  }
  std::sort(books.begin(), books.end());
  ASSERT_GE(books.size(), 40u);
  const auto tablesOf = MeasuredTables;
  const auto dump = TablesText;
  for (const TSheetImport& reader : SheetImports())
    for (const fs::path& book : books) {
      const std::string name = book.filename().string();
      const auto kinds = ownKinds.find(reader.Name);
      if (kinds != ownKinds.end() &&
          std::any_of(kinds->second.begin(), kinds->second.end(), [&](const std::string& k) { return name.rfind(k, 0) == 0; })) {
        // a book of its own kind is of its kind, whatever it holds in its cells, and its rows are taken (a
        // book never calculated is named by its formula's cell with the advice to recalculate)
        TSheetReader sheet;
        sheet.Open(book.string());
        const std::string fault = SheetKindFault(reader, SheetCells(sheet));
        EXPECT_TRUE(fault.empty() || (fault.rfind("ячейка ", 0) == 0 && fault.find("формула без вычисленного значения") != std::string::npos))
            << reader.Name << " <- " << name << ": " << fault;
        std::vector<TDataFile> tables = tablesOf(reader);
        std::vector<std::string> said;
        try {
          // (a book never calculated holds no value to take: its formulas are named instead)
          const long long items = reader.Read(tables, SheetCells(sheet), {&said, 2, {}, {}, nullptr}).Items;
          if (Joined(said).find("формула без вычисленного значения") == std::string::npos) {
            EXPECT_GT(items, 0) << reader.Name << " <- " << name << ": " << Joined(said);
          }
        } catch (const std::exception& e) {
          // a book never calculated may be refused by its formula's cell
          if (std::string(e.what()).find("формула без вычисленного значения") == std::string::npos)
            ADD_FAILURE() << reader.Name << " <- " << name << ": " << e.what();
        }
        continue;
      }
      std::vector<TDataFile> tables = tablesOf(reader);
      const std::string before = dump(tables);
      std::vector<std::string> said;
      std::string refusal;
      try {
        TSheetReader sheet;
        sheet.Open(book.string());
        const TImportTaken taken = reader.Read(tables, SheetCells(sheet), {&said, 0.5, {}, {}, nullptr});
        if (taken.Items > 0) refusal = "";
        else refusal = taken.FirstReason.empty() ? "nothing" : taken.FirstReason;
      } catch (const std::exception& e) {
        refusal = e.what();
      }
      EXPECT_NE(refusal, "") << reader.Name << " <- " << name << " took: " << Joined(said);
      EXPECT_EQ(dump(tables), before) << reader.Name << " <- " << name << ": " << refusal;
    }
  // a book of a reader's own kind under the headings people write is taken
  for (const char* own : {"stations_kva_openpyxl.xlsx", "stations_ust_xlsxwriter.xlsx"}) {
    const TSheetImport& reader = FindSheetImport(kStationMeasureSheet);
    std::vector<TDataFile> tables = tablesOf(reader);
    std::vector<std::string> said;
    TSheetReader sheet;
    sheet.Open((TestDataDir() / "sheets" / own).string());
    EXPECT_EQ(reader.Read(tables, SheetCells(sheet), {&said, 2, {}, {}, nullptr}).Items, 2) << own << ": " << Joined(said);
  }

  // a households book whose stations are named as the base's inputs and feeders, fed to the technical
  // base: a name alone measures nothing, and a feeder's row replaces no energy
  for (const char* feeder : {"Л1", "1"}) {
    const TSheetImport& reader = FindSheetImport(kTechnicalSheet);
    FakeSheet households;
    households.Row(1, {{1, "Ввод 1"}});
    households.Row(2, {{1, "1"}, {2, feeder}, {3, "41"}, {4, "9800"}});
    households.Row(3, {{1, "Ввод 2"}});
    households.Row(4, {{1, "1"}, {2, feeder}, {3, "12"}, {4, "300"}});
    std::vector<TDataFile> tables = tablesOf(reader);
    const std::string before = dump(tables);
    std::vector<std::string> said;
    long long taken = 0;
    std::string reason;
    try {
      const TImportTaken read = reader.Read(tables, households.Cells(), {&said, 0, {}, {}, nullptr});
      taken = read.Items;
      reason = read.FirstReason;
    } catch (const TSheetKindError& e) {
      reason = e.Reason;
    }
    EXPECT_EQ(taken, 0) << feeder << ": " << Joined(said);
    EXPECT_EQ(dump(tables), before) << feeder;
    // what is said is true: the inputs stand in the book with no values, under which the feeders are
    // numbered as a households book numbers them
    EXPECT_EQ(Joined(said).find("Ввод 1 не найден"), std::string::npos) << feeder << ": " << Joined(said);
    if (std::string(feeder) == "1") {
      EXPECT_NE(Joined(said).find("Вводы подстанций : ВВОД 1 - в строке 1 нет значений в столбцах 2-5"), std::string::npos)
          << Joined(said);
      EXPECT_NE(reason.find("строится база бытовых абонентов"), std::string::npos) << reason;
    }
  }

  // the catalogue's and the regime's readers of workbooks, fed the same books: each takes its own and
  // refuses the others (nothing taken, or refused by name)
  struct TBookReader {
    const char* command;
    const char* own;  // the beginning of the names of its own books
    std::function<long long(const std::string& book)> taken;
  };
  const TDataFile catalog = Empty(GraphCatalogMaket);
  const std::vector<TBookReader> others = {
      {"Импорт из файлов *.xls (АСКУЭ СВЭ)", "metering_sve",
       [&](const std::string& book) { return ReadMeteringWorkbook(book, catalog, false).Taken.Items; }},
      {"Импорт из файлов *.xls (АСКУЭ Кирмаоблэнерго)", "metering_koe",
       [&](const std::string& book) { return ReadMeteringWorkbook(book, catalog, true).Taken.Items; }},
      // the network workbooks replace the base: a metering book, a load book or a statement builds none
      {"Импорт (ЗУРАН)", "network_", [&](const std::string& book) {
         TOutsideRun run;
         TBaseImport base;
         run.BaseStem = stem, run.Base = &base;
         return FindOutsideReader(kNetWorkbooksReader).ReadInto(book, run).Items;
       }},
      {"Импорт замеров", "regime_measurements", [&](const std::string& book) {
         TDataFile nodes;
         ReadMaket(LayoutNodes, nodes);
         CreateColumns(nodes, 1);
         GetColumnAs<DAString>("Name", nodes)->SetItem(1, "ПС1.ТП-42");
         TDataFile branches = Empty(LayoutBranches), flows = Empty(LayoutLineFlows);
         TSheetReader sheet;
         sheet.Open(book);
         return ImportMeasurements(sheet, nodes, branches, flows, {"", 0}, book).Taken.Items;
       }},
  };
  for (const TBookReader& reader : others)
    for (const fs::path& book : books) {
      const std::string name = book.filename().string();
      long long taken = 0;
      std::string refusal;
      try {
        taken = reader.taken(book.string());
      } catch (const std::exception& e) {
        refusal = e.what();
      }
      if (name.rfind(reader.own, 0) == 0) {
        EXPECT_GT(taken, 0) << reader.command << " <- " << name << ": " << refusal;
      } else {
        EXPECT_EQ(taken, 0) << reader.command << " <- " << name;
      }
    }
}

// Every row a reader takes holds what the row must, or the sheet is of another kind and refused by the
// row and the column, saying what the column holds, before anything is reset: a date is no row number
// nor a feeder's number, a station is named with a letter and no empty part between its dots, and a
// technical row's energy is a number that is there.
TEST_F(ImportRules, ARowOfAnotherShapeRefusesTheSheetByItsCell) {
  using TCellsOf = std::map<std::pair<int, int>, TOutsideValue>;
  const auto text = [](const char* t) { return TOutsideValue::Text(t); };
  const TOutsideValue day = TOutsideValue::Date(46143, "01.05.2026");
  struct TCase {
    const char* reader;
    TCellsOf cells;
    std::string fault;  // "" for a sheet of the reader's kind
  };
  const TCellsOf point = {{{3, 1}, text("1")}, {{3, 2}, text("Д1")}, {{3, 6}, text("ТП-42.Т1")}, {{3, 13}, text("5")},
                          {{4, 1}, text("2")}, {{4, 2}, text("Д2")}, {{4, 6}, text("ТП-7.Т1.Л8")}};
  const auto pointWith = [&](std::pair<int, int> at, TOutsideValue value) {
    TCellsOf cells = point;
    cells[at] = std::move(value);
    return cells;
  };
  const TCellsOf feeder = {{{1, 3}, text("Наименование")}, {{1, 8}, text("P1")}, {{1, 12}, text("P2")},
                           {{1, 18}, text("Q1")}, {{1, 22}, text("Q2")}, {{2, 3}, text("Ввод 1")},
                           {{2, 8}, TOutsideValue::Number(1825200, "1825200")}, {{2, 18}, text("600")}};
  const auto feederWith = [&](const TCellsOf& more) {
    TCellsOf cells = feeder;
    for (const auto& [at, value] : more) cells[at] = value;
    return cells;
  };
  const std::vector<TCase> cases = {
      {kMeterPointsSheet, point, ""},
      // a station left empty is the reader's to name, row by row
      {kMeterPointsSheet, pointWith({4, 6}, TOutsideValue()), ""},
      {kMeterPointsSheet, pointWith({4, 1}, day), "строка 4, столбец 1 (номер строки): дата \"01.05.2026\" - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 1}, text("Итого")), "строка 4, столбец 1 (номер строки): текст \"Итого\" - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 1}, TOutsideValue::Number(2.5, "2.5")),
       "строка 4, столбец 1 (номер строки): число 2.5 - не номер строки"},
      // the value the cell holds, whatever its format shows
      {kMeterPointsSheet, pointWith({4, 1}, TOutsideValue::Number(2.5, "3")),
       "строка 4, столбец 1 (номер строки): число 2.5 (показано \"3\") - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 6}, TOutsideValue::Number(1.9, "1.9")), "строка 4, столбец 6 (ТП.Тр.Фидер): число 1.9 - не имя ТП"},
      {kMeterPointsSheet, pointWith({4, 6}, text("1.9")),
       "строка 4, столбец 6 (ТП.Тр.Фидер): \"1.9\" - не имя вида ТП.Тр.Фидер: в имени ТП \"1.9\" нет букв, и это не номер"},
      {kMeterPointsSheet, pointWith({4, 6}, text("ТП-7..Л8")),
       "строка 4, столбец 6 (ТП.Тр.Фидер): \"ТП-7..Л8\" - не имя вида ТП.Тр.Фидер: пустая часть между точками"},
      {kMeterPointsSheet, pointWith({4, 6}, day), "строка 4, столбец 6 (ТП.Тр.Фидер): дата \"01.05.2026\" - не имя ТП"},
      // the first empty row number ends what the reader takes
      {kMeterPointsSheet, pointWith({6, 1}, day), ""},
      {kHouseholdsSheet, {{{1, 1}, text("ТП-42")}, {{2, 1}, text("1")}, {{2, 3}, text("5")}, {{3, 1}, day}, {{3, 3}, text("6")}},
       "строка 3, столбец 1 (номер фидера): дата \"01.05.2026\" - не число"},
      // an energy not yet filled in is read as empty, W1 as W2; a title above the headings is passed over
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("5")}, {{3, 1}, text("Ф-2")}}, ""},
      {kTechnicalSheet, {{{1, 1}, text("Технический учет")}, {{2, 1}, text("Наименование")}, {{2, 2}, text("W1")},
                         {{2, 3}, text("W2")}, {{3, 1}, text("Ввод 1")}, {{3, 2}, text("5")}}, ""},
      // a title typed over the energies, or merged across them from column 2, is passed by as the reader
      // passes it; the headings below it still say what the columns hold
      {kTechnicalSheet, {{{1, 3}, text("Технический учет за ноябрь 2026 года, кВт*ч и квар*ч")}, {{2, 1}, text("Наименование")},
                         {{2, 2}, text("W1")}, {{2, 3}, text("W2")}, {{3, 1}, text("Ввод 1")}, {{3, 2}, text("5")}}, ""},
      {kTechnicalSheet, {{{1, 2}, text("Учет за ноябрь")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("5")}, {{2, 3}, text("1")}}, ""},
      // a title with its date beside it, over the energies or past them, is passed by as a title: no
      // value and no word over the energies; a row of headings beside a date is judged
      {kTechnicalSheet, {{{1, 1}, text("Технический учет")}, {{1, 5}, day}, {{2, 1}, text("Наименование")},
                         {{2, 2}, text("W1")}, {{2, 3}, text("W2")}, {{3, 1}, text("Ввод 1")}, {{3, 2}, text("5")}}, ""},
      {kTechnicalSheet, {{{1, 1}, text("Технический учет за ноябрь")}, {{1, 5}, text("01.12.2026")}, {{2, 1}, text("Ввод 1")},
                         {{2, 2}, text("5")}, {{2, 3}, text("1")}}, ""},
      {kTechnicalSheet, {{{1, 1}, text("Технический учет")}, {{1, 8}, day}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("5")}}, ""},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("Январь")}, {{1, 5}, day}, {{2, 1}, text("Ввод 1")},
                         {{2, 2}, text("5")}},
       "ячейка B1: заголовок \"Январь\" - не заголовок столбца 2 (активная энергия): \"Январь\" - период (месяц, квартал)"},
      {kTechnicalSheet, {{{1, 2}, text("Потребление за 2026 год")}, {{2, 1}, text("Наименование")}, {{2, 2}, text("Январь")},
                         {{2, 3}, text("Февраль")}, {{3, 1}, text("Ввод 1")}, {{3, 2}, text("5")}, {{3, 3}, text("6")}},
       "ячейка B2: заголовок \"Январь\" - не заголовок столбца 2 (активная энергия): \"Январь\" - период (месяц, квартал)"},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("5")}, {{3, 1}, text("Ф-2")},
                         {{3, 4}, text("W3")}},
       "строка 3, столбец 4 (активная энергия): текст \"W3\" не является числом"},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{2, 1}, text("Сотрудник")}, {{2, 2}, text("Инженер")}},
       "ячейка B2: заголовок \"Инженер\" - не заголовок столбца 2 (активная энергия): в нем должно быть"},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{2, 1}, text("Сотрудник")}, {{2, 2}, text("1 825 200")}},
       "нет ни одной строки, в которой заполнены столбец 1 (ввод или фидер), столбец 2 (активная энергия)"},
      // the technical base's own book with a column put before its energies, and books of the inputs' and
      // feeders' names that hold other things: consumption by month, a passport, a current protocol
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("Код")}, {{1, 3}, text("W1")}, {{2, 1}, text("Ввод 1")},
                         {{2, 2}, text("17")}, {{2, 3}, text("5")}},
       "ячейка B1: заголовок \"Код\" - не заголовок столбца 2 (активная энергия): \"Код\" - код"},
      // the energies taken (A+, R+) in columns 2 and 3, those given back (A-, R-) in 4 and 5: a book of
      // the other order would store generation as consumption
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("A+")}, {{1, 3}, text("R+")}, {{1, 4}, text("A-")},
                         {{1, 5}, text("R-")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("17")}},
       ""},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("A-")}, {{1, 3}, text("R-")}, {{1, 4}, text("A+")},
                         {{1, 5}, text("R+")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("17")}},
       "ячейка B1: заголовок \"A-\" - не заголовок столбца 2 (активная энергия): \"A-\" - отдача (обратное направление), "
       "а столбец - прием"},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("Активная энергия (отдача)")},
                         {{1, 4}, text("Активная энергия (прием)")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("17")}},
       "ячейка B1: заголовок \"Активная энергия (отдача)\" - не заголовок столбца 2 (активная энергия): \"отдача\" - "
       "отдача (обратное направление), а столбец - прием"},
      // the energy columns of one book name one period
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("Потребление за 2026 год, кВт*ч")},
                         {{1, 3}, text("Реакт. за 2025 год, квар*ч")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("17")}},
       "строка 1: \"2026 год\" и \"2025 год\" - разные периоды в одной книге"},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("W1 за ноябрь, кВт*ч")},
                         {{1, 3}, text("W2 нарастающим итогом, квар*ч")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("17")}},
       "строка 1: \"ноябрь\" и \"нарастающим итогом\" - разные периоды в одной книге"},
      // a word the heading rule does not know is no heading of a figure
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("W1 сверх нормы, кВт*ч")}, {{2, 1}, text("Ввод 1")},
                         {{2, 2}, text("17")}},
       "ячейка B1: заголовок \"W1 сверх нормы, кВт*ч\" - не заголовок столбца 2 (активная энергия): \"сверх\" - слово, "
       "которое в заголовке этого столбца не понятно"},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("№ счетчика")}, {{2, 1}, text("Ввод 1")},
                         {{2, 2}, text("17")}},
       "ячейка B1: заголовок \"№ счетчика\" - не заголовок столбца 2 (активная энергия): \"№\" - номер"},
      {kTechnicalSheet, {{{1, 1}, text("Потребление за 2026 год")}, {{2, 1}, text("Наименование")}, {{2, 2}, text("Январь")},
                         {{2, 3}, text("Февраль")}, {{3, 1}, text("Ввод 1")}, {{3, 2}, text("5")}, {{3, 3}, text("6")}},
       "ячейка B2: заголовок \"Январь\" - не заголовок столбца 2 (активная энергия): \"Январь\" - период (месяц, квартал)"},
      {kTechnicalSheet, {{{1, 1}, text("Фидер")}, {{1, 2}, text("Протяженность, км")}, {{1, 3}, text("Кол-во ТП")},
                         {{2, 1}, text("Ф-2")}, {{2, 2}, text("12.5")}, {{2, 3}, text("14")}},
       "ячейка B1: заголовок \"Протяженность, км\" - не заголовок столбца 2 (активная энергия): \"Протяженность\" - длина"},
      {kTechnicalSheet, {{{1, 1}, text("Фидер")}, {{1, 2}, text("Ia, А")}, {{1, 3}, text("Ib, А")}, {{2, 1}, text("Ф-2")},
                         {{2, 2}, text("35")}, {{2, 3}, text("36")}},
       "ячейка B1: заголовок \"Ia, А\" - не заголовок столбца 2 (активная энергия): \"Ia\" - ток"},
      // a transformer inventory and a current protocol for the transformers' measurements: a heading row
      // wherever it stands says what the load column holds
      {kTransformerMeasureSheet, {{{1, 3}, text("ТП")}, {{1, 5}, text("Sном, кВА")}, {{1, 8}, text("P, кВт")},
                                  {{2, 3}, text("ТП-42")}, {{2, 5}, text("400")}, {{2, 8}, text("120")}}, ""},
      {kTransformerMeasureSheet, {{{1, 3}, text("ТП")}, {{1, 5}, text("Мощность, кВА")}, {{1, 8}, text("Год выпуска")},
                                  {{2, 3}, text("ТП-42")}, {{2, 5}, text("400")}, {{2, 8}, text("1981")}},
       "ячейка H1: заголовок \"Год выпуска\" - не заголовок столбца 8 (нагрузка): \"Год\" - год"},
      {kTransformerMeasureSheet, {{{2, 3}, text("ТП-42")}, {{2, 5}, text("400")}, {{2, 8}, text("35")}, {{3, 3}, text("ТП")},
                                  {{3, 5}, text("Sном")}, {{3, 8}, text("Ic, А")}, {{4, 3}, text("ТП-7")}, {{4, 5}, text("250")}},
       "ячейка H3: заголовок \"Ic, А\" - не заголовок столбца 8 (нагрузка): \"Ic\" - ток"},
      // row numbers typed "1.", a station shown by its number format; a number shown as one names none
      {kMeterPointsSheet, pointWith({4, 1}, text("2.")), ""},
      {kMeterPointsSheet, pointWith({4, 1}, text("2..")), "строка 4, столбец 1 (номер строки): текст \"2..\" - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 1}, text(".2")), "строка 4, столбец 1 (номер строки): текст \".2\" - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 6}, TOutsideValue::Number(115, "ЗТП-115")), ""},
      // a station named by its number alone
      {kMeterPointsSheet, pointWith({4, 6}, TOutsideValue::Number(115, "115")), ""},
      // a dot at the end leaves out the part it announces
      {kMeterPointsSheet, pointWith({4, 6}, text("ТП-7.")),
       "строка 4, столбец 6 (ТП.Тр.Фидер): \"ТП-7.\" - не имя вида ТП.Тр.Фидер: после точки в конце нет трансформатора"},
      {kMeterPointsSheet, pointWith({4, 6}, text("ТП-7.2.")),
       "строка 4, столбец 6 (ТП.Тр.Фидер): \"ТП-7.2.\" - не имя вида ТП.Тр.Фидер: после точки в конце нет трансформатора"},
      {kMeterPointsSheet, pointWith({4, 6}, text("ТП-7.Т1.")),
       "строка 4, столбец 6 (ТП.Тр.Фидер): \"ТП-7.Т1.\" - не имя вида ТП.Тр.Фидер: после точки в конце нет фидера"},
      // a number below zero, a dot alone and a section's Roman number are no row numbers; a station's own part
      // names it with a letter, whatever letters its transformer and feeder have
      {kMeterPointsSheet, pointWith({4, 1}, TOutsideValue::Number(-2, "-2")),
       "строка 4, столбец 1 (номер строки): число -2 - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 1}, text(".")), "строка 4, столбец 1 (номер строки): текст \".\" - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 1}, text("IV")), "строка 4, столбец 1 (номер строки): текст \"IV\" - не номер строки"},
      {kMeterPointsSheet, pointWith({4, 6}, text("42.Т1.Л8")), ""},
      {kMeterPointsSheet, pointWith({4, 6}, text("1,5.Т1.Л8")),
       "строка 4, столбец 6 (ТП.Тр.Фидер): \"1,5.Т1.Л8\" - не имя вида ТП.Тр.Фидер: в имени ТП \"1,5\" нет букв, и это не номер"},
      {kMeterPointsSheet, pointWith({4, 6}, text("ТП-7.Т1..")),
       "строка 4, столбец 6 (ТП.Тр.Фидер): \"ТП-7.Т1..\" - не имя вида ТП.Тр.Фидер: пустая часть между точками"},
      // points from row 2 under two headings of another book: a row above them is a title of one cell or
      // their headings
      {kMeterPointsSheet, {{{1, 1}, text("Абонент")}, {{1, 2}, text("Адрес")}, {{2, 1}, text("1")}, {{2, 2}, text("Д1")},
                           {{2, 6}, text("ТП-42.Т1")}},
       "ячейка A2: заголовок \"1\" - не заголовок столбца 1 (номер строки)"},
      // the stations' measured voltages where their loads are read
      {kStationMeasureSheet, {{{1, 1}, text("ТП")}, {{1, 2}, text("Sном, кВА")}, {{1, 3}, text("Uзам")}, {{2, 1}, text("ТП-42")},
                              {{2, 2}, TOutsideValue::Number(400, "400")}, {{2, 3}, TOutsideValue::Number(10.5, "10.5")}},
       "ячейка C1: заголовок \"Uзам\" - не заголовок столбца 3 (нагрузка)"},
      // the second and third transformers side by side under their headings; a note beside a station's
      // own columns, where column 4 has no heading, is none the reader reads
      {kStationMeasureSheet, {{{1, 1}, text("ТП")}, {{1, 2}, text("Sн Т1")}, {{1, 3}, text("P Т1")}, {{1, 4}, text("Sн Т2")},
                              {{1, 5}, text("P Т2, кВт")}, {{1, 6}, text("Т3, кВА")}, {{1, 7}, text("Т3")}, {{2, 1}, text("ТП-42")},
                              {{2, 2}, TOutsideValue::Number(400, "400")}, {{2, 3}, TOutsideValue::Number(35, "35")}}, ""},
      {kStationMeasureSheet, {{{1, 1}, text("ТП")}, {{1, 2}, text("Sн Т1")}, {{1, 3}, text("P Т1")}, {{1, 4}, text("Sн Т2")},
                              {{1, 5}, text("Год ввода Т2")}, {{2, 1}, text("ТП-42")}, {{2, 2}, TOutsideValue::Number(400, "400")},
                              {{2, 3}, TOutsideValue::Number(35, "35")}},
       "ячейка E1: заголовок \"Год ввода Т2\" - не заголовок столбца 5 (нагрузка Т2): \"Год\" - год"},
      {kStationMeasureSheet, {{{1, 1}, text("ТП")}, {{1, 2}, text("Sном, кВА")}, {{1, 3}, text("P, кВт")}, {{1, 5}, text("Примечание")},
                              {{2, 1}, text("ТП-42")}, {{2, 2}, TOutsideValue::Number(400, "400")},
                              {{2, 3}, TOutsideValue::Number(35, "35")}, {{2, 5}, text("после ремонта")}}, ""},
      // a day over the load is no quantity, whatever its digits
      {kStationMeasureSheet, {{{1, 1}, text("ТП")}, {{1, 2}, text("Sном, кВА")}, {{1, 3}, day}, {{2, 1}, text("ТП-42")},
                              {{2, 2}, TOutsideValue::Number(400, "400")}, {{2, 3}, TOutsideValue::Number(35, "35")}},
       "ячейка C1: заголовок \"01.05.2026\" - не заголовок столбца 3 (нагрузка): это дата, а заголовок столбца - "},
      // a load curve's hour is told as an hour, a duration of more than a day as a date-type value
      {kStationMeasureSheet, {{{1, 1}, text("ТП")}, {{1, 2}, text("Sном, кВА")}, {{1, 3}, TOutsideValue::Date(0.75, "18:00")},
                              {{2, 1}, text("ТП-42")}, {{2, 2}, TOutsideValue::Number(400, "400")},
                              {{2, 3}, TOutsideValue::Number(35, "35")}},
       "ячейка C1: заголовок \"18:00\" - не заголовок столбца 3 (нагрузка): \"18:00\" - час суток (период), а заголовок столбца - "},
      {kStationMeasureSheet, {{{1, 1}, text("ТП")}, {{1, 2}, text("Sном, кВА")}, {{1, 3}, TOutsideValue::Date(1.52, "36:30")},
                              {{2, 1}, text("ТП-42")}, {{2, 2}, TOutsideValue::Number(400, "400")},
                              {{2, 3}, TOutsideValue::Number(35, "35")}},
       "ячейка C1: заголовок \"36:30\" - не заголовок столбца 3 (нагрузка): это дата, а заголовок столбца - "},
      // a kind of energy the command does not know is taken as consumption, and named by the reader
      {kMeterPointsSheet, pointWith({4, 12}, text("РЕ спож.")), ""},
      {kMeterPointsSheet, pointWith({4, 12}, text("МЕРКУРИЙ 230")), ""},
      // a readings statement: its row of data where the headings stand, its meter type under the station's
      {kMeterPointsSheet, pointWith({2, 1}, TOutsideValue::Number(1, "1")),
       "ячейка A2: заголовок \"1\" - не заголовок столбца 1 (номер строки)"},
      {kMeterPointsSheet, pointWith({2, 6}, text("Тип счетчика")),
       "ячейка F2: заголовок \"Тип счетчика\" - не заголовок столбца 6 (ТП.Тр.Фидер)"},
      // a households book under a row of headings where a station stands: its counts and energies are
      // said by them; a transformer list numbered by its rows is another book's
      {kHouseholdsSheet, {{{1, 1}, text("№")}, {{1, 2}, text("Фидер")}, {{1, 3}, text("Кол-во абонентов")},
                          {{1, 4}, text("Потребление, кВт*ч")}, {{2, 1}, text("ТП-42")}, {{3, 1}, text("1")},
                          {{3, 2}, text("Л1")}, {{3, 3}, text("41")}, {{3, 4}, text("9800")}}, ""},
      {kHouseholdsSheet, {{{1, 1}, text("№")}, {{1, 2}, text("ТП")}, {{1, 3}, text("Год ввода")}, {{1, 4}, text("Мощность, кВА")},
                          {{2, 1}, text("1")}, {{2, 2}, text("ТП-42")}, {{2, 3}, text("1981")}, {{2, 4}, text("400")}},
       "ячейка C1: заголовок \"Год ввода\" - не заголовок столбца 3 (число абонентов): \"Год\" - год"},
      {kHouseholdsSheet, {{{1, 1}, text("ТП-42")}, {{2, 1}, text("Фидер")}, {{2, 3}, text("Абонентов")}, {{2, 4}, text("Январь")},
                          {{3, 1}, text("1")}, {{3, 3}, text("41")}, {{3, 4}, text("9800")}},
       "ячейка D2: заголовок \"Январь\" - не заголовок столбца 4 (потребление): \"Январь\" - период (месяц, квартал)"},
      // a households book given as the industrial one: its station over its first feeder stands where the
      // headings do, and is named as the row of data it is
      {kMeterPointsSheet, {{{1, 1}, text("№ / ТП")}, {{1, 2}, text("Фидер")}, {{1, 3}, text("Кол-во абонентов")},
                           {{1, 4}, text("Потребление, кВт*ч")}, {{2, 1}, text("ТП-1")}, {{3, 1}, text("1")}, {{3, 2}, text("1")},
                           {{3, 3}, text("205")}, {{3, 4}, text("450022.5")}},
       "ячейка A2: \"ТП-1\" - одно имя над строкой 3 со значениями: строка данных, а не заголовков столбцов, которые стоят в "
       "строке 2"},
      // a label with its value between the industrial title and its headings
      {kMeterPointsSheet, {{{1, 1}, text("Ведомость")}, {{2, 1}, text("РЭС")}, {{2, 2}, text("Центральный")}, {{3, 1}, text("№")},
                           {{3, 2}, text("Договор")}, {{3, 6}, text("ТП")}, {{3, 13}, text("W, кВт*ч")}, {{4, 1}, text("1")},
                           {{4, 2}, text("Д1")}, {{4, 6}, text("ТП-42.Т1")}, {{4, 13}, text("5")}},
       ""},
      // a station's name merged down over the row below it is the station's, never a feeder
      {kHouseholdsSheet, {{{1, 1}, text("ТП-42")}, {{2, 1}, text("ТП-42").Covered("A1:A2")}, {{3, 1}, text("1")}, {{3, 3}, text("5")}}, ""},
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("5")}, {{3, 1}, text("Ф-2")},
                         {{3, 2}, text("пять")}},
       "строка 3, столбец 2 (активная энергия): текст \"пять\" не является числом"},
      // feeder measurements: a row of headings over the data, or among them, says what each column holds
      {kFeederMeasureSheet, feederWith({}), ""},
      {kFeederMeasureSheet, feederWith({{{4, 3}, text("Фидеры")}, {{4, 8}, text("Pакт")}, {{4, 22}, text("Q2, квар")},
                                        {{5, 3}, text("Ф-2")}, {{5, 8}, text("4")}}), ""},
      // a row of a name alone, and a value that is no number in a row of values, are the reader's to name
      {kFeederMeasureSheet, feederWith({{{4, 3}, text("Ф-2")}, {{5, 3}, text("Л8")}, {{5, 8}, text("4")}, {{5, 12}, text("abc")}}), ""},
      {kFeederMeasureSheet, feederWith({{{4, 3}, text("Фидеры")}, {{4, 18}, text("P1")}}),
       "ячейка R4: заголовок \"P1\" - не заголовок столбца 18 (реактивное значение)"},
      // the grid's export of the inputs with a column hidden: an input's name in column 3 and its P, Q
      // and energies in the value columns, under the export's titles
      {kFeederMeasureSheet, {{{1, 1}, text("№ п/п")}, {{1, 3}, text("Ввод (шины)")}, {{1, 8}, text("P, по виду")},
                             {{1, 12}, text("Wп отп., кВт*ч")}, {{1, 18}, text("Гр. P")}, {{1, 22}, text("Гр. Q обр.")},
                             {{2, 1}, TOutsideValue::Number(1, "1")}, {{2, 3}, text("Ввод 1")}, {{2, 8}, TOutsideValue::Number(7, "7")}},
       "ячейка R1: заголовок \"Гр. P\" - не заголовок столбца 18 (реактивное значение)"},
      // a plan beside the fact: the planned energies stand where the measured ones are read
      {kTechnicalSheet, {{{1, 1}, text("Наименование")}, {{1, 2}, text("План A+")}, {{1, 3}, text("План R+")},
                         {{1, 4}, text("Факт A+")}, {{1, 5}, text("Факт R+")}, {{2, 1}, text("Ввод 1")}, {{2, 2}, text("17")}},
       "ячейка B1: заголовок \"План A+\" - не заголовок столбца 2 (активная энергия): \"План\" - план, лимит или прогноз"},
  };
  for (const TCase& c : cases) {
    const TSheetImport& reader = FindSheetImport(c.reader);
    const std::string said = SheetKindFault(reader, [&](int row, int col) {
      const auto at = c.cells.find({row, col});
      return at == c.cells.end() ? TOutsideValue() : at->second;
    });
    if (c.fault.empty()) {
      EXPECT_EQ(said, "") << c.reader;
      continue;
    }
    const std::string command = std::string("не подходит для команды \"") + reader.Command + "\"" +
                                (*reader.Part != 0 ? std::string(" (") + reader.Part + ")" : std::string());
    EXPECT_EQ(said.rfind(command + ": " + c.fault, 0), 0u) << c.reader << ": " << said << "\n" << c.fault;
    // the industrial reader itself refuses the row by the same cell and reason: the check asks its rule
    if (std::string(c.reader) != kMeterPointsSheet || c.fault.rfind("строка ", 0) != 0) continue;
    TDataFile table;
    FillRows(table, LayoutMeterPoints, {});
    std::vector<std::string> messages;
    // under its title and its headings, where the reader finds where the data end
    TCellsOf titled = c.cells;
    titled.insert({{{1, 1}, text("Ведомость")}, {{2, 1}, text("№")}});
    try {
      ReadMeterPointsSheet([&](int row, int col) {
        const auto at = titled.find({row, col});
        return at == titled.end() ? TOutsideValue() : at->second;
      }, table, messages);
      ADD_FAILURE() << c.fault << ": read";
    } catch (const TCellTextError& e) {
      const std::string cell = "строка " + std::to_string(e.Row) + ", столбец " + std::to_string(e.Col) + " (";
      EXPECT_EQ(c.fault.rfind(cell, 0), 0u) << c.fault << ": " << e.Reason;
      EXPECT_TRUE(c.fault.ends_with("): " + e.Reason)) << c.fault << ": " << e.Reason;
    }
  }

  // every heading of the row that says another thing is named in the one refusal, in the columns' order,
  // so that one edit of the book mends them all
  for (const TSheetImport* reader : {&FindSheetImport(kTechnicalSheet), &FindSheetImport(kStationMeasureSheet)}) {
    const TCellsOf monthly = {{{1, 1}, text("Наименование")}, {{1, 2}, text("Январь")}, {{1, 3}, text("Год ввода")},
                              {{1, 4}, text("Загрузка, %")}, {{1, 5}, text("Ia, А")}, {{2, 1}, text("ТП-42")},
                              {{2, 2}, TOutsideValue::Number(5, "5")}};
    const std::string said = SheetKindFault(*reader, [&](int row, int col) {
      const auto at = monthly.find({row, col});
      return at == monthly.end() ? TOutsideValue() : at->second;
    });
    std::size_t from = 0;
    for (const char* cell : {"ячейка B1: заголовок \"Январь\"", "; ячейка C1: заголовок \"Год ввода\"",
                             "; ячейка D1: заголовок \"Загрузка, %\"", "; ячейка E1: заголовок \"Ia, А\""}) {
      const std::size_t at = said.find(cell, from);
      EXPECT_NE(at, std::string::npos) << reader->Name << ": " << cell << "\n" << said;
      from = at == std::string::npos ? from : at;
    }
  }

  // Each row an industrial sheet's reader takes, one cell changed in the second point (row 4): the check
  // does not refuse the book, and the reader stores what the row names. Row numbers as people type them,
  // a station alone or with its section, with its transformer, a whole path with a dot at its end, a
  // station named by its number, shown by its format or with a transformer, each kind of energy (one it
  // does not know is taken as consumption and named).
  struct TTaken {
    std::pair<int, int> at;
    TOutsideValue value;
    std::string stored;   // the second point's station, transformer, feeder and kind of energy
    std::string message;  // what the reader says of the row, "" for nothing
  };
  const std::string unknownKind = "Промышленные абоненты, строка 4: не задан тип потребления счетчика";
  const std::vector<TTaken> taken = {
      {{4, 1}, text("2а"), "ТП-7|Т1|Л8|1", ""},
      {{4, 1}, text("1.1"), "ТП-7|Т1|Л8|1", ""},
      {{4, 1}, text("2)"), "ТП-7|Т1|Л8|1", ""},
      {{4, 1}, text("№2"), "ТП-7|Т1|Л8|1", ""},
      {{4, 1}, text("№ 2"), "ТП-7|Т1|Л8|1", ""},
      {{4, 1}, text("1.2."), "ТП-7|Т1|Л8|1", ""},
      {{4, 1}, TOutsideValue::Number(2, "2"), "ТП-7|Т1|Л8|1", ""},
      {{4, 6}, text("ТП-7"), "ТП-7|||1", ""},
      {{4, 6}, text("ТП-7.2"), "ТП-7.2|||1", ""},
      {{4, 6}, text("ТП-7.Т1"), "ТП-7|Т1||1", ""},
      {{4, 6}, text("ТП-7.Т1.Л8."), "ТП-7|Т1|Л8|1", ""},
      {{4, 6}, text("115.Т1"), "115|Т1||1", ""},
      {{4, 6}, TOutsideValue::Number(115, "ЗТП-115"), "ЗТП-115|||1", ""},
      {{4, 6}, TOutsideValue::Number(115, "115"), "115|||1", ""},
      {{4, 6}, text("115"), "115|||1", ""},
      {{4, 12}, text("АЕ ген."), "ТП-7|Т1|Л8|", ""},  // (a kind of 0 shows nothing)
      {{4, 12}, text("РЕ спож."), "ТП-7|Т1|Л8|2", ""},
      {{4, 12}, text("РЕ ген."), "ТП-7|Т1|Л8|3", ""},
      // the four with a slip of a dot, a letter's case, a blank or a Latin look-alike; the energy and its
      // way said in words or by a meter's symbol
      {{4, 12}, text("АЕ ген"), "ТП-7|Т1|Л8|", ""},
      {{4, 12}, text("ае ген."), "ТП-7|Т1|Л8|", ""},
      {{4, 12}, text("AE ген."), "ТП-7|Т1|Л8|", ""},
      {{4, 12}, text("АЕген."), "ТП-7|Т1|Л8|", ""},
      {{4, 12}, text("АЕ\u00A0спож"), "ТП-7|Т1|Л8|1", ""},
      {{4, 12}, text("РЕ ген"), "ТП-7|Т1|Л8|3", ""},
      {{4, 12}, text("РЕ спож"), "ТП-7|Т1|Л8|2", ""},
      {{4, 12}, text("PE cпож."), "ТП-7|Т1|Л8|2", ""},
      {{4, 12}, text("Реактивная энергия, генерация"), "ТП-7|Т1|Л8|3", ""},
      {{4, 12}, text("активная потребленная"), "ТП-7|Т1|Л8|1", ""},
      {{4, 12}, text("R+"), "ТП-7|Т1|Л8|2", ""},
      {{4, 12}, text("R-"), "ТП-7|Т1|Л8|3", ""},
      {{4, 12}, text("A+"), "ТП-7|Т1|Л8|1", ""},
      {{4, 12}, text("A-"), "ТП-7|Т1|Л8|", ""},
      {{4, 12}, text("Эр выдача"), "ТП-7|Т1|Л8|3", ""},
      {{4, 12}, text("АЕ потр."), "ТП-7|Т1|Л8|1", ""},
      {{4, 12}, text("РЕ потр"), "ТП-7|Т1|Л8|2", ""},
      {{4, 12}, TOutsideValue(), "ТП-7|Т1|Л8|1", unknownKind},
      // the point's number merged down over the row below it, which holds nothing else: no point
      {{5, 1}, TOutsideValue::RangeBlank("A4:A5"), "ТП-7|Т1|Л8|1", ""},
  };
  for (const TTaken& t : taken) {
    TCellsOf cells = point;
    cells[{3, 12}] = cells[{4, 12}] = text("АЕ спож.");
    cells.insert({{{1, 1}, text("Ведомость")}, {{2, 1}, text("№")}});
    cells[t.at] = t.value;
    const TSheetCells sheet = [&](int row, int col) {
      const auto at = cells.find({row, col});
      return at == cells.end() ? TOutsideValue() : at->second;
    };
    const std::string what = SheetCellName(t.at.first, t.at.second) + " " + t.value.Quoted();
    EXPECT_EQ(SheetKindFault(FindSheetImport(kMeterPointsSheet), sheet), "") << what;
    TDataFile table;
    FillRows(table, LayoutMeterPoints, {});
    std::vector<std::string> messages;
    EXPECT_EQ(ReadMeterPointsSheet(sheet, table, messages).Items, 2) << what;
    ASSERT_EQ(table.RowCount, 2) << what;
    for (int r = 1; r <= 2; ++r) {
      if (CellText(table, "Ndog", r) != "Д2") continue;
      EXPECT_EQ(CellText(table, "NameTP", r) + "|" + CellText(table, "Ntr", r) + "|" + CellText(table, "Fider", r) + "|" +
                    CellText(table, "TypCounter", r),
                t.stored)
          << what;
    }
    EXPECT_EQ(Joined(messages), t.message) << what;
  }

  // A cell the reader cannot tell refuses the book by the cell, never stored as something else: a kind of
  // energy that does not say both what the energy is and which way it flows (generation counted as
  // consumption, reactive energy as active), a station 0 (a text formula's result the book did not keep).
  struct TRefused {
    std::pair<int, int> at;
    TOutsideValue value;
    std::string reason;  // how the refusal begins
  };
  const std::vector<TRefused> refused = {
      {{4, 12}, text("Реактивная"), "\"Реактивная\" - не вид энергии"},
      {{4, 12}, text("АЕ"), "\"АЕ\" - не вид энергии"},
      {{4, 12}, text("ген."), "\"ген.\" - не вид энергии"},
      {{4, 12}, text("R"), "\"R\" - не вид энергии"},
      {{4, 12}, text("A+ ген."), "\"A+ ген.\" - не вид энергии"},
      {{4, 12}, text("АЕ спож. 2"), "\"АЕ спож. 2\" - не вид энергии"},
      {{4, 12}, text("Реактивная активная потребление"), "\"Реактивная активная потребление\" - не вид энергии"},
      {{4, 12}, TOutsideValue::Number(1, "1"), "\"1\" - не вид энергии"},
      {{4, 6}, TOutsideValue::Number(0, "0"), "\"0\" - не имя ТП"},
      {{4, 6}, text("0.Т1"), "\"0\" - не имя ТП"},
      {{4, 6}, text("00"), "\"00\" - не имя ТП"},
      {{4, 6}, text("ТП-7."), "\"ТП-7.\" - не имя вида ТП.Тр.Фидер: после точки в конце нет трансформатора"},
      {{4, 6}, text("ТП-7.Т1."), "\"ТП-7.Т1.\" - не имя вида ТП.Тр.Фидер: после точки в конце нет фидера"},
      {{4, 2}, TOutsideValue::Number(0, "0"), "\"0\" - не номер договора"},
      {{4, 3}, text("0"), "\"0\" - не имя абонента"},
      {{4, 10}, TOutsideValue::Number(0, "0"), "\"0\" - не тип счетчика"},
      {{4, 4}, TOutsideValue::Number(0, "0"), "\"0\" - не имя точки учета"},
  };
  for (const TRefused& t : refused) {
    TCellsOf cells = point;
    cells.insert({{{1, 1}, text("Ведомость")}, {{2, 1}, text("№")}});
    cells[t.at] = t.value;
    const std::string what = SheetCellName(t.at.first, t.at.second) + " " + t.value.Quoted();
    TDataFile table;
    FillRows(table, LayoutMeterPoints, {});
    std::vector<std::string> messages;
    try {
      ReadMeterPointsSheet([&](int row, int col) {
        const auto at = cells.find({row, col});
        return at == cells.end() ? TOutsideValue() : at->second;
      }, table, messages);
      ADD_FAILURE() << what << ": read";
    } catch (const TCellTextError& e) {
      EXPECT_EQ(std::make_pair(e.Row, e.Col), t.at) << what;
      EXPECT_EQ(e.Reason.rfind(t.reason, 0), 0u) << what << ": " << e.Reason;
    }
  }
}

}  // namespace
}  // namespace ld::test

namespace ld::test {
namespace {

// Every reader of a sheet whose headings people put under titles and over rows of their own: a title
// (alone, with a date or a period beside it, an approval block, a label and its value), the units, the
// columns' numbers or the second row of the headings, a line break in a heading, a remarks column after
// the data and last month's block kept below them are passed as the reader passes them, and the headings
// under a title are judged as if it were not there. Each row says what the reader stored of the row of
// data, and what it must not: a heading row stored as data, a title read for a value.
TEST_F(ImportRules, TitlesAndTheRowsUnderTheHeadingsArePassedAsTheReaderPassesThem) {
  using TRows = std::vector<std::vector<std::string>>;
  struct TCase {
    const char* reader;
    TRows rows;             // "^": the cell merged down from the one above; "#": a date cell
    std::string stored;     // what the output holds (a row of a table, a message), "" for a refusal
    std::string notStored;  // what it must not hold
  };
  const TRows station = {{"ТП", "Sном, кВА", "P, кВт"}, {"ТП-42", "400", "35"}};
  const TRows households = {{"ТП-42"}, {"1", "Л1", "41", "9800"}};
  const TRows technical = {{"Наименование", "W1", "W2", "W3", "W4"}, {"ТП-42", "1100", "5", "6", "7"}};
  const TRows transformers = {{"", "", "ТП", "Тр", "Sном, кВА", "", "", "P, кВт"}, {"", "", "ТП-42", "Т1", "400", "", "", "35"}};
  const auto under = [](TRows above, const TRows& rows) {
    above.insert(above.end(), rows.begin(), rows.end());
    return above;
  };
  const TRows approval = {{"", "", "УТВЕРЖДАЮ"}, {"", "", "Главный инженер"}, {"", "", "_______ И.И. Иванов"},
                          {"", "", "«30» ноября 2026 г."}};
  const std::string stationLoad = "|ТП-42|Т1|||ТМ-400/10||||||||2|35|", feeder = "ТП-42|Л1|41||9800|";
  // the technical book's refusals, whole ("0 " and the reason; the tables as they were follow)
  const std::string technicalOther = "0 не подходит для команды \"Импорт базы абонентов (*.XLS)\" (база технических учетов): ";
  const std::string noHeadings = technicalOther + "строка 1: ", periodsIn2 = technicalOther + "строка 2: над столбцами значений ";
  const std::string noHeadingsWhy =
      " - строка значений, а не заголовков; первая строка листа - заголовки столбцов, лист без них не читается";
  const std::string periodsWhy = " - номера часов, дней, месяцев или лет, а не заголовки столбцов";
  const std::string nameWhy =
      ", - строка данных, а не заголовков; первая строка листа - заголовки столбцов, лист без них не читается";
  const std::string energies = "ПС-1|ТП-42|||4|||1100|5|6|7|", transformer = "|ТП-42|Т1|||ТМ-400/10||||||||1|35|17.5|";
  const std::vector<std::string> pointHeadings = {"№", "Договор", "Абонент", "Точка", "Адрес", "ТП", "Время", "P, кВт", "Счетчик",
                                                  "Тип", "Ксч", "Вид", "W, кВт*ч", "Wт, кВт*ч"};
  const std::vector<std::string> point = {"1", "Д1", "Завод", "Т1", "", "ТП-42.Т1", "", "100", "0123", "", "1", "АЕ спож.", "5", "2"};
  const std::string pointStored = "ТП-42|Т1||Д1|Завод|1|Т1|||0123||1|Y||||||1|1|100|5|2|";
  const std::vector<TCase> cases = {
      // the industrial book's units, its columns' numbers, its headings over two rows (merged down, units
      // below) under its title: no point, and no end of the points
      {kMeterPointsSheet, {{"Ведомость"}, pointHeadings, {"", "", "", "", "", "", "", "кВт", "", "", "", "", "кВт*ч", "кВт*ч"}, point},
       pointStored, "нет ни одной"},
      {kMeterPointsSheet,
       {{"Ведомость"}, pointHeadings, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14"}, point},
       pointStored, "|Д2|"},
      {kMeterPointsSheet,
       {{"Ведомость"}, {"№", "Договор", "Абонент", "Точка", "Адрес", "ТП", "Время", "P", "Счетчик", "Тип", "Ксч", "Вид", "W", "Wт"},
        {"^", "^", "^", "^", "^", "^", "^", "кВт", "^", "^", "^", "^", "кВт*ч", "кВт*ч"}, point},
       pointStored, "Ошибка"},
      {kStationMeasureSheet, under({{"Замеры нагрузок ТП", "", "Дата: 30.11.2026"}}, station), stationLoad, "не найден"},
      {kStationMeasureSheet, under({{"Замеры нагрузок ТП за декабрь 2026"}}, station), stationLoad, "Ошибка чтения"},
      {kStationMeasureSheet, under({{"Замеры", "ноябрь 2026 г."}}, station), stationLoad, "не найден"},
      {kStationMeasureSheet, under(approval, under({{"Замеры нагрузок ТП"}}, station)), stationLoad, "не найден"},
      {kStationMeasureSheet, under({{"Подстанция:", "Северная"}}, station), stationLoad, "не найден"},
      {kStationMeasureSheet, under({{"Замеры", "", "#30.11.2026"}}, station), stationLoad, "не найден"},
      // a month written short, a date "по состоянию на", an approval's other word: the words the heading
      // rule reads a period by
      {kStationMeasureSheet, under({{"Замеры", "дек. 2026 г."}}, station), stationLoad, "не найден"},
      {kTechnicalSheet, under({{"Технический учет", "по состоянию на 01.12.2026"}}, technical), energies, "Ошибка"},
      {kHouseholdsSheet, under({{"", "", "", "СОГЛАСОВАНО"}, {"", "", "", "Главный инженер"}}, households), feeder, "Ошибка"},
      // the headings under a title say what the columns hold, as without the title
      {kStationMeasureSheet, {{"Замеры нагрузок ТП"}, {"ТП", "Sном, кВА", "Загрузка, %"}, {"ТП-42", "400", "35"}}, "", "|2|35|"},
      {kStationMeasureSheet, {{"Подстанция:", "Северная"}, {"ТП", "Sном, кВА", "I, А"}, {"ТП-42", "400", "35"}}, "", "|2|35|"},
      // the columns' numbers, the units, the second row of a heading merged down, a line break
      {kStationMeasureSheet, {{"ТП", "Sном, кВА", "P, кВт"}, {"1", "2", "3"}, {"ТП-42", "400", "35"}}, stationLoad, "не найден"},
      {kStationMeasureSheet, {{"ТП", "Sном", "P"}, {"^", "кВА", "кВт"}, {"ТП-42", "400", "35"}}, stationLoad, "Ошибка чтения"},
      {kStationMeasureSheet, {{"ТП", "Sном", "Нагрузка"}, {"", "кВА", "%"}, {"ТП-42", "400", "35"}}, "", "|2|35|"},
      {kStationMeasureSheet, {{"ТП", "Sном,\nкВА", "Нагрузка,\nкВт"}, {"ТП-42", "400", "35"}}, stationLoad, "Ошибка"},
      // a remarks column after the load is none the reader reads; a figure under it is a transformer's
      {kStationMeasureSheet, {{"ТП", "Sном, кВА", "P, кВт", "Примечание"}, {"ТП-42", "400", "35", "после ремонта"}},
       stationLoad, "Ошибка"},
      {kStationMeasureSheet, {{"ТП", "Sном, кВА", "P, кВт", "Примечание"}, {"ТП-42", "400", "35", "250"}}, "", "|2|35|"},
      // a book kept without its headings begins with its first station
      {kStationMeasureSheet, {{"ТП-42", "400", "35"}}, stationLoad, "не найден"},
      {kHouseholdsSheet, under({{"Бытовые абоненты", "", "Дата: 30.11.2026"}}, households), feeder, "Ошибка"},
      {kHouseholdsSheet, under({{"", "", "", "УТВЕРЖДАЮ"}, {"", "", "", "Главный инженер"}}, households), feeder, "Ошибка"},
      {kHouseholdsSheet, under({{"", "Сведения", "за декабрь 2026"}}, households), feeder, "Ошибка"},
      {kHouseholdsSheet, under({{"№", "Фидер", "Кол-во абонентов", "Потребление, кВт*ч"}, {"1", "2", "3", "4"}}, households),
       feeder, "|Л2|3|"},
      {kHouseholdsSheet, under({{"№", "Фидер", "Кол-во абонентов", "Потребление"}, {"", "", "шт.", "кВт*ч"}}, households),
       feeder, "нет ни одной"},
      {kHouseholdsSheet, under({{"№", "Фидер", "Кол-во\nабонентов", "Потребление,\nкВт*ч"}}, households), feeder, "Ошибка"},
      {kHouseholdsSheet, under({{"№", "Фидер", "Кол-во абонентов", "Потребление"}, {"", "", "", "%"}}, households), "", feeder},
      {kTechnicalSheet, under({{"Технический учет", "Дата: 30.11.2026"}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"", "ноябрь 2026 г."}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"Подстанция:", "Северная"}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"", "", "", "УТВЕРЖДАЮ"}, {"", "", "", "Главный инженер"}, {"Технический учет за ноябрь 2026"}},
                              technical),
       energies, "Ошибка"},
      {kTechnicalSheet, {{"Наименование", "W1", "W2", "W3", "W4"}, {"", "кВт*ч", "квар*ч", "кВт*ч", "квар*ч"}, technical[1]},
       energies, "Ошибка"},
      {kTechnicalSheet, {technical[0], {"1", "2", "3", "4", "5"}, technical[1]}, energies, "не найден"},
      // a unit of the row below with a scale of its own: the energy is converted, never taken as kW·h
      {kTechnicalSheet, {{"Наименование", "W1", "W2", "W3", "W4"}, {"", "МВт*ч", "", "", ""}, technical[1]},
       "ПС-1|ТП-42|||4|||1100000|5|6|7|", energies},
      // numbers over the energies are hours, days, months or years of a table of periods, no headings
      {kTechnicalSheet, {{"Фидер", "1", "2", "3", "4", "5"}, {"ТП-42", "300", "301", "302", "303", "304"}}, "", energies},
      {kTechnicalSheet, {{"Наименование", "2023", "2024", "2025", "2026"}, {"ТП-42", "1100", "5", "6", "7"}}, "", energies},
      {kTechnicalSheet, under({{"Потребление по месяцам"}}, {{"Фидер", "1", "2", "3", "4"}, technical[1]}), "", energies},
      {kTechnicalSheet, {{"Фидер", "1-2", "2-3", "3-4", "4-5"}, technical[1]}, "", energies},
      // the first row is the headings, as the command reads the book: a first row of values (a book kept
      // without its headings, a households book of inputs, counts and totals) refuses it, saying what it
      // holds; a title above the values is no such row
      {kTechnicalSheet, {technical[1]}, noHeadings + "имя \"ТП-42\" и числа \"1100\", \"5\", \"6\", \"7\"" + noHeadingsWhy,
       "|4|||"},
      {kTechnicalSheet, {{"ПС-1.1", "1231200", "300", "0", "0"}, technical[1]},
       noHeadings + "имя \"ПС-1.1\" и числа \"1231200\", \"300\", \"0\", \"0\"" + noHeadingsWhy, "|4|||"},
      {kTechnicalSheet, {{"ТП-42", "", "243", "9800"}, {"ТП-43", "", "243", "120"}},
       noHeadings + "имя \"ТП-42\" и числа \"243\", \"9800\"" + noHeadingsWhy, "|4|||"},
      {kTechnicalSheet, {{"ТП-42 Ввод 1", "кВт", "201", "10.5"}, technical[1]},
       noHeadings + "имя \"ТП-42 Ввод 1\" и числа \"201\", \"10.5\"" + noHeadingsWhy, "|4|||"},
      {kTechnicalSheet, {{"", "1100", "5", "6", "7"}, technical[1]}, noHeadings + "числа \"1100\", \"5\", \"6\", \"7\"" + noHeadingsWhy,
       "|4|||"},
      {kTechnicalSheet, under({{"Технический учет за ноябрь 2026"}}, {technical[1]}), energies, "Ошибка"},
      {kTechnicalSheet, {{}, technical[1]}, energies, "Ошибка"},
      // a name alone over names of its kind (a households book's station over its inputs) is a row of the
      // data, never a title; over the headings, or over data of no such name, it is one
      {kTechnicalSheet, {{"ПС-1"}, {"ТП-42", "1", "243", "9800"}, {"ПС-2"}, {"ТП-43", "1", "120", "5100"}},
       noHeadings + "одно имя \"ПС-1\", как имя \"ТП-42\" в строке 2" + nameWhy, "|243|"},
      {kTechnicalSheet, under({{"Технический учет"}}, {{"ПС-1"}, {"ПС-1.1", "1", "243", "9800"}}),
       technicalOther + "строка 2: одно имя \"ПС-1\", как имя \"ПС-1.1\" в строке 3" + nameWhy, "|243|"},
      {kTechnicalSheet, under({{"ПС-1"}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"Ф-2"}, {"Технический учет за ноябрь 2026"}}, technical), energies, "Ошибка"},
      {kStationMeasureSheet, {{"ТП-41"}, {"ТП-42", "400", "35"}}, stationLoad, "не найден"},
      {kHouseholdsSheet, {{"ТП-41"}, {"ТП-42"}, {"1", "Л1", "41", "9800"}}, feeder, "Ошибка"},
      // figures that count up beside the name of an input are its figures, no hours: only a row that stands
      // as the headings (its key cell empty, a word, or a period itself) is one of periods
      {kTechnicalSheet, {{"Имя"}, {"ТП-42", "1", "2", "3", "4"}}, "ПС-1|ТП-42|||4|||1|2|3|4|", "Ошибка"},
      {kTechnicalSheet, {{"Технический учет"}, {"ТП-42", "1", "2", "3", "4"}, {"ТП-43", "2023", "2024", "2025", "2026"}},
       "ПС-1|ТП-42|||4|||1|2|3|4|", "Ошибка"},
      {kTechnicalSheet, under({{"Потребление по годам"}}, {{"Присоединение", "2022", "2023", "2024", "2025"}, technical[1]}),
       periodsIn2 + "\"2022\", \"2023\", \"2024\", \"2025\"" + periodsWhy, "|4|||"},
      {kTechnicalSheet, under({{"Потребление по месяцам"}}, {{"1", "2", "3", "4", "5", "6"}, technical[1]}),
       periodsIn2 + "\"2\", \"3\", \"4\", \"5\"" + periodsWhy, "|4|||"},
      {kTechnicalSheet, {{"", "1", "2", "3", "4"}, technical[1]}, "", energies},
      // last month's block below an empty row ends the table, and is named
      {kTechnicalSheet, under(technical, {{}, {"Технический учет за октябрь 2026"}, technical[0], {"ТП-42", "900", "1", "1", "1"}}),
       "Технический учет, строка 4: ниже пустой строки - другая таблица со своими заголовками; она и строки под ней не прочитаны",
       "дублирование"},
      {kTransformerMeasureSheet, under({{"", "", "Замеры", "", "Дата: 30.11.2026"}}, transformers), transformer, "Ошибка"},
      {kTransformerMeasureSheet, under({{"", "", "Замеры", "", "", "", "", "УТВЕРЖДАЮ"}}, transformers), transformer, "Ошибка"},
      {kTransformerMeasureSheet, under({{"", "", "Замеры", "", "ноябрь 2026 г."}}, transformers), transformer, "Ошибка"},
      {kTransformerMeasureSheet, under({{"", "", "Замеры", "", "", "", "", "Согласовано"}}, transformers), transformer, "Ошибка"},
      {kTransformerMeasureSheet, {transformers[0], {"1", "2", "3", "4", "5", "6", "7", "8"}, transformers[1]}, transformer,
       "не найден"},
      {kTransformerMeasureSheet, {transformers[0], {"", "", "", "", "кВА", "", "", "кВт"}, transformers[1]}, transformer,
       "не найден"},
      // a unit or a scale said above the headings or below the data is said of every figure column under
      // it: a title, a units row, a label, a note
      {kTechnicalSheet, under({{"Технический учет за ноябрь 2026 г., тыс. кВт*ч"}}, {technical[0], {"ТП-42", "1.1"}}), "|1100|",
       "|1.1|"},
      {kTechnicalSheet, under({{"Единица измерения: тыс. кВт*ч"}}, {technical[0], {"ТП-42", "1.1"}}), "|1100|", "|1.1|"},
      // a scale said of the active energy alone over reactive figures headed by their symbol: whether they
      // are in it cannot be told; said of both, or with the reactive unit over its column, each is read
      {kTechnicalSheet, under({{"Технический учет за ноябрь 2026 г., тыс. кВт*ч"}}, {technical[0], {"ТП-42", "1.1", "2.1"}}),
       "refused: ячейка A1: \"Технический учет за ноябрь 2026 г., тыс. кВт*ч\" - единица другой величины, чем в столбце 3 "
       "(реактивная энергия), а в каких единицах он, не сказано",
       "2.1"},
      {kTechnicalSheet, under({technical[0], {"ТП-42", "1.1", "2.1"}}, {{}, {"* данные в тыс. кВт*ч"}}),
       "refused: ячейка A4: \"* данные в тыс. кВт*ч\" - единица другой величины, чем в столбце 3", "2.1"},
      {kTechnicalSheet, under({{"Технический учет, тыс. кВт*ч, тыс. квар*ч"}}, {technical[0], {"ТП-42", "1.1", "2.1"}}),
       "|1100|2100|", "|2.1|"},
      {kTechnicalSheet,
       under({{"Технический учет, тыс. кВт*ч"}}, {{"Наименование", "W1", "W2, квар*ч", "W3", "W4"}, {"ТП-42", "1.1", "2.1"}}),
       "|1100|2.1|", "Ошибка"},
      {kTechnicalSheet, under({technical[0], {"ТП-42", "1.1"}}, {{}, {"* данные в тыс. кВт*ч"}}), "|1100|", "|1.1|"},
      {kHouseholdsSheet, under({{"Бытовые абоненты, тыс. кВт*ч"}}, {{"ТП-42"}, {"1", "Л1", "41", "2.75025"}}),
       "ТП-42|Л1|41||2750.25|", "2.75025"},
      {kHouseholdsSheet, {{"№", "Фидер", "Кол-во абонентов", "Потребление"}, {"", "", "шт", "тыс."}, {"ТП-42"}, {"1", "Л1", "41", "9.8"}},
       feeder, "9.8"},
      {kHouseholdsSheet, {{"ТП-42"}, {"1", "Л1", "41", "9.8"}, {}, {"* данные в тыс. кВт*ч"}}, feeder, "9.8"},
      // two statements of different scales over one column: which one holds cannot be told
      {kHouseholdsSheet,
       under({{"Бытовые абоненты, млн кВт*ч"}},
             {{"№", "Фидер", "Кол-во абонентов", "Потребление, МВт*ч"}, households[0], households[1]}),
       "refused: ячейка D2: \"Потребление, МВт*ч\" - единица столбца 4 (потребление) другого масштаба, чем в ячейке A1", "9800"},
      {kTechnicalSheet, under({{"Технический учет, тыс. кВт*ч"}}, {technical[0], {"ТП-42", "1.1"}, {}, {"* данные в млн кВт*ч"}}),
       "refused: ячейка A5: \"* данные в млн кВт*ч\" - единица столбца 2 (активная энергия) другого масштаба, чем в ячейке A1", "1100"},
      {kStationMeasureSheet, {{"Замеры нагрузок ТП, МВт"}, {"ТП", "Sном, кВА", "P"}, {"ТП-42", "400", "0.035"}}, stationLoad,
       "0.035"},
      // a figure typed with its unit in a data cell is no heading: the rows below keep their column's scale
      {kHouseholdsSheet, {{"ТП-42"}, {"1", "Л1", "41", "2,75 тыс. кВт*ч"}, {"2", "Ф-2", "5", "120.5"}}, "ТП-42|Ф-2|5||120.5|",
       "120500"},
      {kHouseholdsSheet,
       {{"№", "Фидер", "Кол-во абонентов", "Потребление, тыс. кВт*ч"}, {"ТП-42"}, {"1", "Л1", "41", "0,5 кВт*ч"},
        {"2", "Ф-2", "5", "2.5"}},
       "ТП-42|Ф-2|5||2500|", "|2.5|"},
      // labels, dates and times beside a title; a line break in a heading; a station's empty row; a
      // feeder numbered 0
      {kTechnicalSheet, under({{"Технический учет", "Дата", "#30.11.2026"}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"РЭС", "Центральный"}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"Подстанция", "ПС 110/10 кВ Заречная"}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"Технический учет", "", "ПС Северная"}}, technical), energies, "Ошибка"},
      // labels with their values one under another, over the headings, over a station and its feeders,
      // between the industrial title and its headings; a heading of a quantity or a period beside a name
      // over fuller rows is no label's value, and says what its column holds
      {kTechnicalSheet, under({{"РЭС", "Центральный"}, {"Подстанция", "ПС 110/10 кВ Заречная"}}, technical), energies, "Ошибка"},
      {kTechnicalSheet, under({{"РЭС", "Центральный"}, {}, {"Филиал", "Южный"}}, technical), energies, "Ошибка"},
      {kHouseholdsSheet, under({{"", "РЭС", "Центральный"}}, households), feeder, "нет ни одной"},
      {kHouseholdsSheet, under({{"РЭС", "Центральный"}}, households), feeder, "Ошибка"},
      {kTechnicalSheet, under({{"РЭС", "Центральный"}, {"Технический учет", "", "Дата", "#30.11.2026"}}, technical), energies,
       "Ошибка"},
      {kTechnicalSheet, {{"Наименование", "Потребитель"}, {"ТП-42", "1100"}}, "", "|1100|"},
      {kHouseholdsSheet, under({{"", "РЭС", "Центральный"}, {"", "Сведения", "за декабрь 2026"}}, households), feeder, "Ошибка"},
      {kMeterPointsSheet, {{"Ведомость"}, {"РЭС", "Центральный"}, pointHeadings, point}, pointStored, "Ошибка"},
      {kMeterPointsSheet, {{"Ведомость"}, {"РЭС", "Центральный"}, {"Подстанция", "ПС-42"}, pointHeadings, point}, pointStored,
       "Ошибка"},
      {kTechnicalSheet, {{"Наименование", "Январь"}, {"ТП-42", "1100", "5", "6", "7"}}, "", energies},
      {kTechnicalSheet, {{"Наименование", "W1, МВт*ч"}, {"ТП-42", "1.1", "5", "6", "7"}}, "ПС-1|ТП-42|||4|||1100|5|6|7|", "|1.1|"},
      {kTransformerMeasureSheet, under({{"", "", "Замеры по трансформаторам 16.12.2026", "", "", "", "", "18:00"}}, transformers),
       transformer, "Ошибка"},
      // a title over the transformers' names, with a sign no name holds: no name of a station
      {kTransformerMeasureSheet,
       under({{"", "", "Замеры, кВт×1000"}},
             {{"", "", "ТП", "Тр", "Sном, кВА", "", "", "P"}, {"", "", "ТП-42", "Т1", "400", "", "", "0.035"}}),
       transformer, "Ошибка"},
      {kHouseholdsSheet, under({{"ТП /\n№ фидера", "Фидер", "Кол-во абонентов", "Потребление, кВт*ч"}}, households), feeder,
       "Ошибка"},
      {kHouseholdsSheet, {{"ТП-42"}, {}, {"1", "Л1", "41", "9800"}}, feeder, "нет ни одной"},
      {kHouseholdsSheet, {{"ТП-42"}, {"0", "Л1", "41", "9800"}}, feeder, "не имя"},
      // a title or a note whose scale is written with a sign no table holds ("×", "³") is read for it and
      // stored nowhere; a station's name with such a sign refuses the book where a feeder stores it
      {kTechnicalSheet, under({{"кВт·ч×1000"}}, {technical[0], {"ТП-42", "1.1"}}), "|1100|", "|1.1|"},
      {kTechnicalSheet, under({technical[0], {"ТП-42", "1.1"}}, {{}, {"* 10³ кВт·ч"}}), "|1100|", "|1.1|"},
      {kHouseholdsSheet, under({{"Бытовые абоненты, кВт·ч×1000"}}, {{"ТП-42"}, {"1", "Л1", "41", "2.75025"}}),
       "ТП-42|Л1|41||2750.25|", "2.75025"},
      {kHouseholdsSheet, {{"ТП×42"}, {"1", "Л1", "41", "9800"}},
       "refused: ячейка A1: текст \"ТП×42\" нельзя записать в таблицу: у символа \"×\" (U+00D7) нет кода", "9800"},
      // a scale in brackets after a title; a scale over the industrial energies; months and their total
      // over the energies; a heading broken by CR LF in a households book
      {kTechnicalSheet, under({{"Технический учет (тыс. кВт·ч)"}}, {technical[0], {"ТП-42", "1.1"}}), "|1100|", "|1.1|"},
      {kMeterPointsSheet,
       {{"Ведомость, тыс. кВт*ч"},
        {"№", "Договор", "Абонент", "Точка", "Адрес", "ТП", "Время", "P, кВт", "Счетчик", "Тип", "Ксч", "Вид", "W", "Wт"}, point},
       "|100|5000|2000|", "|100|5|2|"},
      {kTechnicalSheet, {{"Наименование", "1", "2", "3", "4", "Итого"}, technical[1]}, "", energies},
      {kHouseholdsSheet, under({{"ТП /\r\n№ фидера", "Фидер", "Кол-во абонентов", "Потребление, кВт*ч"}}, households), feeder,
       "Ошибка"},
      // a scale said short ("т.", "Ед. изм."), or as a product in a units row; MW and Mvar over the feeders
      {kTechnicalSheet, under({{"т.кВт·ч"}}, {technical[0], {"ТП-42", "1.1"}}), "|1100|", "|1.1|"},
      {kTechnicalSheet, under({{"Ед. изм.: тыс. кВт·ч"}}, {technical[0], {"ТП-42", "1.1"}}), "|1100|", "|1.1|"},
      {kTechnicalSheet, {technical[0], {"", "кВт·ч x 1000"}, {"ТП-42", "1.1"}}, "|1100|", "|1.1|"},
      {kFeederMeasureSheet,
       {{"Замеры по фидерам, МВт, Мвар"},
        {"", "", "Наименование", "", "", "", "", "P1", "", "", "", "P2", "", "", "", "", "", "Q1", "", "", "", "Q2"},
        {"", "", "ТП-42", "", "", "", "", "1.2", "", "", "", "", "", "", "", "", "", "0.6"}},
       "ПС-1|ТП-42|||4|||1200|600|", "|1.2|"},
  };
  for (const TCase& c : cases) {
    std::string shown;
    for (const auto& row : c.rows) {
      for (const std::string& cell : row) shown += cell + "|";
      shown += "/";
    }
    const TSheetCells cells = [&](int row, int col) {
      if (row < 1 || row > static_cast<int>(c.rows.size())) return TOutsideValue();
      const auto& cols = c.rows[static_cast<std::size_t>(row - 1)];
      if (col > static_cast<int>(cols.size()) || cols[static_cast<std::size_t>(col - 1)].empty()) return TOutsideValue();
      const std::string& text = cols[static_cast<std::size_t>(col - 1)];
      if (text == "^")
        return TOutsideValue::Text(c.rows[static_cast<std::size_t>(row - 2)][static_cast<std::size_t>(col - 1)])
            .Covered(SheetCellName(row - 1, col) + ":" + SheetCellName(row, col));
      if (text[0] == '#') return TOutsideValue::Date(46356, text.substr(1));
      return TOutsideValue::Text(text);
    };
    const std::string said = ReadShown(FindSheetImport(c.reader), cells);
    if (c.stored.empty()) {
      EXPECT_EQ(said.rfind("0 не подходит для команды", 0), 0u) << c.reader << " " << shown << "\n" << said;
    } else if (c.stored.rfind("0 ", 0) == 0) {
      // refused whole, every table as it was
      EXPECT_EQ(said, c.stored + "\n" + TablesShown(StartTables(FindSheetImport(c.reader)))) << c.reader << " " << shown;
    } else if (c.stored.rfind("refused", 0) == 0) {
      EXPECT_EQ(said.rfind(c.stored, 0), 0u) << c.reader << " " << shown << "\n" << said;
    } else {
      EXPECT_EQ(said.rfind("1 ", 0), 0u) << c.reader << " " << shown << "\n" << said;
      EXPECT_NE(said.find(c.stored), std::string::npos) << c.reader << " " << shown << "\n" << said;
    }
    EXPECT_EQ(said.find(c.notStored), std::string::npos) << c.reader << " " << shown << "\n" << said;
  }
}

}  // namespace
}  // namespace ld::test
