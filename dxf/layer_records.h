#pragma once
// Internal: LAYER table records as this program writes them: whole new records, and
// the two groups a changed record of a file gets replaced (62 colour, 70 flags).

#include <string>

#include "db/database.h"

namespace plotwright::dxf::detail {

// The colour group: the colour index, negative while the layer is off.
int layerColorGroup(const AcDbLayerAppearance& appearance);
// The flags group with the frozen bit (1) set or cleared in `flags` as read.
long long layerFlagsGroup(const AcDbLayerAppearance& appearance, long long flags);

// A new R2000 LAYER record owned by the table `owner`, each line ended by `newline`.
// `utf8` for drawings from AC1021 on; older ones get \U+ escapes.
std::string layerRecordText(const AcDbLayerInfo& layer, AcDbHandle owner, bool utf8, const std::string& newline);

} // namespace plotwright::dxf::detail
