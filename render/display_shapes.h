#pragma once
// The entity services shared by every display of a drawing (the editor's view, the
// SVG and PNG pictures): each entity kind as strokes, fills, markers and text items in
// world coordinates seen from above (x right, y up) with its colour resolved, and the
// extents of what is drawn.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/color.h"

class AcDbDatabase;
class AcDbEntity;

namespace plotwright::db {

struct DisplayPoint {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const DisplayPoint&, const DisplayPoint&) = default;
};

// One line of text, drawn with a font by the display rather than as strokes.
struct DisplayText {
    enum HAlign { kLeft = 0, kCenter = 1, kRight = 2 };
    enum VAlign { kBaseline = 0, kBottom = 1, kMiddle = 2, kTop = 3 };
    std::wstring text;        // plain: formatting codes already applied
    double height = 1.0;      // of capital letters, in drawing units
    double rotation = 0.0;    // of the baseline, radians counter-clockwise
    double widthFactor = 1.0;
    int hAlign = kLeft;       // which point of the text lies on the anchor
    int vAlign = kBaseline;
    // When > 0: the advance of the whole line in drawing units (fit and aligned text);
    // the display stretches or squeezes the line to it, whatever its font.
    double span = 0.0;
    // Drawn mirrored about the anchor: backwards (right to left, each glyph reversed)
    // and upside down (below the baseline, glyphs flipped).
    bool backwards = false;
    bool upsideDown = false;
    double oblique = 0.0;  // slant of the letters, radians clockwise from upright
    std::wstring family;   // the font family; empty: the display's default
    bool bold = false;
    bool italic = false;
};

// The estimate of a line's advance used wherever a position depends on a text's width
// (wrapping, aligned and fit text): each character kEstimatedAdvance times the height
// of capitals, times the width factor. Displays draw with the fonts they have.
inline constexpr double kEstimatedAdvance = 0.8;
double estimatedTextWidth(std::wstring_view text, double height, double widthFactor = 1.0);

// The corners of the box a text item covers, anchored at `anchor`: the estimated
// width (or the span) by the capitals' height, with a quarter of it below the baseline
// for descenders; counter-clockwise from the lower left of the text's own frame.
std::array<DisplayPoint, 4> textCorners(DisplayPoint anchor, const DisplayText& text);

struct DisplayShape {
    enum class Type : std::uint8_t {
        kStroke,  // a polyline through `points` (closed: back to the first)
        kFill,    // an area: rings in `points`, filled by the even-odd rule
        kMarker,  // a point entity: a small mark of fixed screen size at points[0]
        kText,    // `text` anchored at points[0]
        kXline,   // an endless line through points[0] and points[1], clipped by the display
        kRay,     // from points[0] through points[1] on without end
    };
    Type type = Type::kStroke;
    bool closed = false;
    ShownColor color;
    std::vector<DisplayPoint> points;
    std::vector<std::uint32_t> ringStarts;  // kFill: index where each ring after the first starts
    std::shared_ptr<const DisplayText> text;
};

struct TessellationOptions {
    // Largest distance between a curve and its chords, in drawing units. 0 takes a
    // thousandth of each curve's size.
    double tolerance = 0.0;
};

// The shapes of `entity` of model space, appended to `out`: nothing when it lies on a
// layer that is off or frozen. Block references bring their blocks' entities (nested
// to a depth of 16). Points that are not finite are left out and break a stroke.
void tessellateEntity(const AcDbDatabase& database, const AcDbEntity& entity, const TessellationOptions& options,
                      std::vector<DisplayShape>& out);

// Every shown entity of model space, in order; `source`, when given, receives for each
// shape the index of the model-space entity it came from.
std::vector<DisplayShape> tessellateModelSpace(const AcDbDatabase& database, const TessellationOptions& options,
                                               std::vector<std::size_t>* source = nullptr);
// The same shapes handed to `take` one by one with the index of their entity, for a
// caller that keeps them in its own form: no list of all of them is built on the way.
void tessellateModelSpace(const AcDbDatabase& database, const TessellationOptions& options,
                          const std::function<void(DisplayShape&& shape, std::size_t entity)>& take);

struct Extents3d {
    bool empty = true;
    double minX = 0.0, minY = 0.0, minZ = 0.0;
    double maxX = 0.0, maxY = 0.0, maxZ = 0.0;
    void add(double x, double y, double z);
};

// Adds the extents of what `entity` draws (finite points only; endless lines do not
// count; text with its estimated box), whatever its layer's state.
void addExtents(const AcDbDatabase& database, const AcDbEntity& entity, Extents3d& extents);

// The kinds of entity that are in model space but cannot be shown, with their counts,
// as one line for a status bar ("2 PROXY_ENTITY, 1 3DSOLID not shown"); empty when none.
std::wstring unshownSummary(const AcDbDatabase& database);

} // namespace plotwright::db
