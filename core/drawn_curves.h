#pragma once
// The drawn curves a drawing holds: its model-space entities that carry a curve
// definition, grouped by curve id, and how their geometry compares to the fingerprints.

#include "curve/curve_definition.h"
#include "db/object.h"

#include <optional>
#include <string>
#include <vector>

class AcDbDatabase;

namespace plotwright::core {

struct DrawnPiece {
    const AcDbEntity* entity = nullptr;
    curve::CurveDefinition definition;
};

struct DrawnCurve {
    std::string id;
    // In piece order (by index; ties in drawing order).
    std::vector<DrawnPiece> pieces;
    // The definition the curve is listed and redrawn with: the first piece's.
    const curve::CurveDefinition& definition() const { return pieces.front().definition; }
};

// In the order of their first pieces in model space.
std::vector<DrawnCurve> drawnCurves(const AcDbDatabase& database);

// How the pieces compare to what was drawn.
struct CurveState {
    enum Kind { unchanged, moved, edited };
    Kind kind = unchanged;
    CurvePoint shift;     // moved: the vector every vertex moved by
    std::string reason;   // edited: what differs
};
CurveState curveState(const DrawnCurve& curve);

// The curve `key` names: its id or the handle (hexadecimal) of one of its pieces, in any
// case; null when none does.
const DrawnCurve* findDrawnCurve(const std::vector<DrawnCurve>& curves, const std::string& key);

// Whether the entity with `handle` in `database` is a piece of a drawn curve (it carries
// a curve definition); false for an unknown or erased handle and for handle 0.
bool isDrawnCurvePiece(const AcDbDatabase& database, AcDbHandle handle);

// The drawn curve with the id `curveId` in `database`, or nothing.
std::optional<DrawnCurve> drawnCurveWithId(const AcDbDatabase& database, const std::string& curveId);

// A handle in upper-case hexadecimal.
std::string handleText(AcDbHandle handle);

} // namespace plotwright::core
