#pragma once
// The names of the district's sheet readers, as the list of readers (sheet_imports.h) finds them and as
// each reader's messages name its sheet. Apart from the list, so that a reader names itself without
// reaching back into the list that names it.

namespace ld {

inline constexpr char kMeterPointsSheet[] = "Промышленные абоненты";
inline constexpr char kHouseholdsSheet[] = "Бытовые абоненты";
inline constexpr char kTechnicalSheet[] = "Технический учет";
inline constexpr char kFeederMeasureSheet[] = "Замеры по вводам и фидерам";
inline constexpr char kTransformerMeasureSheet[] = "Замеры ТП по трансформаторам";
inline constexpr char kStationMeasureSheet[] = "Замеры ТП по подстанциям";

// The command that reads the three subscriber sheets, as the menu names it.
inline constexpr char kSubscriberBooksCommand[] = "Импорт базы абонентов (*.XLS)";

}  // namespace ld
