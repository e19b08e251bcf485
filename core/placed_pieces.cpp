#include "core/placed_pieces.h"

#include "core/drawing_access.h"
#include "core/drawn_curves.h"
#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "core/curve_data.h"
#include "dxf/app_data.h"

#include <algorithm>
#include <map>

namespace plotwright::core {

namespace {

Piece pieceOf(const AcDbEntity& entity, double& elevation)
{
    Piece piece;
    if (const auto* polyline = dynamic_cast<const AcDbPolyline*>(&entity)) {
        elevation = polyline->elevation();
        piece.closed = polyline->isClosed();
        for (unsigned i = 0; i < polyline->numVerts(); ++i) {
            AcGePoint2d p;
            polyline->getPointAt(i, p);
            double bulge = 0;
            polyline->getBulgeAt(i, bulge);
            piece.points.push_back({p.x, p.y, 0});
            piece.bulges.push_back(bulge);
        }
    } else if (const auto* spline = dynamic_cast<const AcDbSpline*>(&entity)) {
        piece.closed = spline->isClosed();
        piece.spline.degree = spline->degree();
        piece.spline.knots = spline->knots();
        for (const AcGePoint3d& p : spline->controlPoints())
            piece.spline.controlPoints.push_back({p.x, p.y, p.z});
        for (const AcGePoint3d& p : spline->fitPoints())
            piece.spline.fitPoints.push_back({p.x, p.y, p.z});
        piece.points = piece.spline.fitPoints;
    }
    return piece;
}

} // namespace

std::vector<PlacedPiece> placedPieces(const Drawing& drawing, const std::vector<std::string>& handles, bool utf8)
{
    std::map<std::string, PlacedPiece> found;
    DrawingAccess::database(drawing).forEachEntity([&](const AcDbEntity& entity) {
        const std::string handle = handleText(entity.handle());
        if (std::find(handles.begin(), handles.end(), handle) == handles.end())
            return;
        PlacedPiece& placed = found[handle];
        placed.piece = pieceOf(entity, placed.elevation);
        for (const dxf::AppDataGroup& group : dxf::appDataGroups(entity.appData(), utf8))
            placed.data.push_back({group.code, group.text, group.real, group.integer});
    });
    std::vector<PlacedPiece> out;
    for (const std::string& handle : handles)
        if (auto it = found.find(handle); it != found.end())
            out.push_back(std::move(it->second));
    return out;
}

} // namespace plotwright::core
