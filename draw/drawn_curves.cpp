#include "draw/drawn_curves.h"

#include "core/placement.h"
#include "db/database.h"

namespace plotwright::draw {

bool ReplaceDrawnCurve(const DrawnCurve& curve, CEquation& equation, const curve::CurveOptions& options,
                       const CurvePoint& origin, DrawOutcome& outcome)
{
    outcome = DrawOutcome{};
    AcDbDatabase* database = acdbHostApplicationServices()->workingDatabase();
    if (!database)
        return false;
    std::vector<AcDbObjectId> placed;
    const bool whole = core::replacePieces(*database, curve, [&](std::vector<AcDbObjectId>& newIds) {
        PlaceCurveAt(equation, origin, options, outcome);
        newIds = outcome.newIds;
        return outcome.status == curve::SampleStatus::Done;
    }, placed);
    return whole;
}

} // namespace plotwright::draw
