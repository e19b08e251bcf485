#pragma once
// The sampled points of one curve, in sampling order, already offset by the origin.
//
// A sampled point is the core's public point (a value type of the standard library
// only), so that a million samples pass from the sampler into a shape and on into a
// drawing by moving their vector, never by copying it into another point type.

#include "plotwright/geometry.h"

#include <vector>

using CurvePoint = plotwright::Point;

using CurvePoints = std::vector<CurvePoint>;
