#include "gui/catalogs/catalog_form.h"

namespace ld::gui {

TCatalogForm* CatalogForm = nullptr;

TCatalogForm::TCatalogForm(QWidget* parent) : QDialog(parent) { setObjectName("CatalogForm"); }

}  // namespace ld::gui
