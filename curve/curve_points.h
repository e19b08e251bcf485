#pragma once
// The sampled points of one curve, in sampling order, already offset by the origin.

#include <vector>

struct CurvePoint {
    double x = 0;
    double y = 0;
    double z = 0;
};

using CurvePoints = std::vector<CurvePoint>;
