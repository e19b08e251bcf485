#pragma once
// Internal: LAYER table records as this program writes them: whole new records, and
// the two groups a changed record of a file gets replaced (62 colour, 70 flags).

#include <optional>
#include <string>

#include "base/code_page.h"
#include "db/database.h"

namespace plotwright::dxf::detail {

// The colour group: the colour index, negative while the layer is off.
int layerColorGroup(const AcDbLayerAppearance& appearance);
// The flags group with the frozen bit (1) set or cleared in `flags` as read.
long long layerFlagsGroup(const AcDbLayerAppearance& appearance, long long flags);

// How a new LAYER record is written: R2000 on with handle, owner (the LAYER table) and
// subclass markers; R12 without them (with the handle only when the file uses handles).
// `utf8` for drawings from AC1021 on; older ones get \U+ escapes.
struct LayerRecordStyle {
    AcDbHandle handle = 0;
    AcDbHandle owner = 0;
    bool legacy = false;
    bool handles = true;
    bool utf8 = false;
    std::optional<base::CodePage> codePage;  // of text that is not UTF-8, when not Latin-1
};

// A new LAYER record, each line ended by `newline`.
std::string layerRecordText(const AcDbLayerInfo& layer, const LayerRecordStyle& style, const std::string& newline);

} // namespace plotwright::dxf::detail
