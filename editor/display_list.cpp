#include "editor/display_list.h"

#include "core/drawing_contents.h"

#include <algorithm>
#include <cmath>

namespace plotwright::editor {

namespace {

QColor shownOnView(db::ShownColor c)
{
    if (c.background)
        return QColor(kViewBackground.red(), kViewBackground.green(), kViewBackground.blue(), c.alpha);
    if (c.foreground)
        return QColor(255, 255, 255, c.alpha);
    return QColor((c.rgb >> 16) & 0xFF, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF, c.alpha);
}

// The smallest and largest x and y of a shape's points (text: with its reach).
struct Span {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

Span spanOf(const db::DisplayShape& s)
{
    Span b;
    if (s.points.empty())
        return b;
    b.minX = b.maxX = s.points[0].x;
    b.minY = b.maxY = s.points[0].y;
    for (const db::DisplayPoint& p : s.points) {
        b.minX = std::min(b.minX, p.x), b.maxX = std::max(b.maxX, p.x);
        b.minY = std::min(b.minY, p.y), b.maxY = std::max(b.maxY, p.y);
    }
    if (s.type == db::DisplayShape::Type::kText && s.text) {
        // Text reaches about as far as its height times its length from the anchor (a
        // wide width factor or a stretched span further).
        const db::DisplayText& t = *s.text;
        const double reach = t.height * (1.0 + double(t.text.size()) * std::max(1.0, t.widthFactor)) + t.span;
        b.minX -= reach, b.maxX += reach, b.minY -= reach, b.maxY += reach;
    }
    return b;
}

} // namespace

DisplayList buildDisplayList(const core::DrawingData& database)
{
    DisplayList list;
    std::vector<core::Handle> handles;
    database.forEachEntity([&](const core::Entity& e) { handles.push_back(e.handle()); });
    core::Handle current = 0;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;
    // Mostly one item an entity.
    list.items.reserve(handles.size());
    const auto add = [&](db::DisplayShape&& shape) {
        DisplayItem item;
        item.color = shownOnView(shape.color);
        item.shape = std::move(shape);
        item.entity = current;
        if (!item.isEndless()) {
            const Span span = spanOf(item.shape);
            if (!item.shape.points.empty())
                item.bounds = QRectF(QPointF(span.minX, span.minY), QPointF(span.maxX, span.maxY));
            const bool text = item.shape.type == db::DisplayShape::Type::kText;
            // Extents element by element: QRectF::united ignores rectangles of no
            // size, as a single point or a straight vertical line has.
            const auto extend = [&](const db::DisplayPoint& p) {
                minX = any ? std::min(minX, p.x) : p.x;
                maxX = any ? std::max(maxX, p.x) : p.x;
                minY = any ? std::min(minY, p.y) : p.y;
                maxY = any ? std::max(maxY, p.y) : p.y;
                any = true;
            };
            if (text && item.shape.text) {
                // Text counts with its box, so that zooming to the extents shows it whole.
                for (const db::DisplayPoint& p : db::textCorners(item.shape.points.front(), *item.shape.text))
                    if (std::isfinite(p.x) && std::isfinite(p.y))
                        extend(p);
            }
            if (text && !item.shape.points.empty()) {
                extend(item.shape.points.front());
            } else if (!text && !item.shape.points.empty()) {
                // The bounds of any other shape are those of its points: two corners
                // extend the extents as all of its points would.
                extend({span.minX, span.minY});
                extend({span.maxX, span.maxY});
            }
        }
        list.items.push_back(std::move(item));
    };
    db::tessellateModelSpace(database, {}, [&](db::DisplayShape&& shape, std::size_t entity) {
        current = entity < handles.size() ? handles[entity] : 0;
        // A long stroke in pieces, each sharing its first vertex with the one before, so
        // that culling and the level of detail work piece by piece.
        if (shape.type != db::DisplayShape::Type::kStroke || shape.points.size() <= DisplayList::kPieceVertices) {
            add(std::move(shape));
            return;
        }
        const std::size_t n = shape.points.size();
        for (std::size_t from = 0; from + 1 < n; from += DisplayList::kPieceVertices - 1) {
            db::DisplayShape piece;
            piece.type = shape.type;
            piece.color = shape.color;
            const std::size_t to = std::min(n, from + DisplayList::kPieceVertices);
            piece.points.reserve(to - from + 1);
            piece.points.assign(shape.points.begin() + static_cast<std::ptrdiff_t>(from),
                                shape.points.begin() + static_cast<std::ptrdiff_t>(to));
            if (shape.closed && to == n)
                piece.points.push_back(shape.points.front());
            add(std::move(piece));
        }
    });
    if (any)
        list.extents = QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
    list.hasExtents = any;
    list.unshown = db::unshownSummary(database);
    list.index();
    return list;
}

void DisplayList::index()
{
    grid_ = {};
    lod_.assign(items.size(), {});
    lodReady_.assign(items.size(), 0);
    seen_.assign(items.size(), 0);
    band_ = 0x7FFFFFFF;
    const double w = extents.width(), h = extents.height();
    const double side = std::max(w, h);
    // About four items per cell, at most 256 cells a side.
    const int cellsPerSide = std::clamp(static_cast<int>(std::sqrt(double(items.size()) / 4.0)), 1, 256);
    grid_.cell = side > 0 && std::isfinite(side) ? side / cellsPerSide : 1.0;
    grid_.x0 = extents.left();
    grid_.y0 = extents.top();
    grid_.columns = std::max(1, static_cast<int>(std::ceil(w / grid_.cell)));
    grid_.rows = std::max(1, static_cast<int>(std::ceil(h / grid_.cell)));
    if (!std::isfinite(w) || !std::isfinite(h))
        grid_.columns = grid_.rows = 1;
    grid_.cells.assign(static_cast<std::size_t>(grid_.columns) * static_cast<std::size_t>(grid_.rows), {});
    for (std::uint32_t i = 0; i < items.size(); ++i) {
        const DisplayItem& item = items[i];
        if (item.isEndless()) {
            grid_.everywhere.push_back(i);
            continue;
        }
        const QRectF& b = item.bounds;
        const int c0 = std::clamp(static_cast<int>(std::floor((b.left() - grid_.x0) / grid_.cell)), 0, grid_.columns - 1);
        const int c1 = std::clamp(static_cast<int>(std::floor((b.right() - grid_.x0) / grid_.cell)), 0, grid_.columns - 1);
        const int r0 = std::clamp(static_cast<int>(std::floor((b.top() - grid_.y0) / grid_.cell)), 0, grid_.rows - 1);
        const int r1 = std::clamp(static_cast<int>(std::floor((b.bottom() - grid_.y0) / grid_.cell)), 0, grid_.rows - 1);
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > 64) {
            grid_.everywhere.push_back(i);
            continue;
        }
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c)
                grid_.cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(grid_.columns) + static_cast<std::size_t>(c)].push_back(i);
        }
    }
}

