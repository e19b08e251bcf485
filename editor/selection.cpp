#include "editor/selection.h"

#include "editor/display_list.h"

#include "core/drawing_contents.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace plotwright::editor {

// ---- the set -----------------------------------------------------------------

bool Selection::contains(core::Handle handle) const
{
    return std::find(handles_.begin(), handles_.end(), handle) != handles_.end();
}

void Selection::clear()
{
    if (handles_.empty())
        return;
    handles_.clear();
    emit changed();
}

void Selection::set(const std::vector<core::Handle>& handles)
{
    std::vector<core::Handle> unique;
    for (core::Handle h : handles)
        if (h != 0 && std::find(unique.begin(), unique.end(), h) == unique.end())
            unique.push_back(h);
    if (unique == handles_)
        return;
    handles_ = std::move(unique);
    emit changed();
}

void Selection::add(const std::vector<core::Handle>& handles)
{
    std::vector<core::Handle> next = handles_;
    next.insert(next.end(), handles.begin(), handles.end());
    set(next);
}

void Selection::toggle(const std::vector<core::Handle>& handles)
{
    std::vector<core::Handle> next = handles_;
    for (core::Handle h : handles) {
        auto it = std::find(next.begin(), next.end(), h);
        if (it != next.end())
            next.erase(it);
        else
            next.push_back(h);
    }
    set(next);
}

void Selection::retain(const std::function<bool(core::Handle)>& keep)
{
    std::vector<core::Handle> next;
    std::copy_if(handles_.begin(), handles_.end(), std::back_inserter(next), keep);
    set(next);
}

const wchar_t* kindName(const core::Entity& entity)
{
    using Kind = core::EntityKind;
    switch (entity.kind()) {
    case Kind::kPolyline: return L"Polyline";
    case Kind::kLine: return L"Line";
    case Kind::kCircle: return L"Circle";
    case Kind::kArc: return L"Arc";
    case Kind::kPoint: return L"Point";
    case Kind::k3dPolyline: return L"3D polyline";
    case Kind::kText: return L"Text";
    case Kind::kMText: return L"Multiline text";
    case Kind::kBlockReference: return L"Block reference";
    case Kind::kEllipse: return L"Ellipse";
    case Kind::kSpline: return L"Spline";
    case Kind::kHatch: return L"Hatch";
    case Kind::kFace: return L"Face";
    case Kind::kLeader: return L"Leader";
    case Kind::kXline: return L"Construction line";
    case Kind::kWipeout: return L"Wipeout";
    case Kind::kStrokes: return static_cast<const core::StrokesEntity&>(entity).name().c_str();
    }
    return L"Entity";
}

// ---- geometry of the shown shapes ------------------------------------------------

