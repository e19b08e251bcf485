#pragma once
// Circular arcs in place of the chords of a densely sampled run: biarcs (two arcs with
// one tangent where they meet) between points of the run, each leaving and reaching its
// points along the curve's own direction there, so the arcs join without a kink wherever
// the curve is smooth. At a cusp a chord joins the points instead.

#include "curve/curve_pieces.h"

namespace plotwright::curve {

// Returns a piece whose vertices are some of `dense`'s points and the biarcs' junctions,
// with one bulge per vertex,
// such that every point of `dense` and the middle of every chord between them lies
// within `tolerance` of the arcs. `dense` keeps its closed flag; fewer than three points
// come back as chords (bulges 0). `tolerance` must be above 0.
CurvePiece fitArcs(const CurvePiece& dense, double tolerance);

} // namespace plotwright::curve
