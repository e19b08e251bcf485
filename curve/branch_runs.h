#pragma once
// The branches of a curve without a running variable (an implicit curve's traced
// pieces) made into runs that the offset takes: each in a direction of travel that the
// user can tell beforehand, and with a stand-in for the running variable.

#include "curve/curve_pieces.h"

#include <vector>

namespace plotwright::curve {

// Closed branches turn counter-clockwise (as a circle x = cos t, y = sin t does, so an
// offset to the left goes inside); open ones run from the end with the smaller x (the
// smaller y where the x are equal). Each point's z becomes the length along its branch
// from its start, which offsetRuns reads as the running variable. Branches of fewer than
// two points are dropped.
std::vector<CurvePiece> branchRuns(std::vector<CurvePiece> branches);

} // namespace plotwright::curve
