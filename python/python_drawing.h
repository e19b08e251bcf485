#pragma once
// The drawing commands of the Python module — draw, redraw, list, and the curve data the
// ezdxf bridge attaches — as the command-line tool carries them out, over the core API.
// Called without the GIL.

#include "core/placed_pieces.h"
#include "plotwright/drawing.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plotwright::python {

struct DrawRequest {
    std::filesystem::path path;
    CurveDefinition curve;
    Point origin;
    std::optional<double> tolerance;
    OutputKind output = OutputKind::polyline;
    std::optional<std::string> layer;
};

struct DrawReply {
    Result result;
    std::vector<std::string> handles;
    // The curve as drawn (for wording a failure).
    CurveDefinition curve;
    // What the save wants the caller told (the definitions were not kept; UTF-8), or empty.
    std::string notice;
};

// Adds the curve to the file (created when missing; nothing is created when nothing
// was drawn) and saves it carefully.
DrawReply drawInto(const DrawRequest& request, Progress& progress);

struct RedrawRequest {
    std::filesystem::path path;
    std::string key;  // curve id or a piece's handle
    std::vector<std::pair<std::string, double>> constants;
    std::optional<std::array<double, 3>> range;
    std::optional<Point> origin;
    std::optional<double> tolerance;
    std::optional<OutputKind> output;
    std::optional<bool> literalSteps;
    bool force = false;
    std::optional<double> rotation;
    std::optional<double> scale;
    std::optional<bool> mirror;
    std::optional<double> offset;
    std::optional<bool> offsetBothSides;
};

// Draws a drawn curve again with the changes, in place, and saves; a refused redraw
// leaves the file as it was.
DrawReply redrawIn(const RedrawRequest& request, Progress& progress);

// `plotwright list --format json` of the file. Throws Failure when it cannot be read.
std::string listCurvesJson(const std::filesystem::path& path);

struct CurveData {
    Shape shape;
    std::vector<core::PlacedPiece> pieces;
};

// The curve shaped at `origin` and placed in a scratch drawing as draw does, so that the
// geometry and the definition (curve id, fingerprints) are exactly what draw writes.
// `utf8`: texts beyond ASCII stay UTF-8 (R2007 and later), else they are escaped.
CurveData curveData(const CurveDefinition& curve, Point origin, std::optional<double> tolerance, OutputKind output,
                    bool utf8, Progress& progress);

} // namespace plotwright::python
