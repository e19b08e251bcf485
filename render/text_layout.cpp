#include "render/text_layout.h"

#include <cmath>

#include "render/display_shapes.h"

namespace plotwright::db {

double estimatedTextWidth(std::wstring_view text, double height, double widthFactor)
{
    return double(text.size()) * kEstimatedAdvance * height * widthFactor;
}

std::array<DisplayPoint, 4> textCorners(DisplayPoint anchor, const DisplayText& t)
{
    const double width = t.span > 0 ? t.span : estimatedTextWidth(t.text, t.height, t.widthFactor);
    const double left = t.hAlign == DisplayText::kCenter ? -width / 2 : t.hAlign == DisplayText::kRight ? -width : 0.0;
    const double below = t.height * 0.25;
    // Where the baseline lies below the anchor.
    const double drop = t.vAlign == DisplayText::kTop      ? t.height
                        : t.vAlign == DisplayText::kMiddle ? t.height / 2
                        : t.vAlign == DisplayText::kBottom ? -below
                                                           : 0.0;
    const double c = std::cos(t.rotation), s = std::sin(t.rotation);
    const double fx = t.backwards ? -1.0 : 1.0, fy = t.upsideDown ? -1.0 : 1.0;
    const auto at = [&](double x, double y) {
        x *= fx, y *= fy;
        return DisplayPoint{anchor.x + x * c - y * s, anchor.y + x * s + y * c};
    };
    return {at(left, -drop - below), at(left + width, -drop - below), at(left + width, t.height - drop),
            at(left, t.height - drop)};
}

namespace detail {

std::vector<std::wstring> wrapLine(const std::wstring& line, double width, double height)
{
    if (!(width > 0) || !std::isfinite(width) || !(height > 0))
        return {line};
    // In characters: the estimate is the same for every character.
    const double room = width / (kEstimatedAdvance * height);
    std::vector<std::wstring> lines;
    std::wstring current;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t gap = i;
        while (gap < line.size() && line[gap] == L' ')
            ++gap;
        std::size_t end = gap;
        while (end < line.size() && line[end] != L' ')
            ++end;
        if (end == gap) {  // trailing spaces
            current.append(line, i, end - i);
            break;
        }
        // Room is compared with a little slack, so that a line of exactly the width fits.
        const double wanted = double(current.size() + (end - i));
        if (!current.empty() && wanted > room * (1 + 1e-12)) {
            lines.push_back(std::move(current));
            current.assign(line, gap, end - gap);
        } else {
            current.append(line, i, end - i);
        }
        i = end;
    }
    lines.push_back(std::move(current));
    return lines;
}

} // namespace detail
} // namespace plotwright::db
