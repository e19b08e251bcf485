#include "dxf/layer_records.h"

#include "dxf/entity_writer.h"
#include "dxf/output.h"

namespace plotwright::dxf::detail {

int layerColorGroup(const AcDbLayerAppearance& appearance)
{
    return appearance.off ? -appearance.colorIndex : appearance.colorIndex;
}

long long layerFlagsGroup(const AcDbLayerAppearance& appearance, long long flags)
{
    return appearance.frozen ? (flags | 1) : (flags & ~1LL);
}

std::string layerRecordText(const AcDbLayerInfo& layer, const LayerRecordStyle& style, const std::string& newline)
{
    std::string out;
    const auto pair = [&](int code, const std::string& value) {
        std::string c = std::to_string(code);
        if (c.size() < 3)
            out.append(3 - c.size(), ' ');
        out += c + newline + value + newline;
    };
    pair(0, "LAYER");
    if (style.handles)
        pair(5, formatHandle(style.handle));
    if (!style.legacy) {
        pair(330, formatHandle(style.owner));
        pair(100, "AcDbSymbolTableRecord");
        pair(100, "AcDbLayerTableRecord");
    }
    pair(2, dxfValueText(layer.name, style.utf8, style.codePage));
    pair(70, std::to_string(layerFlagsGroup(layer.appearance, 0)));
    pair(62, std::to_string(layerColorGroup(layer.appearance)));
    if (layer.appearance.trueColor >= 0 && !style.legacy)
        pair(420, std::to_string(layer.appearance.trueColor));
    pair(6, "Continuous");
    return out;
}

} // namespace plotwright::dxf::detail
