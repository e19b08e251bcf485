#include "editor/display_list.h"

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plotwright::editor {

namespace {

constexpr double pi = std::numbers::pi;

// Planar entities store coordinates in their own system, derived from the normal by
// the drawing format's arbitrary-axis rule; the view looks at the world from above.
class Ocs {
public:
    explicit Ocs(const AcGeVector3d& n)
    {
        const double len = std::hypot(n.x, n.y, n.z);
        if (!(len > 0) || !std::isfinite(len) || (n.x == 0 && n.y == 0 && n.z > 0))
            return; // the world system
        n_ = {n.x / len, n.y / len, n.z / len};
        const bool nearZ = std::abs(n_.x) < 1.0 / 64 && std::abs(n_.y) < 1.0 / 64;
        ax_ = nearZ ? cross({0, 1, 0}, n_) : cross({0, 0, 1}, n_);
        normalise(ax_);
        ay_ = cross(n_, ax_);
        normalise(ay_);
        identity_ = false;
    }

    QPointF toWorld(double x, double y, double z) const
    {
        if (identity_)
            return {x, y};
        return {x * ax_.x + y * ay_.x + z * n_.x, x * ax_.y + y * ay_.y + z * n_.y};
    }

private:
    static AcGeVector3d cross(const AcGeVector3d& a, const AcGeVector3d& b)
    {
        return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    static void normalise(AcGeVector3d& v)
    {
        const double len = std::hypot(v.x, v.y, v.z);
        v = {v.x / len, v.y / len, v.z / len};
    }

    bool identity_ = true;
    AcGeVector3d n_{0, 0, 1}, ax_{1, 0, 0}, ay_{0, 1, 0};
};

bool finite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// Builds a path of connected runs: a point that is not finite ends the run.
class PathBuilder {
public:
    void add(const QPointF& p)
    {
        if (!finite(p)) {
            open_ = false;
            return;
        }
        if (open_)
            path.lineTo(p);
        else
            path.moveTo(p);
        open_ = true;
    }
    void breakRun() { open_ = false; }
    QPainterPath path;

private:
    bool open_ = false;
};

// Points along the arc from `from` to `to` that bulges by `bulge` (tan of a quarter of
// the included angle, positive counter-clockwise), excluding `from`.
void addBulgeArc(PathBuilder& out, const Ocs& ocs, double z, const AcGePoint2d& from, const AcGePoint2d& to,
                 double bulge)
{
    const double angle = 4 * std::atan(bulge);
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double chord = std::hypot(dx, dy);
    if (!(chord > 0) || !std::isfinite(angle)) {
        out.add(ocs.toWorld(to.x, to.y, z));
        return;
    }
    const double radius = chord / (2 * std::sin(angle / 2));
    // The centre lies on the chord's perpendicular bisector.
    const double mx = (from.x + to.x) / 2, my = (from.y + to.y) / 2;
    const double offset = radius * std::cos(angle / 2);
    const double cx = mx - dy / chord * offset, cy = my + dx / chord * offset;
    const double start = std::atan2(from.y - cy, from.x - cx);
    const int steps = std::clamp(static_cast<int>(std::ceil(std::abs(angle) / (pi / 36))), 2, 72);
    const double r = std::abs(radius);
    for (int i = 1; i < steps; ++i) {
        const double a = start + angle * i / steps;
        out.add(ocs.toWorld(cx + r * std::cos(a), cy + r * std::sin(a), z));
    }
    out.add(ocs.toWorld(to.x, to.y, z));
}

void addArc(PathBuilder& out, const Ocs& ocs, const AcGePoint3d& c, double r, double start, double end)
{
    double sweep = end - start;
    if (!std::isfinite(sweep) || !(r >= 0))
        return;
    sweep = std::fmod(sweep, 2 * pi);
    if (sweep <= 0)
        sweep += 2 * pi;
    const int steps = std::clamp(static_cast<int>(std::ceil(sweep / (pi / 90))), 4, 180);
    for (int i = 0; i <= steps; ++i) {
        const double a = start + sweep * i / steps;
        out.add(ocs.toWorld(c.x + r * std::cos(a), c.y + r * std::sin(a), c.z));
    }
}

QPainterPath pathOf(const AcDbEntity& entity, bool& isPoint)
{
    PathBuilder out;
    isPoint = false;
    switch (entity.kind()) {
    case AcDbEntity::Kind::kPolyline: {
        const auto& pl = static_cast<const AcDbPolyline&>(entity);
        const Ocs ocs(pl.normal());
        const auto points = pl.points();
        const double z = pl.elevation();
        const unsigned n = pl.numVerts();
        const unsigned segments = pl.isClosed() ? n : (n ? n - 1 : 0);
        if (n == 1) { // a single vertex shows as a point
            isPoint = true;
            out.add(ocs.toWorld(points[0].x, points[0].y, z));
            break;
        }
        if (n)
            out.add(ocs.toWorld(points[0].x, points[0].y, z));
        for (unsigned i = 0; i < segments; ++i) {
            const AcGePoint2d& to = points[(i + 1) % n];
            double bulge = 0;
            if (pl.hasBulges())
                pl.getBulgeAt(i, bulge);
            if (bulge != 0)
                addBulgeArc(out, ocs, z, points[i], to, bulge);
            else
                out.add(ocs.toWorld(to.x, to.y, z));
        }
        break;
    }
    case AcDbEntity::Kind::kLine: {
        const auto& line = static_cast<const AcDbLine&>(entity);
        out.add({line.startPoint().x, line.startPoint().y});
        out.add({line.endPoint().x, line.endPoint().y});
        break;
    }
    case AcDbEntity::Kind::kCircle: {
        const auto& circle = static_cast<const AcDbCircle&>(entity);
        addArc(out, Ocs(circle.normal()), circle.center(), circle.radius(), 0, 2 * pi);
        break;
    }
    case AcDbEntity::Kind::kArc: {
        const auto& arc = static_cast<const AcDbArc&>(entity);
        addArc(out, Ocs(arc.normal()), arc.center(), arc.radius(), arc.startAngle(), arc.endAngle());
        break;
    }
    case AcDbEntity::Kind::kPoint: {
        const auto& point = static_cast<const AcDbPoint&>(entity);
        isPoint = true;
        out.add({point.position().x, point.position().y});
        break;
    }
    case AcDbEntity::Kind::kSpline:
        for (const AcGePoint3d& v : static_cast<const AcDbSpline&>(entity).samplePoints(16))
            out.add({v.x, v.y});
        break;
    case AcDbEntity::Kind::k3dPolyline: {
        const auto& pl = static_cast<const AcDb3dPolyline&>(entity);
        for (const AcGePoint3d& v : pl.vertices())
            out.add({v.x, v.y});
        if (pl.isClosed() && !pl.vertices().empty())
            out.add({pl.vertices().front().x, pl.vertices().front().y});
        break;
    }
    }
    return out.path;
}

} // namespace

QColor colorOfIndex(int index)
{
    static const QColor basic[] = {Qt::black, QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0),
                                   QColor(0, 255, 255), QColor(0, 0, 255), QColor(255, 0, 255),
                                   QColor(255, 255, 255), QColor(128, 128, 128), QColor(192, 192, 192)};
    index = std::abs(index); // a negative index marks a layer that is off: show it all the same
    if (index >= 1 && index <= 9)
        return basic[index];
    if (index >= 250 && index <= 255) {
        static const int greys[] = {51, 91, 132, 173, 214, 255};
        const int g = greys[index - 250];
        return QColor(g, g, g);
    }
    if (index >= 10 && index <= 249) {
        // Hues in steps of 15 degrees; within each hue, five shades, each strong and pale.
        const int hue = ((index - 10) / 10) * 15;
        const int shade = (index % 10) / 2;
        const bool pale = (index % 2) != 0;
        static const double values[] = {1.0, 0.8, 0.6, 0.5, 0.3};
        return QColor::fromHsvF(hue / 360.0, pale ? 0.5 : 1.0, values[shade]);
    }
    return QColor(255, 255, 255);
}

DisplayList buildDisplayList(const AcDbDatabase& database)
{
    DisplayList list;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;
    database.forEachEntity([&](const AcDbEntity& entity) {
        DisplayItem item;
        item.path = pathOf(entity, item.isPoint);
        if (item.path.elementCount() == 0)
            return;
        if (entity.trueColor() >= 0) {
            const std::int32_t rgb = entity.trueColor();
            item.color = QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        } else {
            int index = entity.colorIndex();
            if (index == 256)
                index = database.layerColorIndex(entity.layer());
            item.color = colorOfIndex(index == 0 ? 7 : index);
        }
        // Element by element: QRectF::united ignores rectangles of no size, as a
        // single point or a straight vertical line has.
        for (int i = 0; i < item.path.elementCount(); ++i) {
            const QPointF p = item.path.elementAt(i);
            minX = any ? std::min(minX, p.x()) : p.x();
            maxX = any ? std::max(maxX, p.x()) : p.x();
            minY = any ? std::min(minY, p.y()) : p.y();
            maxY = any ? std::max(maxY, p.y()) : p.y();
            any = true;
        }
        list.items.push_back(std::move(item));
    });
    if (any)
        list.extents = QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
    list.hasExtents = any;
    return list;
}

} // namespace plotwright::editor
