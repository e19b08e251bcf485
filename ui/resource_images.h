#pragma once
// The module's pictures by resource number, drawn from vector sources so they
// stay sharp at any screen density.

#include <QIcon>

class QPalette;

namespace plotwright::ui {

// Icons 105 (save), 106 (save as) and 107 (delete); a null icon for other numbers.
QIcon ResourceIcon(int resourceId);

// Bitmap 103 with its black, dark grey, light grey and white replaced by the
// palette's button text, shadow, face and highlight colours; null for other numbers.
QIcon MappedBitmap(int resourceId, const QPalette& palette);

} // namespace plotwright::ui
