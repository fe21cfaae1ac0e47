#pragma once
// The line catalogue "sprav_ln.cat": one row per conductor mark, section and nominal voltage.
#include <string>

#include "core/catalogs/catalog_records.h"

namespace ld {

inline const std::string CatalogFileLN = "sprav_ln.cat";
inline const std::string CatalogLayoutLN = "Справочник КЛ,ВЛ";

// The reason of the last failed look-up or line expression; a success leaves it as it was.
extern std::string CatalogErrorLN;

// Loads folder + CatalogFileLN (folder ends with the path separator), creating an empty catalogue
// when the folder has none. With sort the rows are put in the layout's key order and a reordered
// catalogue is written back. Table-store failures throw ld::Error.
void LoadCatalogLN(const std::string& folder, bool sort);
void FreeCatalogLN();

// Mark "-" section of row index (1-based); empty when not loaded or index is out of range.
std::string CatalogLNCaption(int index);

// The family of a mark: a leading "Ц" and trailing digits dropped, then cut to three characters.
std::string NormalizeLineMark(const std::string& mark);

// Finds the row of text ("АС-70": mark "-" section) for the nominal voltage unom (matched to 0.1 kV).
// text is expected in upper case. With normalise the catalogue's marks and the given one are compared
// by family. On success rec holds the row; otherwise False and CatalogErrorLN.
bool FindLNByMark(const std::string& text, bool normalise, TRecLN& rec, float unom);

}  // namespace ld
