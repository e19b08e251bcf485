#include "editor/snap_engine.h"

#include "core/drawing_contents.h"

#include <cmath>
#include <numbers>

namespace plotwright::editor::snap {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

bool facesUp(const core::Vector3& n)
{
    const double length = std::hypot(n.x, n.y, n.z);
    return length > 0 && n.z > 0 && std::hypot(n.x, n.y) <= 1e-9 * length;
}

bool finite(double x, double y) { return std::isfinite(x) && std::isfinite(y); }

void addSegment(Geometry& g, Point a, Point b)
{
    if (finite(a.x, a.y) && finite(b.x, b.y))
        g.segments.push_back({a, b});
}

void addArc(Geometry& g, Point c, double r, double start, double sweep)
{
    if (finite(c.x, c.y) && std::isfinite(r) && r > 0 && std::isfinite(start) && std::isfinite(sweep) && sweep != 0)
        g.arcs.push_back({c, r, start, sweep});
}

// The arc from `a` to `b` bulging by `bulge` (tan of a quarter of the included angle).
void addBulgeSegment(Geometry& g, const core::Point2& a, const core::Point2& b, double bulge)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double chord = std::hypot(dx, dy);
    const double sweep = 4 * std::atan(bulge);
    if (bulge == 0 || !(chord > 0) || !std::isfinite(sweep)) {
        addSegment(g, {a.x, a.y}, {b.x, b.y});
        return;
    }
    const double signedRadius = chord / (2 * std::sin(sweep / 2));
    const double offset = signedRadius * std::cos(sweep / 2);
    const Point c{(a.x + b.x) / 2 - dy / chord * offset, (a.y + b.y) / 2 + dx / chord * offset};
    addArc(g, c, std::abs(signedRadius), std::atan2(a.y - c.y, a.x - c.x), sweep);
}

} // namespace

Geometry collectGeometry(const core::DrawingData& database)
{
    Geometry g;
    database.forEachEntity([&](const core::Entity& e) {
        const core::LayerAppearance& layer = database.layerAppearance(e.layer());
        if (layer.off || layer.frozen)
            return;
        switch (e.kind()) {
        case core::EntityKind::kLine: {
            const auto& line = static_cast<const core::LineEntity&>(e);
            addSegment(g, {line.startPoint().x, line.startPoint().y}, {line.endPoint().x, line.endPoint().y});
            break;
        }
        case core::EntityKind::kPolyline: {
            const auto& pl = static_cast<const core::PolylineEntity&>(e);
            if (!facesUp(pl.normal()))
                break;
            const auto points = pl.points();
            const std::size_t n = points.size();
            const std::size_t segments = pl.isClosed() ? n : (n ? n - 1 : 0);
            for (std::size_t i = 0; i < segments && n > 1; ++i) {
                double bulge = 0;
                pl.getBulgeAt(static_cast<unsigned>(i), bulge);
                addBulgeSegment(g, points[i], points[(i + 1) % n], bulge);
            }
            break;
        }
        case core::EntityKind::k3dPolyline: {
            const auto& pl = static_cast<const core::Polyline3dEntity&>(e);
            const auto& v = pl.vertices();
            for (std::size_t i = 0; i + 1 < v.size(); ++i)
                addSegment(g, {v[i].x, v[i].y}, {v[i + 1].x, v[i + 1].y});
            if (pl.isClosed() && v.size() > 2)
                addSegment(g, {v.back().x, v.back().y}, {v.front().x, v.front().y});
            break;
        }
        case core::EntityKind::kCircle: {
            const auto& circle = static_cast<const core::CircleEntity&>(e);
            if (facesUp(circle.normal()))
                addArc(g, {circle.center().x, circle.center().y}, circle.radius(), 0, kTwoPi);
            break;
        }
        case core::EntityKind::kArc: {
            const auto& arc = static_cast<const core::ArcEntity&>(e);
            if (!facesUp(arc.normal()))
                break;
            double sweep = std::fmod(arc.endAngle() - arc.startAngle(), kTwoPi);
            if (sweep <= 0)
                sweep += kTwoPi;
            addArc(g, {arc.center().x, arc.center().y}, arc.radius(), arc.startAngle(), sweep);
            break;
        }
        default:
            break;
        }
    });
    return g;
}

} // namespace plotwright::editor::snap
