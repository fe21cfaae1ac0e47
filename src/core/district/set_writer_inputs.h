#pragma once
// The inputs that the commands of SetWriters() read, made in a folder of the sample files: the workbooks,
// network files, billing bases and graph catalogues as the user chooses them.
#include <string>

namespace ld::set_inputs {

// A book of measurements for the scheme "Образец" formed in the folder: the load of its first two nodes
// whose names have a station part, given by kind "1" ("Замеры.xlsx").
void WriteMeasurementBook(const std::string& folder);
// A network file "*.RS" of a feeder: a supply row and two stations with their loads ("Сеть.RS").
void PrepareDistrictFile(const std::string& folder);
// A feeder file "Лесная.psh" of the folder.
void PrepareFeederFile(const std::string& folder);
// A catalogue of graphs "Графики" of two graphs of 24 hourly values of a day each.
void PrepareGraphCatalog(const std::string& folder);
// The catalogue "Графики" and a catalogue of another base, "Другие", of two graphs that it lacks.
void PrepareGraphCatalogs(const std::string& folder);
// A file of typical graphs, "Типовые.LB", of two graphs numbered from first on.
void WriteGraphFileLB(const std::string& folder, int first);
// A workbook of each metering system of one graph numbered first: of hourly slices of a day
// ("АСКУЭ.xlsx") and of a typical day ("АСКУЭ типовые.xlsx").
void WriteMeteringBooks(const std::string& folder, int first);
// The subscriber workbooks of the base "Образец" ("Промышленные.xlsx", "Бытовые.xlsx").
void PrepareSubscriberBooks(const std::string& folder);
// A book of measurements of the base's first substation input and first feeder ("Фидеры.xlsx").
void PrepareFeederMeasurements(const std::string& folder);
// A network workbook of one feeder ("Сеть.xlsx").
void PrepareNetWorkbook(const std::string& folder);
// The billing department's household base and list of contracts ("быт.dbf", "дог.dbf").
void PrepareSubscriberBases(const std::string& folder);

}  // namespace ld::set_inputs
