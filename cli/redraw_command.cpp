// redraw: a drawn curve drawn again from the definition its pieces carry, with changes.
#include "cli/commands.h"

#include "cli/cli_backend.h"
#include "cli/curve_source.h"
#include "cli/drawing_options.h"
#include "cli/failure.h"
#include "base/utf8_text.h"
#include "db/database.h"
#include "draw/drawn_curves.h"
#include "draw/place_curve.h"
#include "dxf/curve_data.h"
#include "host/doc_manager.h"

#include <unistd.h>

namespace plotwright::cli {

using draw::DrawnCurve;
using draw::DrawnPiece;
using draw::CurveState;
using draw::handleText;

namespace {

curve::CurveOptions changedOptions(curve::CurveOptions options, const Request& request)
{
    if (request.tolerance)
        options.tolerance = request.tolerance;
    if (request.literalSteps)
        options.literalSteps = true;
    if (request.outputGiven)
        options.output = request.output == Output::Arcs     ? curve::CurveOutput::Arcs
                         : request.output == Output::Spline ? curve::CurveOutput::Spline
                                                            : curve::CurveOutput::Polyline;
    return options;
}

} // namespace

int runRedraw(const Request& request, Streams io)
{
    AcApDocManager* documents = acDocManagerPtr();
    AcApDocument* document = nullptr;
    // Held until the save, as draw does: other runs on the same drawing wait.
    const dxf::DxfResult opened = documents->openDocument(request.in, document, true);
    if (!opened.ok())
        throw Failure(kExitFileError, opened.message);
    if (!opened.notice.empty())
        emit(io.err, "plotwright: " + opened.notice + "\n");
    AcDbDatabase& database = *document->database();

    const std::vector<DrawnCurve> curves = draw::drawnCurves(database);
    const DrawnCurve* found = draw::findDrawnCurve(curves, request.curve);
    if (!found)
        throw Failure(kExitCurveRefused, request.in + ": no drawn curve with the id or piece handle \"" + request.curve +
                                             "\" ('plotwright list' shows them)");
    const DrawnCurve curve = *found;
    curve::CurveDefinition definition = curve.definition();

    const CurveState state = draw::curveState(curve);
    if (state.kind == CurveState::edited) {
        if (!request.force)
            throw Failure(kExitCurveRefused, "curve " + curve.id + " was changed by hand (" + state.reason +
                                                 "); --force draws it again from its definition, replacing the changes");
        emit(io.err, "plotwright: curve " + curve.id + " was changed by hand (" + state.reason +
                         "); the changes are replaced\n");
    }
    CurvePoint origin = definition.origin;
    if (state.kind == CurveState::moved) {
        origin.x += state.shift.x;
        origin.y += state.shift.y;
    }
    if (request.originGiven)
        origin = {request.origin[0], request.origin[1], request.origin[2]};

    CEquationPtr equation = curve::equationOf(definition);
    applyChanges(*equation, request);
    const curve::CurveOptions options = changedOptions(definition.options, request);

    CliBackend backend({origin.x, origin.y, origin.z}, io.err, ::isatty(::fileno(io.err)) == 1);
    host::ScopedBackend installed(backend);
    DrawOutcome outcome;
    // In memory only: nothing is saved unless the new curve is drawn whole.
    if (!draw::ReplaceDrawnCurve(curve, *equation, options, origin, outcome)) {
        const int status =
            sampleStatus(outcome.status, outcome.message, outcome.position, outcome.expression, *equation, io);
        if (status != kExitOk)
            return status;
        throw Failure(kExitInvalidParameters, request.in + ": the changed curve has no point to draw; nothing was changed");
    }
    applyAppearance(database, outcome.newIds, request);
    std::string handles;
    for (const AcDbObjectId& id : outcome.newIds)
        handles += handleText(id.handle()) + "\n";
    const dxf::DxfResult saved = document->save();
    if (!saved.ok())
        throw Failure(kExitFileError, saved.message);
    emit(io.out, handles);
    return kExitOk;
}

} // namespace plotwright::cli