namespace {

using Type = db::DisplayShape::Type;

QPointF at(const db::DisplayPoint& p) { return {p.x, p.y}; }

double segmentDistance(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    double t = len2 > 0 ? QPointF::dotProduct(p - a, ab) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

// A text's outline from its anchor: the font is not known here, so the width is the
// usual proportion of a capital letter's height per character.
QPolygonF textOutline(const db::DisplayShape& shape)
{
    const db::DisplayText& t = *shape.text;
    const double h = t.height;
    const double w = std::max(1.0, double(t.text.size())) * 0.6 * h * t.widthFactor;
    const double x0 = t.hAlign == db::DisplayText::kCenter ? -w / 2 : t.hAlign == db::DisplayText::kRight ? -w : 0.0;
    const double y0 = t.vAlign == db::DisplayText::kMiddle ? -h / 2 : t.vAlign == db::DisplayText::kTop ? -h : 0.0;
    const double c = std::cos(t.rotation), s = std::sin(t.rotation);
    const QPointF anchor = at(shape.points[0]);
    QPolygonF out;
    for (const QPointF& corner : {QPointF(x0, y0), QPointF(x0 + w, y0), QPointF(x0 + w, y0 + h), QPointF(x0, y0 + h)})
        out << anchor + QPointF(c * corner.x() - s * corner.y(), s * corner.x() + c * corner.y());
    out << out.front();
    return out;
}

// The item's outline as rings of points; endless lines and markers have none.
std::vector<QPolygonF> rings(const DisplayItem& item)
{
    const db::DisplayShape& s = item.shape;
    std::vector<QPolygonF> out;
    if (s.type == Type::kText && s.text && !s.points.empty())
        return {textOutline(s)};
    if (s.type != Type::kStroke && s.type != Type::kFill)
        return out;
    std::size_t ring = 0;
    out.emplace_back();
    for (std::size_t i = 0; i < s.points.size(); ++i) {
        if (ring < s.ringStarts.size() && s.ringStarts[ring] == i && i != 0) {
            out.emplace_back();
            ++ring;
        }
        out.back() << at(s.points[i]);
    }
    if (s.closed || s.type == Type::kFill)
        for (QPolygonF& r : out)
            if (!r.isEmpty())
                r << r.front();
    return out;
}

bool isArea(const DisplayItem& item) { return item.shape.type == Type::kFill || item.shape.type == Type::kText; }

bool insideRings(const std::vector<QPolygonF>& rs, const QPointF& p)
{
    bool inside = false;
    for (const QPolygonF& r : rs)
        if (r.containsPoint(p, Qt::OddEvenFill))
            inside = !inside;
    return inside;
}

// Endless line p + t d (t >= 0 only for a ray).
void endless(const DisplayItem& item, QPointF& p, QPointF& d, bool& ray)
{
    p = at(item.shape.points[0]);
    d = at(item.shape.points[1]) - p;
    ray = item.shape.type == Type::kRay;
}

double distanceTo(const DisplayItem& item, const QPointF& world)
{
    const db::DisplayShape& s = item.shape;
    if (s.points.empty())
        return std::numeric_limits<double>::infinity();
    if (item.isEndless()) {
        if (s.points.size() < 2)
            return std::numeric_limits<double>::infinity();
        QPointF p, d;
        bool ray = false;
        endless(item, p, d, ray);
        const double len2 = QPointF::dotProduct(d, d);
        double t = len2 > 0 ? QPointF::dotProduct(world - p, d) / len2 : 0.0;
        if (ray)
            t = std::max(t, 0.0);
        const QPointF q = world - (p + t * d);
        return std::hypot(q.x(), q.y());
    }
    if (s.type == Type::kMarker) {
        const QPointF q = world - at(s.points[0]);
        return std::hypot(q.x(), q.y());
    }
    const std::vector<QPolygonF> rs = rings(item);
    if (isArea(item) && insideRings(rs, world))
        return 0.0;
    double best = std::numeric_limits<double>::infinity();
    for (const QPolygonF& r : rs) {
        if (r.size() == 1)
            best = std::min(best, std::hypot(world.x() - r[0].x(), world.y() - r[0].y()));
        for (qsizetype i = 1; i < r.size(); ++i)
            best = std::min(best, segmentDistance(world, r[i - 1], r[i]));
    }
    return best;
}

// Whether the segment a-b meets the rectangle (Liang-Barsky clipping).
bool segmentMeets(const QPointF& a, const QPointF& b, const QRectF& r)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const auto clip = [&](double p, double q) {
        if (p == 0)
            return q >= 0;
        const double t = q / p;
        if (p < 0) {
            if (t > t1)
                return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0)
                return false;
            t1 = std::min(t1, t);
        }
        return true;
    };
    return clip(-dx, a.x() - r.left()) && clip(dx, r.right() - a.x()) && clip(-dy, a.y() - r.top()) &&
           clip(dy, r.bottom() - a.y());
}

bool contains(const QRectF& r, const QPointF& p)
{
    return p.x() >= r.left() && p.x() <= r.right() && p.y() >= r.top() && p.y() <= r.bottom();
}

bool itemInside(const DisplayItem& item, const QRectF& r)
{
    if (item.isEndless() || item.shape.points.empty())
        return false;
    if (item.shape.type == Type::kText && item.shape.text) {
        const QPolygonF outline = textOutline(item.shape);
        return std::all_of(outline.begin(), outline.end(), [&](const QPointF& p) { return contains(r, p); });
    }
    return std::all_of(item.shape.points.begin(), item.shape.points.end(),
                       [&](const db::DisplayPoint& p) { return contains(r, at(p)); });
}

