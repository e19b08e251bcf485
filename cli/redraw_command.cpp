// redraw: a drawn curve drawn again from the definition its pieces carry, with changes.
#include "cli/commands.h"

#include "cli/curve_source.h"
#include "cli/drawing_options.h"
#include "cli/failure.h"
#include "cli/progress_bar.h"
#include "core/convert.h"
#include "core/drawing_access.h"
#include "plotwright/drawing.h"
#include "base/utf8_text.h"

#include <unistd.h>

namespace plotwright::cli {

using base::utf8FromWide;

namespace {

DrawingOptions changedOptions(DrawingOptions options, const Request& request)
{
    if (request.tolerance)
        options.tolerance = request.tolerance;
    if (request.literalSteps)
        options.literalSteps = true;
    if (request.outputGiven)
        options.output = request.output == Output::Arcs     ? OutputKind::arcs
                         : request.output == Output::Spline ? OutputKind::spline
                                                            : OutputKind::polyline;
    applyPlacement(options, request);
    return options;
}

} // namespace

int runRedraw(const Request& request, Streams io)
{
    Drawing drawing;
    // Held until the save, as draw does: other runs on the same drawing wait.
    const Result opened = drawing.open(request.in);
    if (!opened.ok())
        throw Failure(kExitFileError, utf8FromWide(opened.message));
    if (!opened.notice.empty())
        emit(io.err, "plotwright: " + utf8FromWide(opened.notice) + "\n");

    const std::optional<DrawnCurve> found = drawing.findCurve(request.curve);
    if (!found)
        throw Failure(kExitCurveRefused, request.in + ": no drawn curve with the id or piece handle \"" + request.curve +
                                             "\" ('plotwright list' shows them)");
    const DrawnCurve& drawn = *found;
    if (drawn.change == CurveChange::edited) {
        const std::string reason = utf8FromWide(drawn.reason);
        if (!request.force)
            throw Failure(kExitCurveRefused, "curve " + drawn.id + " was changed by hand (" + reason +
                                                 "); --force draws it again from its definition, replacing the changes");
        emit(io.err, "plotwright: curve " + drawn.id + " was changed by hand (" + reason + "); the changes are replaced\n");
    }
    Point origin = drawn.origin;
    if (drawn.change == CurveChange::moved) {
        origin.x += drawn.shift.x;
        origin.y += drawn.shift.y;
    }
    if (request.originGiven)
        origin = {request.origin[0], request.origin[1], request.origin[2]};

    CEquationPtr equation = core::equationOf(drawn.definition);
    applyChanges(*equation, request);
    const CurveDefinition curve = core::definitionOf(*equation, changedOptions(drawn.definition.options, request));

    Shape shaped;
    {
        ProgressBar bar(io.err, ::isatty(::fileno(io.err)) == 1);
        shaped = shape(curve, {origin, &bar});
        showSampleFailure(shaped.result, curve, bar);
    }
    // In memory only: nothing is saved unless the new curve is drawn whole.
    const Placed placed = drawing.redraw(drawn, curve, shaped);
    if (!placed.result.ok()) {
        const int status = sampleStatus(shaped.result, curve, io);
        if (status != kExitOk)
            return status;
        throw Failure(kExitInvalidParameters, request.in + ": the changed curve has no point to draw; nothing was changed");
    }
    applyAppearance(DrawingAccess::database(drawing), DrawingAccess::ids(drawing, placed.handles), request);
    std::string handles;
    for (const std::string& handle : placed.handles)
        handles += handle + "\n";
    const Result saved = drawing.save();
    if (!saved.ok())
        throw Failure(kExitFileError, utf8FromWide(saved.message));
    emit(io.out, handles);
    return kExitOk;
}

} // namespace plotwright::cli
