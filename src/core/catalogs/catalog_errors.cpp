#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/catalog_units.h"

namespace ld {

std::string CatalogErrorLN;
std::string CatalogErrorT2;
std::string CatalogErrorT3;
std::string CatalogErrorTR;
std::string CatalogErrorRT;
std::string CatalogErrorKA;

}  // namespace ld