bool itemTouches(const DisplayItem& item, const QRectF& r)
{
    const db::DisplayShape& s = item.shape;
    if (s.points.empty())
        return false;
    if (item.isEndless()) {
        if (s.points.size() < 2)
            return false;
        QPointF p, d;
        bool ray = false;
        endless(item, p, d, ray);
        // Long enough to cross any window: the span of the window and the distance to it.
        const double len = std::hypot(d.x(), d.y());
        if (len == 0)
            return false;
        const QPointF toFar = r.center() - p;
        const double reach = (std::hypot(toFar.x(), toFar.y()) + r.width() + r.height()) / len;
        return segmentMeets(ray ? p : p - reach * d, p + reach * d, r);
    }
    if (s.type == Type::kMarker)
        return contains(r, at(s.points[0]));
    const std::vector<QPolygonF> rs = rings(item);
    for (const QPolygonF& ring : rs) {
        if (ring.size() == 1 && contains(r, ring[0]))
            return true;
        for (qsizetype i = 1; i < ring.size(); ++i)
            if (segmentMeets(ring[i - 1], ring[i], r))
                return true;
    }
    // A window wholly inside a filled area or a text touches it too.
    return isArea(item) && insideRings(rs, r.center());
}

} // namespace

core::Handle pickEntity(const DisplayList& list, const QPointF& world, double tolerance)
{
    const QRectF around(world.x() - tolerance, world.y() - tolerance, 2 * tolerance, 2 * tolerance);
    core::Handle best = 0;
    double bestDistance = tolerance;
    for (std::uint32_t index : list.visible(around)) {
        const DisplayItem& item = list.items[index];
        if (item.entity == 0)
            continue;
        const double d = distanceTo(item, world);
        // On a tie the one drawn later, on top, wins.
        if (d <= bestDistance) {
            bestDistance = d;
            best = item.entity;
        }
    }
    return best;
}

std::vector<core::Handle> entitiesInWindow(const DisplayList& list, const QRectF& world, bool crossing)
{
    std::vector<core::Handle> order;
    std::unordered_map<core::Handle, bool> hit;
    const QRectF r = world.normalized();
    for (const DisplayItem& item : list.items) {
        if (item.entity == 0)
            continue;
        auto [it, fresh] = hit.try_emplace(item.entity, !crossing);
        if (fresh)
            order.push_back(item.entity);
        if (crossing)
            it->second = it->second || itemTouches(item, r);
        else
            it->second = it->second && itemInside(item, r);
    }
    std::vector<core::Handle> out;
    for (core::Handle h : order)
        if (hit[h])
            out.push_back(h);
    return out;
}

void paintSelection(QPainter& painter, const DisplayList& list, const Selection& selection,
                    const std::function<QPointF(const QPointF&)>& toScreen)
{
    if (selection.isEmpty())
        return;
    painter.save();
    QPen pen(QColor(90, 180, 255), 2.0, Qt::DashLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const DisplayItem& item : list.items) {
        if (item.entity == 0 || !selection.contains(item.entity) || item.shape.points.empty())
            continue;
        if (item.isEndless()) {
            if (item.shape.points.size() >= 2) {
                const QPointF p = toScreen(at(item.shape.points[0]));
                const QPointF d = toScreen(at(item.shape.points[1])) - p;
                const double len = std::hypot(d.x(), d.y());
                if (len > 0)
                    painter.drawLine(item.shape.type == Type::kRay ? p : p - d * (1e5 / len), p + d * (1e5 / len));
            }
            continue;
        }
        if (item.shape.type == Type::kMarker) {
            const QPointF p = toScreen(at(item.shape.points[0]));
            painter.drawRect(QRectF(p - QPointF(5, 5), QSizeF(10, 10)));
            continue;
        }
        for (const QPolygonF& ring : rings(item)) {
            QPolygonF shown;
            shown.reserve(ring.size());
            for (const QPointF& p : ring)
                shown << toScreen(p);
            if (shown.size() == 1)
                painter.drawRect(QRectF(shown[0] - QPointF(3, 3), QSizeF(6, 6)));
            else
                painter.drawPolyline(shown);
        }
    }
    painter.restore();
}

} // namespace plotwright::editor
