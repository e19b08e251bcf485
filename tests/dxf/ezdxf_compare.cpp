#include "ezdxf_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/number_text.h"
#include "db/database.h"
#include "render/display_shapes.h"
#include "support/dxf_check.h"

namespace dxftest {

namespace {

double numberOf(const std::string& text)
{
    const std::optional<double> value = plotwright::base::parseNumber(text);
    return value ? *value : std::nan("");
}

using plotwright::db::DisplayPoint;
using plotwright::db::DisplayShape;
std::string hex(AcDbHandle handle)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
    return text;
}

std::wstring wide(const std::string& utf8)
{
    std::wstring out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        out.push_back(static_cast<wchar_t>(cp));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

using Polylines = std::vector<std::vector<DisplayPoint>>;

double distanceToSegment(DisplayPoint p, DisplayPoint a, DisplayPoint b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// The largest distance from a point of `from` to the nearest line of `to`. The
// midpoints of `from`'s segments count too, so that a segment joining the wrong
// vertices (a wedge across a fill) is found.
double farthest(const Polylines& from, const Polylines& to)
{
    const auto nearest = [&](DisplayPoint p) {
        double best = INFINITY;
        for (const auto& other : to) {
            if (other.size() == 1)
                best = std::min(best, std::hypot(p.x - other[0].x, p.y - other[0].y));
            for (std::size_t i = 1; i < other.size(); ++i)
                best = std::min(best, distanceToSegment(p, other[i - 1], other[i]));
        }
        return best;
    };
    double worst = 0;
    for (const auto& line : from) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            worst = std::max(worst, nearest(line[i]));
            if (i > 0)
                worst = std::max(worst, nearest({(line[i - 1].x + line[i].x) / 2, (line[i - 1].y + line[i].y) / 2}));
        }
    }
    return worst;
}

} // namespace

void compareWithEzdxf(const AcDbDatabase& db, const std::string& report, int& compared, int& textsCompared)
{
    std::vector<std::string> handles;
    db.forEachEntity([&](const AcDbEntity& e) { handles.push_back(hex(e.handle())); });
    std::vector<std::size_t> source;
    const std::vector<DisplayShape> shapes = plotwright::db::tessellateModelSpace(db, {1e-3}, &source);
    std::map<std::string, Polylines> ours;
    std::map<std::string, std::vector<const DisplayShape*>> texts;
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const DisplayShape& s = shapes[i];
        const std::string& handle = handles.at(source.at(i));
        if (s.type == DisplayShape::Type::kText) {
            texts[handle].push_back(&s);
            continue;
        }
        if (s.type == DisplayShape::Type::kXline || s.type == DisplayShape::Type::kRay) {
            ours[handle];
            continue;
        }
        // Rings of a fill are lines of their own.
        std::size_t from = 0;
        for (std::size_t r = 0; r <= s.ringStarts.size(); ++r) {
            const std::size_t to = r < s.ringStarts.size() ? s.ringStarts[r] : s.points.size();
            std::vector<DisplayPoint> line(s.points.begin() + static_cast<std::ptrdiff_t>(from),
                                           s.points.begin() + static_cast<std::ptrdiff_t>(to));
            if ((s.closed || s.type == DisplayShape::Type::kFill) && !line.empty())
                line.push_back(line.front());
            ours[handle].push_back(line);
            from = to;
        }
        for (const DisplayPoint& p : s.points) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
    }
    // A pixel of a picture 1000 pixels across the drawing.
    const double pixel = std::max(maxX - minX, maxY - minY) / 1000;

    std::istringstream lines(report);
    std::string line;
    compared = 0, textsCompared = 0;
    std::map<std::string, std::size_t> textIndex;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string tag, handle;
        fields >> tag >> handle;
        SCOPED_TRACE(line.substr(0, 60));
        if (tag == "H") {
            EXPECT_EQ(ours.count(handle) + texts.count(handle), 0u) << "drawn although its layer is off or frozen";
        } else if (tag == "T") {
            std::string x, y;
            fields >> x >> y;
            std::string text;
            std::getline(fields, text);
            text = text.substr(1);
            const std::size_t k = textIndex[handle]++;
            ASSERT_LT(k, texts[handle].size());
            const DisplayShape& s = *texts[handle][k];
            EXPECT_EQ(s.text->text, wide(text));
            if (x != "-") {
                EXPECT_NEAR(s.points[0].x, numberOf(x), 1e-9);
                EXPECT_NEAR(s.points[0].y, numberOf(y), 1e-9);
            }
            ++textsCompared;
        } else if (tag == "P") {
            Polylines theirs(1);
            std::string token;
            while (fields >> token) {
                for (std::size_t start = 0;;) {
                    const std::size_t semi = token.find(';', start);
                    const std::string point = token.substr(start, semi - start);
                    const std::size_t comma = point.find(',');
                    if (comma != std::string::npos)
                        theirs.back().push_back({numberOf(point.substr(0, comma)), numberOf(point.substr(comma + 1))});
                    if (semi == std::string::npos)
                        break;
                    theirs.emplace_back();
                    start = semi + 1;
                }
            }
            ASSERT_EQ(ours.count(handle), 1u) << "not drawn";
            EXPECT_LT(farthest(ours[handle], theirs), pixel) << "a point of ours off ezdxf's lines";
            EXPECT_LT(farthest(theirs, ours[handle]), pixel) << "a point of ezdxf's off our lines";
            ++compared;
        }
    }
}

} // namespace dxftest
