#pragma once
// What a drawn curve was made from, kept with its entities in the drawing so that it can
// be listed and drawn again: the definition, where and how it was drawn, which curve and
// piece an entity is, and a fingerprint of the geometry as written (to notice edits).

#include "curve/curve_options.h"
#include "curve/curve_points.h"
#include "model/equation.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plotwright::curve {

// The vertex count and the first and last vertex of one piece as it is in the drawing
// (lightweight polyline: its vertices with the elevation as z; spline: its control points),
// and a digest of all of them.
struct PieceFingerprint {
    std::uint32_t vertexCount = 0;
    CurvePoint first;
    CurvePoint last;
    // geometryDigest of the vertices (and bulges) as written; empty in definitions kept
    // before drawings held it, which are then compared by the count and the ends alone.
    std::vector<double> digest;
    // The largest magnitude of a vertex coordinate, measured on the entity (not kept).
    double magnitude = 0;
};

struct CurveDefinition {
    // The library name; empty for a curve written by hand.
    std::wstring name;
    int kind = 0;  // EquationKind
    std::wstring equationY;
    std::wstring equationX;
    std::wstring equationZ;  // a space curve's z
    ImplicitWindow window;   // an implicit curve's window and grid
    int createdBy = 0;
    std::vector<ParameterFields> parameters;
    CurvePoint origin;
    CurveOptions options;
    // Shared by the pieces of one drawn curve: 32 lower-case hexadecimal digits.
    std::string curveId;
    std::uint32_t pieceIndex = 0;  // 0-based
    std::uint32_t pieceCount = 1;
    PieceFingerprint fingerprint;

    // Bit for bit (a NaN equals a NaN with the same bits).
    bool operator==(const CurveDefinition& other) const;
};

// The definition of `equation` drawn at `origin` with `options`; no id, piece 0 of 1.
CurveDefinition curveDefinitionFrom(const CEquation& equation, CurvePoint origin, const CurveOptions& options);

// A fresh equation with the definition's kind, name, expressions and parameters.
CEquationPtr equationOf(const CurveDefinition& definition);

// A new random curve id (128 bits from the system's random source).
std::string newCurveId();

} // namespace plotwright::curve
