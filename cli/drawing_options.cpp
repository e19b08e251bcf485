#include "cli/drawing_options.h"

#include "cli/failure.h"
#include "base/utf8_text.h"
#include "db/color.h"
#include "db/database.h"

namespace plotwright::cli {

void applyPlacement(DrawingOptions& options, const Request& request)
{
    if (request.rotate)
        options.rotation = *request.rotate;
    if (request.scale)
        options.scale = *request.scale;
    if (request.mirror)
        options.mirror = *request.mirror;
    if (request.offset) {
        options.offset = *request.offset;
        options.offsetBothSides = request.offsetBoth;
    }
}

void applyNewDrawingOptions(AcDbDatabase& database, const Request& request)
{
    if (request.units)
        database.setUnits(request.units->insunits, request.units->metric);
}

void applyAppearance(AcDbDatabase& database, const std::vector<AcDbObjectId>& ids, const Request& request)
{
    if (!request.layer && !request.color)
        return;
    std::wstring layer;
    if (request.layer) {
        layer = base::wideFromUtf8(*request.layer);
        if (const AcDbLayerInfo* found = database.layer(layer)) {
            layer = found->name;   // as the drawing spells it
        } else {
            // A new layer shows ByLayer entities in the colour asked for; white otherwise.
            AcDbLayerAppearance appearance;
            if (request.color && db::isPaletteIndex(request.color->index)) {
                appearance.colorIndex = request.color->index;
                appearance.trueColor = request.color->trueColor;
            }
            if (database.addLayer(layer, appearance) != Acad::eOk)
                throw Failure(kExitFileError, "the drawing refused the layer \"" + *request.layer + "\"");
        }
    }
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForWrite) != Acad::eOk)
            continue;
        entity->setAppearance(request.layer ? layer : entity->layer(),
                              request.color ? request.color->index : entity->colorIndex(),
                              request.color ? request.color->trueColor : entity->trueColor());
        entity->close();
    }
}

} // namespace plotwright::cli
