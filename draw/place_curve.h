#pragma once
// Placing a curve in the drawing: the draw flow around the sampler (origin pick, wait
// cursor, display refresh inside the dialog's editor-command bracket), the lightweight
// polylines built from the sampled points, and their appending to model space.

#include "curve/curve_options.h"
#include "curve/curve_pieces.h"
#include "curve/curve_points.h"
#include "curve/curve_sampler.h"
#include "db/acad_status.h"
#include "db/object_id.h"

#include <cstddef>
#include <string>
#include <vector>

class AcDbEntity;
class CEquation;

namespace plotwright::host {
class EditorCommandBracket;
}

// What one draw did, for hosts that report it (the command-line tool prints the handles).
struct DrawOutcome {
    bool pointPicked = false;        // the origin pick returned RTNORM
    std::size_t sampleCount = 0;     // points the sampler returned
    std::size_t nonFiniteCount = 0;  // of those, points with a coordinate that is not finite
    std::vector<AcDbObjectId> newIds;
    // The sampler's outcome (its points aside): status, reason, where.
    plotwright::curve::SampleStatus status = plotwright::curve::SampleStatus::Done;
    std::wstring message;
    int position = -1;
    char expression = 0;
    // Adaptive sampling: the tolerance used, whether it came from the curve's extent
    // (arcs or spline without one), whether the sample limit cut refinement short.
    double tolerance = 0;
    bool toleranceFromExtent = false;
    bool refinementCapped = false;
};

// Hides the dialog, asks for the origin ("\nPick curve origin point:"), samples the
// curve and places it (the pieces carry the curve's definition: AttachCurveDefinition),
// shows the dialog again and refreshes the display. A cancelled
// pick draws nothing and shows nothing; sampling failures show the sampler's messages.
void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation);
void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation, DrawOutcome& outcome);
// As above, sampled and shaped as `options` say (plotwright::curve::shapeCurve).
void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation, DrawOutcome& outcome,
                   const plotwright::curve::CurveOptions& options);

// What the pick asks for after the origin.
struct PickSteps {
    // The rotation, as inserts in drawing editors ask for it: a typed angle in degrees or a
    // picked point (the direction from the origin) replaces `options.rotation`; Enter keeps it.
    bool rotationByPoint = false;
};
// As above; with `steps.rotationByPoint` the origin pick is followed by
// "\nRotation angle <D>, or pick a point:" (D the options' rotation). Escape there draws nothing.
void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation, DrawOutcome& outcome,
                   const plotwright::curve::CurveOptions& options, const PickSteps& steps);

// The rotation step after an origin pick at `origin` ("\nRotation angle <D>, or pick a
// point:"): a typed or picked angle goes into `placed.rotation`, Enter keeps it. False
// when the user cancelled: nothing is to be drawn.
// While it is asked, the curve shows at the origin turned towards the cursor.
bool AskRotationByPoint(const CEquation& equation, const double* origin, plotwright::curve::CurveOptions& placed);

// Makes the curve follow the cursor during the next point request (the host's pick
// preview, placed at the cursor as origin); the caller clears it after the pick.
void ShowCurveDuringPick(const CEquation& equation, const plotwright::curve::CurveOptions& options);

// Samples the curve at `origin` (progress meter and wait cursor, the sampler's messages
// as for a draw), places its pieces and attaches the definition; no pick, no dialog
// bracket, no display refresh. `outcome.pointPicked` is left as it is.
void PlaceCurveAt(CEquation& equation, const CurvePoint& origin, const plotwright::curve::CurveOptions& options,
                  DrawOutcome& outcome);

// Gives the pieces `ids` (in order) of one curve drawn from `equation` at `origin` with
// `options` the definition they were drawn from (plotwright::core::curveDefinitionOf reads
// it back): a new curve id shared by all, each piece's index and the count, and each
// piece's fingerprint. Pieces that cannot be opened for write are left without.
void AttachCurveDefinition(const std::vector<AcDbObjectId>& ids, const CEquation& equation, const CurvePoint& origin,
                           const plotwright::curve::CurveOptions& options);

// Adds one entity per piece to model space of the working database, in order: a
// lightweight polyline (closed flag, bulges when the piece has them, the given
// elevation) or, for a spline piece, a cubic spline. Stops at the first entity the
// database refuses (that one is deleted). Returns the ids added.
std::vector<AcDbObjectId> PlaceCurvePieces(const std::vector<plotwright::curve::CurvePiece>& pieces, double elevation);

// Adds the points to model space of the working database as lightweight polylines
// (bulge 0, no widths of their own, the given elevation). A drawing cannot hold a
// coordinate that is not finite, so the curve is broken there: each run of finite
// points becomes its own polyline, in order (a run of one point gives one vertex).
// `closed` applies only to a curve that stays whole. Stops at the first polyline the
// database refuses (that one is deleted). Returns the ids of the polylines added.
std::vector<AcDbObjectId> PlaceCurvePolylines(const CurvePoints& points, double elevation, bool closed);

// As PlaceCurvePolylines; returns the first new polyline's id, or the null id when
// nothing was appended.
AcDbObjectId PlaceCurvePolyline(const CurvePoints& points, double elevation, bool closed);

// Appends `entity` to "*Model_Space" of the working database. Returns eOk (the database
// then owns the entity, still open for write) or the first failure (the caller still
// owns it); nothing stays open either way.
Acad::ErrorStatus AppendToModelSpace(AcDbEntity* entity, AcDbObjectId& id);
