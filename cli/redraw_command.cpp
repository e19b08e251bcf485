// redraw: a drawn curve drawn again from the definition its pieces carry, with changes.
#include "cli/commands.h"

#include "cli/cli_backend.h"
#include "cli/curve_source.h"
#include "cli/drawing_curves.h"
#include "cli/failure.h"
#include "base/utf8_text.h"
#include "db/database.h"
#include "draw/place_curve.h"
#include "dxf/curve_data.h"
#include "host/doc_manager.h"
#include "host/editor_command.h"

#include <algorithm>
#include <cctype>
#include <unistd.h>

namespace plotwright::cli {

namespace {

class HeadlessDialog : public host::EditorCommandBracket {
public:
    void BeginEditorCommand() override {}
    void CompleteEditorCommand(bool) override {}
};

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The curve `key` names: its id, or the handle of one of its pieces.
const DrawnCurve* findCurve(const std::vector<DrawnCurve>& curves, const std::string& key)
{
    const std::string wanted = upper(key);
    for (const DrawnCurve& c : curves) {
        if (upper(c.id) == wanted)
            return &c;
        for (const DrawnPiece& p : c.pieces)
            if (handleText(p.entity->handle()) == wanted)
                return &c;
    }
    return nullptr;
}

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
    AcDbDatabase& database = *document->database();

    const std::vector<DrawnCurve> curves = drawnCurves(database);
    const DrawnCurve* found = findCurve(curves, request.curve);
    if (!found)
        throw Failure(kExitCurveRefused, request.in + ": no drawn curve with the id or piece handle \"" + request.curve +
                                             "\" ('plotwright list' shows them)");
    const DrawnCurve curve = *found;
    curve::CurveDefinition definition = curve.definition();

    const CurveState state = curveState(curve);
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

    // The old pieces go first (in memory only: nothing is saved unless the new curve is
    // drawn whole).
    const AcDbEntity& first = *curve.pieces.front().entity;
    const std::wstring layer = first.layer();
    const int color = first.colorIndex();
    const std::int32_t trueColor = first.trueColor();
    for (const DrawnPiece& piece : curve.pieces) {
        const Acad::ErrorStatus es = database.eraseEntity(piece.entity->objectId());
        if (es != Acad::eOk)
            throw Failure(kExitFileError, request.in + ": piece " + handleText(piece.entity->handle()) +
                                              " cannot be erased (" + base::utf8FromWide(acadErrorStatusText(es)) + "); nothing was changed");
    }

    CliBackend backend({origin.x, origin.y, origin.z}, io.err, ::isatty(::fileno(io.err)) == 1);
    host::ScopedBackend installed(backend);
    HeadlessDialog dialog;
    DrawOutcome outcome;
    DrawCurveFlow(dialog, *equation, outcome, options);
    const int status = sampleStatus(outcome.status, outcome.message, outcome.position, outcome.expression, *equation, io);
    if (status != kExitOk)
        return status;  // nothing saved: the drawing stays as it was
    if (outcome.newIds.empty())
        throw Failure(kExitInvalidParameters, request.in + ": the changed curve has no point to draw; nothing was changed");

    // The new pieces take the old ones' place: layer, colour and the curve's id.
    std::string handles;
    for (const AcDbObjectId& id : outcome.newIds) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForWrite) != Acad::eOk)
            continue;
        entity->setAppearance(layer, color, trueColor);
        if (std::optional<curve::CurveDefinition> drawn = dxf::curveDefinitionOf(*entity)) {
            drawn->curveId = curve.id;
            entity->setAppData(dxf::encodeCurveData(*drawn));
        }
        entity->close();
        handles += handleText(id.handle()) + "\n";
    }
    const dxf::DxfResult saved = document->save();
    if (!saved.ok())
        throw Failure(kExitFileError, saved.message);
    emit(io.out, handles);
    return kExitOk;
}

} // namespace plotwright::cli
