#include "python/python_drawing.h"

#include "python/python_errors.h"

#include "base/file_bytes.h"
#include "base/utf8_text.h"
#include "core/curve_listing.h"
#include "core/placed_pieces.h"

#include <algorithm>
#include <system_error>

namespace plotwright::python {

namespace {

using base::utf8FromWide;
using base::wideFromUtf8;

Result failed(Status status, std::wstring message) { return {status, std::move(message), {}}; }

Shape shapeAt(CurveDefinition& curve, Point origin, Progress& progress)
{
    ShapeOptions options;
    options.origin = origin;
    options.progress = &progress;
    return shape(curve, options);
}

bool fileExists(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The text of a path for messages, as the command line names it.
std::wstring named(const std::filesystem::path& path) { return wideFromUtf8(path.string()); }

// Changes of a redraw, as the command line's --set and --range apply them.
Result applyChanges(CurveDefinition& curve, const RedrawRequest& request)
{
    for (const auto& [name, value] : request.constants) {
        Parameter* constant = curve.parameter(wideFromUtf8(name));
        if (!constant || constant->role != ParameterRole::constant)
            return failed(Status::invalidParameters, L"\"" + wideFromUtf8(name) + L"\" is no constant of the curve");
        constant->value = value;
    }
    if (request.range && !curve.setRange((*request.range)[0], (*request.range)[1], (*request.range)[2]))
        return failed(Status::invalidParameters, L"the curve has no running variable");
    if (request.tolerance)
        curve.options.tolerance = request.tolerance;
    if (request.literalSteps)
        curve.options.literalSteps = *request.literalSteps;
    if (request.output)
        curve.options.output = *request.output;
    curve.options.rotation = request.rotation.value_or(curve.options.rotation);
    curve.options.scale = request.scale.value_or(curve.options.scale);
    curve.options.mirror = request.mirror.value_or(curve.options.mirror);
    curve.options.offset = request.offset.value_or(curve.options.offset);
    curve.options.offsetBothSides = request.offsetBothSides.value_or(curve.options.offsetBothSides);
    return {};
}

} // namespace

DrawReply drawInto(const DrawRequest& request, Progress& progress)
{
    DrawReply reply;
    reply.curve = request.curve;
    reply.curve.options.tolerance = request.tolerance;
    reply.curve.options.output = request.output;

    Drawing drawing;
    bool existed = fileExists(request.path);
    // Draws into one new drawing take turns at creating it, as the command line's do:
    // the first creates it, the others find it there and add to it.
    base::FileLock creating;
    if (!existed) {
        creating = base::lockFolderOf(request.path.string());
        existed = fileExists(request.path);
        if (existed)
            creating.release();
    }
    if (existed) {
        // Held until the save: other draws into the same file wait for this one.
        reply.result = drawing.open(request.path);
        if (!reply.result.ok())
            return reply;
    }
    Shape shaped = shapeAt(reply.curve, request.origin, progress);
    PlaceOptions place;
    if (request.layer)
        place.layer = wideFromUtf8(*request.layer);
    // The pieces go into the drawing without a copy; the shape's result stays.
    const Placed placed = drawing.add(reply.curve, std::move(shaped), place);
    if (!shaped.result.ok() && placed.handles.empty()) {
        reply.result = shaped.result;
        return reply;
    }
    if (!placed.result.ok()) {
        reply.result = placed.result;
        return reply;
    }
    if (placed.handles.empty()) {
        reply.result = failed(Status::invalidParameters, named(request.path) + L": the curve has no point to draw; "
                                                                               L"nothing was drawn");
        return reply;
    }
    // A new file is created only if no other program created it meanwhile.
    reply.result = existed ? drawing.save() : drawing.saveAs(request.path, {.onlyIfAbsent = true});
    if (reply.result.ok()) {
        reply.notice = utf8FromWide(reply.result.notice);
        reply.handles = placed.handles;
        reply.result = shaped.result;  // points drawn before an error in the equation
    }
    return reply;
}

DrawReply redrawIn(const RedrawRequest& request, Progress& progress)
{
    DrawReply reply;
    Drawing drawing;
    reply.result = drawing.open(request.path);
    if (!reply.result.ok())
        return reply;
    const std::optional<DrawnCurve> found = drawing.findCurve(request.key);
    if (!found) {
        reply.result = failed(Status::notFound, named(request.path) + L": no drawn curve with the id or piece handle \"" +
                                                    wideFromUtf8(request.key) + L"\" ('plotwright list' shows them)");
        return reply;
    }
    const DrawnCurve& drawn = *found;
    if (drawn.change == CurveChange::edited && !request.force) {
        reply.result = failed(Status::refused, L"curve " + wideFromUtf8(drawn.id) + L" was changed by hand (" +
                                                   drawn.reason + L"); force=True draws it again from its definition, "
                                                                  L"replacing the changes");
        return reply;
    }
    Point origin = drawn.origin;
    if (drawn.change == CurveChange::moved) {
        origin.x += drawn.shift.x;
        origin.y += drawn.shift.y;
    }
    if (request.origin)
        origin = *request.origin;

    reply.curve = drawn.definition;
    reply.result = applyChanges(reply.curve, request);
    if (!reply.result.ok())
        return reply;
    const Shape shaped = shapeAt(reply.curve, origin, progress);
    // In memory only: nothing is saved unless the new curve is drawn whole.
    const Placed placed = drawing.redraw(drawn, reply.curve, shaped);
    if (!placed.result.ok()) {
        reply.result = !shaped.result.ok() ? shaped.result
                                           : failed(Status::invalidParameters,
                                                    named(request.path) + L": the changed curve has no point to draw; "
                                                                          L"nothing was changed");
        return reply;
    }
    reply.result = drawing.save();
    if (reply.result.ok())
        reply.handles = placed.handles;
    return reply;
}

std::string listCurvesJson(const std::filesystem::path& path)
{
    Drawing drawing;
    const Result read = drawing.open(path, {.forUpdate = false});
    if (!read.ok())
        throw Failure{utf8FromWide(read.message), std::nullopt};
    return core::curvesJson(drawing.curves());
}

CurveData curveData(const CurveDefinition& curve, Point origin, std::optional<double> tolerance, OutputKind output,
                    bool utf8, Progress& progress)
{
    CurveData out;
    CurveDefinition drawnCurve = curve;
    drawnCurve.options.tolerance = tolerance;
    drawnCurve.options.output = output;
    out.shape = shapeAt(drawnCurve, origin, progress);
    if (!out.shape.result.ok())
        return out;
    Drawing scratch;
    const Placed placed = scratch.add(drawnCurve, out.shape);
    if (!placed.result.ok()) {
        out.shape.result = placed.result;
        return out;
    }
    // Read back from the entities, so that geometry and data are what draw writes.
    out.pieces = core::placedPieces(scratch, placed.handles, utf8);
    return out;
}

} // namespace plotwright::python
