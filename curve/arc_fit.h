#pragma once
// Circular arcs in place of the chords of a densely sampled run: each arc starts with
// the tangent the previous one ended with, so the arcs join without a kink wherever the
// curve is smooth; at a corner the tangent starts afresh.

#include "curve/curve_pieces.h"

namespace plotwright::curve {

// Returns a piece whose vertices are some of `dense`'s points, with one bulge per vertex,
// such that every point of `dense` and the middle of every chord between them lies
// within `tolerance` of the arcs. `dense` keeps its closed flag; fewer than three points
// come back as chords (bulges 0). `tolerance` must be above 0.
CurvePiece fitArcs(const CurvePiece& dense, double tolerance);

} // namespace plotwright::curve
