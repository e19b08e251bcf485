#pragma once
// Entities into a drawing's model space: the pieces of a shaped curve as lightweight
// polylines or splines, their curve definition attached, and drawn curves replaced in
// place. The database is always an argument.

#include "core/drawn_curves.h"
#include "curve/curve_definition.h"
#include "curve/curve_pieces.h"
#include "db/acad_status.h"
#include "db/object_id.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class AcDbDatabase;
class AcDbEntity;

namespace plotwright::core {

// Appends `entity` to "*Model_Space" of `database`, on the current layer. Returns eOk
// (the database then owns the entity, still open for write) or the first failure (the
// caller still owns it); nothing stays open either way.
Acad::ErrorStatus appendToModelSpace(AcDbDatabase& database, AcDbEntity* entity, AcDbObjectId& id);

// Adds one entity per piece to model space, in order: a lightweight polyline (closed
// flag, bulges when the piece has them, the given elevation) or, for a spline piece, a
// cubic spline. Empty pieces are skipped. Stops at the first entity the database
// refuses (that one is deleted). Returns the ids added.
std::vector<AcDbObjectId> placePieces(AcDbDatabase& database, const std::vector<curve::CurvePiece>& pieces,
                                      double elevation);

// Gives the pieces `ids` (in order) of one drawn curve `definition`: a new curve id
// shared by all, each piece's index, the count and each piece's fingerprint. Pieces
// that cannot be opened for write are left without.
void attachDefinition(const std::vector<AcDbObjectId>& ids, curve::CurveDefinition definition);

// Puts entities on `layer` (added with the default appearance when missing) and, when
// given, in the colour `colorIndex`.
void setAppearance(AcDbDatabase& database, const std::vector<AcDbObjectId>& ids, const std::optional<std::wstring>& layer,
                   std::optional<int> colorIndex);

// Replaces the pieces of `curve`: they are erased, then `place` adds the new ones and
// says whether the curve was drawn whole. When it was, the new pieces take the old
// layer, colour and curve id and true is returned; otherwise what `place` added goes,
// the old pieces come back and false is returned. `newIds` receives what `place` added.
bool replacePieces(AcDbDatabase& database, const DrawnCurve& curve,
                   const std::function<bool(std::vector<AcDbObjectId>& newIds)>& place,
                   std::vector<AcDbObjectId>& newIds);

} // namespace plotwright::core
