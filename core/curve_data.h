#pragma once
// A drawn curve's definition as the application data of its entities (see
// docs/curve-data.md): the typed values in their fixed order. Their DXF form (extended
// data of the application "PLOTWRIGHT", or the groups of an XRECORD) is dxf/app_data.h's.

#include <optional>

#include "curve/curve_definition.h"
#include "db/object.h"

namespace plotwright::core {

// The values of `definition` in the layout's order. Texts are split into chunks that
// stay within 255 bytes in any file encoding.
AcDbAppData encodeCurveData(const curve::CurveDefinition& definition);

// The definition the values hold; nothing when they do not follow the layout.
std::optional<curve::CurveDefinition> decodeCurveData(const AcDbAppData& data);

// The definition kept with `entity`, when it is a piece of a drawn curve.
std::optional<curve::CurveDefinition> curveDefinitionOf(const AcDbEntity& entity);

// The vertex count and first and last vertex of a lightweight polyline (z: elevation),
// 3-D polyline or spline (control points, or fit points when it has none); nothing for
// other kinds.
std::optional<curve::PieceFingerprint> pieceFingerprint(const AcDbEntity& entity);

} // namespace plotwright::core
