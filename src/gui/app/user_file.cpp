#include "gui/app/user_file.h"

#include "core/base/settings.h"
#include "core/tables/layout.h"

namespace ld::gui {

std::string UserFileStem;

std::string UserFileName() { return FindFileNoCase(UserFileStem + GetMaketExtention(LayoutUsers)); }

}  // namespace ld::gui