std::vector<std::uint32_t> DisplayList::visible(const QRectF& world) const
{
    std::vector<std::uint32_t> out;
    if (items.empty())
        return out;
    if (++stamp_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        stamp_ = 1;
    }
    const auto take = [&](std::uint32_t i) {
        if (seen_[i] == stamp_)
            return;
        seen_[i] = stamp_;
        const DisplayItem& item = items[i];
        // By coordinates: QRectF::intersects misses rectangles of no width or height.
        const QRectF& b = item.bounds;
        if (item.isEndless() || (b.left() <= world.right() && b.right() >= world.left() && b.top() <= world.bottom() &&
                                 b.bottom() >= world.top()))
            out.push_back(i);
    };
    for (std::uint32_t i : grid_.everywhere)
        take(i);
    const auto cellOf = [&](double v, double origin, int count) {
        const double c = std::floor((v - origin) / grid_.cell);
        return static_cast<int>(std::clamp(c, 0.0, double(count - 1)));
    };
    const int c0 = cellOf(world.left(), grid_.x0, grid_.columns), c1 = cellOf(world.right(), grid_.x0, grid_.columns);
    const int r0 = cellOf(world.top(), grid_.y0, grid_.rows), r1 = cellOf(world.bottom(), grid_.y0, grid_.rows);
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            for (std::uint32_t i : grid_.cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(grid_.columns) + static_cast<std::size_t>(c)])
                take(i);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

const std::vector<db::DisplayPoint>& DisplayList::levelOfDetail(std::uint32_t index, double pixelsPerUnit) const
{
    const int band = static_cast<int>(std::floor(std::log2(std::max(pixelsPerUnit, 1e-300))));
    if (band != band_) {
        band_ = band;
        std::fill(lodReady_.begin(), lodReady_.end(), 0);
        for (auto& points : lod_)
            points = {};
    }
    const std::vector<db::DisplayPoint>& all = items[index].shape.points;
    if (all.size() <= 8)
        return all;
    std::vector<db::DisplayPoint>& kept = lod_[index];
    if (!lodReady_[index]) {
        lodReady_[index] = 1;
        // Within the band the scale is at most twice 2^band: a step of 0.5 / 2^band
        // units stays within one pixel.
        const double step = 0.5 / std::ldexp(1.0, band);
        kept.clear();
        kept.push_back(all.front());
        for (std::size_t i = 1; i + 1 < all.size(); ++i) {
            const db::DisplayPoint& last = kept.back();
            if (std::abs(all[i].x - last.x) >= step || std::abs(all[i].y - last.y) >= step)
                kept.push_back(all[i]);
        }
        kept.push_back(all.back());
        kept.shrink_to_fit();
    }
    return kept;
}

} // namespace plotwright::editor
