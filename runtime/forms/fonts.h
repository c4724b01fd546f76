// Fonts named by the layouts, mapped to what this platform has.
#pragma once

#include <QFont>

#include "forms/layout.h"

namespace tovalin::forms {

// The families tried for a face, in order, before the platform's
// sans-serif: a face that the layouts know by its Chinese name is looked
// for under the names it goes by, then as faces that look like it.
QStringList families_for(std::string_view face);

// The default GUI font for a default font, else the face at its pixel size.
QFont font_for(const Font& font);

}  // namespace tovalin::forms
